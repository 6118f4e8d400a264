#pragma once
// The composition root of the instrument: the panel with its settings and
// files, and the subsystems wired behind it. MainPanel answers the panel's
// hooks by forwarding to the subsystem that owns each operation.
//
// Thread: the instrument's thread only.

#include "engine/analyzer.h"
#include "engine/settling.h"
#include "generator/generator.h"
#include "panel/hooks.h"
#include "panel/panel.h"
#include "views/graph.h"

namespace platform {
class AudioInput;
class AudioOutput;
class Dialogs;
class EventLoop;
} // namespace platform

namespace app {

class MainPanel final : public panel::PanelHooks {
public:
    MainPanel(platform::EventLoop& loop, platform::Dialogs& dialogs, platform::AudioInput& input,
              platform::AudioOutput& output);
    MainPanel(const MainPanel&) = delete;
    MainPanel& operator=(const MainPanel&) = delete;

    panel::Panel& panel() { return panel_; }
    engine::Analyzer& analyzer() { return analyzer_; }
    engine::SettlingEditor& settlingEditor() { return settlingEditor_; }
    generator::Generator& generator() { return generator_; }
    views::Graph& graph() { return graph_; }

    // panel::PanelHooks
    void InitGetData() override { analyzer_.InitGetData(); }
    void DoStop() override { analyzer_.DoStop(); }
    void installPlaybackHook() override { generator_.InstallPlaybackHook(); }
    void Gen_On_Click() override { generator_.Gen_On_Click(); }
    void Gen_Off_Click() override { generator_.Gen_Off_Click(); }
    void disableGeneratorOffTimer() override { generator_.disableGeneratorOffTimer(); }
    void stopPlaybackAndCloseFile() override { generator_.stopPlaybackAndCloseFile(); }
    void sizeGraphSurfaces() override { graph_.sizeGraphSurfaces(); }
    void scaleme() override { graph_.scaleme(); }
    void scaleme2() override { graph_.scaleme2(); }
    void clearGraphForView(panel::GraphMode mode) override { graph_.clearGraphForView(mode); }
    void drawScopeGrid() override { graph_.drawScopeGrid(); }

private:
    // What the generator asks of capture.
    class GeneratorLink final : public generator::GeneratorHost {
    public:
        explicit GeneratorLink(engine::Analyzer& analyzer) : analyzer_(analyzer) {}
        void DoStop() override { analyzer_.DoStop(); }
        bool captureOpen() const override { return analyzer_.capturing(); }
        void startCaptureTimer() override { analyzer_.startCaptureTimer(); }

    private:
        engine::Analyzer& analyzer_;
    };

    // What the measurement cycle draws: the analyzer's arrays of the block
    // handed to the graph as frames.
    class ViewsLink final : public engine::CycleViews {
    public:
        ViewsLink(engine::Analyzer& analyzer, views::Graph& graph, panel::Panel& panel)
            : analyzer_(analyzer), graph_(graph), panel_(panel) {}
        void captureStarted() override { graph_.firstFrame = 1; }
        void spectrumView(engine::Analyzer&) override { graph_.spectrumBlock(spectrumFrame()); }
        void scopeView(engine::Analyzer&) override { graph_.scopeBlock(scopeFrame()); }
        views::SpectrumFrame spectrumFrame();
        views::ScopeFrame scopeFrame();

    private:
        engine::Analyzer& analyzer_;
        views::Graph& graph_;
        panel::Panel& panel_;
    };

    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    panel::Panel panel_;
    engine::Analyzer analyzer_;
    engine::SettlingEditor settlingEditor_;
    GeneratorLink generatorLink_{analyzer_};
    generator::Generator generator_;
    views::Graph graph_;
    ViewsLink viewsLink_{analyzer_, graph_, panel_};
};

} // namespace app

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

    // panel::PanelHooks
    void InitGetData() override { analyzer_.InitGetData(); }
    void DoStop() override { analyzer_.DoStop(); }
    void installPlaybackHook() override { generator_.InstallPlaybackHook(); }
    void Gen_On_Click() override { generator_.Gen_On_Click(); }
    void Gen_Off_Click() override { generator_.Gen_Off_Click(); }
    void disableGeneratorOffTimer() override { generator_.disableGeneratorOffTimer(); }
    void stopPlaybackAndCloseFile() override { generator_.stopPlaybackAndCloseFile(); }

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

    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    panel::Panel panel_;
    engine::Analyzer analyzer_;
    engine::SettlingEditor settlingEditor_;
    GeneratorLink generatorLink_{analyzer_};
    generator::Generator generator_;
};

} // namespace app

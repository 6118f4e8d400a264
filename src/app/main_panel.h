#pragma once
// The composition root of the instrument: the panel with its settings and
// files, and the subsystems wired behind it. MainPanel answers the panel's
// hooks by forwarding to the subsystem that owns each operation.
//
// Thread: the instrument's thread only.

#include "editor/data_editor.h"
#include "engine/analyzer.h"
#include "engine/settling.h"
#include "engine/soundcard_setup.h"
#include "generator/generator.h"
#include "output/file_output.h"
#include "output/help.h"
#include "output/printing.h"
#include "panel/fav_setup.h"
#include "panel/hooks.h"
#include "panel/panel.h"
#include "sequencer/launcher.h"
#include "sequencer/script_host.h"
#include "views/graph.h"
#include "views/graph_setup.h"
#include "views/sweep.h"

#include <functional>

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
    engine::SoundcardSetup& soundcardSetup() { return soundcardSetup_; }
    views::GraphSetup& graphSetup() { return graphSetup_; }
    panel::FavSetup& favSetup() { return favSetup_; }
    output::Help& help() { return help_; }
    generator::Generator& generator() { return generator_; }
    views::Graph& graph() { return graph_; }
    sequencer::ScriptHost& scriptHost() { return scriptHost_; }
    views::Sweep& sweep() { return sweep_; }
    output::Printing& printing() { return printing_; }
    output::FileOutput& fileOutput() { return fileOutput_; }
    // The report's verdict as the panel stands: FAIL when PFLED is red or the
    // last test sequence stopped with an error.
    output::Verdict panelVerdict() const;
    editor::DataEditor& dataEditor() { return dataEditor_; }

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
    void drawLimitCurve() override { sweep_.drawLimitCurve(); }
    void graphdata() override { sweep_.graphdata(); }
    bool sweepAtFinalPoint() const override { return sweep_.atFinalPoint(); }
    void stopSweep() override { sweep_.sweepState = 0; }
    void loadReverseCal() override { sweep_.loadReverseCal(); }
    void unloadWindows() override {
        if (unloadWindows_) unloadWindows_();
    }

    // What the exit routine's last step does: the front end closes its windows.
    void setUnloadWindows(std::function<void()> unload) { unloadWindows_ = std::move(unload); }

private:
    // What the generator asks of capture.
    class GeneratorLink final : public generator::GeneratorHost {
    public:
        explicit GeneratorLink(engine::Analyzer& analyzer) : analyzer_(analyzer) {}
        void DoStop() override { analyzer_.DoStop(); }
        bool captureOpen() const override { return analyzer_.capturing(); }
        void startCaptureTimer() override { analyzer_.startCaptureTimer(); }
        std::int16_t sweepState() const override { return sweep_ ? sweep_->sweepState : 0; }
        void clearSweepState() override {
            if (!sweep_) return;
            sweep_->sweepState = 0;
            sweep_->firstPoint = false;
        }
        void setSweep(views::Sweep* sweep) { sweep_ = sweep; }

    private:
        engine::Analyzer& analyzer_;
        views::Sweep* sweep_ = nullptr;
    };

    // What Soundcard Setup's Test button drives.
    class SoundcardTestLink final : public engine::SoundcardTest {
    public:
        SoundcardTestLink(panel::Panel& panel, engine::Analyzer& analyzer,
                          generator::Generator& generator)
            : panel_(panel), analyzer_(analyzer), generator_(generator) {}
        bool generatorOn() const override;
        void switchOn() override { generator_.Gen_On_Click(); }
        void switchOff() override { generator_.Gen_Off_Click(); }
        bool capturing() const override { return analyzer_.capturing(); }
        const engine::Readings& readings() const override { return analyzer_.readings(); }

    private:
        panel::Panel& panel_;
        engine::Analyzer& analyzer_;
        generator::Generator& generator_;
    };

    // What the sweep asks of the generator, capture and the cycle's averaging.
    class SweepDriverLink final : public views::SweepDriver {
    public:
        SweepDriverLink(panel::Panel& panel, engine::Analyzer& analyzer,
                        generator::Generator& generator)
            : panel_(panel), analyzer_(analyzer), generator_(generator) {}
        void Gen_On_Click() override { generator_.Gen_On_Click(); }
        void DoStop() override { analyzer_.DoStop(); }
        bool captureOpen() const override { return analyzer_.capturing(); }
        void StopPlayback() override { generator_.playback().StopPlayback(); }
        void playFrequency(double frequencyHz) override {
            generator_.playSweepFrequency(frequencyHz);
        }
        void showSampleRate(std::int32_t rate) override;
        void restartCapture() override { analyzer_.restartCapture(); }
        // Timer1 runs from start-up until the exit routine disables it, so
        // it is already enabled whenever a sweep can start.
        void enableSwitchOffTimer() override {}
        void resetStepCounters() override;
        void levelStep(int settleBlocks, double stepFrequency) override {
            analyzer_.sweepLevelStep(settleBlocks, stepFrequency);
        }
        void thdStep(double stepFrequency) override { analyzer_.avediddle(stepFrequency); }
        views::StepReadings readings() const override;

    private:
        panel::Panel& panel_;
        engine::Analyzer& analyzer_;
        generator::Generator& generator_;
    };

    // The measurement cycle's sweep seams, forwarded to the sweep.
    class SweepStepsLink final : public engine::SweepSteps {
    public:
        explicit SweepStepsLink(views::Sweep& sweep) : sweep_(sweep) {}
        bool running() const override { return sweep_.running(); }
        void captureStarted() override { sweep_.captureStarted(); }
        void beforeMeasurement(engine::Analyzer&) override { sweep_.beforeMeasurement(); }
        void afterHarmonics(engine::Analyzer&) override { sweep_.afterHarmonics(); }
        void afterLevels(engine::Analyzer&) override { sweep_.afterLevels(); }
        void afterMeasurement(engine::Analyzer&) override { sweep_.afterMeasurement(); }

    private:
        views::Sweep& sweep_;
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

    // What the data/limit editor reaches of the panel and the sweep graph.
    class EditorLink final : public editor::EditorHost {
    public:
        EditorLink(panel::Panel& panel, views::Graph& graph, views::Sweep& sweep)
            : panel_(panel), graph_(graph), sweep_(sweep) {}
        common::SweepData& sweepData() override { return panel_.sweepData; }
        common::LimitTable& limits() override { return panel_.limits; }
        common::ReverseCalTable& reverseCal() override { return panel_.reverseCal; }
        bool thdSweep() const override { return panel_.settings.thdSweep == 1; }
        std::string defaultDataDirectory() const override {
            return panel_.settings.defaultDataDirectory;
        }
        void regraph() override;

    private:
        panel::Panel& panel_;
        views::Graph& graph_;
        views::Sweep& sweep_;
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
    SweepDriverLink sweepDriver_{panel_, analyzer_, generator_};
    views::Sweep sweep_{panel_, graph_, dialogs_, loop_, sweepDriver_};
    SweepStepsLink sweepSteps_{sweep_};
    sequencer::DesktopLauncher launcher_;
    sequencer::ScriptHost scriptHost_{panel_, loop_, dialogs_, launcher_};
    output::Printing printing_{dialogs_};
    output::FileOutput fileOutput_{panel_, graph_, dialogs_, printing_};
    EditorLink editorLink_{panel_, graph_, sweep_};
    editor::DataEditor dataEditor_{editorLink_, dialogs_};
    engine::SoundcardSetup soundcardSetup_;
    SoundcardTestLink soundcardTest_{panel_, analyzer_, generator_};
    views::GraphSetup graphSetup_{panel_};
    panel::FavSetup favSetup_{panel_};
    output::Help help_{printing_};
    std::function<void()> unloadWindows_;
};

} // namespace app

#include "app/main_panel.h"

#include "common/vb_error.h"
#include "output/text_pages.h"
#include "platform/event_loop.h"

#include <new>

namespace app {

MainPanel::MainPanel(platform::EventLoop& loop, platform::Dialogs& dialogs,
                     platform::AudioInput& input, platform::AudioOutput& output)
    : loop_(loop), dialogs_(dialogs), panel_(loop, dialogs, this),
      analyzer_(loop, dialogs, panel_, input), settlingEditor_(panel_, dialogs),
      generator_(panel_, loop, dialogs, output, generatorLink_), graph_(panel_, dialogs),
      soundcardSetup_(panel_, input, output, &loop) {
    analyzer_.setViews(&viewsLink_);
    graph_.setSpectrumSource([this] { return viewsLink_.spectrumFrame(); });
    graph_.setScopeSource([this] { return viewsLink_.scopeFrame(); });
    graph_.setGeneratorOffRequest([this] { generator_.requestSwitchOff(); });
    graph_.attach();
    generatorLink_.setSweep(&sweep_);
    analyzer_.setSweepSteps(&sweepSteps_);
    graph_.setSweepPlots([this] { sweep_.graphdata(); }, [this] { sweep_.drawLimitCurve(); });
    sweep_.attach();
    // The SNR measurement silences the generator's output while capture goes on.
    analyzer_.setOscillatorMute([this](bool muted) {
        generator::PlaybackEngine& playback = generator_.playback();
        if (muted)
            playback.StopPlayback();
        else if (panel_.settings.genOn == 1 && playback.playbackFileOpen())
            playback.StartPlayback();
    });
    fileOutput_.attach();
    fileOutput_.setReportContext([this] {
        output::ReportContext context;
        if (panel_.testPanelPath != panel::kStartupFile) context.panelFile = panel_.testPanelPath;
        context.verdict = panelVerdict();
        return context;
    });
    soundcardSetup_.setTest(&soundcardTest_);
    scriptHost_.logViewer().setPrint([this](const std::string& text) {
        printing_.printText("Log Viewer", output::plainTextLines(text));
    });
}

bool MainPanel::SoundcardTestLink::generatorOn() const {
    return panel_.settings.genOn != 0;
}

output::Verdict MainPanel::panelVerdict() const {
    if (panel_.controls()["PFLED"].colour() == panel::colour::Red)
        return {false, "A sweep point lies outside its limits (the pass/fail lamp is red)."};
    if (const auto& run = scriptHost_.lastRunResult(); run && run->number != 0)
        return {false, "The test sequence stopped with an error: " + run->description};
    return {true, {}};
}

void MainPanel::SweepDriverLink::showSampleRate(std::int32_t rate) {
    // The generator restarts after a change of the rate control while it is
    // on; the sweep's own rate change retunes the generator itself.
    panel::PanelSettings& s = panel_.settings;
    const std::int16_t genOn = s.genOn;
    s.genOn = 0;
    panel_.controls()["SampleRate"].setText(std::to_string(rate));
    s.genOn = genOn;
}

void MainPanel::SweepDriverLink::resetStepCounters() {
    engine::SweepBuffers& b = analyzer_.sweepBuffers();
    b.levelCount = 0;
    b.thdCount = 0;
}

views::StepReadings MainPanel::SweepDriverLink::readings() const {
    const engine::Readings& r = analyzer_.readings();
    return {r.ReadoutALdb, r.ReadoutARdb, r.ReadoutTHDL, r.ReadoutTHDR, r.SilentL, r.SilentR};
}

// The edited points replace the graph's curves. From the spectrum or scope
// view it returns to the sweep view, which draws them.
void MainPanel::EditorLink::regraph() {
    if (panel_.settings.graphMode != panel::GraphMode::Sweep) {
        graph_.mnuSR_Click();
        return;
    }
    graph_.GraphBox().clear();
    graph_.scaleme();
    sweep_.graphdata();
}

views::SpectrumFrame MainPanel::ViewsLink::spectrumFrame() {
    const panel::PanelSettings& s = panel_.settings;
    views::SpectrumFrame frame;
    frame.spectrumLeft = analyzer_.spectrumLeft().data();
    frame.spectrumRight = analyzer_.spectrumRight().data();
    frame.spectrumSize =
        std::min(analyzer_.spectrumLeft().size(), analyzer_.spectrumRight().size());
    frame.N = s.SampleSize;
    frame.sampleRate = s.SampleRate;
    frame.refLevel = s.RefLevel;
    frame.genOn = s.genOn != 0;
    frame.winLeft = analyzer_.winLeft().data();
    frame.winRight = analyzer_.winRight().data();
    frame.winSize = std::min(analyzer_.winLeft().size(), analyzer_.winRight().size());
    frame.averageCounter = &analyzer_.spectrumAverage().counter;
    return frame;
}

views::ScopeFrame MainPanel::ViewsLink::scopeFrame() {
    const panel::PanelSettings& s = panel_.settings;
    engine::CaptureBlock& block = analyzer_.block();
    views::ScopeFrame frame;
    frame.left = block.Left.data();
    frame.right = block.Right.data();
    frame.length = std::min(block.Left.size(), block.Right.size());
    frame.N = s.SampleSize;
    frame.sampleRate = s.SampleRate;
    frame.freqL = analyzer_.readings().FreqL;
    frame.freqR = analyzer_.readings().FreqR;
    frame.winLeft = analyzer_.winLeft().data();
    frame.winRight = analyzer_.winRight().data();
    frame.winSize = std::min(analyzer_.winLeft().size(), analyzer_.winRight().size());
    return frame;
}

} // namespace app

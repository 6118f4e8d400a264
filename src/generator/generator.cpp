#include "generator/generator.h"

#include "common/read_error.h"
#include "common/vb_error.h"
#include "panel/panel.h"
#include "platform/event_loop.h"
#include "platform/file_choice.h"

#include <functional>
#include <new>

namespace generator {

namespace {

// Runs one step whose run-time errors are ignored.
template <typename Step> void ignoringErrors(Step&& step) {
    try {
        step();
    } catch (const common::VbError&) {
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

Generator::Generator(panel::Panel& panel, platform::EventLoop& loop, platform::Dialogs& dialogs,
                     platform::AudioOutput& output, GeneratorHost& host)
    : panel_(panel), loop_(loop), dialogs_(dialogs), host_(host),
      playback_(loop, dialogs, output, [&panel] { return panel.settings.OutputDeviceId; }) {
    timer1_ = loop_.createTimer(kTimer1IntervalMs, [this] { Timer1_Timer(); });
    timer3_ = loop_.createTimer(kTimer3IntervalMs, [this] { Timer3_Timer(); });
    timer1_->setEnabled(true);
    bindControls();
}

Generator::~Generator() = default;

void Generator::bindControls() {
    panel::Controls& c = panel_.controls();
    c["Gen_On"].onClick([this] { Gen_On_Click(); });
    c["Gen_Off"].onClick([this] { Gen_Off_Click(); });
    c["EXTWAV_Browse"].onClick([this] { EXTWAV_Browse_Click(); });

    for (const char* name : {"Wavetype1", "GenFreq2", "DeltaPhase", "SampleRate"})
        c[name].onChange([this] { scheduleRestart(); });
    // The sweep sets the frequency itself at every step and regenerates on its own.
    c["GenFreq1"].onChange([this] {
        if (host_.sweepState() == 0) scheduleRestart();
    });
    for (const char* name : {"LeftGenLevel", "RightGenLevel"})
        c[name].onChange([this] {
            if (!panel_.updating) scheduleRestart();
        });
    const char* routing[] = {"Left_gen_option", "Right_gen_option", "LplusR_gen_option",
                             "LminusR_gen_option"};
    for (int i = 0; i < 4; ++i) {
        panel::Control& option = c[routing[i]];
        option.onChange([this, &option, i] {
            if (!option.checked()) return;
            panel_.settings.genRouting = static_cast<std::int16_t>(i);
            scheduleRestart();
        });
    }
    panel::Control& fast = c["FastCheck"];
    fast.onChange([this, &fast] { panel_.settings.FastCheck = fast.checked() ? 1 : 0; });
    panel::Control& mute = c["MuteOscCheck"];
    mute.onChange([this, &mute] { muteOsc = mute.checked() ? 1 : 0; });
}

void Generator::InstallPlaybackHook() {
    playback_.InstallPlaybackHook();
}

void Generator::scheduleRestart() {
    if (panel_.settings.genOn != 1) return;
    restartCount = 0;
    timer3_->setEnabled(true);
}

bool Generator::timer3Enabled() const {
    return timer3_->enabled();
}

void Generator::Gen_On_Click() {
    panel_.controls()["GenOnLED"].setColour(panel::colour::Green);
    panel_.settings.genOn = 1;
    if (muteOsc == 0 && !BuildTestSignal()) {
        Gen_Off_Click();
        return;
    }
    host_.startCaptureTimer();
}

void Generator::Gen_Off_Click() {
    panel_.controls()["GenOnLED"].setColour(panel::colour::DarkCyan);
    panel_.settings.genOn = 0;
    host_.clearSweepState();
    StopAll();
    host_.DoStop();
}

void Generator::StopAll() {
    host_.DoStop();
    playback_.StopPlayback();
    playback_.ClosePlaybackFile();
    host_.DoStop();
    playback_.StopPlayback();
    playback_.ClosePlaybackFile();
    host_.DoStop();
}

void Generator::stopPlaybackAndCloseFile() {
    playback_.StopPlayback();
    playback_.ClosePlaybackFile();
}

void Generator::disableGeneratorOffTimer() {
    timer1_->setEnabled(false);
}

void Generator::Timer1_Timer() {
    if (genOffPending == 1) {
        genOffPending = 0;
        Gen_Off_Click();
    }
}

void Generator::Timer3_Timer() {
    ++restartCount;
    Gen_Off_Click();
    panel_.Update2();
    loop_.pumpEvents();
    if (restartCount == 2) {
        Gen_On_Click();
        restartCount = 0;
        timer3_->setEnabled(false);
    }
}

bool Generator::BuildTestSignal() {
    host_.DoStop();
    panel_.Update2();
    loop_.pumpEvents();

    if (host_.captureOpen()) return true;
    panel::PanelSettings& s = panel_.settings;
    if (s.usewav_Check == 1) {
        if (!s.WAVfilename.empty()) {
            const std::string path = s.WAVfilename;
            ignoringErrors([&] { playback_.OpenPlaybackFile(path); });
            ignoringErrors([&] { playback_.StartPlayback(); });
        }
        return true;
    }

    SynthesisInputs in = inputsFromSettings(s.GenFreq1);
    const bool twinTone = isTwinTone(s.Wavetype1) && host_.sweepState() == 0;
    const bool repeatingBlock =
        (s.Wavetype1 != "Burst" && s.Wavetype1 != "White Noise" && s.FastCheck != 1) ||
        host_.sweepState() != 0;
    const std::string path = panel_.generatorSignalFile;
    const bool written = writeSignal(path, [&] {
        if (twinTone)
            MakeTwinToneFile(in, s.GenFreq2, path);
        else if (repeatingBlock)
            blockSynth_.MakeBetterWavFile(in, path);
        else
            MakeWavfile(in, kGenDurationSeconds, path);
    });
    if (!written) return false;
    // The synthesis's forced values stand until the next Update2.
    s.LeftGenLevel = in.leftLevelDb;
    s.RightGenLevel = in.rightLevelDb;
    s.DeltaPhase = in.deltaPhaseDeg;
    s.genRouting = in.routing;

    loop_.pumpEvents();
    ignoringErrors([&] { playback_.OpenPlaybackFile(path); });
    ignoringErrors([&] { playback_.StartPlayback(); });
    return true;
}

bool Generator::writeSignal(std::string_view path, const std::function<void()>& write) {
    std::string failure;
    try {
        write();
        return true;
    } catch (const common::VbError& e) {
        failure = common::fileErrorText(path, e);
    } catch (const std::bad_alloc&) {
        failure = std::string(path) + ": " + common::errorDescription(common::err::OutOfMemory);
    }
    // Never an older file in its place.
    playback_.StopPlayback();
    playback_.ClosePlaybackFile();
    dialogs_.message("", "The test signal was not written: " + failure + ". The generator is off.");
    return false;
}

SynthesisInputs Generator::inputsFromSettings(double frequencyHz) const {
    const panel::PanelSettings& s = panel_.settings;
    SynthesisInputs in;
    in.frequencyHz = frequencyHz;
    in.leftLevelDb = s.LeftGenLevel;
    in.rightLevelDb = s.RightGenLevel;
    in.deltaPhaseDeg = s.DeltaPhase;
    in.waveType = s.Wavetype1;
    in.sampleRate = s.SampleRate;
    in.routing = s.genRouting;
    in.burstOnLevelDb = s.BurstOnLevel;
    in.burstOffLevelDb = s.BurstOffLevel;
    in.burstOnTimeMs = s.BurstOnTime;
    in.burstOffTimeMs = s.BurstOffTime;
    return in;
}

void Generator::playSweepFrequency(double frequencyHz) {
    SynthesisInputs in = inputsFromSettings(frequencyHz);
    const std::string path = panel_.generatorSignalFile;
    // A signal that cannot be written ends the sweep, as OFF does.
    if (!writeSignal(path, [&] { blockSynth_.MakeBetterWavFile(in, path); })) {
        Gen_Off_Click();
        return;
    }
    loop_.pumpEvents();
    ignoringErrors([&] {
        playback_.OpenPlaybackFile(path);
        playback_.StartPlayback();
    });
}

void Generator::EXTWAV_Browse_Click() {
    const auto chosen =
        platform::chooseFile(dialogs_, false, kExtWavFilter, panel_.settings.defaultDataDirectory);
    if (!chosen) return;
    if (!chosen->empty()) panel_.controls()["WAVfilename"].setText(*chosen);
}

} // namespace generator

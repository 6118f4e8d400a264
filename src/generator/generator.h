#pragma once
// The signal generator: its commands (ON, OFF, stop-all), the deferred
// switch-off of Timer1, the debounced restart of Timer3 after a setting
// change, the choice of synthesis module, and the handlers of the generator's
// panel controls. The generator owns the playback engine and the state of
// both synthesis modules.
//
// Capture and the sweep belong to other subsystems; the generator reaches
// them through GeneratorHost, which the composition root implements.
//
// Thread: the instrument's thread only.

#include "generator/playback.h"
#include "generator/synthesis.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace panel {
class Panel;
}
namespace platform {
class AudioOutput;
class Dialogs;
class EventLoop;
class Timer;
} // namespace platform

namespace generator {

class GeneratorHost {
public:
    virtual ~GeneratorHost() = default;
    // Capture stop (closes the input device).
    virtual void DoStop() = 0;
    // True while the input device is open.
    virtual bool captureOpen() const = 0;
    // Capture start after ON: reset Timer2's tick counter and enable Timer2.
    virtual void startCaptureTimer() = 0;
    // The sweep's state: 0 idle, 1 running, 2 finishing.
    virtual std::int16_t sweepState() const { return 0; }
    // OFF ends a sweep: sweepState and its companion flag become 0.
    virtual void clearSweepState() {}
};

inline constexpr int kTimer1IntervalMs = 2000;
inline constexpr int kTimer3IntervalMs = 200;
// The fixed duration of the fixed-length module's files.
inline constexpr double kGenDurationSeconds = 10.0;
inline constexpr std::string_view kExtWavFilter = "Ext WAV Files|*.wav;";

class Generator {
public:
    // Binds the generator's handlers to the panel's controls, adding the
    // controls "MuteOscCheck", "EXTWAV_Browse" and "GenOnLED" when the panel
    // has none of that name. Timer1 starts enabled, Timer3 disabled.
    Generator(panel::Panel& panel, platform::EventLoop& loop, platform::Dialogs& dialogs,
              platform::AudioOutput& output, GeneratorHost& host);
    ~Generator();
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    // Start-up: playback state cleared.
    void InstallPlaybackHook();

    void Gen_On_Click();
    void Gen_Off_Click();
    void StopAll();
    void Timer1_Timer();
    void Timer3_Timer();
    // Synthesise (or take the external file) and start playback. False when
    // the signal file cannot be written: the operator is told, and nothing
    // plays (never an older file).
    bool BuildTestSignal();
    // A sweep step: the repeating-block signal at the step's frequency with
    // the panel's current generator settings, played from its start.
    void playSweepFrequency(double frequencyHz);
    // The synthesis inputs of the panel's generator settings at a frequency.
    SynthesisInputs inputsFromSettings(double frequencyHz) const;
    void EXTWAV_Browse_Click();

    // A generator setting changed: a running generator restarts 400 ms after
    // the last of a row of changes.
    void scheduleRestart();
    // Stop playback and close the file (exit routine).
    void stopPlaybackAndCloseFile();
    void disableGeneratorOffTimer();
    // Switch the generator off at the next Timer1 tick (after a graph save).
    void requestSwitchOff() { genOffPending = 1; }

    PlaybackEngine& playback() { return playback_; }
    RepeatingBlockSynth& blockSynth() { return blockSynth_; }
    bool timer3Enabled() const;

    std::int16_t muteOsc = 0;
    std::int16_t restartCount = 0;
    std::int16_t genOffPending = 0;

private:
    void bindControls();
    // Runs `write` (a synthesis into `path`); on a failure stops playback,
    // says why and returns false.
    bool writeSignal(std::string_view path, const std::function<void()>& write);

    panel::Panel& panel_;
    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    GeneratorHost& host_;
    PlaybackEngine playback_;
    RepeatingBlockSynth blockSynth_;
    std::unique_ptr<platform::Timer> timer1_;
    std::unique_ptr<platform::Timer> timer3_;
};

} // namespace generator

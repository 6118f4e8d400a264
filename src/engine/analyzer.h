#pragma once
// The analyzer: capture of the input block by block, and the measurement
// cycle DisplayFreq that turns each block into frequency, level, power and
// THD readings and refreshes the five readouts.
//
// Capture is a loop that waits for each block on the event loop (so the
// program stays responsive between blocks) and runs one cycle per block:
// GetData opens and starts the input and returns only when capture stops,
// i.e. when DoStop has closed the device. DoStop may be called from any
// handler that runs during the wait or during the cycle's event pumps; the
// loop then ends after the current cycle.
//
// All working arrays are allocated once in the constructor; a cycle
// allocates nothing but the texts it formats.
//
// Thread: the instrument's thread only.

#include "engine/capture_block.h"
#include "engine/cycle_hooks.h"
#include "engine/fft.h"
#include "engine/harmonics.h"
#include "engine/precision_cycle.h"
#include "engine/readings.h"
#include "platform/audio_device.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace panel {
class Control;
class Panel;
} // namespace panel

namespace platform {
class Dialogs;
class EventLoop;
class Timer;
} // namespace platform

namespace engine {

inline constexpr const char* kNoInputDevicesMessage = "You have no audio input devices!";
inline constexpr const char* kInputDidNotOpenMessage = "Wave input device didn't open!";
// Shown when a queued block does not complete within kBlockTimeoutMs.
inline constexpr const char* kInputStalledMessage = "Wave input device stopped responding!";
inline constexpr int kBlockTimeoutMs = 10000;
inline constexpr int kCaptureStartDelayMs = 500; // Timer2

// Blocks analysed per sweep step for the settle mode (0 fast, 1 medium,
// 2 slow, 3 fast from 200 Hz up and slow below); unknown modes count as fast.
int blocksPerStep(int settleMode, double sweepFreq);

// Per-step buffers of a running sweep (indices 1..10 used, 0..10 stored).
struct SweepBuffers {
    std::array<float, 11> levelLeft{}, levelRight{};
    std::int16_t levelCount = 0;
    std::array<float, 11> thdLeft{}, thdRight{};
    std::int16_t thdCount = 0;
};

class Analyzer {
public:
    Analyzer(platform::EventLoop& loop, platform::Dialogs& dialogs, panel::Panel& panel,
             platform::AudioInput& input);
    ~Analyzer();
    Analyzer(const Analyzer&) = delete;
    Analyzer& operator=(const Analyzer&) = delete;

    // Seams (nullptr: the defaults that do nothing). The objects must outlive
    // their use.
    void setSweepSteps(SweepSteps* steps);
    void setViews(CycleViews* views);
    // Called when the program must end (no input device at all).
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }
    // How long a queued block may take before capture stops with
    // kInputStalledMessage: `blocks` durations of the block, but at least
    // minimumMs (a device may take a moment to start). blocks = 0, the
    // default, allows kBlockTimeoutMs whatever the block.
    void setStallLimit(int blocks, int minimumMs) {
        stallBlocks_ = blocks;
        stallMinimumMs_ = minimumMs;
    }
    // Called after every analysed block with its number (1, 2, ...).
    void setBlockObserver(std::function<void(std::int64_t)> observer) {
        blockObserver_ = std::move(observer);
    }

    // --- Capture ---
    // Counts and names the input devices; without any, shows the critical
    // message and ends the program. Returns whether there is a device.
    bool InitDevices();
    // The analysis size, the devices (listed once, and again only while
    // capture is stopped), the tables for N (rebuilt when N changes) and the
    // level-detector rule. Called by the panel's Update2.
    void InitGetData();
    // Opens and starts the input and queues the first block. Capture then
    // runs on completions: each finished block is analysed (DisplayFreq) and
    // the next one queued, until DoStop closes the input. Between blocks the
    // event loop runs everything else, so a script's wait, a timer or a
    // button press is never stuck behind the capture.
    void GetData();
    // Queues the next block of the capture loop.
    void Visualize();
    void DoStop();
    // Restart at the panel's current rate from inside a cycle: closes the
    // input and starts capture afresh (GetData). The caller stops playback
    // first.
    void restartCapture();
    // ON: the capture start timer's tick counter back to 0, and the timer on.
    // Its first tick, half a second later, starts capture.
    void startCaptureTimer();
    void Timer2_Timer();
    bool timer2Enabled() const;

    bool capturing() const { return hWaveIn_ != 0; }
    const std::vector<std::string>& inputDeviceNames() const { return deviceNames_; }
    std::int64_t blocksAnalysed() const { return blockNumber_; }

    // --- Measurement cycle ---
    void DisplayFreq();
    const Readings& readings() const { return readings_; }
    // The precision measurements beside the classic ones. They run on a block
    // only when a readout slot, a THD+N sweep or an SNR measurement needs them.
    const PrecisionCycle& precision() const { return precision_; }
    // The SNR measurement mutes and restores the generator through this.
    void setOscillatorMute(std::function<void(bool muted)> mute) {
        precision_.setMute(std::move(mute));
    }

    // --- Readouts ---
    // ReadoutOn1_Click .. ReadoutOn5_Click (slot 1..5).
    void ReadoutOn_Click(int slot);

    // --- Narrowband detection and sweep averaging ---
    bool narrowband() const { return narrowband_; }
    void setNarrowband(bool on);
    void mnuNBdetect_Click() { setNarrowband(!narrowband_); }

    SweepBuffers& sweepBuffers() { return sweep_; }
    // One block of a sweep step's level averaging: buffer the levels, log
    // them, and reduce the step with avediddle2 when settleBlocks is reached.
    void sweepLevelStep(int settleBlocks, double stepFrequency);
    // THD of a sweep step from its buffer (average or minimum of the settled blocks).
    void avediddle(double stepFrequency);
    // Level of a sweep step from its buffer; replaces LevelL and LevelR.
    void avediddle2(double stepFrequency);

    // --- Working storage, for the views and tests ---
    CaptureBlock& block() { return block_; }
    const CaptureBlock& block() const { return block_; }
    const SpecFft& fft() const { return fft_; }
    const std::vector<double>& spectrumLeft() const { return spectrumLeft_; }
    const std::vector<double>& spectrumRight() const { return spectrumRight_; }
    const SpectrumAverage& spectrumAverage() const { return average_; }
    const std::vector<std::int16_t>& winLeft() const { return winLeft_; }
    const std::vector<std::int16_t>& winRight() const { return winRight_; }
    // The spectrum drawing works on these in place.
    std::vector<double>& spectrumLeft() { return spectrumLeft_; }
    std::vector<double>& spectrumRight() { return spectrumRight_; }
    SpectrumAverage& spectrumAverage() { return average_; }
    std::vector<std::int16_t>& winLeft() { return winLeft_; }
    std::vector<std::int16_t>& winRight() { return winRight_; }
    const Harmonics& harmonicsLeft() const { return harmonicsLeft_; }
    const Harmonics& harmonicsRight() const { return harmonicsRight_; }
    AnalysisBounds bounds() const { return bounds_; }

private:
    void cacheControls();
    void removeDcAndTrackPeaks();
    void transformBlock();
    void findFrequencies();
    void analyseHarmonics();
    void convertLevels();
    void formatLevelTexts();
    void runNarrowband();
    void runPrecision();
    void updateReadouts();
    void appendText1(std::string_view line);
    void showNoSignal(bool left, bool right);
    // The completion of a queued block: analyse it, then queue the next.
    void blockDone();
    // How long a queued block may take before the input counts as stalled.
    std::int64_t stallTimeoutMs() const;

    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    panel::Panel& panel_;
    platform::AudioInput& input_;
    SweepSteps defaultSweep_;
    CycleViews defaultViews_;
    SweepSteps* sweepSteps_ = &defaultSweep_;
    CycleViews* views_ = &defaultViews_;
    std::function<void()> endProgram_;
    std::function<void(std::int64_t)> blockObserver_;

    // Capture state
    platform::CaptureHandle hWaveIn_ = 0;
    platform::CaptureHeader header_;
    platform::CaptureFormat format_;
    std::uint32_t recordedHighWater_ = 0; // bytes of Raw written so far
    std::vector<std::string> deviceNames_;
    bool devicesListed_ = false;
    bool ending_ = false; // the program is ending for want of an input device
    std::unique_ptr<platform::Timer> timer2_;
    std::int16_t timer2Ticks_ = 0;
    std::int64_t blockNumber_ = 0;
    std::uint64_t queuedBlock_ = 0; // numbers the queued blocks for the stall check
    bool blockQueued_ = false;      // a block is queued and not yet analysed
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    int stallBlocks_ = 0;
    int stallMinimumMs_ = 0;

    // Cycle storage
    std::int32_t n_ = kSmallFft; // the cycle's working copy of N
    AnalysisBounds bounds_ = analysisBounds(kSmallFft);
    CaptureBlock block_;
    SpecFft fft_;
    std::vector<std::int16_t> winLeft_, winRight_;
    std::vector<double> spectrumLeft_, spectrumRight_;
    SpectrumAverage average_;
    Harmonics harmonicsLeft_, harmonicsRight_;
    NarrowbandDetector narrowbandDetector_;
    Readings readings_;
    SweepBuffers sweep_;
    bool narrowband_ = false;
    PrecisionCycle precision_;
    bool precisionRan_ = false; // the precision analysis ran on this block
    // The block that blockDone hands to the cycle: its recorded frames (0: a
    // cycle run directly, on the whole block) and whether it follows the last
    // block without a gap.
    int pendingFrames_ = 0;
    bool pendingContiguous_ = false;
    std::int64_t nextFrame_ = -1; // the stream position that follows the last block
    // Slots that showed "SNR" (switched on) in the last cycle: a slot that
    // starts to asks for a measurement.
    std::array<bool, 5> snrSlots_{};

    // Controls written by every cycle, looked up once.
    struct SlotControls {
        panel::Control* caption = nullptr;
        panel::Control* unit = nullptr;
        panel::Control* lamp = nullptr;
    };
    std::array<SlotControls, 5> slotControls_{};
    std::string captionScratch_;
    panel::Control* text1_ = nullptr;
    panel::Control* noSignal_ = nullptr;
    panel::Control* nbMenu_ = nullptr;
};

} // namespace engine

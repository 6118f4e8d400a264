#pragma once
// The frequency sweep: steps the generator through a list of frequencies,
// waits at each for the readings to settle, stores one point per frequency
// (left and right level, separation or THD) in the panel's SweepData, plots
// the points on the sweep scale and judges them against the limit curve.
//
// The sweep rides on the measurement cycle: for every analysed block the
// cycle calls beforeMeasurement (settle counting, the next frequency, sample
// rate following), afterHarmonics (a settled step of a THD sweep), afterLevels
// (the step's level averaging) and afterMeasurement (store, judge, advance).
// The generator, capture and the cycle's step averaging are reached through
// SweepDriver, which the composition root implements.
//
// Frequencies of a sweep of N steps from start to stop:
//   octave (quadratic, denser at the low end): start + (stop - start) *
//       (k - 1) / (N - 1) * k / N for point k, reaching stop at k = N;
//   even: start, then + (stop - start) / N per point, reaching stop at N + 1;
//   predefined: the rows of a user sweep file, each with its own levels.
// The first frequency waits 10 blocks; later ones 4, 5 or 7 blocks by the
// settle mode.
//
// Thread: the instrument's thread only.

#include "common/tables.h"
#include "editor/table_file.h"
#include "views/limits.h"
#include "views/smoothing.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace panel {
class Panel;
}
namespace platform {
class Dialogs;
class EventLoop;
} // namespace platform

namespace views {

class Graph;

// The texts of the latest block's readings that the sweep stores.
struct StepReadings {
    std::string levelDbLeft;  // ReadoutALdb
    std::string levelDbRight; // ReadoutARdb
    std::string thdLeft;      // ReadoutTHDL
    std::string thdRight;     // ReadoutTHDR
    // The block carried no signal on that channel.
    bool silentLeft = false;
    bool silentRight = false;
};

class SweepDriver {
public:
    virtual ~SweepDriver() = default;

    // --- Generator and capture ---
    // The generator's ON command (synthesis at GenFreq1, playback, capture
    // start half a second later).
    virtual void Gen_On_Click() = 0;
    virtual void DoStop() = 0; // capture stop
    virtual bool captureOpen() const = 0;
    virtual void StopPlayback() = 0;
    // Synthesise the test signal anew at frequencyHz with the generator's
    // current levels and settings, let events run, restart playback.
    virtual void playFrequency(double frequencyHz) = 0;
    // The SampleRate control shows the new rate (without the generator's
    // restart that a rate change otherwise causes).
    virtual void showSampleRate(std::int32_t rate) = 0;
    // Close the input and run a fresh capture loop at the panel's rate;
    // returns when that capture stops.
    virtual void restartCapture() = 0;
    // Timer1, the deferred switch-off.
    virtual void enableSwitchOffTimer() = 0;

    // --- The cycle's step averaging ---
    // Both block counters of the step buffers back to 0.
    virtual void resetStepCounters() = 0;
    // One block of the step's level averaging (reduced at settleBlocks).
    virtual void levelStep(int settleBlocks, double stepFrequency) = 0;
    // The step's THD from its buffer; stores thdLeft/thdRight of the point
    // being measured and the THD readout texts.
    virtual void thdStep(double stepFrequency) = 0;
    virtual StepReadings readings() const = 0;
};

// The system button colour of an idle toggle button.
inline constexpr std::uint32_t kButtonFaceColour = 0xF0F0F0;
inline constexpr std::string_view kUserSweepFilter = "User Sweep Files|*.dfu;";

class Sweep {
public:
    Sweep(panel::Panel& panel, Graph& graph, platform::Dialogs& dialogs, platform::EventLoop& loop,
          SweepDriver& driver);
    Sweep(const Sweep&) = delete;
    Sweep& operator=(const Sweep&) = delete;

    // Binds the sweep's buttons and the change handlers of the sweep
    // settings, adding the buttons and lamps the panel lacks.
    void attach();

    // --- Commands ---
    void SweepStart_Click();
    void SweepStop_Click();
    void AutoResweep_cmd_Click();
    void SweepSmooth_Click();
    void Browse_Predef_Click();
    void Browse_Limits_Click();

    // --- The measurement cycle's seams ---
    bool running() const { return sweepState != 0; }
    void captureStarted() { blockCount = 0; }
    void beforeMeasurement();
    void afterHarmonics();
    void afterLevels();
    void afterMeasurement();

    // --- Plots ---
    void graphdata();
    void drawLimitCurve();
    // The sweep sits on its last frequency with the settle count reached.
    bool atFinalPoint() const { return sweepFreq == stopFreq() && blockCount == settleBlocks; }
    // The limit check of the point being stored: PFLED turns red when it is
    // outside its limit row (and stays red until a start or "Clear").
    void judgeStoredPoint();
    // Reads the reverse calibration file (errors change nothing, and are
    // kept for the shortcomings of the sweep that uses it).
    void loadReverseCal();

    // Why the current settings cannot sweep; empty when they can.
    std::string refusal() const;

    // What the sweeps since start-up did not do as set up, one line each: a
    // sweep that stopped before its last point, a point stored while the
    // limit curve was on but had no row for it, a point stored while the
    // reverse calibration was on but unread or without a row for it, a point
    // measured on a silent input. Empty when every sweep measured, corrected
    // and judged every point.
    std::vector<std::string> shortcomings() const;

    // Run state.
    std::int16_t sweepState = 0; // 0 idle, 1 running, 2 finishing
    double sweepFreq = 0;
    bool firstPoint = false;
    std::int16_t blockCount = 0;
    std::int16_t settleBlocks = 10;
    bool rateSwitching = false;
    std::int32_t resweepCount = 0;
    bool autoResweep = false;

    const SavGolTable& smoothingTable() const { return smoothTable_; }

private:
    void startSweep();
    void stepFrequency();
    bool followSampleRate();
    void retune();
    void setPredefPoint(int k);
    void endSweep(bool allowResweep);
    void storePoint();
    void storeThdPoint();
    void plotPoint(int i);
    void appendSweepview(std::string_view valueLeft, std::string_view valueRight);
    void redrawScaleClearing();
    void bindChangeHandlers();
    void noteSilence(const StepReadings& r);
    static void addPoint(std::vector<int>& points, int k);
    std::string pointsText(const std::vector<int>& points) const;
    std::vector<std::string> sweepNotes() const;
    std::string stopNote() const;
    int plannedPoints() const;
    void setLamp(std::string_view name, std::uint32_t colour);
    double stopFreq() const;
    bool inSpectrumMode() const;

    panel::Panel& panel_;
    Graph& graph_;
    platform::Dialogs& dialogs_;
    platform::EventLoop& loop_;
    SweepDriver& driver_;
    PlotX plotX_{};
    std::array<double, common::kTableSize> plotYLeft_{}, plotYRight_{};
    SegmentY segY_{};
    SavGolTable smoothTable_;
    editor::TableFile limitWork_;
    // The last sweep: whether one ran, whether it ended at its last point,
    // how many points it was to measure, the points measured on a silent
    // input, those the limit curve had no row for and those stored without
    // their reverse calibration. notes_ holds the shortcomings of the sweeps
    // before it.
    bool sweepStarted_ = false;
    bool sweepComplete_ = true;
    int sweepPoints_ = 0;
    std::vector<int> silentPoints_;
    std::vector<int> unjudgedPoints_;
    std::vector<int> uncorrectedPoints_;
    std::string reverseCalError_; // of the last read; empty when it was read
    std::vector<std::string> notes_;
};

} // namespace views

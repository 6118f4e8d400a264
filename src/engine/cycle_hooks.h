#pragma once
// The measurement cycle's seams towards the analysis views: the frequency
// sweep, which rides on the cycle before and after the measurement, and the
// spectrum and oscilloscope drawings. The defaults do nothing, which is the
// cycle of an instrument with no sweep running and no drawing.
//
// Thread: called from DisplayFreq on the instrument's thread.

namespace engine {

class Analyzer;

class SweepSteps {
public:
    virtual ~SweepSteps() = default;

    // A sweep is running or finishing (sweepState != 0).
    virtual bool running() const { return false; }

    // Capture (re)starts: the sweep's block counter goes back to 0.
    virtual void captureStarted() {}

    // Before the panel is re-read: settle counting, the generator frequency
    // and level of the next step, sample-rate switching.
    virtual void beforeMeasurement(Analyzer&) {}
    // After the harmonic analysis, while running: a settled step of a THD
    // sweep reduces its THD buffer (Analyzer::avediddle) and plots.
    virtual void afterHarmonics(Analyzer&) {}
    // After the level conversion, while running: the level buffer of the
    // step (Analyzer::storeSweepLevel, Analyzer::avediddle2).
    virtual void afterLevels(Analyzer&) {}
    // After the readouts: store and judge the step's point, advance the step.
    virtual void afterMeasurement(Analyzer&) {}
};

class CycleViews {
public:
    virtual ~CycleViews() = default;
    // Capture (re)starts: the spectrum view's first-frame flag goes back to 1.
    virtual void captureStarted() {}
    // Draw the block in the spectrum analyzer view (frame and spectrum). The
    // drawing may scale the spectra in place, clears the windowed samples and
    // restarts the spectrum average.
    virtual void spectrumView(Analyzer&) {}
    // Draw the block in the oscilloscope view.
    virtual void scopeView(Analyzer&) {}
};

} // namespace engine

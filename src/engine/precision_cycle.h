#pragma once
// The precision measurements of the measurement cycle, beside the classic
// ones: each block (or, for a low fundamental, a span of contiguous blocks
// ending with it) goes through the precision analysis, and the readout modes
// "THD+N", "SINAD", "THD (RSS)", "H2", "H3", "Freq (fine)", "Phase L-R",
// "SNR", "IHF IMD", "CCIF IMD" and "Level A-wt" and the level units "dBV",
// "dBu" and "dBFS" are formatted from it. Nothing here touches a classic
// reading.
//
// SNR is a measurement of its own: the band level with the generator playing,
// then, with the generator muted, the noise in the same band. It runs when
// asked (requestSnr) over the next blocks and mutes the generator through
// the seam given with setMute.
//
// Thread: the instrument's thread only.

#include "engine/precision.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace panel {
struct PanelSettings;
}

namespace engine {

// The text of a precision reading that cannot be measured (no signal, a
// harmonic beyond the Nyquist frequency).
inline constexpr std::string_view kNoReading = "---";

// A readout mode that needs the precision analysis (the classic ones do not).
bool isPrecisionMode(std::string_view mode);
// A level unit that the precision analysis serves.
bool isPrecisionLevelUnit(std::string_view unit);

// Blocks of each phase of the SNR measurement.
inline constexpr int kSnrSettleBlocks = 2;  // skipped after the start and after muting
inline constexpr int kSnrMeasureBlocks = 3; // averaged for the signal and for the noise

class PrecisionCycle {
public:
    PrecisionCycle();

    // Capture (re)starts: a span starts afresh with the next block.
    void captureStarted();
    // Capture stops: a running SNR measurement is abandoned, the generator unmuted.
    void captureStopped();

    // Analyses the block just recorded (`frames` frames of interleaved Raw);
    // contiguous: it follows the previous block without a gap. When the
    // fundamental has fewer than kSpanCycles cycles in the block, the span of
    // contiguous blocks that holds that many is analysed instead.
    void analyse(const std::int16_t* raw, int frames, bool contiguous,
                 const panel::PanelSettings& s, bool twinTone);
    // The latest analysis (frames() is 0 when none ran).
    const PrecisionAnalysis& analysis() const { return analysis_; }

    // The caption of a slot in a precision mode, or in a level mode with a
    // precision unit; false for any other slot.
    bool caption(std::string_view mode, std::string_view unit, bool right,
                 const panel::PanelSettings& s, std::string& out) const;
    // A channel's THD+N in percent; 100 for a channel with no signal, so that
    // a missing value never passes an upper limit.
    double thdnPercent(bool right) const;
    // The texts of "IHF IMD" (SMPTE) and "CCIF IMD" in percent, with their
    // unit; empty, as ever, when the block holds no twin tone.
    std::string smpteText(bool right) const;
    std::string ccifText(bool right) const;

    // --- SNR ---
    // mute(true) silences the generator's output, mute(false) restores it.
    void setMute(std::function<void(bool)> mute) { mute_ = std::move(mute); }
    // Starts a measurement unless one runs.
    void requestSnr();
    bool snrRunning() const { return snrPhase_ != SnrPhase::Idle; }
    // One block of a running measurement (after analyse).
    void snrStep();

    // Fewer cycles than this in a block make the span longer.
    static constexpr double kSpanCycles = 20;

private:
    enum class SnrPhase { Idle, Signal, Muted };
    void finishSnr();

    PrecisionAnalysis analysis_;
    // The contiguous frames up to the latest block, interleaved.
    std::vector<std::int16_t> history_;
    int historyFrames_ = 0;
    double historyRate_ = 0;

    std::function<void(bool)> mute_;
    SnrPhase snrPhase_ = SnrPhase::Idle;
    int snrBlock_ = 0;
    std::array<double, 2> snrSignal_{}, snrNoise_{};
    std::array<std::string, 2> snrText_;
};

} // namespace engine

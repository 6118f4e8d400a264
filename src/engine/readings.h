#pragma once
// The latest block's measured values per channel (L = left, R = right), as
// numbers and as the formatted texts that the readouts show. A value whose
// computation failed keeps the value of the previous block.

#include <cstdint>
#include <string>

namespace engine {

// A channel whose block RMS (without its DC offset) lies below this floor, in
// dB relative to a full-scale sine (RMS 32767 / sqrt(2) counts), carries no
// signal: the floor lies below 16-bit quantisation, so only digital silence,
// a constant offset and a stray bit or two reach it.
inline constexpr double kSilenceFloorDbfs = -120;

struct Readings {
    // Texts
    std::string ReadoutFL, ReadoutFR;             // frequency, "###.#"
    std::string ReadoutAL, ReadoutAR;             // level in V ("#.###") or mV ("###.#")
    std::string ReadoutALdb, ReadoutARdb;         // level in dBr, "#.##"
    std::string ReadoutPWRL, ReadoutPWRR;         // power into ZRef, "###.##"
    std::string ReadoutTHDL, ReadoutTHDR;         // THD in %, "###.###"
    std::string ReadoutIHFIMDL, ReadoutIHFIMDR;   // not measured: stay empty
    std::string ReadoutCCIFIMDL, ReadoutCCIFIMDR; // not measured: stay empty

    // Numbers
    double FreqL = 0, FreqR = 0;             // Hz
    std::int16_t FundBinL = 0, FundBinR = 0; // strongest bin of the block's spectrum
    double FundPeakL = 0, FundPeakR = 0;
    double DcL = 0, DcR = 0; // sample counts
    // Peak trackers: they restart each block from half the last peak-to-peak.
    std::int32_t MaxL = 0, MinL = 0, MaxR = 0, MinR = 0;
    std::int32_t PeakPeakL = 0, PeakPeakR = 0;
    std::int32_t HalfPeakL = 0, HalfPeakR = 0;
    double RmsL = 0, RmsR = 0; // sample counts
    // Level relative to the reference, after the rate offset; in thousandths
    // when MilliL / MilliR is 1.
    double LevelL = 0, LevelR = 0;
    std::int16_t MilliL = 0, MilliR = 0;
    double LevelDbL = 0, LevelDbR = 0; // dBr
    float ThdL = 0, ThdR = 0;          // %
    // The block carried no signal (RMS below kSilenceFloorDbfs).
    bool SilentL = false, SilentR = false;
};

} // namespace engine

#pragma once
// Harmonic distortion from the averaged spectrum, and the narrowband
// (synchronous) level detector that measures only the component at the
// generator frequency.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// The harmonic analysis of one channel. Keeps HarmCount (and the amplitudes
// it does not rewrite) from block to block.
struct Harmonics {
    double FundBinTHD = 0;
    std::array<std::int16_t, 21> HarmBin{}; // bin of harmonic h (1 = fundamental), 0: not found
    std::array<double, 21> HarmAmp{};       // amplitude of harmonic h; entry 0 is scratch
    std::int16_t HarmCount = 0;             // highest harmonic summed (2..15)
    double HarmSum = 0;

    // Analyses the averaged spectrum `acc` (positions 0..8168 are read) and,
    // when the fundamental is non-zero, sets thd to 50 x the sum of the
    // harmonic amplitudes 2..HarmCount over the fundamental's. Otherwise, or
    // when the result does not fit a single, thd keeps its value.
    void analyse(const double* acc, int M2, float& thd);
};

// The harmonic search window reaches at most this bin, whatever N is.
inline constexpr int kHarmonicBinLimit = 8160;

class NarrowbandDetector {
public:
    NarrowbandDetector();

    // Measures one channel's component at genFreq (Hz) and writes its level
    // texts: dbText "##.00" (dB re 1 V plus rateOffsetDb, the rate's offset or
    // 0), voltsText "###.0" in mV when milli is set, else "##0.0##" in V. A
    // text whose value is not finite keeps its previous content. samples: the
    // channel after DC removal, kSampleArraySize entries.
    void measure(const std::int32_t* samples, double genFreq, double sampleRate, std::int32_t n,
                 double rateOffsetDb, bool milli, std::string& dbText, std::string& voltsText);

    // Amplitude (V, before the rate offset) of the last measure().
    double lastAmplitude() const { return lastAmplitude_; }

private:
    void buildReference(double genFreq, double sampleRate, std::int32_t n);

    // Sign of the reference sine: only the sign enters the detector. Rebuilt
    // when the frequency, rate or N changes.
    std::vector<signed char> refSign_;
    double refFreq_ = -1, refRate_ = -1;
    std::int32_t refN_ = 0;
    // In-phase and quadrature products; a product whose sample index falls
    // below 0 keeps its previous value.
    std::vector<std::int32_t> inPhase_, quadrature_;
    double lastAmplitude_ = 0;
};

// Puts a "0" before a leading decimal point (".5" -> "0.5", "-.5" -> "-0.5").
void addLeadingZero(std::string& text);

} // namespace engine

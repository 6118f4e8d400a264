#pragma once
// The precision analysis of a captured span: per channel, the fundamental's
// frequency, amplitude and phase from a least-squares sine fit, the harmonics
// 2..10 from a linear least-squares fit at the fundamental's multiples, THD
// (root sum of squares of the harmonics), THD+N and SINAD from the residual
// after the fundamental is removed, band-limited in the frequency domain, the
// A-weighted level, and on request twin-tone intermodulation (SMPTE/DIN and
// CCIF difference frequency). docs/precision-analysis.md gives the method
// and its sources.
//
// It works on the raw samples only and knows nothing of the panel. All
// working storage is allocated at construction; an analysis allocates nothing.
//
// Thread: one thread at a time per instance.

#include "engine/dft.h"

#include <array>
#include <cstdint>
#include <vector>

namespace engine {

inline constexpr int kPrecisionMaxHarmonic = 10;
// The longest span analysed at once; a longer input is cut to its last frames.
inline constexpr int kPrecisionMaxFrames = 32768;
// A shorter input is not analysed.
inline constexpr int kPrecisionMinFrames = 64;

// The measurement band of THD+N, SINAD and the band-limited levels. The upper
// edge is limited to the Nyquist frequency.
struct PrecisionBand {
    double lowHz = 20;
    double highHz = 20000;
    bool operator==(const PrecisionBand&) const = default;
};

// One channel's results. Amplitudes are peak values and RMS values are in
// sample counts; phases in radians at the centre of the span; ratios linear.
struct ChannelPrecision {
    bool valid = false;     // the channel is not digital silence
    double frequencyHz = 0; // the fundamental, i.e. the strongest tone
    double amplitude = 0;
    double phase = 0;
    double dc = 0;
    double rms = 0;          // everything but DC, full band
    double aWeightedRms = 0; // everything but DC, A-weighted
    // Peak amplitude of harmonic h (1 = fundamental); 0 when not measured.
    std::array<double, kPrecisionMaxHarmonic + 1> harmonic{};
    int harmonicCount = 0;  // harmonics 2..harmonicCount lie in the band and are summed
    double thd = 0;         // RSS of harmonics 2..harmonicCount over the fundamental
    double bandRms = 0;     // everything but DC, in the band
    double residualRms = 0; // everything but DC and the fundamental, in the band
    double thdN = 0;        // residualRms over the fundamental's RMS
    double sinadDb = 0;     // 10 log10((S + N + D) / (N + D)), in the band

    // Twin tone, when asked for and two tones were found.
    bool twinTone = false;
    double lowToneHz = 0, highToneHz = 0;
    double lowToneAmplitude = 0, highToneAmplitude = 0;
    double smpteImd = 0; // ratio
    double ccifImd = 0;  // ratio
};

class PrecisionAnalysis {
public:
    PrecisionAnalysis();
    PrecisionAnalysis(const PrecisionAnalysis&) = delete;
    PrecisionAnalysis& operator=(const PrecisionAnalysis&) = delete;

    // Analyses `frames` frames of interleaved 16-bit stereo sampled at `rate`.
    // twinTone: also look for two tones and measure their intermodulation.
    void analyse(const std::int16_t* interleaved, int frames, double rate,
                 const PrecisionBand& band, bool twinTone);

    // 0 left, 1 right.
    const ChannelPrecision& channel(int c) const { return result_[c != 0 ? 1 : 0]; }
    // The left fundamental's phase less the right one's, degrees in (-180, 180].
    double phaseLeftMinusRightDeg() const;
    // Frames of the last analysis (0 when the input was too short).
    int frames() const { return frames_; }

private:
    struct Tone {
        double omega = 0;           // radians per frame
        double c = 0, a = 0, b = 0; // dc + a cos(omega t) + b sin(omega t), t from the centre
    };

    void analyseChannel(int ch, const Tone& fit, double rate, const PrecisionBand& band);
    void windowedSpectra();
    void residualSpectra(double rate, const PrecisionBand& band);
    template <typename Value, typename Bin>
    void transformChannels(const Value& value, const Bin& bin);
    void twinTones(int ch, double rate);
    int strongestBin(int ch, int excludeBin, int guardBins) const;
    double interpolatedBin(int ch, int k) const;
    // search: with few cycles in the span, search the cost around the start.
    Tone fitTone(const double* y, double omegaStart, bool search);
    // harmonicsOf: a channel whose fundamental's phasors give the terms
    // (omegas are then its multiples 1, 2, ...), or -1.
    void solveLinear(const double* y, const double* omegas, int count, double* dcOut,
                     double* cosOut, double* sinOut, int harmonicsOf = -1);
    void generatePhasors(double omega, double* c, double* s) const;

    int frames_ = 0;
    ComplexFft fft_;
    std::array<ChannelPrecision, 2> result_{};
    std::array<std::vector<double>, 2> x_;             // the samples as doubles
    std::array<std::vector<double>, 2> power_;         // windowed power spectrum, bins 0..P/2
    std::array<std::vector<double>, 2> fundC_, fundS_; // cos and sin of the fundamental
    std::array<Tone, 2> fundamental_{};
    // The last fundamental of each channel (radians per frame; 0: none), the
    // start of the next fit, and the rate it was found at.
    std::array<double, 2> priorOmega_{};
    double priorRate_ = 0;
    std::vector<double> window_;
    std::vector<double> aWeight2_; // squared A-weighting of each bin
    int aWeightBins_ = 0;
    double aWeightRate_ = 0;
    int windowFrames_ = 0;
    std::vector<double> t_;                       // centred time of each frame
    std::vector<double> yt_;                      // scratch: y x t
    std::vector<double> y_;                       // scratch: a signal less a tone
    std::vector<double> c_, s_;                   // scratch phasors
    std::vector<double> spectrum_;                // the transform's interleaved buffer
    mutable std::vector<double> tableC_, tableS_; // phasor steps within a chunk
};

// The A-weighting of IEC 61672-1 as a gain, 1 at 1 kHz.
double aWeighting(double hz);

} // namespace engine

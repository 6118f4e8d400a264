#pragma once
// The analyzer's transform: windowing of a captured block, a radix-2
// decimation-in-time transform whose result is the real part only, and the
// running spectrum average. The arithmetic is fixed to the bit: the twiddle
// recurrence and the imaginary parts are single precision, the real parts
// double precision, and every stored value is rounded to its variable's
// precision (intermediate expressions are evaluated in double).
//
// Thread: one thread at a time; the instance owns its tables and scratch.

#include "engine/capture_block.h"

#include <cstdint>
#include <vector>

namespace engine {

class SpecFft {
public:
    SpecFft();

    // Builds the bit-reversal table, the window table and the twiddle factors
    // for analysis size n (16384 or 32768; anything else is treated as 16384).
    // Does nothing when the tables already match n, since they depend on n only.
    void buildTables(std::int32_t n);
    std::int32_t size() const { return n_; }
    int bits() const { return bits_; }

    // output[k] = real part of bin k, k = 0..N-1, of the transform of
    // input[0..N-1]. The imaginary parts are left in imagScratch().
    void FFT(const std::int16_t* input, double* output);

    // Windows one interleaved block into the two channel arrays (capacity
    // kSampleArraySize each). With discard (N = 16384 only) the first 500
    // frames are skipped and positions 1..M are written, otherwise 1..M2.
    // Entries not written keep their values.
    void windowBlock(const std::int16_t* raw, std::int16_t* winLeft, std::int16_t* winRight,
                     bool discard) const;

    const std::vector<std::int32_t>& BitReverseTable() const { return bitReverse_; }
    const std::vector<float>& WindowTable() const { return window_; }
    const std::vector<float>& imagScratch() const { return imag_; }

private:
    std::int32_t n_ = 0;
    int bits_ = 0;
    std::vector<std::int32_t> bitReverse_; // kMaxFftSize entries
    std::vector<float> window_;            // kWindowTableSize entries
    std::vector<float> imag_;              // kMaxFftSize entries
    // Twiddle factors of every stage, as the recurrence produces them: the
    // stage with half-length h occupies entries h-1 .. 2h-2.
    std::vector<double> twiddleRe_;
    std::vector<double> twiddleIm_;
};

// The running spectrum average over both channels. The counter is shared,
// each channel has its own accumulator; positions 1..M2-1 are averaged and
// written back into the spectra.
struct SpectrumAverage {
    std::int32_t counter = 0;
    std::vector<double> accLeft = std::vector<double>(kSampleArraySize);
    std::vector<double> accRight = std::vector<double>(kSampleArraySize);

    // averaging: the analyzer's averaging switch; blocks: its block count.
    void update(double* spectrumLeft, double* spectrumRight, int M2, bool averaging, int blocks);
};

} // namespace engine

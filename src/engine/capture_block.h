#pragma once
// The fixed-size working storage of the measurement cycle. Every array is
// allocated once, at its full capacity, and reused for every block: the cycle
// itself never allocates.

#include <cstdint>
#include <vector>

namespace engine {

// Capacity of the sample, window and spectrum arrays (indices 0..131200).
inline constexpr int kSampleArraySize = 131201;
// Capacity of the window table (indices 0..65536; 1..N are used).
inline constexpr int kWindowTableSize = 65537;
// Capacity of the bit-reversal table and of the imaginary scratch.
inline constexpr int kMaxFftSize = 32768;

// Analysis sizes the instrument accepts.
inline constexpr std::int32_t kSmallFft = 16384;
inline constexpr std::int32_t kLargeFft = 32768;

// Bytes recorded in front of each block and skipped when the discard option
// is on (500 stereo frames); only with the small analysis size.
inline constexpr int kDiscardBytes = 2000;

// The loop bounds that the cycle derives from N: M = (N - 4) / 2 rounded to
// the nearest integer and M2 = M - 30.
struct AnalysisBounds {
    int M = 0;
    int M2 = 0;
};
AnalysisBounds analysisBounds(std::int32_t n);

// Bytes the device records for one block of analysis size n.
int blockBytes(std::int32_t n, bool discard);

// One recorded block: the samples as the device delivers them (interleaved
// left, right, 16-bit) and the two channels after removal of the DC offset.
// Positions beyond the recorded bytes read as zero.
struct CaptureBlock {
    CaptureBlock() : Raw(kSampleArraySize), Left(kSampleArraySize), Right(kSampleArraySize) {}
    std::vector<std::int16_t> Raw;
    std::vector<std::int32_t> Left;
    std::vector<std::int32_t> Right;
};

} // namespace engine

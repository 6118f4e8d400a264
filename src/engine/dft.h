#pragma once
// A double-precision complex FFT for the precision analysis: decimation in
// time, radix 4 (with one radix-2 pass for odd powers of two), in place on
// interleaved data (real part at 2k, imaginary part at 2k + 1), for any power
// of two up to the size given at construction. The tables are built once per
// size; a transform allocates nothing.
//
// This is not the analyzer's classic transform (fft.h), whose arithmetic is
// fixed to the bit; this one is simply as exact as double precision allows.
//
// Thread: one thread at a time per instance.

#include <vector>

namespace engine {

class ComplexFft {
public:
    // maxSize: a power of two, at least 2.
    explicit ComplexFft(int maxSize);

    int maxSize() const { return maxSize_; }

    // X[k] = sum over n of x[n] e^(-2 pi i k n / size), in place. size is a
    // power of two from 2 to maxSize().
    void forward(double* data, int size);

    // The same transform for input already stored in bit-reversed order:
    // x[n] at position reversal(size)[n]. A caller that fills the buffer
    // itself saves the reordering pass this way.
    void forwardFromBitReversed(double* data, int size);
    const std::vector<int>& reversal(int size);

private:
    int maxSize_;
    int reversalSize_ = 0;
    std::vector<int> reversal_;
    // Twiddle factors e^(-i pi m / h), m = 0..h-1, of the pass with
    // half-length h, interleaved at entries h-1 .. 2h-2 (the same for every size).
    std::vector<double> twiddle_;
};

// The smallest power of two that is at least n (n >= 1).
int nextPowerOfTwo(int n);

} // namespace engine

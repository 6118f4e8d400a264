#include "engine/dft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace engine {

namespace {

// Two radix-2 passes in one, half-lengths h and 2h over groups of 4h: the
// pairs (0, 1) and (2, 3) with the twiddle wa of h, then (0, 2) with u, the
// twiddle wb of 2h, and (1, 3) with -i u.
__attribute__((target_clones("avx2", "default"))) void radix4Pass(double* __restrict a,
                                                                  const double* __restrict wa,
                                                                  const double* __restrict wb,
                                                                  int size, int h) {
    for (int g = 0; g < size; g += 4 * h) {
        double* __restrict p0 = a + 2 * g;
        double* __restrict p1 = p0 + 2 * h;
        double* __restrict p2 = p1 + 2 * h;
        double* __restrict p3 = p2 + 2 * h;
        for (int m = 0; m < h; ++m) {
            const double war = wa[2 * m], wai = wa[2 * m + 1];
            const double r1 = p1[2 * m], i1 = p1[2 * m + 1], r3 = p3[2 * m], i3 = p3[2 * m + 1];
            const double ta = war * r1 - wai * i1, tb = war * i1 + wai * r1;
            const double tc = war * r3 - wai * i3, td = war * i3 + wai * r3;
            const double r0 = p0[2 * m], i0 = p0[2 * m + 1], r2 = p2[2 * m], i2 = p2[2 * m + 1];
            const double b0r = r0 + ta, b0i = i0 + tb, b1r = r0 - ta, b1i = i0 - tb;
            const double b2r = r2 + tc, b2i = i2 + td, b3r = r2 - tc, b3i = i2 - td;
            const double ur = wb[2 * m], ui = wb[2 * m + 1];
            const double er = ur * b2r - ui * b2i, ei = ur * b2i + ui * b2r;
            const double fr = ui * b3r + ur * b3i, fi = ui * b3i - ur * b3r;
            p0[2 * m] = b0r + er;
            p0[2 * m + 1] = b0i + ei;
            p2[2 * m] = b0r - er;
            p2[2 * m + 1] = b0i - ei;
            p1[2 * m] = b1r + fr;
            p1[2 * m + 1] = b1i + fi;
            p3[2 * m] = b1r - fr;
            p3[2 * m + 1] = b1i - fi;
        }
    }
}

} // namespace

int nextPowerOfTwo(int n) {
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

ComplexFft::ComplexFft(int maxSize)
    : maxSize_(nextPowerOfTwo(maxSize < 2 ? 2 : maxSize)),
      reversal_(static_cast<std::size_t>(maxSize_)),
      twiddle_(2 * static_cast<std::size_t>(maxSize_)) {
    for (int h = 1; h < maxSize_; h *= 2)
        for (int m = 0; m < h; ++m) {
            const double angle = -std::numbers::pi * m / h;
            twiddle_[2 * static_cast<std::size_t>(h - 1 + m)] = std::cos(angle);
            twiddle_[2 * static_cast<std::size_t>(h - 1 + m) + 1] = std::sin(angle);
        }
}

const std::vector<int>& ComplexFft::reversal(int size) {
    if (size != reversalSize_ && size >= 1 && size <= maxSize_) {
        int bits = 0;
        while ((1 << bits) < size)
            ++bits;
        for (int i = 0; i < size; ++i) {
            int r = 0;
            for (int b = 0, v = i; b < bits; ++b, v >>= 1)
                r = 2 * r + (v & 1);
            reversal_[static_cast<std::size_t>(i)] = r;
        }
        reversalSize_ = size;
    }
    return reversal_;
}

void ComplexFft::forward(double* data, int size) {
    if (size < 2 || size > maxSize_) return;
    const std::vector<int>& r = reversal(size);
    for (int i = 0; i < size; ++i) {
        const int j = r[static_cast<std::size_t>(i)];
        if (i < j) {
            std::swap(data[2 * i], data[2 * j]);
            std::swap(data[2 * i + 1], data[2 * j + 1]);
        }
    }
    forwardFromBitReversed(data, size);
}

void ComplexFft::forwardFromBitReversed(double* data, int size) {
    if (size < 2 || size > maxSize_) return;
    int stages = 0;
    while ((1 << stages) < size)
        ++stages;
    int half = 1;
    if (stages % 2 == 1) {
        // An odd count: the first pass alone (its twiddle factor is 1).
        for (int g = 0; g < size; g += 2) {
            double* p = data + 2 * g;
            const double r0 = p[0], i0 = p[1], r1 = p[2], i1 = p[3];
            p[0] = r0 + r1;
            p[1] = i0 + i1;
            p[2] = r0 - r1;
            p[3] = i0 - i1;
        }
        half = 2;
    }
    for (; half < size; half *= 4)
        radix4Pass(data, twiddle_.data() + 2 * (half - 1), twiddle_.data() + 2 * (2 * half - 1),
                   size, half);
}

} // namespace engine

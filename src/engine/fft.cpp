#include "engine/fft.h"

#include <cmath>

namespace engine {

AnalysisBounds analysisBounds(std::int32_t n) {
    AnalysisBounds b;
    b.M = static_cast<int>(std::nearbyint((n - 4) / 2.0));
    b.M2 = b.M - 30;
    return b;
}

int blockBytes(std::int32_t n, bool discard) {
    return discard && n == kSmallFft ? n + kDiscardBytes : n;
}

namespace {

// One butterfly, with every result rounded to its variable's precision.
inline void butterfly(double& reLow, float& imLow, double& reHigh, float& imHigh, double wr,
                      double wi) {
    const double r2 = reHigh;
    const double i2 = imHigh;
    const float tr = static_cast<float>(wr * r2 - i2 * wi);
    const float ti = static_cast<float>(i2 * wr + wi * r2);
    const double r1 = reLow;
    const float i1 = imLow;
    reHigh = r1 - static_cast<double>(tr);
    imHigh = i1 - ti;
    reLow = r1 + static_cast<double>(tr);
    imLow = i1 + ti;
}

// One pass of butterflies with half-length `half` over the whole array. The
// twiddle factors restart at (1, 0) in every group, so each group uses the
// same precomputed factors. Compiled for several instruction sets; all
// versions produce the same bits (no contraction into fused multiply-adds,
// see the build file).
__attribute__((target_clones("avx512f", "avx2", "default"))) void
butterflyStage(double* __restrict re, float* __restrict im, const double* __restrict twr,
               const double* __restrict twi, int n, int half) {
    const int step = 2 * half;
    for (int g = 0; g < n; g += step) {
        double* __restrict reLow = re + g;
        double* __restrict reHigh = re + g + half;
        float* __restrict imLow = im + g;
        float* __restrict imHigh = im + g + half;
        for (int m = 0; m < half; ++m)
            butterfly(reLow[m], imLow[m], reHigh[m], imHigh[m], twr[m], twi[m]);
    }
}

// One pass with short groups, whose length the vector loop must know at
// compile time to be worth it. Inlined into shortStages, so it is compiled
// for each of that function's instruction sets.
template <int half>
[[gnu::always_inline]] inline void shortStage(double* __restrict re, float* __restrict im,
                                              const double* __restrict twr,
                                              const double* __restrict twi, int n) {
    for (int g = 0; g < n; g += 2 * half) {
        double* __restrict reLow = re + g;
        double* __restrict reHigh = re + g + half;
        float* __restrict imLow = im + g;
        float* __restrict imHigh = im + g + half;
        for (int m = 0; m < half; ++m)
            butterfly(reLow[m], imLow[m], reHigh[m], imHigh[m], twr[m], twi[m]);
    }
}

// The passes with half-lengths 4 to 32. Multi-versioned as a plain function:
// a function template cannot be (clang refuses it).
__attribute__((target_clones("avx512f", "avx2", "default"))) void
shortStages(double* __restrict re, float* __restrict im, const double* __restrict twr,
            const double* __restrict twi, int n) {
    shortStage<4>(re, im, twr + 3, twi + 3, n);
    shortStage<8>(re, im, twr + 7, twi + 7, n);
    shortStage<16>(re, im, twr + 15, twi + 15, n);
    shortStage<32>(re, im, twr + 31, twi + 31, n);
}

} // namespace

SpecFft::SpecFft()
    : bitReverse_(kMaxFftSize), window_(kWindowTableSize), imag_(kMaxFftSize),
      twiddleRe_(kMaxFftSize), twiddleIm_(kMaxFftSize) {}

void SpecFft::buildTables(std::int32_t n) {
    if (n != kSmallFft && n != kLargeFft) n = kSmallFft;
    if (n == n_) return;
    n_ = n;
    bits_ = n == kSmallFft ? 14 : 15;

    for (int i = 0; i < kMaxFftSize; ++i) {
        int v = i;
        int r = 0;
        for (int b = 0; b < bits_; ++b) {
            r = 2 * r + (v & 1);
            v /= 2;
        }
        bitReverse_[static_cast<std::size_t>(i)] = r;
    }

    for (int k = 1; k <= n; ++k) {
        const double value = 0.42 - 0.5 * std::cos(12.56637061435916 * k / n) +
                             0.08 * std::cos(25.13274122871832 * k / n);
        window_[static_cast<std::size_t>(k)] = static_cast<float>(value);
    }

    // The trigonometric recurrence of each stage, in single precision.
    for (int half = 1; half < n; half *= 2) {
        const int step = 2 * half;
        const float theta = static_cast<float>(6.28318530717958 / step);
        const double s = std::sin(static_cast<double>(theta) / 2);
        const float alpha = static_cast<float>(2 * s * s);
        const float beta = static_cast<float>(std::sin(static_cast<double>(theta)));
        float wr = 1;
        float wi = 0;
        for (int m = 0; m < half; ++m) { // stored widened: the same values
            twiddleRe_[static_cast<std::size_t>(half - 1 + m)] = wr;
            twiddleIm_[static_cast<std::size_t>(half - 1 + m)] = wi;
            const float t = static_cast<float>(static_cast<double>(wr) * alpha +
                                               static_cast<double>(wi) * beta);
            wi = static_cast<float>(
                wi - (static_cast<double>(alpha) * wi - static_cast<double>(wr) * beta));
            wr = static_cast<float>(static_cast<double>(wr) - t);
        }
    }
}

void SpecFft::FFT(const std::int16_t* input, double* output) {
    const int n = n_;
    float* im = imag_.data();
    const std::int32_t* table = bitReverse_.data();
    const double* twr = twiddleRe_.data();
    const double* twi = twiddleIm_.data();

    // Bit reversal and the first two passes in one sweep. Output group
    // j..j+3 (j a multiple of 4) receives the inputs r, r + N/2, r + N/4 and
    // r + 3N/4, r = reverse(j). With real inputs the first pass and the first
    // butterfly of the second pass are exact sums (factor (1, 0), imaginary
    // parts 0); only the second butterfly rotates.
    const double w1r = twr[2]; // factor m = 1 of the pass with half-length 2
    const double w1i = twi[2];
    const int half = n / 2;
    const int quarter = n / 4;
    for (int j = 0; j < n; j += 4) {
        const int r = table[j];
        const double a0 = input[r];
        const double a1 = input[r + half];
        const double a2 = input[r + quarter];
        const double a3 = input[r + half + quarter];
        const double sum01 = a0 + a1, diff01 = a0 - a1;
        const double sum23 = a2 + a3, diff23 = a2 - a3;
        const auto tr = static_cast<float>(w1r * diff23);
        const auto ti = static_cast<float>(w1i * diff23);
        output[j] = sum01 + sum23;
        output[j + 2] = sum01 - sum23;
        output[j + 1] = diff01 + static_cast<double>(tr);
        output[j + 3] = diff01 - static_cast<double>(tr);
        im[j] = 0;
        im[j + 2] = 0;
        im[j + 1] = ti;
        im[j + 3] = -ti;
    }
    shortStages(output, im, twr, twi, n);
    for (int h = 64; h < n; h *= 2)
        butterflyStage(output, im, twr + (h - 1), twi + (h - 1), n, h);
}

void SpecFft::windowBlock(const std::int16_t* raw, std::int16_t* winLeft, std::int16_t* winRight,
                          bool discard) const {
    const AnalysisBounds b = analysisBounds(n_);
    const float* w = window_.data();
    // |sample| <= 32768 and the window is at most 1, so every product fits.
    auto nearest = [](double v) { return static_cast<std::int16_t>(std::nearbyint(v)); };
    if (discard && n_ == kSmallFft) {
        for (int i = 1; i <= b.M; ++i) {
            const double wv = w[2 * i];
            winLeft[i] = nearest(raw[2 * i + 1000] * wv);
            winRight[i] = nearest(raw[2 * i + 1001] * wv);
        }
    } else {
        for (int i = 1; i <= b.M2; ++i) {
            const double wv = w[2 * i];
            winLeft[i] = nearest(raw[2 * i] * wv);
            winRight[i] = nearest(raw[2 * i + 1] * wv);
        }
    }
}

void SpectrumAverage::update(double* spectrumLeft, double* spectrumRight, int M2, bool averaging,
                             int blocks) {
    ++counter;
    if (!averaging || counter > blocks) counter = 1;
    const double c = counter;
    for (auto [spectrum, acc] :
         {std::pair{spectrumLeft, accLeft.data()}, std::pair{spectrumRight, accRight.data()}}) {
        if (counter == 1)
            for (int i = 1; i < M2; ++i)
                acc[i] = spectrum[i];
        for (int i = 1; i < M2; ++i) {
            acc[i] = (std::fabs(c * acc[i] + 1) + std::fabs(spectrum[i])) / (c + 1);
            spectrum[i] = acc[i];
        }
    }
}

} // namespace engine

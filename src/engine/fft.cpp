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

// One pass of butterflies with half-length `half` over the whole array. The
// twiddle factors restart at (1, 0) in every group, so each group uses the
// same precomputed factors. Compiled twice: the vector unit of the machine is
// used when present; both versions produce the same bits (no contraction into
// fused multiply-adds, see the build file).
__attribute__((target_clones("avx2", "default"))) void
butterflyStage(double* __restrict re, float* __restrict im, const float* __restrict twr,
               const float* __restrict twi, int n, int half) {
    const int step = 2 * half;
    for (int g = 0; g < n; g += step) {
        double* reLow = re + g;
        double* reHigh = re + g + half;
        float* imLow = im + g;
        float* imHigh = im + g + half;
        for (int m = 0; m < half; ++m) {
            const double wr = twr[m];
            const double wi = twi[m];
            const double r2 = reHigh[m];
            const double i2 = imHigh[m];
            const float tr = static_cast<float>(wr * r2 - i2 * wi);
            const float ti = static_cast<float>(i2 * wr + wi * r2);
            const double r1 = reLow[m];
            const float i1 = imLow[m];
            reHigh[m] = r1 - static_cast<double>(tr);
            imHigh[m] = i1 - ti;
            reLow[m] = r1 + static_cast<double>(tr);
            imLow[m] = i1 + ti;
        }
    }
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
        for (int m = 0; m < half; ++m) {
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
    for (int i = 0; i < n; ++i) {
        const int j = table[i];
        output[j] = input[i];
        im[j] = 0;
    }
    for (int half = 1; half < n; half *= 2)
        butterflyStage(output, im, twiddleRe_.data() + (half - 1), twiddleIm_.data() + (half - 1),
                       n, half);
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

// The transform against an independent double-precision DFT, the tables, the
// windowing and the running spectrum average.

#include "engine/fft.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace {

using engine::SpecFft;

std::vector<std::int16_t> randomBlock(int n, int nonZero, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> dist(-32768, 32767);
    std::vector<std::int16_t> block(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < nonZero; ++i)
        block[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(dist(rng));
    return block;
}

// Real part of bin k of the DFT, in long double with exact twiddle angles.
double dftReal(const std::vector<std::int16_t>& x, int n, int k) {
    long double sum = 0;
    for (int i = 0; i < n; ++i) {
        if (x[static_cast<std::size_t>(i)] == 0) continue;
        const long long phase = static_cast<long long>(i) * k % n;
        sum += x[static_cast<std::size_t>(i)] *
               std::cos(2 * std::numbers::pi_v<long double> * phase / n);
    }
    return static_cast<double>(sum);
}

class FftAgainstDft : public ::testing::TestWithParam<int> {};

TEST_P(FftAgainstDft, RealPartsMatchWithinSinglePrecisionTwiddleError) {
    const int n = GetParam();
    SpecFft fft;
    fft.buildTables(n);
    // A captured block: a quarter of the input is signal, the rest zero padding.
    const auto input = randomBlock(n, n / 4, 1234u + static_cast<unsigned>(n));
    std::vector<double> output(static_cast<std::size_t>(n));
    fft.FFT(input.data(), output.data());

    double absSum = 0;
    for (auto v : input)
        absSum += std::abs(v);
    // The twiddles come from a single-precision recurrence whose error grows
    // along each group (up to N/2 steps of about 6e-8 each), and the
    // imaginary parts are rounded to single at every stage. Both errors scale
    // with the input's magnitude: 2e-7 of its total (about 13 counts for
    // N = 16384, where bins reach millions) bounds them with room to spare,
    // while a wrong butterfly, twiddle or table is off by far more.
    const double tolerance = 2e-7 * absSum;
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> bins(0, n - 1);
    std::vector<int> checked = {0, 1, 2, n / 4, n / 2, n - 1, 372, 4095};
    for (int i = 0; i < 120; ++i)
        checked.push_back(bins(rng));
    double worst = 0;
    for (int k : checked) {
        const double expected = dftReal(input, n, k);
        const double error = std::abs(output[static_cast<std::size_t>(k)] - expected);
        worst = std::max(worst, error);
        EXPECT_LE(error, tolerance) << "bin " << k;
    }
    std::printf("N = %d: worst error %.3g, tolerance %.3g\n", n, worst, tolerance);
}

INSTANTIATE_TEST_SUITE_P(BothSizes, FftAgainstDft, ::testing::Values(16384, 32768));

TEST(Fft, ImpulseAtZeroGivesExactlyOneInEveryBin) {
    SpecFft fft;
    fft.buildTables(16384);
    std::vector<std::int16_t> input(16384, 0);
    input[0] = 1;
    std::vector<double> output(16384, -7);
    fft.FFT(input.data(), output.data());
    for (int k = 0; k < 16384; ++k)
        ASSERT_EQ(output[static_cast<std::size_t>(k)], 1.0) << k;
}

TEST(Fft, RebuildingForAnotherSizeAndBackGivesTheSameBits) {
    const auto input = randomBlock(16384, 4096, 7);
    SpecFft fresh;
    fresh.buildTables(16384);
    std::vector<double> expected(16384);
    fresh.FFT(input.data(), expected.data());

    SpecFft reused;
    reused.buildTables(16384);
    reused.buildTables(32768);
    std::vector<double> scratch(32768);
    reused.FFT(randomBlock(32768, 8192, 8).data(), scratch.data());
    reused.buildTables(16384);
    std::vector<double> output(16384);
    reused.FFT(input.data(), output.data());
    EXPECT_EQ(output, expected);
}

// The transform written out plainly, one statement per step, with the
// working variables at their precisions: the reference for the bits.
std::vector<double> plainTransform(const std::vector<std::int16_t>& input, int n, int bits,
                                   std::vector<float>& im) {
    std::vector<double> re(static_cast<std::size_t>(n));
    im.assign(static_cast<std::size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
        int v = i, j = 0;
        for (int b = 0; b < bits; ++b) {
            j = 2 * j + (v & 1);
            v /= 2;
        }
        re[static_cast<std::size_t>(j)] = input[static_cast<std::size_t>(i)];
    }
    for (int half = 1, step = 2; step <= n; half = step, step *= 2) {
        const float theta = static_cast<float>(6.28318530717958 / step);
        const float alpha = static_cast<float>(2 * std::pow(std::sin(double{theta} / 2), 2));
        const float beta = static_cast<float>(std::sin(double{theta}));
        for (int g = 0; g < n; g += step) {
            float wr = 1, wi = 0;
            for (int m = 0; m < half; ++m) {
                const auto k = static_cast<std::size_t>(g + m);
                const auto j2 = k + static_cast<std::size_t>(half);
                const float tr = static_cast<float>(double{wr} * re[j2] - double{im[j2]} * wi);
                const float ti = static_cast<float>(double{im[j2]} * wr + double{wi} * re[j2]);
                re[j2] = re[k] - tr;
                im[j2] = im[k] - ti;
                re[k] = re[k] + tr;
                im[k] = im[k] + ti;
                const float t = static_cast<float>(double{wr} * alpha + double{wi} * beta);
                wi = static_cast<float>(wi - (double{alpha} * wi - double{wr} * beta));
                wr = static_cast<float>(wr - double{t});
            }
        }
    }
    return re;
}

TEST(Fft, SameBitsAsThePlainAlgorithm) {
    for (int n : {16384, 32768}) {
        for (int filled : {n / 4, n}) { // a captured block, and a full input
            const auto input = randomBlock(n, filled, 11);
            SpecFft fft;
            fft.buildTables(n);
            std::vector<double> fast(static_cast<std::size_t>(n));
            fft.FFT(input.data(), fast.data());
            std::vector<float> im;
            const auto plain = plainTransform(input, n, fft.bits(), im);
            EXPECT_EQ(fast, plain) << n << " " << filled;
            EXPECT_TRUE(std::equal(im.begin(), im.end(), fft.imagScratch().begin()));
        }
    }
}

TEST(FftTables, BitReversalUsesTheLowBitsOnly) {
    SpecFft fft;
    fft.buildTables(16384);
    const auto& table = fft.BitReverseTable();
    ASSERT_EQ(table.size(), 32768u);
    EXPECT_EQ(table[1], 8192);
    EXPECT_EQ(table[3], 8192 + 4096);
    EXPECT_EQ(table[16383], 16383);
    EXPECT_EQ(table[16384], 0); // bit 14 is dropped
    EXPECT_EQ(table[16385], 8192);
    for (int i = 0; i < 16384; ++i)
        ASSERT_EQ(table[static_cast<std::size_t>(table[static_cast<std::size_t>(i)])], i);

    fft.buildTables(32768);
    EXPECT_EQ(fft.bits(), 15);
    EXPECT_EQ(fft.BitReverseTable()[1], 16384);
}

TEST(FftTables, WindowIsOneBlackmanPeriodOverTheBlockFrames) {
    for (int n : {16384, 32768}) {
        SpecFft fft;
        fft.buildTables(n);
        const auto& w = fft.WindowTable();
        const int frames = n / 4;
        for (int i = 1; i <= frames; i += 97) {
            const double x = 2 * std::numbers::pi * i / frames;
            const double blackman = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);
            ASSERT_NEAR(w[static_cast<std::size_t>(2 * i)], blackman, 1e-7) << n << " " << i;
        }
        EXPECT_FLOAT_EQ(w[static_cast<std::size_t>(n / 4)], 1.0f); // the window's top
    }
}

struct WindowCase {
    int n;
    bool discard;
    int firstFrame;  // frame that lands in position 1
    int lastWritten; // last position written
};

class Windowing : public ::testing::TestWithParam<WindowCase> {};

TEST_P(Windowing, ReadsTheRightFramesAndRoundsToNearest) {
    const WindowCase c = GetParam();
    SpecFft fft;
    fft.buildTables(c.n);
    std::vector<std::int16_t> raw(engine::kSampleArraySize, 0);
    for (int frame = 0; frame < 9000; ++frame) {
        raw[static_cast<std::size_t>(2 * frame)] = static_cast<std::int16_t>(frame % 30000);
        raw[static_cast<std::size_t>(2 * frame + 1)] = static_cast<std::int16_t>(-(frame % 20000));
    }
    std::vector<std::int16_t> left(engine::kSampleArraySize, 0), right(engine::kSampleArraySize, 0);
    fft.windowBlock(raw.data(), left.data(), right.data(), c.discard);

    const int frames = c.n / 4;
    for (int i : {1, 2, 100, 1000, 2048, 3000, c.lastWritten}) {
        const int frame = i + c.firstFrame - 1;
        const double x = 2 * std::numbers::pi * i / frames;
        const double w = 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2 * x);
        const double l = raw[static_cast<std::size_t>(2 * frame)] * w;
        const double r = raw[static_cast<std::size_t>(2 * frame + 1)] * w;
        EXPECT_LE(std::abs(left[static_cast<std::size_t>(i)] - l), 0.5 + 1e-3) << i;
        EXPECT_LE(std::abs(right[static_cast<std::size_t>(i)] - r), 0.5 + 1e-3) << i;
    }
    EXPECT_EQ(left[0], 0);
    EXPECT_EQ(left[static_cast<std::size_t>(c.lastWritten + 1)], 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Windowing,
                         ::testing::Values(WindowCase{16384, true, 501, 8190},
                                           WindowCase{16384, false, 1, 8160},
                                           // the discard applies to the small size only
                                           WindowCase{32768, true, 1, 16352},
                                           WindowCase{32768, false, 1, 16352}));

TEST(SpectrumAverage, FirstBlockOfZerosGivesOneHalfEverywhere) {
    engine::SpectrumAverage avg;
    std::vector<double> left(engine::kSampleArraySize, 0), right(engine::kSampleArraySize, 0);
    avg.update(left.data(), right.data(), 8160, false, 3);
    for (int i = 1; i < 8160; ++i) {
        ASSERT_EQ(left[static_cast<std::size_t>(i)], 0.5);
        ASSERT_EQ(right[static_cast<std::size_t>(i)], 0.5);
    }
    EXPECT_EQ(left[8160], 0.0); // M2 itself is not averaged
}

TEST(SpectrumAverage, CountsUpToTheBlockCountThenRestarts) {
    engine::SpectrumAverage avg;
    std::vector<double> left(engine::kSampleArraySize), right(engine::kSampleArraySize);
    auto block = [&](double value) {
        std::fill(left.begin(), left.end(), value);
        std::fill(right.begin(), right.end(), -value);
        avg.update(left.data(), right.data(), 100, true, 2);
        return left[50];
    };
    EXPECT_DOUBLE_EQ(block(4), (5 + 4) / 2.0);  // c = 1: (|4 + 1| + 4) / 2
    EXPECT_DOUBLE_EQ(right[50], (3 + 4) / 2.0); // the 1 is added before the absolute value
    EXPECT_EQ(avg.counter, 1);
    // c = 2: (|2 * 4.5 + 1| + |-3|) / 3
    EXPECT_DOUBLE_EQ(block(3), (10 + 3) / 3.0);
    EXPECT_EQ(avg.counter, 2);
    EXPECT_DOUBLE_EQ(block(0), 0.5); // c exceeds 2: back to 1
    EXPECT_EQ(avg.counter, 1);
}

} // namespace

// The precision analysis against signals synthesised here, whose truth (the
// frequency, the harmonics, the noise actually added, the products) is known
// from the synthesis itself.

#include "engine/precision.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace {

using engine::ChannelPrecision;
using engine::PrecisionAnalysis;
using engine::PrecisionBand;

constexpr double kPi = std::numbers::pi;
constexpr double kFullScale = 32767;

double db(double ratio) {
    return 20 * std::log10(ratio);
}

enum class Rounding { Plain, Tpdf };

// A synthesised stereo span, rounded (with or without TPDF dither) to 16 bits.
struct Span {
    std::vector<std::int16_t> samples; // interleaved

    Span(int frames, const std::function<std::pair<double, double>(int)>& value, Rounding rounding,
         std::uint32_t seed = 1)
        : samples(static_cast<std::size_t>(2 * frames)) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<double> unit(-0.5, 0.5);
        for (int n = 0; n < frames; ++n) {
            const auto [l, r] = value(n);
            for (int ch = 0; ch < 2; ++ch) {
                const double dither = rounding == Rounding::Tpdf ? unit(rng) + unit(rng) : 0.0;
                const double q = std::nearbyint((ch == 0 ? l : r) + dither);
                samples[static_cast<std::size_t>(2 * n + ch)] =
                    static_cast<std::int16_t>(std::clamp(q, -32768.0, 32767.0));
            }
        }
    }
    int frames() const { return static_cast<int>(samples.size() / 2); }
};

// A sum of cosines on both channels.
struct Partial {
    double hz, amplitude, phase;
};
std::function<std::pair<double, double>(int)> cosines(std::vector<Partial> partials, double rate) {
    return [partials = std::move(partials), rate](int n) {
        double v = 0;
        for (const Partial& p : partials)
            v += p.amplitude * std::cos(2 * kPi * p.hz * n / rate + p.phase);
        return std::pair{v, v};
    };
}

const ChannelPrecision& analyse(PrecisionAnalysis& a, const Span& s, double rate,
                                PrecisionBand band = {}, bool twinTone = false) {
    a.analyse(s.samples.data(), s.frames(), rate, band, twinTone);
    return a.channel(0);
}

// The frames of a block: 16384 with the 500-frame discard, 16384, 32768.
constexpr int kBlockFrames[] = {4596, 4096, 8192};

TEST(Precision, FineFrequencyWithinAHundredthOfAHertzAtAnyPhase) {
    PrecisionAnalysis a;
    const double amplitude = kFullScale * std::pow(10.0, -6.0 / 20);
    for (double rate : {44100.0, 48000.0})
        for (int frames : kBlockFrames)
            for (double hz :
                 {20.0, 20.7, 31.62, 97.3, 440.0, 997.0, 1000.0, 6543.21, 15000.0, 19999.9})
                for (double phase : {0.0, 1.3, 2.9, 4.4, 5.9}) {
                    const Span s(frames, cosines({{hz, amplitude, phase}}, rate), Rounding::Plain);
                    EXPECT_NEAR(analyse(a, s, rate).frequencyHz, hz, 0.01)
                        << rate << " Hz, " << frames << " frames, phase " << phase;
                }
}

struct HarmonicCase {
    std::vector<std::pair<int, double>> harmonics; // order, dB re the fundamental
};

TEST(Precision, ThdIsTheRootSumOfSquaresOfTheHarmonics) {
    const std::vector<HarmonicCase> cases = {
        {{{2, -20}}}, {{{3, -40}}},           {{{5, -60}}},
        {{{2, -80}}}, {{{2, -60}, {3, -60}}}, {{{2, -70}, {3, -76}}},
    };
    PrecisionAnalysis a;
    const double amplitude = 0.89 * kFullScale;
    for (double rate : {44100.0, 48000.0})
        for (double hz : {997.0, 1000.0})
            for (const HarmonicCase& c : cases) {
                std::vector<Partial> partials = {{hz, amplitude, 0.4}};
                double power = 0;
                for (auto [order, level] : c.harmonics) {
                    const double ratio = std::pow(10.0, level / 20);
                    partials.push_back({order * hz, amplitude * ratio, 0.7 * order});
                    power += ratio * ratio;
                }
                const Span s(4596, cosines(partials, rate), Rounding::Tpdf, 7);
                const ChannelPrecision& r = analyse(a, s, rate);
                EXPECT_NEAR(db(r.thd), 10 * std::log10(power), 0.1) << hz << " Hz at " << rate;
                const auto [order, level] = c.harmonics.front();
                EXPECT_NEAR(db(r.harmonic[static_cast<std::size_t>(order)] / r.amplitude), level,
                            0.1);
            }
}

TEST(Precision, ThdFloorOfADitheredSixteenBitSineIsBelowMinus110Db) {
    PrecisionAnalysis a;
    const double amplitude = kFullScale * std::pow(10.0, -1.0 / 20);
    for (double rate : {44100.0, 48000.0}) {
        const Span s(4596, cosines({{1000, amplitude, 0.3}}, rate), Rounding::Tpdf, 3);
        EXPECT_LT(db(analyse(a, s, rate).thd), -110) << rate;
    }
}

TEST(Precision, ThdPlusNoiseAndSinadAgainstTheNoiseAdded) {
    PrecisionAnalysis a;
    const double amplitude = 0.5 * kFullScale;
    const PrecisionBand wide{20, 80000}; // to Nyquist: the white noise lies in the band
    for (double rate : {44100.0, 48000.0})
        for (double snr : {40.0, 60.0, 80.0}) {
            std::mt19937 rng(static_cast<std::uint32_t>(snr));
            const double sigma = amplitude / std::sqrt(2.0) * std::pow(10.0, -snr / 20);
            std::normal_distribution<double> noise(0, sigma);
            const Span s(
                4596,
                [&](int n) {
                    const double v =
                        amplitude * std::cos(2 * kPi * 997 * n / rate + 1) + noise(rng);
                    return std::pair{v, v};
                },
                Rounding::Plain);
            // The truth: everything the synthesis added to the sine.
            const double signal = amplitude * amplitude / 2;
            double added = 0;
            for (int n = 0; n < s.frames(); ++n) {
                const double e = s.samples[static_cast<std::size_t>(2 * n)] -
                                 amplitude * std::cos(2 * kPi * 997 * n / rate + 1);
                added += e * e;
            }
            added /= s.frames();
            const ChannelPrecision& r = analyse(a, s, rate, wide);
            EXPECT_NEAR(db(r.thdN), 10 * std::log10(added / signal), 0.2) << snr;
            EXPECT_NEAR(r.sinadDb, 10 * std::log10((signal + added) / added), 0.2) << snr;
        }
}

TEST(Precision, ThdPlusNoiseFloorOfAFullScaleSixteenBitSine) {
    PrecisionAnalysis a;
    // Rounding adds 1/12 LSB^2 of white noise, TPDF dither 2/12 more.
    const struct {
        Rounding rounding;
        double noisePower;
    } cases[] = {{Rounding::Plain, 1.0 / 12}, {Rounding::Tpdf, 3.0 / 12}};
    for (double rate : {44100.0, 48000.0})
        for (const auto& c : cases) {
            const double amplitude = kFullScale - 1;
            const Span s(4596, cosines({{997, amplitude, 0.2}}, rate), c.rounding, 5);
            const double inBand = c.noisePower * (20000 - 20) / (rate / 2);
            const double theory = 10 * std::log10(inBand / (amplitude * amplitude / 2));
            EXPECT_NEAR(db(analyse(a, s, rate).thdN), theory, 1.0) << rate;
        }
}

TEST(Precision, ThdPlusNoiseCountsOnlyTheBand) {
    PrecisionAnalysis a;
    const double rate = 48000, amplitude = 0.5 * kFullScale;
    // A spur at 21 kHz lies outside 20 Hz - 20 kHz and inside 20 Hz - 24 kHz.
    const Span s(4596, cosines({{1000, amplitude, 0}, {21000, amplitude * 1e-3, 0}}, rate),
                 Rounding::Tpdf);
    EXPECT_LT(db(analyse(a, s, rate).thdN), -85);
    EXPECT_NEAR(db(analyse(a, s, rate, {20, 80000}).thdN), -60, 0.1);
}

TEST(Precision, TwinToneIntermodulation) {
    PrecisionAnalysis a;
    const double total = 0.89 * kFullScale;
    for (double rate : {44100.0, 48000.0}) {
        // SMPTE: 60 Hz and 7 kHz at 4:1, sidebands of second and third order
        // and a second harmonic of the low tone that is not intermodulation.
        const double lo = 0.8 * total, hi = 0.2 * total;
        const double s1 = 3e-3, s1p = 2e-3, s2 = 1e-3, s2p = 5e-4;
        const Span smpte(4596,
                         cosines({{60, lo, 0.1},
                                  {7000, hi, 0.2},
                                  {6940, hi * s1, 0.3},
                                  {7060, hi * s1p, 0.4},
                                  {6880, hi * s2, 0.5},
                                  {7120, hi * s2p, 0.6},
                                  {120, lo * 1e-3, 0.7}},
                                 rate),
                         Rounding::Tpdf);
        const ChannelPrecision& r1 = analyse(a, smpte, rate, {}, true);
        ASSERT_TRUE(r1.twinTone);
        EXPECT_NEAR(r1.lowToneHz, 60, 0.01);
        EXPECT_NEAR(r1.highToneHz, 7000, 0.01);
        EXPECT_NEAR(db(r1.smpteImd), db(std::hypot(s1 + s1p, s2 + s2p)), 0.2) << rate;

        // CCIF: 19 and 20 kHz at 1:1, the difference tone and third-order products.
        const double each = total / 2, d2 = 2e-3;
        const Span ccif(4596,
                        cosines({{19000, each, 0.1},
                                 {20000, each, 0.2},
                                 {1000, 2 * each * d2, 0.3},
                                 {18000, each * 1e-3, 0.4},
                                 {21000, each * 1e-3, 0.5}},
                                rate),
                        Rounding::Tpdf);
        const ChannelPrecision& r2 = analyse(a, ccif, rate, {}, true);
        ASSERT_TRUE(r2.twinTone);
        EXPECT_NEAR(db(r2.ccifImd), db(d2), 0.2) << rate;
    }
}

TEST(Precision, AWeightingFollowsTheIec61672Table) {
    // The standard's table at its exact frequencies, 1000 x 10^(n/10) Hz.
    const struct {
        double hz, weightingDb;
    } table[] = {{31.623, -39.4}, {100, -19.1}, {1000, 0.0}, {10000, -2.5}, {15849, -6.6}};
    PrecisionAnalysis a;
    for (double rate : {44100.0, 48000.0})
        for (const auto& row : table) {
            const Span s(4596, cosines({{row.hz, 0.25 * kFullScale, 0.5}}, rate), Rounding::Tpdf);
            const ChannelPrecision& r = analyse(a, s, rate);
            EXPECT_NEAR(db(r.aWeightedRms / r.rms), row.weightingDb, 0.1) << row.hz;
        }
}

TEST(Precision, PhaseOfLeftLessRight) {
    PrecisionAnalysis a;
    const double rate = 48000;
    for (double shift : {0.0, 45.0, -120.0, 179.0, 90.0}) {
        const Span s(
            4596,
            [&](int n) {
                const double x = 2 * kPi * 1234.5 * n / rate;
                return std::pair{10000 * std::cos(x), 8000 * std::cos(x + shift * kPi / 180)};
            },
            Rounding::Tpdf);
        a.analyse(s.samples.data(), s.frames(), rate, {}, false);
        EXPECT_NEAR(a.phaseLeftMinusRightDeg(), -shift, 0.01) << shift;
    }
}

TEST(Precision, SilenceAndShortSpansGiveNoReading) {
    PrecisionAnalysis a;
    const Span silence(
        4596,
        [](int) {
            return std::pair{0.0, 0.0};
        },
        Rounding::Plain);
    EXPECT_FALSE(analyse(a, silence, 44100).valid);
    const Span shortSpan(10, cosines({{1000, 1000, 0}}, 44100), Rounding::Plain);
    EXPECT_FALSE(analyse(a, shortSpan, 44100).valid);
    EXPECT_EQ(a.frames(), 0);
}

} // namespace

namespace {

TEST(ComplexFft, AgreesWithTheDefinitionAtEverySize) {
    engine::ComplexFft fft(1024);
    std::mt19937 rng(4);
    std::uniform_real_distribution<double> value(-1, 1);
    for (int size = 2; size <= 1024; size *= 2) {
        std::vector<double> z(2 * static_cast<std::size_t>(size));
        for (double& v : z)
            v = value(rng);
        const std::vector<double> input = z;
        fft.forward(z.data(), size);
        for (int k = 0; k < size; k += std::max(1, size / 16)) {
            double xr = 0, xi = 0;
            for (int n = 0; n < size; ++n) {
                const double a = -2 * kPi * k * n / size;
                const double re = input[2 * static_cast<std::size_t>(n)];
                const double im = input[2 * static_cast<std::size_t>(n) + 1];
                xr += re * std::cos(a) - im * std::sin(a);
                xi += re * std::sin(a) + im * std::cos(a);
            }
            EXPECT_NEAR(z[2 * static_cast<std::size_t>(k)], xr, 1e-9 * size) << size << " " << k;
            EXPECT_NEAR(z[2 * static_cast<std::size_t>(k) + 1], xi, 1e-9 * size) << size;
        }
    }
}

} // namespace

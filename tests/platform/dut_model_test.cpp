// The device-under-test model against direct measurements of its output: a
// least-squares fit of sine and cosine at the frequency in question.

#include "platform/dut_model.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

using platform::DutModel;
using platform::DutParams;

constexpr int kRate = 48000;

// Runs a sine of `amplitude` counts on the left (and, unless leftOnly, the
// right) channel through the model; returns the interleaved output after
// `settleFrames`.
std::vector<std::int16_t> run(const DutParams& p, double freq, double amplitude, int frames,
                              bool leftOnly = false, int settleFrames = kRate) {
    DutModel model(p, kRate);
    std::vector<std::int16_t> out;
    std::int16_t frame[2];
    for (int k = 0; k < settleFrames + frames; ++k) {
        const double v = amplitude * std::sin(2 * std::numbers::pi * freq * k / kRate);
        model.process(v, leftOnly ? 0 : v, static_cast<std::uint64_t>(k), frame);
        if (k >= settleFrames) out.insert(out.end(), frame, frame + 2);
    }
    return out;
}

// Amplitude of the component at freq on channel c (whole cycles assumed).
double amplitudeAt(const std::vector<std::int16_t>& s, int c, double freq) {
    double re = 0, im = 0;
    const std::size_t n = s.size() / 2;
    for (std::size_t k = 0; k < n; ++k) {
        const double w = 2 * std::numbers::pi * freq * static_cast<double>(k) / kRate;
        re += s[2 * k + static_cast<std::size_t>(c)] * std::cos(w);
        im += s[2 * k + static_cast<std::size_t>(c)] * std::sin(w);
    }
    return 2 * std::hypot(re, im) / static_cast<double>(n);
}

double db(double ratio) {
    return 20 * std::log10(ratio);
}

TEST(DutModel, WireIsExactPassthrough) {
    DutModel wire(*platform::dutPreset("wire"), kRate);
    EXPECT_TRUE(wire.isWire());
    std::int16_t out[2];
    for (int v : {-32768, -12345, -1, 0, 1, 32443, 32767}) {
        wire.process(v, -v - 1, 7, out);
        EXPECT_EQ(out[0], v);
        EXPECT_EQ(out[1], -v - 1);
    }
}

TEST(DutModel, GainPerChannelAndClipping) {
    DutParams p;
    p.gainLeftDb = 6;
    p.gainRightDb = -6;
    const auto out = run(p, 1000, 10000, 4800, false, 0);
    EXPECT_NEAR(db(amplitudeAt(out, 0, 1000) / 10000), 6, 0.01);
    EXPECT_NEAR(db(amplitudeAt(out, 1, 1000) / 10000), -6, 0.01);
    p.gainLeftDb = 12;
    DutModel loud(p, kRate);
    std::int16_t frame[2];
    loud.process(30000, 0, 0, frame);
    EXPECT_EQ(frame[0], 32767);
    loud.process(-30000, 0, 0, frame);
    EXPECT_EQ(frame[0], -32768);
}

struct CornerCase {
    const char* name;
    double highPass, lowPass, freq, expectedDb, toleranceDb;
};

class Corners : public ::testing::TestWithParam<CornerCase> {};

TEST_P(Corners, ButterworthResponse) {
    const CornerCase& c = GetParam();
    DutParams p;
    p.highPassHz = c.highPass;
    p.lowPassHz = c.lowPass;
    const auto out = run(p, c.freq, 10000, kRate);
    EXPECT_NEAR(db(amplitudeAt(out, 0, c.freq) / 10000), c.expectedDb, c.toleranceDb);
}

INSTANTIATE_TEST_SUITE_P(
    Model, Corners,
    ::testing::Values(CornerCase{"HighPassCorner", 10, 0, 10, -3.01, 0.05},
                      CornerCase{"HighPassOctaveBelow", 20, 0, 10, -12.3, 0.1}, // 1/sqrt(1+16)
                      CornerCase{"HighPassPassband", 10, 0, 1000, 0, 0.01},
                      CornerCase{"LowPassCorner", 0, 5000, 5000, -3.01, 0.05},
                      CornerCase{"LowPassPassband", 0, 5000, 100, 0, 0.01},
                      // A corner above Nyquist keeps about the analog droop:
                      // -0.26 dB at 20 kHz.
                      CornerCase{"LowPassAboveNyquist", 0, 40000, 20000, -0.26, 0.25}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DutModel, HarmonicsAtFullScaleHaveTheirLevels) {
    DutParams p;
    p.harmonic2Db = -60;
    p.harmonic3Db = -70;
    const auto out = run(p, 1000, 32000, kRate / 10, false, 0);
    const double fundamental = amplitudeAt(out, 0, 1000);
    const double scale = 32000.0 / 32767; // harmonics fall with the level
    EXPECT_NEAR(db(amplitudeAt(out, 0, 2000) / fundamental), -60 + db(scale), 0.2);
    EXPECT_NEAR(db(amplitudeAt(out, 0, 3000) / fundamental), -70 + 2 * db(scale), 0.3);
}

TEST(DutModel, CrosstalkAndNoise) {
    DutParams p;
    p.crosstalkDb = -40;
    const auto out = run(p, 1000, 20000, kRate / 10, true, 0);
    EXPECT_NEAR(db(amplitudeAt(out, 1, 1000) / 20000), -40, 0.1);

    DutParams n;
    n.noiseDbfs = -50; // 75.9 counts RMS
    n.noiseSeed = 3;
    const auto noise = run(n, 1000, 0, kRate, false, 0);
    double sum = 0, sumSq = 0;
    for (std::int16_t v : noise)
        sum += v, sumSq += double(v) * v;
    const double count = static_cast<double>(noise.size());
    EXPECT_NEAR(sum / count, 0, 1.0);
    EXPECT_NEAR(std::sqrt(sumSq / count), 32767 / std::numbers::sqrt2 * std::pow(10, -2.5), 1.5);
    // The same index gives the same noise.
    EXPECT_EQ(noise, run(n, 1000, 0, kRate, false, 0));
}

TEST(DutModel, AmplifierPresetIsARealisticAmplifier) {
    const DutParams amp = *platform::dutPreset("amplifier");
    EXPECT_GT(amp.gainLeftDb, 0);
    // The generator's 0 dBr (32443) still passes without clipping.
    const auto out = run(amp, 1000, 32443, kRate / 10);
    for (std::int16_t v : out)
        ASSERT_LT(std::abs(int(v)), 32767);
    const double fundamental = amplitudeAt(out, 0, 1000);
    const double thd =
        std::hypot(amplitudeAt(out, 0, 2000), amplitudeAt(out, 0, 3000)) / fundamental * 100;
    EXPECT_NEAR(thd, 0.01, 0.003); // per cent
    EXPECT_NEAR(db(fundamental / 32443), amp.gainLeftDb, 0.02);
}

TEST(DutSpec, PresetsAndSettings) {
    EXPECT_EQ(platform::parseDutSpec("wire").params, DutParams{});
    EXPECT_EQ(platform::parseDutSpec("amplifier").params, *platform::dutPreset("amplifier"));

    const auto custom = platform::parseDutSpec("gain=1.5, gainr=-2,hp=20,lp=off,h2=-90,noise=off,"
                                               "crosstalk=-60,latency=12");
    ASSERT_TRUE(custom.ok) << custom.error;
    EXPECT_EQ(custom.params.gainLeftDb, 1.5);
    EXPECT_EQ(custom.params.gainRightDb, -2);
    EXPECT_EQ(custom.params.highPassHz, 20);
    EXPECT_EQ(custom.params.lowPassHz, 0);
    EXPECT_EQ(custom.params.harmonic2Db, -90);
    EXPECT_EQ(custom.params.crosstalkDb, -60);
    EXPECT_EQ(custom.params.latencyMs, 12);

    const auto tweaked = platform::parseDutSpec("amplifier,noise=-90");
    ASSERT_TRUE(tweaked.ok);
    EXPECT_EQ(tweaked.params.noiseDbfs, -90);
    EXPECT_EQ(tweaked.params.highPassHz, 10);

    for (const char* bad : {"speaker", "gain=loud", "hp=-5", "latency=1e9", "volume=3",
                            "gain=1,amplifier", "gain=off"}) {
        const auto r = platform::parseDutSpec(bad);
        EXPECT_FALSE(r.ok) << bad;
        EXPECT_FALSE(r.error.empty()) << bad;
    }
}

} // namespace

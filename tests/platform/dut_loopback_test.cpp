// The device-under-test model and the loopback against direct measurements
// of their output: the amplitude at a frequency from a plain DFT.

#include "platform/dut_model.h"
#include "platform/loopback.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

using platform::DutModel;
using platform::DutParams;

constexpr int kRate = 48000;

// Amplitude of the component at freq on channel c (whole cycles assumed).
double amplitudeAt(const std::vector<std::int16_t>& s, int c, double freq, int rate = kRate) {
    double re = 0, im = 0;
    const std::size_t n = s.size() / 2;
    for (std::size_t k = 0; k < n; ++k) {
        const double w = 2 * std::numbers::pi * freq * static_cast<double>(k) / rate;
        re += s[2 * k + static_cast<std::size_t>(c)] * std::cos(w);
        im += s[2 * k + static_cast<std::size_t>(c)] * std::sin(w);
    }
    return 2 * std::hypot(re, im) / static_cast<double>(n);
}

double db(double ratio) {
    return 20 * std::log10(ratio);
}

// A sine on the left (and, unless leftOnly, the right) channel through the
// model; the output after one second of settling.
std::vector<std::int16_t> run(const DutParams& p, double freq, double amplitude, int frames,
                              bool leftOnly = false, int rate = kRate) {
    DutModel model(p, rate);
    std::vector<std::int16_t> out;
    std::int16_t frame[2];
    for (int k = 0; k < rate + frames; ++k) {
        const double v = amplitude * std::sin(2 * std::numbers::pi * freq * k / rate);
        model.process(v, leftOnly ? 0 : v, static_cast<std::uint64_t>(k), frame);
        if (k >= rate) out.insert(out.end(), frame, frame + 2);
    }
    return out;
}

TEST(DutModel, WireIsExactPassthroughAndGainClips) {
    DutModel wire(*platform::dutPreset("wire"), kRate);
    EXPECT_TRUE(wire.isWire());
    std::int16_t out[2];
    for (int v : {-32768, -12345, -1, 0, 1, 32443, 32767}) {
        wire.process(v, -v - 1, 7, out);
        EXPECT_TRUE(out[0] == v && out[1] == -v - 1) << v;
    }
    DutParams p;
    p.gainLeftDb = 6;
    p.gainRightDb = -6;
    const auto gained = run(p, 1000, 10000, 4800);
    EXPECT_NEAR(db(amplitudeAt(gained, 0, 1000) / 10000), 6, 0.01);
    EXPECT_NEAR(db(amplitudeAt(gained, 1, 1000) / 10000), -6, 0.01);
    DutModel loud(p, kRate);
    loud.process(30000, 0, 0, out);
    EXPECT_EQ(out[0], 32767);
    loud.process(-30000, 0, 0, out);
    EXPECT_EQ(out[0], -32768);
}

struct ResponseCase {
    double highPass, lowPass;
    int rate;
    double freq;
};

TEST(DutModel, FiltersHaveTheAnalogButterworthMagnitude) {
    // Frequencies that share no factor with the rate, so that the output's
    // rounding error spreads over the spectrum instead of onto the tone.
    const ResponseCase cases[] = {
        {10, 0, 48000, 11},       {20, 0, 48000, 11},       {10, 0, 48000, 1001},
        {100, 0, 44100, 15013},   {0, 5000, 48000, 5003},   {0, 5000, 48000, 101},
        {0, 5000, 48000, 20003},  {0, 1000, 44100, 15013},  {0, 20000, 48000, 20003},
        {0, 40000, 48000, 10001}, {0, 40000, 48000, 22003}, {0, 40000, 44100, 20011},
        {0, 30000, 96000, 45007}, {20, 30000, 44100, 1003},
    };
    for (const ResponseCase& c : cases) {
        DutParams p;
        p.highPassHz = c.highPass;
        p.lowPassHz = c.lowPass;
        const auto out = run(p, c.freq, 30000, c.rate, false, c.rate);
        double expected = 0; // dB, of the analog second-order Butterworth sections
        if (c.highPass > 0) expected -= 10 * std::log10(1 + std::pow(c.highPass / c.freq, 4));
        if (c.lowPass > 0) expected -= 10 * std::log10(1 + std::pow(c.freq / c.lowPass, 4));
        EXPECT_NEAR(db(amplitudeAt(out, 0, c.freq, c.rate) / 30000), expected, 0.003)
            << c.highPass << " " << c.lowPass << " " << c.rate << " " << c.freq;
    }
}

TEST(DutModel, HarmonicsFollowTheirLawCrosstalkAndNoiseTheirLevels) {
    DutParams p;
    p.harmonic2Db = -60;
    p.harmonic3Db = -70;
    p.crosstalkDb = -40;
    // The declared ratios hold for a full-scale sine; at a fraction a of full
    // scale the fundamental is a (1 + 3 c3 a^2 / 4), H2 c2 a^2 / 2, H3 c3 a^3 / 4.
    const double r2 = 1e-3, r3 = std::pow(10.0, -3.5);
    const double c3 = 4 * r3 / (1 - 3 * r3), c2 = 2 * r2 / (1 - 3 * r3);
    for (double a : {0.9, 0.5}) {
        const auto out = run(p, 1001, a * 32767, kRate, true); // 1001 Hz: see the filters
        const double h1 = a * (1 + 3 * c3 * a * a / 4);
        const double fundamental = amplitudeAt(out, 0, 1001);
        EXPECT_NEAR(fundamental / 32767, h1, 1e-6) << a;
        EXPECT_NEAR(db(amplitudeAt(out, 0, 2002) / fundamental), db(c2 * a * a / 2 / h1), 0.01);
        EXPECT_NEAR(db(amplitudeAt(out, 0, 3003) / fundamental), db(c3 * a * a * a / 4 / h1),
                    a > 0.5 ? 0.01 : 0.03);
        EXPECT_NEAR(db(amplitudeAt(out, 1, 1001) / fundamental), -40, 0.01);
    }

    DutParams n;
    n.noiseDbfs = -50; // 73.3 counts RMS, and the rounding's 1/12 LSB^2 besides
    const auto noise = run(n, 1000, 0, kRate);
    double sum = 0, sumSq = 0;
    for (std::int16_t v : noise)
        sum += v, sumSq += double(v) * v;
    EXPECT_NEAR(sum / noise.size(), 0, 1.0);
    const double sigma = 32767 / std::numbers::sqrt2 / std::sqrt(1e5);
    EXPECT_NEAR(std::sqrt(sumSq / noise.size()) / std::sqrt(sigma * sigma + 1.0 / 12), 1, 0.01);
    EXPECT_EQ(noise, run(n, 1000, 0, kRate)); // the same index gives the same noise
}

TEST(DutModel, AmplifierPresetIsARealisticAmplifier) {
    const DutParams amp = *platform::dutPreset("amplifier");
    const auto out = run(amp, 1000, 32443, kRate / 10); // the generator's 0 dBr
    for (std::int16_t v : out)
        ASSERT_LT(std::abs(int(v)), 32767); // no clipping
    const double fundamental = amplitudeAt(out, 0, 1000);
    EXPECT_NEAR(db(fundamental / 32443), amp.gainLeftDb, 0.02);
    const double thd = std::hypot(amplitudeAt(out, 0, 2000), amplitudeAt(out, 0, 3000));
    EXPECT_NEAR(thd / fundamental * 100, 0.01, 0.003); // per cent
}

TEST(DutSpec, PresetsAndSettings) {
    EXPECT_EQ(platform::parseDutSpec("wire").params, DutParams{});
    const auto custom = platform::parseDutSpec("gain=1.5, gainr=-2,hp=20,lp=off,h2=-90,noise=off,"
                                               "crosstalk=-60,latency=12");
    ASSERT_TRUE(custom.ok) << custom.error;
    DutParams expected;
    expected.gainLeftDb = 1.5;
    expected.gainRightDb = -2;
    expected.highPassHz = 20;
    expected.harmonic2Db = -90;
    expected.crosstalkDb = -60;
    expected.latencyMs = 12;
    EXPECT_EQ(custom.params, expected);
    const auto tweaked = platform::parseDutSpec("amplifier,noise=-90");
    ASSERT_TRUE(tweaked.ok);
    EXPECT_TRUE(tweaked.params.noiseDbfs == -90 && tweaked.params.highPassHz == 10);
    for (const char* bad : {"speaker", "gain=loud", "hp=-5", "latency=1e9", "volume=3",
                            "gain=1,amplifier", "gain=off"}) {
        const auto r = platform::parseDutSpec(bad);
        EXPECT_FALSE(r.ok || r.error.empty()) << bad;
    }
}

class Loopback : public ::testing::Test {
protected:
    // Plays a sine at `rate` from now on, as one long buffer on both channels.
    void play(int rate, double freq, double amplitude, double seconds) {
        platform::PlaybackFormat f;
        f.samplesPerSecond = static_cast<std::uint32_t>(rate);
        ASSERT_EQ(output.open(handle, 0, f, [](platform::PlaybackHeader&) {}), 0);
        for (int k = 0; k < seconds * rate; ++k) {
            const auto v = static_cast<std::uint16_t>(
                std::lround(amplitude * std::sin(2 * std::numbers::pi * freq * k / rate)));
            const std::uint8_t frame[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v),
                                           std::uint8_t(v >> 8)};
            bytes.insert(bytes.end(), frame, frame + 4);
        }
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
        output.prepareHeader(handle, header);
        ASSERT_EQ(output.write(handle, header), 0);
    }
    // Consecutive blocks from frame 0, each rendered when it ends.
    std::vector<std::int16_t> capture(platform::LoopbackSource& source, int rate, int blocks,
                                      int frames) {
        std::vector<std::int16_t> all, block(static_cast<std::size_t>(2 * frames));
        for (int b = 0; b < blocks; ++b) {
            loop.advance((frames * 1000 + rate - 1) / rate);
            source.render(std::int64_t{b} * frames, block.data(), frames, rate);
            all.insert(all.end(), block.begin(), block.end());
        }
        return all;
    }

    platform::VirtualEventLoop loop;
    platform::SimulatedOutput output{loop};
    platform::PlaybackHandle handle = 0;
    platform::PlaybackHeader header;
    std::vector<std::uint8_t> bytes;
};

TEST_F(Loopback, SilenceCarriesOnlyTheModelNoise) {
    platform::LoopbackSource wire(loop, output.played(), *platform::dutPreset("wire"));
    for (std::int16_t v : capture(wire, 44100, 3, 4096))
        ASSERT_EQ(v, 0);
    auto p = *platform::dutPreset("amplifier");
    p.noiseDbfs = -60;
    platform::LoopbackSource amp(loop, output.played(), p);
    double sumSq = 0;
    const auto noisy = capture(amp, 44100, 3, 4096);
    for (std::int16_t v : noisy)
        sumSq += double(v) * v;
    EXPECT_NEAR(std::sqrt(sumSq / noisy.size()), 23.2, 2);
}

TEST_F(Loopback, DifferentRatesAreResampled) {
    play(44100, 1000, 16000, 3.0); // a burst file always plays at 44100 Hz
    loop.advance(500);
    platform::LoopbackSource wire(loop, output.played(), *platform::dutPreset("wire"));
    const auto captured = capture(wire, 48000, 6, 4000); // 0.5 s of whole cycles
    const double amplitude = amplitudeAt(captured, 0, 1000);
    EXPECT_NEAR(amplitude, 16000, 16);
    // Nothing else: the residual after the 1 kHz tone is about the rounding.
    double residual = 0, re = 0, im = 0;
    const std::size_t n = captured.size() / 2;
    auto w = [](std::size_t k) { return 2 * std::numbers::pi * 1000 * double(k) / 48000; };
    for (std::size_t k = 0; k < n; ++k)
        re += captured[2 * k] * std::cos(w(k)) * 2 / n,
            im += captured[2 * k] * std::sin(w(k)) * 2 / n;
    for (std::size_t k = 0; k < n; ++k)
        residual += std::pow(captured[2 * k] - re * std::cos(w(k)) - im * std::sin(w(k)), 2);
    EXPECT_LT(std::sqrt(residual / n), 2.0);
}

TEST_F(Loopback, LatencyDelaysTheSignalByWholeFrames) {
    play(44100, 441, 10000, 1.0);
    loop.advance(600);
    auto p = *platform::dutPreset("wire");
    p.latencyMs = 20; // 882 frames
    platform::LoopbackSource delayed(loop, output.played(), p);
    platform::LoopbackSource direct(loop, output.played(), *platform::dutPreset("wire"));
    std::vector<std::int16_t> a(2 * 4410), b(2 * 4410);
    direct.render(0, a.data(), 4410, 44100);
    delayed.render(0, b.data(), 4410, 44100);
    int nonZero = 0;
    for (std::size_t k = 0; k + 882 < 4410; ++k) {
        ASSERT_EQ(b[2 * (k + 882)], a[2 * k]) << k;
        nonZero += a[2 * k] != 0;
    }
    EXPECT_GT(nonZero, 3000);
}

} // namespace

// The precision readout modes and units through the measurement cycle: what
// each slot shows for a block synthesised here, the span of contiguous blocks
// for a low tone, and the SNR measurement with its muting of the generator.

#include "common/text.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace {

using enginetest::EngineFixture;

constexpr double kPi = std::numbers::pi;
constexpr double kRate = 44100;

double db(double ratio) {
    return 20 * std::log10(ratio);
}

// Volts of a sine of amplitude a counts, as the instrument is calibrated.
double volts(double a) {
    return 0.707 * a / std::sqrt(2.0) / 24024;
}

struct Partial {
    double hz, amplitude, phaseDeg;
};
using Signal = std::vector<Partial>;

double value(const Signal& signal, int frame) {
    double v = 0;
    for (const Partial& p : signal)
        v += p.amplitude * std::cos(2 * kPi * p.hz * frame / kRate + p.phaseDeg * kPi / 180);
    return v;
}

struct PrecisionCase {
    const char* mode;
    const char* unitBefore;
    int channel;
    Signal left, right;
    double expected; // the number the caption starts with
    double tolerance;
    const char* suffix;
    const char* unitAfter;
};

const Signal kTone = {{1000, 16000, 20}};
const Signal kToneH2 = {{1000, 16000, 20}, {2000, 16, 50}};             // H2 at -60 dB
const Signal kToneH3 = {{1000, 16000, 20}, {3000, 160, 50}};            // H3 at -40 dB
const Signal kToneH2b = {{997, 20000, 0}, {1994, 20000 * 0.00316, 10}}; // H2 at -50 dB
const Signal kSmpte = {{60, 20000, 0}, {7000, 5000, 0}, {6940, 10, 0}, {7060, 5, 0}};
const Signal kCcif = {{19000, 12000, 0}, {20000, 12000, 0}, {1000, 48, 0}};

class PrecisionReadout : public ::testing::TestWithParam<PrecisionCase>, public EngineFixture {};

TEST_P(PrecisionReadout, ShowsItsQuantityWithItsUnit) {
    const PrecisionCase c = GetParam();
    readout(2, c.mode, c.unitBefore, c.channel);
    fill([&](int f) { return std::pair{value(c.left, f), value(c.right, f)}; });
    analyzer.DisplayFreq();
    const std::string text = caption(2);
    EXPECT_NEAR(common::leadingNumber(text), c.expected, c.tolerance) << text;
    EXPECT_TRUE(text.ends_with(c.suffix)) << text;
    EXPECT_EQ(unit(2), c.unitAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, PrecisionReadout,
    ::testing::Values(
        PrecisionCase{"Freq (fine)", "V", 0, {{997.3, 16000, 70}}, {}, 997.3, 0.01, " Hz", "Hz"},
        PrecisionCase{"THD (RSS)", "V", 0, kToneH3, kTone, 1.0, 0.012, " %", "%"},
        PrecisionCase{"THD (RSS)", "dB", 1, kTone, kToneH2b, -50, 0.1, " dB", "dB"},
        PrecisionCase{"THD+N", "dB", 0, kToneH2, kTone, -60, 0.1, " dB", "dB"},
        PrecisionCase{"THD+N", "V", 0, kToneH3, kTone, 1.0, 0.012, " %", "%"},
        PrecisionCase{"SINAD", "%", 0, kToneH2, kTone, 60, 0.1, " dB", "dB"},
        PrecisionCase{"H2", "%", 0, kToneH2, kTone, -60, 0.1, " dB", "dB"},
        PrecisionCase{"H3", "V", 1, kTone, kToneH3, -40, 0.1, " dB", "dB"},
        PrecisionCase{"Phase L-R", "V", 0, kTone, {{1000, 9000, 50}}, -30, 0.01, " deg", "deg"},
        PrecisionCase{
            "Level", "dBFS", 0, {{1000, 16384, 0}}, {}, db(16384 / 32767.0), 0.01, " dBFS", "dBFS"},
        PrecisionCase{
            "Level", "dBV", 1, {}, {{440, 30000, 0}}, db(volts(30000)), 0.01, " dBV", "dBV"},
        PrecisionCase{"Level",
                      "dBu",
                      0,
                      {{440, 8000, 0}},
                      {},
                      db(volts(8000) / std::sqrt(0.6)),
                      0.01,
                      " dBu",
                      "dBu"},
        // The A-weighting of IEC 61672-1 at 100 Hz is -19.1 dB.
        PrecisionCase{"Level A-wt",
                      "dBr",
                      0,
                      {{100, 8000, 0}},
                      {},
                      db(volts(8000)) - 19.1,
                      0.06,
                      " dBr",
                      "dBr"},
        PrecisionCase{"Level A-wt", "W", 0, kTone, {}, 1000 * volts(16000), 0.1, " mV", "V"},
        PrecisionCase{"IHF IMD", "V", 0, kSmpte, {}, 100 * (10 + 5) / 5000.0, 0.001, " %", "%"},
        PrecisionCase{"CCIF IMD", "dB", 0, kCcif, {}, 100 * 48 / 24000.0, 0.001, " %", "%"}));

class PrecisionBlock : public ::testing::Test, public EngineFixture {};

TEST_F(PrecisionBlock, NoReadingWithoutASignalAndTheClassicReadoutsUnchanged) {
    readout(1, "THD+N", "%", 1);
    readout(2, "Level", "dBr", 0);
    readout(3, "THD", "%", 0);
    fill([](int f) { return std::pair{value(kToneH3, f), 0.0}; });
    analyzer.DisplayFreq();
    EXPECT_EQ(caption(1), "---");
    const std::string levelDb = caption(2), thd = caption(3);

    // The same block with no precision slot gives the same classic captions.
    EngineFixture classic;
    classic.readout(2, "Level", "dBr", 0);
    classic.readout(3, "THD", "%", 0);
    classic.fill([](int f) { return std::pair{value(kToneH3, f), 0.0}; });
    classic.analyzer.DisplayFreq();
    EXPECT_EQ(classic.caption(2), levelDb);
    EXPECT_EQ(classic.caption(3), thd);
    EXPECT_EQ(classic.analyzer.precision().analysis().frames(), 0); // it did not even run
}

// A tone with white noise; the noise alone while muted.
class ToneAndNoise final : public platform::SignalSource {
public:
    bool muted = false;
    void render(std::int64_t firstFrame, std::int16_t* out, int frameCount, int rate) override {
        std::normal_distribution<double> noise(0, 3);
        for (int i = 0; i < frameCount; ++i) {
            const double t = static_cast<double>(firstFrame + i) / rate;
            const double tone = muted ? 0 : 10000 * std::sin(2 * kPi * 1000 * t);
            for (int ch = 0; ch < 2; ++ch)
                out[2 * i + ch] = EngineFixture::clip(tone + noise(rng_));
        }
    }

private:
    std::mt19937 rng_{9};
};

class PrecisionCapture : public ::testing::Test, public EngineFixture {
protected:
    PrecisionCapture() {
        analyzer.setBlockObserver([this](std::int64_t block) {
            if (onBlock) onBlock(block);
        });
    }
    std::function<void(std::int64_t)> onBlock;
};

TEST_F(PrecisionCapture, ALowToneIsMeasuredOverTheContiguousBlocksInEveryBlock) {
    audio.setSource(std::make_shared<platform::ToneSource>(
        std::vector{platform::ToneSource::Tone{20.3, 16384, 0.7}}));
    readout(1, "Freq (fine)", "Hz", 0);
    std::vector<int> spans;
    onBlock = [&](std::int64_t block) {
        EXPECT_NEAR(common::leadingNumber(caption(1)), 20.3, 0.01) << "block " << block;
        spans.push_back(analyzer.precision().analysis().frames());
        if (block == 8) analyzer.DoStop();
    };
    analyzer.startCaptureTimer();
    loop.advance(5000);
    ASSERT_EQ(spans.size(), 8u);
    EXPECT_EQ(spans[0], 4596); // the first block stands alone
    // Twenty cycles of 20.3 Hz take 43448 frames, more than the longest span.
    EXPECT_EQ(spans[7], engine::kPrecisionMaxFrames);
}

TEST_F(PrecisionCapture, SnrIsTheBandLevelAgainstTheNoiseWithTheGeneratorMuted) {
    auto source = std::make_shared<ToneAndNoise>();
    audio.setSource(source);
    std::vector<bool> mutes;
    analyzer.setOscillatorMute([&](bool muted) {
        source->muted = muted;
        mutes.push_back(muted);
    });
    readout(1, "SNR", "V", 0);
    analyzer.startCaptureTimer();
    loop.advance(3000);
    // Signal 10000 / sqrt(2) RMS plus the noise in the band; the noise alone
    // is sigma 3 over 19980 Hz of the 22050 Hz band (plus the rounding).
    const double noise = (9 + 1.0 / 12) * 19980 / 22050;
    const double truth = 10 * std::log10((5e7 + noise) / noise);
    EXPECT_NEAR(common::leadingNumber(caption(1)), truth, 0.2) << caption(1);
    EXPECT_TRUE(caption(1).ends_with(" dB"));
    EXPECT_EQ(unit(1), "dB");
    EXPECT_EQ(mutes, (std::vector<bool>{true, false}));

    // Switching the slot off and on again measures anew; stopping capture
    // during the measurement lifts the mute.
    analyzer.ReadoutOn_Click(1);
    loop.advance(200);
    analyzer.ReadoutOn_Click(1);
    onBlock = [&](std::int64_t) {
        if (source->muted) analyzer.DoStop();
    };
    loop.advance(3000);
    EXPECT_EQ(mutes, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(source->muted);
}

} // namespace

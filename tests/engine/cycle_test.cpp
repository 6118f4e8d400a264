// The measurement cycle on known blocks: frequency, detector levels, the
// reference and rate offsets, the level texts, THD and the narrowband level.

#include "common/text.h"
#include "engine_fixture.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>

namespace {

using enginetest::EngineFixture;

class Cycle : public ::testing::Test, public EngineFixture {};

struct FrequencyCase {
    std::int32_t n;
    std::int32_t rate;
    int bin;
    double hz;        // 2.6916 Hz a bin at 16384 and 44100 Hz, scaled
    const char* text; // as the readout shows it
};

class Frequency : public ::testing::TestWithParam<FrequencyCase>, public EngineFixture {};

TEST_P(Frequency, PeakBinTimesTheBinWidth) {
    const FrequencyCase c = GetParam();
    controls()["SampleSize"].setText(std::to_string(c.n));
    controls()["SampleRate"].setText(std::to_string(c.rate));
    panel.Update2();
    // A cosine exactly on the bin, in phase with the transform's first
    // sample (frame 500 with the discard), so the real part peaks there.
    const double freq = c.bin * static_cast<double>(c.rate) / c.n;
    fillTone(freq, 20000, c.n == 16384 ? 500 : 0);
    readout(5, "Frequency", "Hz");
    analyzer.DisplayFreq();
    EXPECT_EQ(r().FundBinL, c.bin);
    EXPECT_EQ(r().FundBinR, c.bin);
    EXPECT_NEAR(r().FreqL, c.hz, 1e-4);
    EXPECT_EQ(caption(5), std::string(c.text) + " Hz");
}

INSTANTIATE_TEST_SUITE_P(Cases, Frequency,
                         ::testing::Values(FrequencyCase{16384, 44100, 372, 1001.2752, "1001.3"},
                                           FrequencyCase{32768, 44100, 744, 1001.2752, "1001.3"},
                                           FrequencyCase{16384, 48000, 372, 1089.8233, "1089.8"},
                                           FrequencyCase{16384, 11025, 1000, 672.9, "672.9"}));

// 4410 Hz at 44100 Hz: ten samples per period, peaks hit exactly, and the
// RMS range (3190 samples) holds whole periods.
class Detector : public ::testing::TestWithParam<double>, public EngineFixture {};

TEST_P(Detector, PeakReadsAOver24024Volts) {
    const double a = GetParam();
    usePeakDetector();
    fillTone(4410, a);
    analyzer.DisplayFreq();
    EXPECT_EQ(r().PeakPeakL, 2 * a);
    const double volts = r().MilliL == 1 ? r().LevelL / 1000 : r().LevelL;
    EXPECT_NEAR(volts, a / 24024, 1e-12);
}

TEST_P(Detector, RmsReads0707TimesAOverRoot2Times24024Volts) {
    const double a = GetParam();
    fillTone(4410, a);
    analyzer.DisplayFreq();
    const double volts = r().MilliL == 1 ? r().LevelL / 1000 : r().LevelL;
    EXPECT_NEAR(volts, 0.707 * a / (std::sqrt(2.0) * 24024), 1e-4 * volts);
}

INSTANTIATE_TEST_SUITE_P(Amplitudes, Detector, ::testing::Values(1000.0, 10000.0, 30000.0));

TEST_F(Cycle, PeakReadingHalvesEachBlockAfterTheSignalStops) {
    usePeakDetector();
    fillTone(4410, 10000);
    analyzer.DisplayFreq();
    EXPECT_EQ(r().PeakPeakL, 20000);
    fillSilence();
    analyzer.DisplayFreq();
    EXPECT_EQ(r().PeakPeakL, 10000);
    EXPECT_NEAR(r().LevelL / 1000, 10000.0 / 48048, 1e-12);
    analyzer.DisplayFreq();
    EXPECT_EQ(r().PeakPeakL, 5000);
}

// A peak-to-peak of exactly 48048 counts is exactly 1 V.
void fillOneVoltPeak(EngineFixture& f) {
    f.fill([](int frame) {
        const double v = frame == 10 ? 24024 : frame == 20 ? -24024 : 0;
        return std::pair{v, v};
    });
}

TEST_F(Cycle, ExactlyOneVoltIsShownInVolts) {
    usePeakDetector();
    readout(1, "Level", "V");
    fillOneVoltPeak(*this);
    analyzer.DisplayFreq();
    EXPECT_EQ(r().LevelL, 1.0);
    EXPECT_EQ(r().MilliL, 0);
    EXPECT_EQ(r().ReadoutALdb, "0.");
    EXPECT_EQ(caption(1), "1. V");
}

TEST_F(Cycle, Point999VoltIsShownInMillivolts) {
    usePeakDetector();
    readout(1, "Level", "V");
    readout(2, "Level", "dBr");
    controls()["RefLevel"].setText(common::displayText(20 * std::log10(1 / 0.999)));
    fillOneVoltPeak(*this);
    analyzer.DisplayFreq();
    EXPECT_EQ(r().MilliL, 1);
    EXPECT_NEAR(r().LevelL, 999, 1e-9);
    EXPECT_EQ(caption(1), "999. mV");
    EXPECT_EQ(caption(2), "-0.01 dBr"); // a leading zero before the point
}

TEST_F(Cycle, ReferenceLevelDividesTheVoltReading) {
    fillTone(4410, 10000);
    analyzer.DisplayFreq();
    const double atZero = r().LevelL;
    controls()["RefLevel"].setText("6");
    analyzer.DisplayFreq();
    EXPECT_NEAR(r().LevelL, atZero / std::pow(10.0, 6.0 / 20), 1e-9);
    EXPECT_NEAR(r().LevelDbL, 20 * std::log10(atZero / 1000) - 6, 1e-9);
}

TEST_F(Cycle, RateOffsetRaisesEveryDbReadingByItsValue) {
    analyzer.setNarrowband(false);
    fillTone(1000, 10000);
    analyzer.DisplayFreq();
    const engine::Readings before = r();
    analyzer.setNarrowband(true);
    analyzer.DisplayFreq();
    const std::string narrowBefore = r().ReadoutALdb;

    settings().rateOffsets[3] = 6; // 44100 Hz
    analyzer.setNarrowband(false);
    analyzer.DisplayFreq();
    EXPECT_NEAR(r().LevelDbL, before.LevelDbL + 6, 1e-9);
    EXPECT_NEAR(r().LevelDbR, before.LevelDbR + 6, 1e-9);
    EXPECT_NEAR(r().LevelL / before.LevelL, std::pow(10.0, 0.3), 1e-9); // about 1.995
    analyzer.setNarrowband(true);
    analyzer.DisplayFreq();
    EXPECT_NEAR(common::leadingNumber(r().ReadoutALdb), common::leadingNumber(narrowBefore) + 6,
                0.0051);

    settings().rateOffsets[3] = 0;
    settings().rateOffsets[4] = 6; // another rate's offset does not apply
    analyzer.setNarrowband(false);
    analyzer.DisplayFreq();
    EXPECT_NEAR(r().LevelDbL, before.LevelDbL, 1e-9);
}

TEST_F(Cycle, PowerIsTheSquaredLevelOverTheReferenceImpedance) {
    usePeakDetector();
    readout(3, "Power", "V");
    fillOneVoltPeak(*this);
    controls()["ZRef"].setText("4");
    analyzer.DisplayFreq();
    EXPECT_EQ(r().ReadoutPWRL, ".25");
    EXPECT_EQ(caption(3), ".25 W");
    EXPECT_EQ(unit(3), "W");
}

// THD is 50 times the harmonics' peaks (2nd to 15th) over the fundamental's.
TEST_F(Cycle, ThdIsFiftyTimesTheHarmonicsOverTheFundamental) {
    readout(4, "THD", "V");
    fillTone(1000, 16000, 500);
    analyzer.DisplayFreq();
    EXPECT_EQ(analyzer.harmonicsLeft().HarmCount, 15);
    EXPECT_GT(r().ThdL, 0); // the window's floor
    EXPECT_LT(r().ThdL, 0.01);
    EXPECT_EQ(caption(4), common::FormatSingle(r().ThdL, "###.###"));
    EXPECT_EQ(unit(4), "%");
    const double rate = settings().SampleRate;
    fill([&](int f) {
        const double t = (f - 500) / rate;
        const double v = 16000 * std::cos(2 * std::numbers::pi * 1000 * t) +
                         1600 * std::cos(2 * std::numbers::pi * 3000 * t);
        return std::pair{v, v};
    });
    analyzer.DisplayFreq();
    // 50 times a third harmonic at 10 %, give or take how the two peaks fall
    // between bins: 5.06.
    EXPECT_NEAR(r().ThdL, 5.06, 0.02);
}

TEST_F(Cycle, NoHarmonicIsLocatedAboveBin4078) {
    fillTone(4080 * 44100.0 / 16384, 16000, 500);
    analyzer.DisplayFreq();
    EXPECT_EQ(analyzer.harmonicsLeft().HarmCount, 0);
    EXPECT_EQ(r().ThdL, 0.0f);
}

TEST_F(Cycle, NarrowbandReadsOnlyTheGeneratorFrequency) {
    analyzer.setNarrowband(true);
    EXPECT_TRUE(controls()["mnuNBdetect"].checked());
    fillTone(1000, 10000);
    analyzer.DisplayFreq();
    const double onFrequency = common::leadingNumber(r().ReadoutALdb);
    // The square-wave detector averages |sin| (2/pi) over frames 500..4595,
    // the 4096 recorded ones of the 7191 it reads, and divides by 7189.
    const double mean = 2 / std::numbers::pi * 10000 * 4096 / 7189;
    EXPECT_NEAR(onFrequency, 20 * std::log10(mean / (24024 * 0.68)), 0.05);
    fillTone(2000, 10000);
    analyzer.DisplayFreq();
    EXPECT_LT(common::leadingNumber(r().ReadoutALdb), onFrequency - 40);
    fillTone(1530, 10000);
    analyzer.DisplayFreq();
    EXPECT_LT(common::leadingNumber(r().ReadoutALdb), onFrequency - 25);
}

TEST_F(Cycle, NarrowbandIgnoresTheReferenceLevel) {
    analyzer.setNarrowband(true);
    fillTone(1000, 10000);
    analyzer.DisplayFreq();
    const std::string atZero = r().ReadoutALdb;
    controls()["RefLevel"].setText("6");
    analyzer.DisplayFreq();
    EXPECT_EQ(r().ReadoutALdb, atZero);
    analyzer.mnuNBdetect_Click();
    EXPECT_FALSE(analyzer.narrowband());
}

bool clean(const std::string& text) {
    return text.find("NaN") == std::string::npos && text.find("Inf") == std::string::npos;
}

TEST_F(Cycle, SilenceZeroImpedanceAndZeroReferenceNeverShowGarbage) {
    readout(1, "Level", "V");
    readout(2, "Level", "dBr", 1);
    readout(3, "Power", "W");
    readout(4, "THD", "%");
    readout(5, "Frequency", "Hz");
    fillTone(1000, 10000);
    analyzer.DisplayFreq();
    const std::string power = r().ReadoutPWRL;
    const double db = r().LevelDbL;

    fillSilence();
    controls()["ZRef"].setText("0");
    controls()["RefLevel"].setText("-7000"); // the reference factor underflows to 0
    analyzer.DisplayFreq();
    EXPECT_EQ(settings().refFactorLeft, 0.0);
    EXPECT_EQ(r().ReadoutPWRL, power); // division by zero: unchanged
    EXPECT_EQ(r().LevelDbL, db);       // log of zero: unchanged
    for (int slot = 1; slot <= 5; ++slot)
        EXPECT_TRUE(clean(caption(slot))) << caption(slot);

    analyzer.setNarrowband(true);
    controls()["GenFreq1"].setText("0");
    analyzer.DisplayFreq();
    EXPECT_EQ(r().ReadoutALdb, "-240.00");
    for (int slot = 1; slot <= 5; ++slot)
        EXPECT_TRUE(clean(caption(slot))) << caption(slot);
}

TEST_F(Cycle, NoSignalShowsBesideTheReadoutsWhileAChannelIsSilent) {
    panel::Control& indication = controls()["NoSignal"];
    auto shown = [&] { return indication.visible() ? indication.caption() : std::string(); };
    struct Case {
        const char* what;
        std::function<std::pair<double, double>(int)> sample;
        const char* shows;
    };
    const auto tone = [](double amplitude) {
        return [amplitude](int f) {
            return std::cos(2 * std::numbers::pi * 1000 * f / 44100) * amplitude;
        };
    };
    const Case cases[] = {
        {"a tone",
         [&](int f) {
             return std::pair{tone(10000)(f), tone(10000)(f)};
         },
         ""},
        {"a tone at -90 dBFS",
         [&](int f) {
             return std::pair{tone(1.1)(f), tone(1.1)(f)};
         },
         ""},
        {"zeros",
         [](int) {
             return std::pair{0.0, 0.0};
         },
         "NO SIGNAL"},
        {"DC only",
         [](int) {
             return std::pair{5000.0, -300.0};
         },
         "NO SIGNAL"},
        {"a stray bit",
         [](int f) {
             return std::pair{f == 2000 ? 1.0 : 0.0, 0.0};
         },
         "NO SIGNAL"},
        {"right silent",
         [&](int f) {
             return std::pair{tone(10000)(f), 0.0};
         },
         "NO SIGNAL R"},
        {"left silent",
         [&](int f) {
             return std::pair{0.0, tone(10000)(f)};
         },
         "NO SIGNAL L"},
    };
    for (const Case& c : cases) {
        fill(c.sample);
        analyzer.DisplayFreq();
        EXPECT_EQ(shown(), c.shows) << c.what;
    }
    analyzer.DoStop();
    EXPECT_EQ(shown(), "") << "no capture, no indication";
}

} // namespace

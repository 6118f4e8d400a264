#include "panel_fixture.h"

namespace {

TEST_F(PanelTest, Update2ForcesAnalysisSizeAndGeneratorLevels) {
    auto p = start();
    auto& c = p->controls();
    p->updating = true; // the size handler still runs while the program writes
    c["SampleSize"].setText("8192");
    EXPECT_GE(hooks.count("Gen_Off_Click"), 1);
    EXPECT_EQ(c["SampleSize"].text(), "16384");
    EXPECT_EQ(p->settings.SampleSize, 16384);
    p->updating = false;

    c["SampleSize"].setText("32768 points");
    EXPECT_EQ(p->settings.SampleSize, 32768);
    EXPECT_EQ(p->settings.FftBits, 15);
    EXPECT_EQ(c["SampleSize"].text(), "32768");

    c["LeftGenLevel"].setText("3");
    c["RightGenLevel"].setText("-12.5dB");
    c["GenFreq1"].setText("fast");
    p->Update2();
    EXPECT_EQ(p->settings.LeftGenLevel, 0);
    EXPECT_EQ(c["LeftGenLevel"].text(), "0");
    EXPECT_EQ(p->settings.RightGenLevel, -12.5);
    EXPECT_EQ(c["RightGenLevel"].text(), "-12.5dB");
    EXPECT_EQ(p->settings.GenFreq1, 0);

    c["RefLevel"].setText("6");
    c["SweepStepCount"].setText("99999"); // does not fit: keeps the last count
    p->Update2();
    EXPECT_DOUBLE_EQ(p->settings.refFactorRight, std::pow(10.0, 0.3));
    EXPECT_EQ(p->settings.stepCount, 20);
    EXPECT_EQ(p->settings.stepCountText, "99999");
}

struct UnitCase {
    const char* mode;
    const char* unitBefore;
    const char* unitAfter;
};

class ReadoutUnits : public PanelTest, public ::testing::WithParamInterface<UnitCase> {};

TEST_P(ReadoutUnits, ModeDecidesTheUnit) {
    auto p = start();
    auto& c = p->controls();
    c["Readoutmd3"].setText(GetParam().mode);
    c["Readoutun3"].setText(GetParam().unitBefore);
    p->Update2();
    EXPECT_EQ(c["Readoutun3"].text(), GetParam().unitAfter);
    EXPECT_EQ(p->settings.readouts[2].unit, GetParam().unitAfter);
    EXPECT_EQ(p->settings.readouts[2].mode, GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(
    Panel, ReadoutUnits,
    ::testing::Values(UnitCase{"THD", "V", "%"}, UnitCase{"Level", "W", "V"},
                      UnitCase{"Level", "dBr", "dBr"}, UnitCase{"Level A-wt", "Hz", "V"},
                      UnitCase{"Power", "dBr", "W"}, UnitCase{"IHF IMD", "V", "%"},
                      UnitCase{"CCIF IMD", "dBr", "%"}, UnitCase{"Frequency", "V", "Hz"},
                      // the precision modes and units
                      UnitCase{"Level", "dBFS", "dBFS"}, UnitCase{"Level A-wt", "dBu", "dBu"},
                      UnitCase{"Level", "dBV", "dBV"}, UnitCase{"THD+N", "V", "%"},
                      UnitCase{"THD+N", "dB", "dB"}, UnitCase{"THD (RSS)", "Hz", "%"},
                      UnitCase{"SINAD", "%", "dB"}, UnitCase{"H2", "V", "dB"},
                      UnitCase{"SNR", "dBr", "dB"}, UnitCase{"Phase L-R", "V", "deg"},
                      UnitCase{"Freq (fine)", "dB", "Hz"}));

TEST_F(PanelTest, TheThdnBandIsKeptInTheFirstReservedInteger) {
    auto p = start();
    auto& c = p->controls();
    c["ThdnBand"].setText("20 Hz - 80 kHz");
    p->Update2();
    EXPECT_TRUE(panel::wideThdnBand(p->settings));
    c["ThdnBand"].setText("20 Hz - 20 kHz");
    p->Update2();
    EXPECT_EQ(p->settings.reservedInts[0], 0);
    // Another value, from a file, stays as it was until the band is chosen.
    p->settings.reservedInts[0] = 7;
    p->Update1();
    p->Update2();
    EXPECT_EQ(c["ThdnBand"].text(), "20 Hz - 20 kHz");
    EXPECT_EQ(p->settings.reservedInts[0], 7);
}

TEST_F(PanelTest, ChannelAndStepChecksFollowTheirRules) {
    auto p = start();
    auto& c = p->controls();
    c["RightGraphCheck"].setChecked(false);
    p->Update2();
    EXPECT_EQ(p->settings.channelSelect, 0);
    c["LeftGraphCheck"].setChecked(false);
    p->Update2();
    EXPECT_EQ(p->settings.channelSelect, 0); // both cleared: keeps its last value
    c["RightGraphCheck"].setChecked(true);
    p->Update2();
    EXPECT_EQ(p->settings.channelSelect, 1);

    c["EvenStepCheck"].setChecked(true); // the last ticked wins
    p->Update2();
    EXPECT_EQ(p->settings.stepMode, 1);

    p->sweepData.predefCount = 3;
    p->sweepData.predefFreq[1] = 31.5;
    p->sweepData.predefFreq[3] = 16000;
    c["PredefStepCheck"].setChecked(true);
    p->Update2();
    EXPECT_EQ(p->settings.stepMode, 2);
    EXPECT_EQ(c["SweepStartFreq"].text(), "31.5");
    EXPECT_EQ(c["SweepStopFreq"].text(), "16000");
    EXPECT_EQ(c["SweepStepCount"].text(), "3");

    c["LminusR_gen_option"].setChecked(true);
    c["avetext"].setText("-4");
    p->Update2();
    EXPECT_EQ(p->settings.genRouting, 3);
    EXPECT_EQ(p->settings.saAverageCount, 1);
}

TEST_F(PanelTest, Update2RedrawsTheScaleOnlyWhenNotAppendingAndGeneratorOff) {
    auto p = start();
    hooks.calls.clear();
    p->Update2();
    EXPECT_EQ(hooks.count("scaleme"), 1);
    p->settings.graphMode = panel::GraphMode::Spectrum;
    p->Update2();
    EXPECT_EQ(hooks.count("scaleme2"), 1);
    p->settings.genOn = 1;
    p->Update2();
    EXPECT_EQ(hooks.count("scaleme2"), 1);
    p->settings.genOn = 0;
    p->controls()["GraphOverCheck"].setChecked(true);
    p->Update2();
    EXPECT_EQ(hooks.count("scaleme2"), 1);

    EXPECT_EQ(hooks.count("graphdata"), 0);
    p->sweepData.pointCount = 2;
    p->Update2();
    EXPECT_EQ(hooks.count("graphdata"), 1);
    p->settings.graphMode = panel::GraphMode::Scope;
    p->Update2();
    EXPECT_EQ(hooks.count("graphdata"), 1);

    p->controls()["UseReverseCal"].setChecked(true);
    p->Update2();
    EXPECT_EQ(hooks.count("loadReverseCal"), 1);
}

TEST_F(PanelTest, Update1ForcesScopeValuesIntoRange) {
    auto p = start();
    auto& s = p->settings;
    s.graphMode = panel::GraphMode::Scope;
    s.scopeManual = 1;
    s.scopeTimebase = 0;
    s.scopeLockGains = 1;
    s.scopeGainLeft = 5000;
    s.scopeGainRight = 7;
    p->Update1();
    auto& c = p->controls();
    EXPECT_TRUE(c["ScopeFrame"].visible());
    EXPECT_EQ(s.scopeTimebase, 50);
    EXPECT_EQ(c["TimebaseScroll"].value(), 50);
    EXPECT_EQ(s.scopeGainLeft, 1);
    EXPECT_EQ(s.scopeGainRight, 1); // locked to the left gain, which was out of range
    EXPECT_EQ(c["RgainReadout"].caption(), "1");
    EXPECT_TRUE(c["LockCheck"].checked());
    EXPECT_EQ(c["sweepview"].text(), "    Oscilloscope Mode");
}

} // namespace

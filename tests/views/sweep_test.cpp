// The sweep's state machine driven block by block as the measurement cycle
// drives it, with a driver that records what the sweep asks of the
// generator and capture and answers readings from a function of frequency.

#include "editor/table_file.h"
#include "views_fixture.h"

#include <cmath>

namespace views {
namespace {

class SweepTest : public ViewsTest {
protected:
    void setSweep(double startHz, double stopHz, int steps,
                  const char* stepBox = "OctaveStepCheck") {
        control("SweepStartFreq").setText(common::displayText(startHz));
        control("SweepStopFreq").setText(common::displayText(stopHz));
        control("SweepStepCount").setText(std::to_string(steps));
        control(stepBox).click();
        if (!control(stepBox).checked()) control(stepBox).click();
    }

    // One measurement cycle as the analyzer runs it.
    void cycle() {
        ++driver.block;
        sweep.beforeMeasurement();
        panel.Update2();
        if (sweep.running()) sweep.afterHarmonics();
        if (sweep.running()) sweep.afterLevels();
        sweep.afterMeasurement();
    }

    // START, then cycles while capture runs; returns the blocks analysed.
    int run(int maxBlocks = 5000) {
        control("SweepStart").click();
        int blocks = 0;
        while (driver.capture && blocks < maxBlocks) {
            cycle();
            ++blocks;
        }
        return blocks;
    }

    void writeTable(const char* name, std::vector<std::vector<double>> columns) {
        editor::TableFile t;
        t.cols = static_cast<std::int16_t>(columns.size());
        t.rows = static_cast<std::int16_t>(columns.empty() ? 0 : columns[0].size());
        for (std::size_t c = 0; c < columns.size(); ++c)
            for (std::size_t r = 0; r < columns[c].size(); ++r)
                t.cells[c + 1][r + 1] = common::displayText(columns[c][r]);
        editor::writeTableFile(file(name), t, false);
    }
};

struct GridCase {
    const char* stepBox;
    std::vector<double> freqs;
};

class StepGrid : public SweepTest, public testing::WithParamInterface<GridCase> {};

TEST_P(StepGrid, PointsFromStartToStop) {
    setSweep(20, 20000, 10, GetParam().stepBox);
    run();
    const std::vector<double>& expected = GetParam().freqs;
    ASSERT_EQ(data().pointCount, static_cast<int>(expected.size()));
    for (std::size_t k = 1; k <= expected.size(); ++k)
        EXPECT_NEAR(data().freq[k], expected[k - 1], 1e-9) << k;
    EXPECT_EQ(sweep.sweepState, 0);
    EXPECT_EQ(driver.genOns, 1);
    EXPECT_EQ(control("GenFreq1").text(), "20000");
}

// Octave steps are quadratic in the point number; even steps reach the stop
// on point N + 1.
INSTANTIATE_TEST_SUITE_P(Modes, StepGrid,
                         testing::Values(GridCase{"OctaveStepCheck",
                                                  {20, 464, 1352, 2684, 4460, 6680, 9344, 12452,
                                                   16004, 20000}},
                                         GridCase{"EvenStepCheck",
                                                  {20, 2018, 4016, 6014, 8012, 10010, 12008, 14006,
                                                   16004, 18002, 20000}}));

struct SettleCase {
    int settleMode;
    double startHz;
    std::vector<int> blocksPerPoint; // points 1, 2, 3
};

class SettleBlocks : public SweepTest, public testing::WithParamInterface<SettleCase> {};

TEST_P(SettleBlocks, FirstPointWaitsTenBlocksLaterOnesBySettleMode) {
    const SettleCase& c = GetParam();
    panel.settings.settleMode = static_cast<std::int16_t>(c.settleMode);
    setSweep(c.startHz, 20000, 20);
    run();
    ASSERT_GE(driver.playedAtBlock.size(), c.blocksPerPoint.size() + 1);
    for (std::size_t i = 0; i < c.blocksPerPoint.size(); ++i)
        EXPECT_EQ(driver.playedAtBlock[i + 1] - driver.playedAtBlock[i], c.blocksPerPoint[i])
            << "point " << i + 1 << " at " << driver.played[i] << " Hz";
}

INSTANTIATE_TEST_SUITE_P(Modes, SettleBlocks,
                         testing::Values(SettleCase{0, 20, {10, 4, 4}},
                                         SettleCase{1, 20, {10, 5, 5}},
                                         SettleCase{2, 20, {10, 7, 7}},
                                         // 20, 69.9, 219.7 Hz: slow below 200 Hz
                                         SettleCase{3, 20, {10, 7, 4}},
                                         SettleCase{3, 1000, {10, 4, 4}}));

TEST_F(SweepTest, EndsAfterTheLastPointSettlesAndStopsEverything) {
    setSweep(20, 20000, 5);
    const int blocks = run();
    EXPECT_EQ(sweep.sweepState, 0);
    EXPECT_FALSE(driver.capture);
    EXPECT_EQ(panel.settings.genOn, 0);
    EXPECT_EQ(control("plotLED").colour(), panel::colour::DarkCyan);
    EXPECT_EQ(control("GenOnLED").colour(), panel::colour::DarkCyan);
    // 10 + 3 x 4 blocks, then the last frequency waits 4 more and ends on the next.
    EXPECT_EQ(blocks, 10 + 3 * 4 + 5);
    // Every point is listed once.
    const std::string& view = control("sweepview").text();
    EXPECT_EQ(std::count(view.begin(), view.end(), '\n'), 5) << view;
    EXPECT_EQ(view.substr(0, 32), "1   20. Hz   L = -1.5   R = -4.\r");
}

TEST_F(SweepTest, StopEndsTheSweepAndKeepsThePoints) {
    setSweep(20, 20000, 10);
    control("SweepStart").click();
    for (int i = 0; i < 20; ++i)
        cycle();
    const int points = data().pointCount;
    ASSERT_GT(points, 2);
    control("SweepStop").click();
    EXPECT_EQ(sweep.sweepState, 0);
    EXPECT_FALSE(driver.capture);
    EXPECT_EQ(panel.settings.genOn, 0);
    EXPECT_EQ(data().pointCount, points);
    EXPECT_EQ(control("AutoResweep_cmd").caption(), "RPT");
}

struct RefusalCase {
    const char* stepBox;
    int steps;
    int predefRows;
};

class Refusals : public SweepTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, NoSweepStartsAndTheOldPointsStay) {
    const RefusalCase& c = GetParam();
    data().pointCount = 3;
    data().freq[3] = 777;
    data().predefCount = static_cast<std::int16_t>(c.predefRows);
    setSweep(20, 20000, c.steps, c.stepBox);
    control("SweepStart").click();
    ASSERT_EQ(dialogs.messageTexts().size(), 1u);
    EXPECT_FALSE(dialogs.messageTexts()[0].empty());
    EXPECT_EQ(sweep.sweepState, 0);
    EXPECT_EQ(driver.genOns, 0);
    EXPECT_EQ(data().pointCount, 3);
    EXPECT_EQ(data().freq[3], 777);
    EXPECT_EQ(control("plotLED").colour(), panel::colour::DarkCyan);
}

INSTANTIATE_TEST_SUITE_P(Settings, Refusals,
                         testing::Values(RefusalCase{"EvenStepCheck", 0, 0},
                                         RefusalCase{"EvenStepCheck", 200, 0},
                                         RefusalCase{"OctaveStepCheck", 1, 0},
                                         RefusalCase{"OctaveStepCheck", 201, 0},
                                         RefusalCase{"PredefStepCheck", 10, 0}));

TEST_F(SweepTest, LimitsOfTheSettingsStillSweep) {
    setSweep(20, 20000, 199, "EvenStepCheck");
    run();
    EXPECT_TRUE(dialogs.messageTexts().empty());
    EXPECT_EQ(data().pointCount, 200);
    EXPECT_EQ(data().freq[200], 20000);
}

TEST_F(SweepTest, ASweepThatWouldPassPoint200StopsThere) {
    setSweep(20, 20000, 200);
    control("SweepStart").click();
    cycle();
    control("SweepStepCount").setText("300"); // read again by the next cycle
    int blocks = 0;
    while (driver.capture && blocks++ < 5000)
        cycle();
    EXPECT_EQ(sweep.sweepState, 0);
    EXPECT_EQ(data().pointCount, 200);
    EXPECT_LT(data().freq[200], 20000);
}

struct StoreCase {
    bool reverseCal;
    bool separation;
    float left, right;
};

class StoredValues : public SweepTest, public testing::WithParamInterface<StoreCase> {};

TEST_P(StoredValues, LevelSeparationAndReverseCalibration) {
    const StoreCase& c = GetParam();
    // Corrections per point index: 0.5 dB left, -1 dB right at every row.
    writeTable("reversecal", {{20, 1000, 20000}, {0.5, 0.5, 0.5}, {-1, -1, -1}});
    control("UseReverseCal").setChecked(c.reverseCal);
    control("SweepMode").setText(c.separation ? "Separation vs Frequency" : "Level vs Frequency");
    setSweep(20, 20000, 3);
    run();
    ASSERT_EQ(data().pointCount, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_FLOAT_EQ(data().levelLeft[static_cast<std::size_t>(k)], c.left) << k;
        EXPECT_FLOAT_EQ(data().levelRight[static_cast<std::size_t>(k)], c.right) << k;
    }
}

// Readings L = -1.5, R = -4; corrections 0.5 and -1.
INSTANTIATE_TEST_SUITE_P(Table, StoredValues,
                         testing::Values(StoreCase{false, false, -1.5f, -4.0f},
                                         StoreCase{false, true, -2.5f, -2.5f},
                                         StoreCase{true, false, -2.0f, -3.0f},
                                         StoreCase{true, true, -1.0f, -1.0f}));

// A missing reverse calibration changes nothing and shows no message; a
// sweep that used it anyway, or that had points beyond its rows, says so
// among its shortcomings.
TEST_F(SweepTest, MissingReverseCalibrationChangesNothingButTheSweepNotesIt) {
    panel.reverseCal.revcalCount = 2;
    panel.reverseCal.revcalLeft[1] = 3;
    sweep.loadReverseCal();
    EXPECT_EQ(panel.reverseCal.revcalCount, 2);
    EXPECT_EQ(panel.reverseCal.revcalLeft[1], 3);
    control("UseReverseCal").setChecked(true);
    setSweep(20, 20000, 3);
    run();
    EXPECT_TRUE(dialogs.messageTexts().empty());
    EXPECT_EQ(sweep.shortcomings(),
              std::vector<std::string>{"no reverse calibration for sweep points 1 (20 Hz), 2 "
                                       "(6680 Hz), 3 (20000 Hz): C:\\QEX_ARV1files\\reversecal: "
                                       "File not found"});

    writeTable("reversecal", {{100}, {1.25}, {-2}});
    run();
    EXPECT_EQ(sweep.shortcomings().back(),
              "no reverse calibration for sweep points 2 (6680 Hz), 3 (20000 Hz): "
              "C:\\QEX_ARV1files\\reversecal has 1 row");
}

TEST_F(SweepTest, ThdSweepStoresEachSettledStepAndEndsOnItsLastPoint) {
    driver.thdOf = [](double f) { return f / 10000; };
    control("SweepMode").setText("THD vs Frequency");
    sweep.AutoResweep_cmd_Click(); // a THD sweep is never repeated
    setSweep(20, 20000, 5);
    const int blocks = run();
    ASSERT_EQ(data().pointCount, 5);
    EXPECT_EQ(driver.thdSteps, 5);
    // The last point ends the sweep as soon as its THD is in: 10 + 3 x 4 + 4.
    EXPECT_EQ(blocks, 10 + 3 * 4 + 4);
    for (int k = 1; k <= 5; ++k) {
        const auto i = static_cast<std::size_t>(k);
        EXPECT_FLOAT_EQ(data().thdLeft[i], static_cast<float>(data().freq[i] / 10000)) << k;
    }
    const std::string& view = control("sweepview").text();
    EXPECT_EQ(std::count(view.begin(), view.end(), '\n'), 5) << view;
    EXPECT_NE(view.find("5   20000. Hz   L = 2.   R = 2.\r\n"), std::string::npos) << view;
    loop.runFor(100);
    EXPECT_EQ(sweep.sweepState, 0);
    EXPECT_EQ(driver.genOns, 1);
}

TEST_F(SweepTest, AutoResweepStartsTheNextLevelSweepAndCountsIt) {
    control("AutoResweep_cmd").click();
    EXPECT_EQ(control("AutoResweep_cmd").colour(), panel::colour::Green);
    setSweep(20, 20000, 3);
    run();
    EXPECT_EQ(control("AutoResweep_cmd").caption(), "1");
    loop.runFor(10); // the next sweep starts once the capture loop has unwound
    EXPECT_EQ(sweep.sweepState, 1);
    EXPECT_EQ(driver.genOns, 2);
    EXPECT_EQ(control("plotLED").colour(), panel::colour::Green);
    control("SweepStop").click();
    EXPECT_EQ(control("AutoResweep_cmd").caption(), "RPT");
    control("AutoResweep_cmd").click();
    EXPECT_EQ(control("AutoResweep_cmd").colour(), kButtonFaceColour);
}

TEST_F(SweepTest, PredefinedPointsSetFrequencyAndLevelsPerPoint) {
    writeTable("points.dfu", {{100, 1000, 5000}, {-1, -2, -3}, {-4, -5, -6}});
    dialogs.queueFile(file("points.dfu"));
    sweep.Browse_Predef_Click();
    EXPECT_EQ(control("PredefStepFile").text(), file("points.dfu"));
    ASSERT_EQ(data().predefCount, 3);
    setSweep(20, 20000, 10, "PredefStepCheck");
    run();
    ASSERT_EQ(data().pointCount, 3);
    EXPECT_EQ(control("SweepStartFreq").text(), "100");
    EXPECT_EQ(control("SweepStopFreq").text(), "5000");
    EXPECT_EQ(control("SweepStepCount").text(), "3");
    ASSERT_GE(driver.played.size(), 3u);
    EXPECT_EQ(driver.played, (std::vector<double>{100, 1000, 5000}));
    EXPECT_EQ(driver.playedLeftLevel, (std::vector<double>{-1, -2, -3}));
    EXPECT_EQ(control("RightGenLevel").text(), "-6");
}

TEST_F(SweepTest, UnreadablePredefinedFileIsReportedAndChangesNothing) {
    data().predefCount = 2;
    const std::string bad = file("bad.dfu");
    platform::writeFileAtomic(bad, "300\r\n3\r\n");
    dialogs.queueFile(bad);
    sweep.Browse_Predef_Click();
    ASSERT_EQ(dialogs.messageTexts().size(), 1u);
    EXPECT_NE(dialogs.messageTexts()[0].find("bad.dfu"), std::string::npos);
    EXPECT_EQ(data().predefCount, 2);
    dialogs.queueCancel();
    sweep.Browse_Predef_Click();
    EXPECT_EQ(dialogs.messageTexts().size(), 1u);
}

TEST_F(SweepTest, RateFollowingSwitchesByFrequency) {
    panel.settings.bestFitSampleRate = 1;
    setSweep(20, 20000, 10);
    control("SweepStart").click();
    cycle(); // 20 Hz: 11025, then the step goes on and retunes
    EXPECT_EQ(driver.rates, (std::vector<std::int32_t>{11025}));
    EXPECT_EQ(driver.captureRestarts, 1);
    EXPECT_EQ(driver.played.size(), 1u);
    EXPECT_FALSE(sweep.rateSwitching);
    int blocks = 0;
    while (driver.capture && blocks++ < 5000)
        cycle();
    // 464 Hz and up: 44100; never 22050 on this grid.
    EXPECT_EQ(driver.rates, (std::vector<std::int32_t>{11025, 44100}));
}

TEST_F(SweepTest, RateFollowingTo22050WaitsForTheNextStepToRetune) {
    panel.settings.bestFitSampleRate = 1;
    setSweep(100, 20000, 10);
    control("SweepStart").click();
    cycle();
    EXPECT_EQ(driver.rates, (std::vector<std::int32_t>{22050}));
    EXPECT_TRUE(driver.played.empty());
    EXPECT_TRUE(sweep.rateSwitching);
    sweep.captureStarted(); // the capture at the new rate starts
    cycle();
    EXPECT_EQ(driver.played, (std::vector<double>{100}));
    EXPECT_FALSE(sweep.rateSwitching);
}

} // namespace
} // namespace views

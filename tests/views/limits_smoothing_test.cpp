// The limit curve, the limit check and PFLED, the point plotter and the
// Savitzky-Golay smoothing.

#include "views/limits.h"
#include "views/smoothing.h"
#include "views_fixture.h"

#include <cmath>

namespace views {
namespace {

common::LimitTable band(std::vector<double> freqs, float lower, float upper) {
    common::LimitTable t;
    t.limitCount = static_cast<std::int16_t>(freqs.size());
    for (std::size_t i = 0; i < freqs.size(); ++i) {
        t.limitFreq[i + 1] = freqs[i];
        t.limitLower[i + 1] = lower;
        t.limitUpper[i + 1] = upper;
    }
    return t;
}

TEST(LimitCheck, PointsOnALimitPassAndRowsAreMatchedByIndex) {
    const common::LimitTable t = band({100, 1000}, -1, 1);
    EXPECT_FALSE(judgePoint(t, 1, -1, 1).fails());      // on the limits
    EXPECT_TRUE(judgePoint(t, 1, -1.01f, 0).leftFails); // below
    EXPECT_TRUE(judgePoint(t, 2, 0, 1.01f).rightFails); // above, the right alone
    EXPECT_FALSE(judgePoint(t, 2, 0, 1.01f).leftFails);
    EXPECT_FALSE(judgePoint(t, 3, 50, 50).judged); // beyond limitCount
    EXPECT_FALSE(judgePoint(t, 0, 50, 50).judged);
}

TEST(LimitCurve, LevelLimitsClampToTheScaleAndAThdLimitOfZeroKeepsThePreviousY) {
    RecordingSurface s;
    LimitCurveGeometry g;
    g.scales.scaleTopDrawn = 10;
    g.scales.scaleSpan = 20;
    PlotX plotX{};
    SegmentY segY{};
    // Lower -5 dB: y = 400 * (10 + 5) / 20 = 300; upper +15 dB is above the top.
    drawLimitCurve(s, band({100, 1000, 10000}, -5, 15), g, plotX, segY);
    auto lines = linesIn(s, kLimitColour);
    ASSERT_EQ(lines.size(), 4u); // two segments, lower and upper
    EXPECT_DOUBLE_EQ(lines[0].xa, 6000);
    EXPECT_DOUBLE_EQ(lines[0].xb, 12000);
    EXPECT_NEAR(lines[0].ya, 300, 1e-3);
    EXPECT_NEAR(lines[1].ya, 0, 1e-9); // clamped
    EXPECT_DOUBLE_EQ(lines[3].xb, 18000);

    s.clear();
    g.thdSweep = true;
    common::LimitTable t = band({100, 1000, 10000}, 0.1f, 10);
    t.limitLower[3] = 0;
    plotX = {};
    segY = {};
    drawLimitCurve(s, t, g, plotX, segY);
    lines = linesIn(s, kLimitColour);
    ASSERT_EQ(lines.size(), 4u);
    // 0.1 % at (2 + 1) * 66.6, 10 % at 66.6.
    EXPECT_NEAR(lines[0].ya, 199.8, 1e-3);
    EXPECT_NEAR(lines[1].yb, 66.6, 1e-3);
    // The segment to the 0 % row is drawn with the y values of the one before.
    EXPECT_NEAR(lines[2].ya, 199.8, 1e-3);
    EXPECT_NEAR(lines[2].yb, 199.8, 1e-3);
    EXPECT_DOUBLE_EQ(lines[2].xb, 18000);
}

// A sweep plot on a 10..-10 dB scale.
class PlotAndJudge : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        panel.settings.SweepScaleTop = 10;
        panel.settings.SweepScaleBtm = -10;
        graph.scaleme();
    }
    void points(std::vector<std::pair<double, float>> fl) {
        common::SweepData& d = panel.sweepData;
        d.pointCount = static_cast<std::int16_t>(fl.size());
        for (std::size_t i = 0; i < fl.size(); ++i) {
            d.freq[i + 1] = fl[i].first;
            d.levelLeft[i + 1] = fl[i].second;
            d.levelRight[i + 1] = fl[i].second - 5;
            d.thdLeft[i + 1] = fl[i].second;
            d.thdRight[i + 1] = fl[i].second;
        }
    }
};

TEST_F(PlotAndJudge, GraphdataDrawsTheSelectedChannels) {
    points({{100, 0}, {1000, -5}, {10000, 20}});
    sweep.graphdata();
    auto left = linesIn(box(), colours::LeftTrace);
    auto right = linesIn(box(), colours::RightTrace);
    ASSERT_EQ(left.size(), 2u);
    ASSERT_EQ(right.size(), 2u);
    EXPECT_NEAR(left[0].ya, 200, 1e-3); // 0 dB on a 10..-10 scale
    EXPECT_NEAR(left[0].yb, 300, 1e-3);
    EXPECT_NEAR(left[1].yb, 0, 1e-9);    // above the top: clamped
    EXPECT_NEAR(right[0].yb, 400, 1e-9); // -10 dB, the bottom
    box().clear();
    panel.settings.channelSelect = 1;
    graph.exportRendering = true;
    sweep.graphdata();
    EXPECT_TRUE(linesIn(box(), colours::LeftTrace).empty());
    EXPECT_EQ(linesIn(box(), colours::Export).size(), 2u);
    // Nothing in the other views.
    box().clear();
    panel.settings.graphMode = panel::GraphMode::Scope;
    sweep.graphdata();
    EXPECT_TRUE(box().shownLines().empty());
}

TEST_F(PlotAndJudge, ThdPointOfZeroHasNoSegments) {
    panel.settings.thdSweep = 1;
    points({{100, 1}, {1000, 0}, {2000, 0.1f}, {10000, 10}});
    sweep.graphdata();
    const auto left = linesIn(box(), colours::LeftTrace);
    ASSERT_EQ(left.size(), 1u); // only 2000 Hz to 10 kHz
    EXPECT_NEAR(left[0].ya, 199.8, 1e-3);
    EXPECT_NEAR(left[0].yb, 66.6, 1e-3);
}

TEST_F(PlotAndJudge, PfledTurnsRedAndStaysRedUntilClear) {
    panel.limits = band({100, 1000, 10000}, -1, 1);
    panel.settings.limitCurveOn = 1;
    // The check: stored points judged one by one as the sweep stores them.
    sweep.sweepState = 1;
    sweep.blockCount = 4;
    sweep.settleBlocks = 4;
    auto judgeAt = [&](int k, float level) {
        panel.sweepData.pointCount = static_cast<std::int16_t>(k);
        panel.sweepData.levelLeft[static_cast<std::size_t>(k)] = level;
        panel.sweepData.levelRight[static_cast<std::size_t>(k)] = 0;
        sweep.judgeStoredPoint();
    };
    panel::Control& led = panel.controls()["PFLED"];
    judgeAt(1, 1.0f);
    EXPECT_EQ(led.colour(), panel::colour::DarkCyan);
    judgeAt(2, -1.5f);
    EXPECT_EQ(led.colour(), panel::colour::Red);
    judgeAt(3, 0);
    EXPECT_EQ(led.colour(), panel::colour::Red);
    graph.Clear_graph_Click();
    EXPECT_EQ(led.colour(), panel::colour::DarkCyan);
    judgeAt(4, 50); // beyond the limit rows
    EXPECT_EQ(led.colour(), panel::colour::DarkCyan);
}

// --- Smoothing ---

TEST(SavGolTable, EveryColumnSumsToItsDivisorAndCancelsTheSecondMoment) {
    const SavGolTable t = makeSavGolTable();
    for (int c = 0; c <= 10; ++c) {
        const auto& col = t[static_cast<std::size_t>(c)];
        const int p = c + 2;
        long sum = col[1], moment = 0;
        for (int j = 1; j <= p; ++j) {
            sum += 2L * col[static_cast<std::size_t>(j + 1)];
            moment += 2L * j * j * col[static_cast<std::size_t>(j + 1)];
        }
        EXPECT_EQ(sum, col[0]) << "column " << c;
        EXPECT_EQ(moment, 0) << "column " << c;
    }
    EXPECT_EQ(t[3][0], 429);
    EXPECT_EQ(t[3][1], 89);
    EXPECT_EQ(t[3][6], -36);
}

TEST(SavGolSmooth, CubicsKeepTheirValuesEndsAndShortCurvesAreUntouched) {
    const SavGolTable t = makeSavGolTable();
    std::vector<float> v(31);
    for (int i = 1; i <= 30; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<float>(0.01 * i * i * i - 0.3 * i * i + 2);
    v[1] = 100; // an end point is never smoothed
    std::vector<double> s;
    SavGolSmooth(v.data(), 30, 5, t, s);
    for (int i = 7; i <= 25; ++i)
        EXPECT_NEAR(s[static_cast<std::size_t>(i)], v[static_cast<std::size_t>(i)], 1e-4) << i;
    EXPECT_EQ(s[1], 100);
    EXPECT_EQ(s[30], v[30]);

    // Curves of fewer than eleven points stay as they are.
    const std::vector<float> shortCurve = {0, 1, 9, 2, 8, 3, 7, 4, 6, 5, 0};
    SavGolSmooth(shortCurve.data(), 10, 5, t, s);
    for (int i = 1; i <= 10; ++i)
        EXPECT_EQ(s[static_cast<std::size_t>(i)], shortCurve[static_cast<std::size_t>(i)]);
}

TEST_F(PlotAndJudge, SmoothCommandSmoothsTheShownCurvesAgainAtEachPress) {
    std::vector<std::pair<double, float>> fl;
    for (int i = 1; i <= 31; ++i)
        fl.push_back({100.0 * i, i == 11 ? 4.29f : 0.0f});
    points(fl);
    panel.controls()["SweepSmooth"].click();
    const common::SweepData& d = panel.sweepData;
    EXPECT_NEAR(d.levelLeft[11], 0.89, 1e-6);
    EXPECT_NEAR(d.levelLeft[12], 0.84, 1e-6);
    EXPECT_NEAR(d.levelRight[12], -5 + 0.84, 1e-5);
    EXPECT_EQ(d.levelLeft[17], 0); // six places away: untouched
    panel.controls()["SweepSmooth"].click();
    // Smoothed again: the spread now reaches six places.
    EXPECT_NEAR(d.levelLeft[17], (-36 * 0.84 + 9 * 0.69 + 44 * 0.44 + 69 * 0.09 + 84 * -0.36) / 429,
                1e-6);
    EXPECT_FALSE(linesIn(box(), colours::LeftTrace).empty());

    // One channel shown: only the left curve is smoothed.
    points(fl);
    panel.settings.channelSelect = 1;
    panel.controls()["SweepSmooth"].click();
    EXPECT_NEAR(d.levelLeft[11], 0.89, 1e-6);
    EXPECT_EQ(d.levelRight[11], 4.29f - 5);

    // Not in the spectrum view.
    points(fl);
    panel.settings.graphMode = panel::GraphMode::Spectrum;
    panel.controls()["SweepSmooth"].click();
    EXPECT_EQ(d.levelLeft[11], 4.29f);
}

} // namespace
} // namespace views

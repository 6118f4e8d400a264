#include "views/recording_surface.h"
#include "views/scales.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace views {
namespace {

std::vector<DrawOp> verticalGridLines(const RecordingSurface& s) {
    std::vector<DrawOp> lines;
    for (const DrawOp& op : s.shownLines())
        if (op.xa == op.xb && op.ya == 0 && op.yb == 400) lines.push_back(op);
    return lines;
}

std::vector<std::pair<double, std::string>> labelsAtX(const RecordingSurface& s, double x) {
    std::vector<std::pair<double, std::string>> labels;
    for (const DrawOp& op : s.shownTexts())
        if (op.xa == x) labels.emplace_back(op.ya, op.text);
    return labels;
}

std::vector<std::pair<double, std::string>> labelsAtY(const RecordingSurface& s, double y) {
    std::vector<std::pair<double, std::string>> labels;
    for (const DrawOp& op : s.shownTexts())
        if (op.ya == y) labels.emplace_back(op.xa, op.text);
    return labels;
}

struct AxisCase {
    double frequency;
    double x;
};

class LogAxis : public testing::TestWithParam<AxisCase> {};

TEST_P(LogAxis, MapsFrequencyByDecades) {
    double x = -12345;
    logFrequencyX(GetParam().frequency, x);
    EXPECT_EQ(x, GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(Figures, LogAxis,
                         testing::Values(AxisCase{10, 1}, AxisCase{100, 6000},
                                         AxisCase{1000, 12000}, AxisCase{10000, 18000},
                                         AxisCase{20000, 19806}, AxisCase{1, -6000},
                                         // 10.5 Hz: the second row overrides the first
                                         AxisCase{10.5, std::floor(2606 * std::log(1.05)) + 1},
                                         // outside every row: x keeps its value
                                         AxisCase{0.5, -12345}, AxisCase{20001, -12345}));

TEST(LinearAndLevelAxes, MapStartStopTopAndBottom) {
    EXPECT_DOUBLE_EQ(*linearFrequencyX(20, 20, 20000), 0);
    EXPECT_DOUBLE_EQ(*linearFrequencyX(20000, 20, 20000), 19800);
    EXPECT_FALSE(linearFrequencyX(500, 1000, 1000).has_value());
    EXPECT_DOUBLE_EQ(*levelY(10, 10, 80), 0);
    EXPECT_DOUBLE_EQ(*levelY(-70, 10, 80), 400);
    EXPECT_FALSE(levelY(0, 10, 0).has_value());
    EXPECT_DOUBLE_EQ(percentY(100), 0);
    EXPECT_NEAR(percentY(1), 133.2, 1e-9);
    EXPECT_NEAR(percentY(0.0001), 399.6, 1e-9);
}

TEST(SweepScale, LogGridAndLevelLabelsFromTopDownToBottom) {
    RecordingSurface s;
    ScaleState state;
    SweepScaleOptions o;
    o.scaleTop = 10;
    o.scaleBottom = -70;
    o.startHz = 20;
    o.stopHz = 20000;
    const AxisCaptions captions = drawSweepScale(s, o, state);
    const auto lines = verticalGridLines(s);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines.front().xa, 1); // 10 Hz
    EXPECT_EQ(lines.front().width, 2);
    EXPECT_EQ(lines.back().xa, 19806); // 20 kHz
    EXPECT_EQ(lines.back().width, 2);
    EXPECT_EQ(lines[20].xa, 12000); // 1 kHz
    EXPECT_EQ(lines[20].width, 1);
    EXPECT_EQ(lines[21].xa, std::floor(2606 * std::log(2.0)) + 12000);
    for (const DrawOp& op : lines)
        EXPECT_EQ(op.colour, colours::GridNormal);

    const std::vector<std::pair<double, std::string>> expected = {
        {-15, "10"},  {35, "0"},    {85, "-10"},  {135, "-20"}, {185, "-30"},
        {235, "-40"}, {285, "-50"}, {335, "-60"}, {385, "-70"}};
    EXPECT_EQ(labelsAtX(s, -1400), expected);
    EXPECT_EQ(captions.Ylabel, "dBr");
    EXPECT_EQ(captions.Xlabel, "Hz");
    EXPECT_EQ(state.scaleTopDrawn, 10);
    EXPECT_EQ(state.scaleSpan, 80);
    const std::vector<std::pair<double, std::string>> freq = {
        {-100, "10"}, {5800, "100"}, {11800, "1000"}, {17800, "10000"}};
    EXPECT_EQ(labelsAtY(s, 405), freq);
    for (const DrawOp& op : s.shownTexts())
        EXPECT_EQ(op.colour, colours::Label);
    EXPECT_EQ(s.penColour(), colours::GridNormal);
    // 41 level lines, every fifth wide
    int wide = 0, narrow = 0;
    for (const DrawOp& op : s.shownLines())
        if (op.ya == op.yb && op.xa == 10 && op.xb == 19800) (op.width == 2 ? wide : narrow)++;
    EXPECT_EQ(wide, 9);
    EXPECT_EQ(narrow, 32);
}

TEST(SweepScale, LinearAxisAndPercentScale) {
    RecordingSurface s;
    ScaleState state;
    SweepScaleOptions o;
    o.linearAxis = true;
    o.thdSweep = true;
    o.startHz = 100.5; // rounds to 100 (halves to even)
    o.stopHz = 1100;
    o.grid = colours::GridHigh;
    const AxisCaptions captions = drawSweepScale(s, o, state);
    EXPECT_EQ(state.axisStartHz, 100);
    EXPECT_EQ(state.axisStopHz, 1100);
    const auto lines = verticalGridLines(s);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1].xa, 1980);
    EXPECT_EQ(lines[0].width, 2);
    EXPECT_EQ(lines[5].width, 1);
    EXPECT_EQ(lines[10].width, 2);
    EXPECT_EQ(lines[3].colour, colours::GridHigh);
    const auto freq = labelsAtY(s, 405);
    ASSERT_EQ(freq.size(), 11u);
    EXPECT_EQ(freq[0], (std::pair<double, std::string>{-400, "100"}));
    EXPECT_EQ(freq[3], (std::pair<double, std::string>{1980 * 3 - 400, "400"}));
    EXPECT_EQ(freq[10].second, "1100");
    const std::vector<std::pair<double, std::string>> percent = {
        {-15, "100"},  {51, "10"},     {117, "1"},     {183, "0.1"},
        {249, "0.01"}, {315, "0.001"}, {381, "0.0001"}};
    EXPECT_EQ(labelsAtX(s, -1400), percent);
    EXPECT_EQ(captions.Ylabel, "%");
    int percentLines = 0;
    for (const DrawOp& op : s.shownLines())
        if (op.ya == op.yb && op.xa == 10) ++percentLines;
    EXPECT_EQ(percentLines, 31);
}

TEST(SweepScale, AppendModeDrawsOverWhatIsThere) {
    RecordingSurface s;
    s.line(1, 2, 3, 4, colours::LeftTrace);
    ScaleState state;
    SweepScaleOptions o;
    o.appendMode = true;
    drawSweepScale(s, o, state);
    EXPECT_EQ(s.shownLines().front().colour, colours::LeftTrace);
    o.appendMode = false;
    drawSweepScale(s, o, state);
    EXPECT_NE(s.shownLines().front().colour, colours::LeftTrace);
}

TEST(SpectrumScale, LabelsFollowTheSampleRate) {
    for (auto [rate, expected] :
         {std::pair{22050, std::vector<std::string>{"5", "50", "500", "5000"}},
          std::pair{44100, std::vector<std::string>{"10", "100", "1000", "10000"}},
          std::pair{96000, std::vector<std::string>{"22", "218", "2177", "21769"}}}) {
        RecordingSurface s;
        ScaleState state;
        drawSpectrumScale(s, colours::GridNormal, rate, state);
        std::vector<std::string> texts;
        for (const auto& [x, text] : labelsAtY(s, 405))
            texts.push_back(text);
        EXPECT_EQ(texts, expected) << rate;
        EXPECT_EQ(state.scaleTopDrawn, 20);
        EXPECT_EQ(state.scaleSpan, 160);
        EXPECT_EQ(state.axisStartHz, 20);
        EXPECT_EQ(state.axisStopHz, 20000);
        const auto levels = labelsAtX(s, -1400);
        ASSERT_EQ(levels.size(), 9u);
        EXPECT_EQ(levels.front(), (std::pair<double, std::string>{-15, "20"}));
        EXPECT_EQ(levels.back(), (std::pair<double, std::string>{385, "-140"}));
        EXPECT_EQ(verticalGridLines(s).size(), 32u);
    }
}

TEST(ScopeGraticule, LinesAndTicks) {
    RecordingSurface s;
    s.setPenWidth(2);
    drawScopeGraticule(s, colours::GridHigh);
    const auto lines = s.shownLines();
    ASSERT_EQ(lines.size(), 440u);
    EXPECT_EQ(lines[0],
              (DrawOp{DrawOp::Kind::Line, -1500, 10, 22000, 10, colours::GridHigh, 2, {}}));
    EXPECT_EQ(lines[1],
              (DrawOp{DrawOp::Kind::Line, -300, -40, -300, 600, colours::GridHigh, 2, {}}));
    // 40 grid lines at pen width 2, then 400 ticks at width 1.
    EXPECT_EQ(lines[39].width, 2);
    EXPECT_EQ(lines[40].width, 1);
    EXPECT_EQ(lines[439].width, 1);
    EXPECT_EQ(s.penColour(), colours::Black);
}

} // namespace
} // namespace views

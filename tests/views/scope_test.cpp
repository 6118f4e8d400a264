#include "views/scope.h"
#include "views_fixture.h"

#include <cmath>
#include <numbers>

namespace views {
namespace {

constexpr int kGraticuleLines = 440;

std::vector<std::int32_t> sine(double frequency, double amplitude, double rate = 44100) {
    std::vector<std::int32_t> samples(kArray);
    for (std::size_t i = 0; i < 8192; ++i)
        samples[i] = static_cast<std::int32_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * i / rate)));
    return samples;
}

ScopeFrame frameOf(const std::vector<std::int32_t>& left, const std::vector<std::int32_t>& right,
                   double freqL, double freqR) {
    ScopeFrame f;
    f.left = left.data();
    f.right = right.data();
    f.length = kArray;
    f.freqL = freqL;
    f.freqR = freqR;
    return f;
}

struct Scope : testing::Test {
    // Draws the frame on a cleared surface and returns the traces after the graticule.
    std::vector<DrawOp> draw(const ScopeFrame& f) {
        s.clear();
        view.displayscope(s, f, o);
        const auto lines = s.shownLines();
        return {lines.begin() + kGraticuleLines, lines.end()};
    }
    RecordingSurface s;
    ScopeView view;
    ScopeOptions o;
};

TEST_F(Scope, AutomaticTriggersOnTheMaximumAndDrawsFivePeriods) {
    const auto left = sine(1000, 16000);
    const auto right = sine(1000, 8000);
    o.saChannel = 0;
    const auto lines = draw(frameOf(left, right, 1000, 1000));

    // 8190 samples hold 185.7 periods of 1 kHz; the trigger is the first
    // maximum at or after sample 500 (the crests fall at 496.1 and 540.2).
    EXPECT_NEAR(view.left.scopeCycles, 185.714, 0.001);
    EXPECT_NEAR(view.left.scopeXStep, 113.379, 0.001);
    EXPECT_EQ(view.left.scopeTrigger, 540);
    // Peak to peak 15992 - (-15995) fills 240 units of 65000.
    EXPECT_NEAR(view.left.scopeAutoGain, 0.0084670, 1e-7);
    // Five periods are 220.5 samples, rounded half to even: 220 segments.
    ASSERT_EQ(lines.size(), 221u);
    EXPECT_EQ(lines[0].xa, -1500);
    EXPECT_EQ(lines[0].ya, 74);
    EXPECT_EQ(lines[3].xb, -1047);
    EXPECT_EQ(lines[3].yb, 93);
    EXPECT_EQ(lines[0].colour, colours::LeftTrace);
    // Five periods of 1 kHz span 25000 x units of graph.
    EXPECT_NEAR(lines.back().xb + 1500, 5000.0 * 5000 / 44100 * 44.1, 150);
}

TEST_F(Scope, AutomaticNoFrequencyKeepsTheLastTriggerAndGain) {
    const auto left = sine(1000, 16000);
    draw(frameOf(left, left, 1000, 1000));
    const ScopeChannelState before = view.left;
    const auto quiet = std::vector<std::int32_t>(kArray, 0);
    const auto lines = draw(frameOf(quiet, quiet, 0, 0));
    EXPECT_EQ(view.left.scopeTrigger, before.scopeTrigger);
    EXPECT_EQ(view.left.scopeAutoGain, before.scopeAutoGain);
    // The old trigger and gain draw the new (silent) block: a flat line at 210.
    ASSERT_FALSE(lines.empty());
    for (const DrawOp& op : lines)
        ASSERT_EQ(op.ya, 210);
}

TEST_F(Scope, AutomaticSmallSignalsGainAtMostTwoAndLowFrequenciesDrawNothing) {
    const auto small = sine(1000, 10);
    draw(frameOf(small, small, 1000, 1000));
    EXPECT_EQ(view.left.scopeAutoGain, 2);
    const auto slow = sine(10, 16000);
    EXPECT_TRUE(draw(frameOf(slow, slow, 10, 10)).empty());
}

TEST_F(Scope, AutomaticRightTraceLocksToTheLeftTrigger) {
    const auto left = sine(1000, 16000);
    std::vector<std::int32_t> right(kArray);
    for (std::size_t i = 0; i + 7 < kArray; ++i)
        right[i + 7] = left[i]; // the right channel lags 7 samples
    o.saChannel = 2;
    draw(frameOf(left, right, 1000, 1000));
    EXPECT_NE(view.right.scopeTrigger, view.left.scopeTrigger);
    o.lockToLeftTrigger = true;
    EXPECT_EQ(draw(frameOf(left, right, 1000, 1000)).back().colour, colours::RightTrace);
    EXPECT_EQ(view.right.scopeTrigger, view.left.scopeTrigger);
}

TEST_F(Scope, ManualTimebaseGainAndSplit) {
    const auto left = sine(1000, 10000);
    const auto right = sine(500, 10000);
    std::vector<std::int16_t> winL(kArray, 3), winR(kArray, 3);
    o.saChannel = 2;
    o.manual = true;
    o.timebase = 50; // T = 2: 25 x units per sample
    o.gainLeft = 4;
    o.gainRight = 2;
    o.split = true;
    o.exportRendering = true;
    ScopeFrame f = frameOf(left, right, 0, 0);
    f.winLeft = winL.data();
    f.winRight = winR.data();
    f.winSize = kArray;
    const auto lines = draw(f);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].xa, -1500);
    EXPECT_EQ(lines[0].xb, -1475);
    EXPECT_EQ(lines[0].ya, std::floor(105 - 4 * 0.005 * left[1000]));
    EXPECT_EQ(lines[0].yb, std::floor(105 - 4 * 0.005 * left[1001]));
    EXPECT_EQ(lines[0].colour, colours::Export);
    // The right trace starts at sample 1000 too, in the lower half.
    const auto rightStart = std::find_if(lines.begin() + 1, lines.end(),
                                         [](const DrawOp& op) { return op.xa == -1500; });
    ASSERT_NE(rightStart, lines.end());
    EXPECT_EQ(rightStart->ya, std::floor(315 - 2 * 0.005 * right[1000]));
    // Every segment starts on the surface; the rest would be clipped.
    for (const DrawOp& op : lines)
        ASSERT_LE(op.xa, 20500);
    EXPECT_EQ(winL[0], 0);
    EXPECT_EQ(winR[16383], 0);
    EXPECT_EQ(winR[16384], 3);
}

TEST_F(Scope, ManualChannelChoiceHidesTheOtherTrace) {
    const auto left = sine(1000, 10000);
    o.saChannel = 1;
    for (const DrawOp& op : draw(frameOf(left, left, 1000, 1000)))
        ASSERT_EQ(op.colour, colours::RightTrace);
    EXPECT_EQ(view.left.scopeCycles, 0); // the left state was not touched
}

} // namespace
} // namespace views

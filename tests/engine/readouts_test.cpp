// The five readouts: what each mode shows, their lamps, and the sweep
// averaging that feeds them during a sweep.

#include "common/text.h"
#include "engine_fixture.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>

namespace {

using enginetest::EngineFixture;

struct ReadoutCase {
    const char* mode;
    const char* unitBefore;
    int channel;
    // Expected caption from the readings of the block.
    std::string (*caption)(const engine::Readings&);
    const char* unitAfter;
};

class Readout : public ::testing::TestWithParam<ReadoutCase>, public EngineFixture {};

TEST_P(Readout, ShowsItsQuantityWithItsUnit) {
    const ReadoutCase c = GetParam();
    readout(1, c.mode, c.unitBefore, c.channel);
    controls()["RefLevel"].setText("-6"); // the right channel reads above 1 V
    fill([](int f) {                      // different levels on the two channels
        const double x = 2 * std::numbers::pi * 1000 * f / 44100.0;
        return std::pair{8000 * std::sin(x), 30000 * std::sin(x)};
    });
    analyzer.DisplayFreq();
    EXPECT_EQ(caption(1), c.caption(r()));
    EXPECT_EQ(unit(1), c.unitAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Readout,
    ::testing::Values(
        ReadoutCase{"Level", "V", 0, [](const engine::Readings& r) { return r.ReadoutAL + " mV"; },
                    "V"},
        ReadoutCase{"Level", "V", 1, [](const engine::Readings& r) { return r.ReadoutAR + " V"; },
                    "V"},
        ReadoutCase{"Level", "dBr", 1,
                    [](const engine::Readings& r) { return r.ReadoutARdb + " dBr"; }, "dBr"},
        ReadoutCase{"Frequency", "V", 1,
                    [](const engine::Readings& r) { return r.ReadoutFR + " Hz"; }, "Hz"},
        ReadoutCase{"Power", "dBr", 0,
                    [](const engine::Readings& r) { return r.ReadoutPWRL + " W"; }, "W"},
        ReadoutCase{"THD", "V", 0, [](const engine::Readings& r) { return r.ReadoutTHDL; }, "%"},
        ReadoutCase{"IHF IMD", "V", 0, [](const engine::Readings&) { return std::string(); }, "%"},
        ReadoutCase{"CCIF IMD", "V", 1, [](const engine::Readings&) { return std::string(); }, "%"},
        // a mode that matches none of the tests leaves the caption as it was
        ReadoutCase{"Level B-wt", "V", 0, [](const engine::Readings&) { return std::string("1"); },
                    "V"}));

class Readouts : public ::testing::Test, public EngineFixture {};

TEST_F(Readouts, TheOnButtonTogglesTheSlotAndItsLamp) {
    auto& lamp = controls()["ReadoutLED2"];
    EXPECT_EQ(lamp.colour(), panel::colour::DarkCyan);
    controls()["ReadoutOn2"].click();
    EXPECT_EQ(settings().readouts[1].on, 1);
    EXPECT_EQ(lamp.colour(), panel::colour::Green);
    controls()["ReadoutOn2"].click();
    EXPECT_EQ(settings().readouts[1].on, 0);
    EXPECT_EQ(lamp.colour(), panel::colour::DarkCyan);
}

TEST_F(Readouts, ASwitchedOffSlotKeepsItsLastValue) {
    readout(1, "Frequency", "Hz");
    readout(2, "Frequency", "Hz");
    fillTone(1000, 10000);
    analyzer.DisplayFreq();
    const std::string shown = caption(1);
    EXPECT_EQ(caption(2), shown); // two slots, same quantity, same block
    analyzer.ReadoutOn_Click(1);
    fillTone(3000, 10000);
    analyzer.DisplayFreq();
    EXPECT_EQ(caption(1), shown);
    EXPECT_NE(caption(2), shown);
}

TEST(BlocksPerStep, FollowsTheSettleMode) {
    EXPECT_EQ(engine::blocksPerStep(0, 1000), 4);
    EXPECT_EQ(engine::blocksPerStep(1, 1000), 5);
    EXPECT_EQ(engine::blocksPerStep(2, 1000), 7);
    EXPECT_EQ(engine::blocksPerStep(3, 200), 4);
    EXPECT_EQ(engine::blocksPerStep(3, 199.9), 7);
}

class SweepAveraging : public ::testing::Test, public EngineFixture {
protected:
    void bufferLevels() {
        auto& b = analyzer.sweepBuffers();
        for (int i = 0; i <= 10; ++i) {
            b.levelLeft[static_cast<std::size_t>(i)] = static_cast<float>(i);
            b.levelRight[static_cast<std::size_t>(i)] = static_cast<float>(10 * i);
            b.thdLeft[static_cast<std::size_t>(i)] = static_cast<float>(100 + i);
            b.thdRight[static_cast<std::size_t>(i)] = static_cast<float>(i);
        }
    }
};

TEST_F(SweepAveraging, LevelIsTheMeanOfTheSettledBlocks) {
    bufferLevels();
    const std::pair<int, double> cases[] = {{4, 3}, {5, 3.5}, {7, 4.5}, {8, 6.5}, {10, 7.5}};
    for (auto [count, mean] : cases) {
        analyzer.sweepBuffers().levelCount = static_cast<std::int16_t>(count);
        analyzer.avediddle2(1000);
        EXPECT_DOUBLE_EQ(r().LevelL, mean) << count;
        EXPECT_DOUBLE_EQ(r().LevelR, 10 * mean) << count;
    }
    analyzer.sweepBuffers().levelCount = 2; // too few: nothing changes
    analyzer.avediddle2(1000);
    EXPECT_DOUBLE_EQ(r().LevelL, 7.5);
    EXPECT_EQ(controls()["Text1"].text().rfind("LVL ave  ", 0), 0u);
    EXPECT_NE(controls()["Text1"].text().find("   Freq = 1000.\r\n"), std::string::npos);
}

TEST_F(SweepAveraging, ThdIsTheMeanOrTheMinimumStartingAt100) {
    bufferLevels();
    panel.sweepData.pointCount = 3;
    analyzer.sweepBuffers().thdCount = 7;
    analyzer.avediddle(1000);
    EXPECT_FLOAT_EQ(r().ThdL, 104.5f);
    EXPECT_EQ(r().ReadoutTHDR, "4.5");
    EXPECT_FLOAT_EQ(panel.sweepData.thdRight[3], 4.5f);

    settings().readingMode = 1;
    analyzer.avediddle(1000);
    EXPECT_FLOAT_EQ(r().ThdL, 100.0f); // every value above 100: the minimum's start
    EXPECT_FLOAT_EQ(r().ThdR, 3.0f);
}

TEST_F(SweepAveraging, LevelStepBuffersLogsAndReducesAtTheSettleCount) {
    fillTone(1000, 10000);
    for (int block = 1; block <= 4; ++block) {
        analyzer.DisplayFreq();
        analyzer.sweepLevelStep(4, 1000);
    }
    const auto& b = analyzer.sweepBuffers();
    EXPECT_EQ(b.levelCount, 4);
    EXPECT_FLOAT_EQ(static_cast<float>(r().LevelL), b.levelLeft[3]); // settle mode 0: entry 3
    const std::string log = controls()["Text1"].text();
    EXPECT_EQ(log.rfind("L1  ", 0), 0u);
    EXPECT_NE(log.find("LVL ave"), std::string::npos);
}

struct RunningSweep : engine::SweepSteps {
    bool running() const override { return true; }
};

TEST_F(SweepAveraging, DuringASweepTheThdGoesToItsBufferAndTheLog) {
    RunningSweep sweep;
    analyzer.setSweepSteps(&sweep);
    controls()["SweepMode"].setText("THD vs Frequency");
    fillTone(1000, 10000);
    for (int block = 1; block <= 12; ++block)
        analyzer.DisplayFreq();
    // Twelve blocks: the counter passed 11 and started again.
    EXPECT_EQ(analyzer.sweepBuffers().thdCount, 0);
    EXPECT_EQ(controls()["Text1"].text(), "");
    analyzer.DisplayFreq();
    EXPECT_EQ(analyzer.sweepBuffers().thdCount, 1);
    EXPECT_FLOAT_EQ(analyzer.sweepBuffers().thdLeft[1], r().ThdL);
    EXPECT_EQ(controls()["Text1"].text(), "\r\nT1  " + common::FormatSingle(r().ThdL, "###.###") +
                                              "  " + common::FormatSingle(r().ThdR, "###.###") +
                                              "\r\n");
}

// --- A cycle allocates nothing but the texts it formats ---

std::atomic<bool> countAllocations{false};
std::atomic<std::size_t> allocationCount{0};
std::atomic<std::size_t> largestAllocation{0};

} // namespace

void* operator new(std::size_t size) {
    if (countAllocations) {
        ++allocationCount;
        if (size > largestAllocation) largestAllocation = size;
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

TEST_F(Readouts, ACycleAllocatesOnlySmallTexts) {
    for (int slot = 1; slot <= 5; ++slot)
        readout(slot, slot == 5 ? "THD" : "Level", slot % 2 ? "V" : "dBr", slot % 2);
    analyzer.setNarrowband(true);
    fillTone(1000, 10000);
    analyzer.DisplayFreq();
    analyzer.DisplayFreq();
    allocationCount = 0;
    largestAllocation = 0;
    countAllocations = true;
    analyzer.DisplayFreq();
    countAllocations = false;
    std::printf("one cycle: %zu allocations, the largest %zu bytes\n", allocationCount.load(),
                largestAllocation.load());
    // No working array is allocated per block: every allocation is text sized.
    EXPECT_LE(largestAllocation.load(), 64u);
    EXPECT_LE(allocationCount.load(), 60u);
}

} // namespace

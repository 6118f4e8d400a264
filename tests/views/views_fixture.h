#pragma once
// A panel with its graph on recording surfaces and its sweep, on virtual time
// with scripted dialogs and a fresh data directory. The sweep's driver records
// what the sweep asks of the generator and capture and answers readings from
// functions of frequency.

#include "common/text.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "views/graph.h"
#include "views/recording_surface.h"
#include "views/spectrum.h"
#include "views/sweep.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace views {

inline constexpr std::size_t kArray = 131201;

inline std::vector<DrawOp> linesIn(const RecordingSurface& s, Rgb colour) {
    std::vector<DrawOp> out;
    for (const DrawOp& op : s.shownLines())
        if (op.colour == colour) out.push_back(op);
    return out;
}

// Spectrum and window arrays of the analyzer's size, flat at 1000 and 7.
struct SpectrumBuffers {
    std::vector<double> left = std::vector<double>(kArray, 1000.0);
    std::vector<double> right = std::vector<double>(kArray, 1000.0);
    std::vector<std::int16_t> winLeft = std::vector<std::int16_t>(kArray, 7);
    std::vector<std::int16_t> winRight = std::vector<std::int16_t>(kArray, 7);
    std::int32_t counter = 3;

    SpectrumFrame frame(int n = 16384, bool genOn = false) {
        SpectrumFrame f;
        f.spectrumLeft = left.data();
        f.spectrumRight = right.data();
        f.spectrumSize = kArray;
        f.N = n;
        f.genOn = genOn;
        f.winLeft = winLeft.data();
        f.winRight = winRight.data();
        f.winSize = kArray;
        f.averageCounter = &counter;
        return f;
    }
};

class FakeDriver final : public SweepDriver {
public:
    explicit FakeDriver(panel::Panel& panel) : panel_(panel) {}

    void Gen_On_Click() override {
        ++genOns;
        panel_.settings.genOn = 1;
        capture = true;
    }
    void DoStop() override { capture = false; }
    bool captureOpen() const override { return capture; }
    void StopPlayback() override {}
    void playFrequency(double frequencyHz) override {
        played.push_back(frequencyHz);
        playedAtBlock.push_back(block);
        playedLeftLevel.push_back(panel_.settings.LeftGenLevel);
    }
    void showSampleRate(std::int32_t rate) override {
        rates.push_back(rate);
        panel_.controls()["SampleRate"].setText(std::to_string(rate));
    }
    void restartCapture() override { ++captureRestarts; }
    void enableSwitchOffTimer() override {}
    void resetStepCounters() override {}
    void levelStep(int, double) override {}
    void thdStep(double stepFrequency) override {
        ++thdSteps;
        common::SweepData& d = panel_.sweepData;
        const double thd = thdOf(stepFrequency);
        d.thdLeft[static_cast<std::size_t>(d.pointCount)] = static_cast<float>(thd);
        d.thdRight[static_cast<std::size_t>(d.pointCount)] = static_cast<float>(thd / 2);
        thdText = common::Format(thd, "###.###");
    }
    StepReadings readings() const override {
        const double f = panel_.sweepData.freq[static_cast<std::size_t>(
            std::clamp<int>(panel_.sweepData.pointCount, 0, common::kMaxRows))];
        return {common::Format(leftDb(f), "#.##"), common::Format(rightDb(f), "#.##"), thdText,
                thdText};
    }

    std::function<double(double)> leftDb = [](double) { return -1.5; };
    std::function<double(double)> rightDb = [](double) { return -4.0; };
    std::function<double(double)> thdOf = [](double) { return 0.5; };
    std::string thdText = "0";
    bool capture = false;
    int block = 0;
    int genOns = 0, captureRestarts = 0, thdSteps = 0;
    std::vector<double> played;
    std::vector<int> playedAtBlock;
    std::vector<double> playedLeftLevel;
    std::vector<std::int32_t> rates;

private:
    panel::Panel& panel_;
};

// The panel's hooks that reach the sweep, as the composition root wires them.
struct SweepHooks final : panel::PanelHooks {
    Sweep* sweep = nullptr;
    Graph* graph = nullptr;
    void scaleme() override { graph->scaleme(); }
    void graphdata() override { sweep->graphdata(); }
    void drawLimitCurve() override { sweep->drawLimitCurve(); }
    bool sweepAtFinalPoint() const override { return sweep->atFinalPoint(); }
    void loadReverseCal() override { sweep->loadReverseCal(); }
};

class ViewsTest : public testing::Test {
protected:
    void SetUp() override {
        hooks.sweep = &sweep;
        hooks.graph = &graph;
        panel.setHooks(&hooks);
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("arv1_views_" + std::string(test->test_suite_name()) + "." + test->name());
        std::filesystem::create_directories(dir_);
        platform::setDataDirectory(dir_);
        graph.attach();
        graph.setSweepPlots([this] { sweep.graphdata(); }, [this] { sweep.drawLimitCurve(); });
        sweep.attach();
        graph.scaleme();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    panel::Control& control(std::string_view name) { return panel.controls()[name]; }
    common::SweepData& data() { return panel.sweepData; }
    RecordingSurface& box() { return dynamic_cast<RecordingSurface&>(graph.GraphBox()); }
    std::string file(const char* name) { return (dir_ / name).string(); }

    std::filesystem::path dir_;
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel panel{loop, dialogs};
    Graph graph{panel, dialogs, SurfaceKind::Recording};
    FakeDriver driver{panel};
    Sweep sweep{panel, graph, dialogs, loop, driver};
    SweepHooks hooks;
};

} // namespace views

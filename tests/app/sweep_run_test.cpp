// Whole sweeps on virtual time: the generator plays each step's frequency
// through the simulated loopback, capture measures it, and the sweep stores,
// plots and judges the points. The devices under test are models whose
// response is known in closed form, so the stored points are checked against
// that response rather than against the program's own arithmetic.

#include "app/main_panel.h"
#include "common/text.h"
#include "editor/data_editor.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"
#include "run_fixture.h"
#include "views/raster_surface.h"

#include <QImage>
#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The instrument with its loopback through a device-under-test model.
struct Bench {
    explicit Bench(const fs::path& dataDir, const std::string& dut) : audio(loop), output(loop) {
        platform::setDataDirectory(dataDir);
        const auto parsed = platform::parseDutSpec(dut);
        EXPECT_TRUE(parsed.ok) << parsed.error;
        audio.setSource(
            std::make_shared<platform::LoopbackSource>(loop, output.played(), parsed.params));
        main = std::make_unique<app::MainPanel>(loop, dialogs, audio, output);
        main->panel().Form_Load();
    }

    panel::Panel& panel() { return main->panel(); }
    panel::Control& control(std::string_view name) { return panel().controls()[name]; }
    views::Sweep& sweep() { return main->sweep(); }
    const common::SweepData& data() { return panel().sweepData; }

    // Presses START and runs virtual time until the sweep has ended.
    // Returns false when it did not end within the time.
    bool runSweep(std::int64_t timeoutMs = 120000) {
        control("SweepStart").click();
        return loop.runUntil(
            [&] { return sweep().sweepState == 0 && !main->analyzer().capturing(); }, timeoutMs);
    }

    void setSweep(double startHz, double stopHz, int steps, const char* mode) {
        control("SweepStartFreq").setText(common::displayText(startHz));
        control("SweepStopFreq").setText(common::displayText(stopHz));
        control("SweepStepCount").setText(std::to_string(steps));
        control("SweepMode").setText(mode);
    }

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedAudio audio;
    platform::SimulatedOutput output;
    std::unique_ptr<app::MainPanel> main;
};

class SweepRun : public apptest::TempDirTest {
protected:
    std::unique_ptr<Bench> bench(const std::string& dut) {
        return std::make_unique<Bench>(root / "data", dut);
    }
};

TEST_F(SweepRun, LevelThroughTheWireIsFlat) {
    auto b = bench("wire");
    b->setSweep(20, 20000, 20, "Level vs Frequency");
    ASSERT_TRUE(b->runSweep());
    const common::SweepData& d = b->data();
    ASSERT_EQ(d.pointCount, 20);
    EXPECT_EQ(d.freq[1], 20);
    EXPECT_EQ(d.freq[20], 20000);
    // The generator's 0 dBr sine is the reference of every point; mid-band
    // is taken at the point nearest 1 kHz.
    const double reference = d.levelLeft[5];
    for (int k = 1; k <= 20; ++k) {
        // The RMS detector integrates 3190 samples (72 ms at 44.1 kHz): a
        // 20 Hz sine gives it less than 1.5 periods, and the part period left
        // over weighs up to about half a dB. From 200 Hz on the window holds
        // 14 periods or more and the error falls below 0.05 dB.
        const double tolerance = d.freq[k] < 200 ? 0.6 : 0.1;
        EXPECT_NEAR(d.levelLeft[k], reference, tolerance) << "point " << k << " " << d.freq[k];
        EXPECT_NEAR(d.levelRight[k], reference, tolerance) << "point " << k << " " << d.freq[k];
    }
    EXPECT_EQ(b->control("plotLED").colour(), panel::colour::DarkCyan);
    EXPECT_EQ(b->panel().settings.genOn, 0);
    // One line per point in the raw sweep data window.
    const std::string& view = b->control("sweepview").text();
    EXPECT_EQ(std::count(view.begin(), view.end(), '\n'), 20) << view;
    EXPECT_NE(view.find("\r\n20   20000. Hz   L = "), std::string::npos) << view;
}

TEST_F(SweepRun, SeparationThroughCrosstalkOfMinus60Db) {
    auto b = bench("crosstalk=-60");
    b->control("Left_gen_option").click();
    b->setSweep(200, 20000, 8, "Separation vs Frequency");
    ASSERT_TRUE(b->runSweep());
    const common::SweepData& d = b->data();
    ASSERT_EQ(d.pointCount, 8);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_NEAR(d.levelLeft[k], -60, 0.5) << d.freq[k];
        EXPECT_EQ(d.levelLeft[k], d.levelRight[k]);
    }
}

TEST_F(SweepRun, ThdSweepReadsAThirdHarmonicAtEveryPoint) {
    auto b = bench("h3=-40");
    b->setSweep(200, 5000, 6, "THD vs Frequency");
    ASSERT_TRUE(b->runSweep());
    const common::SweepData& d = b->data();
    ASSERT_EQ(d.pointCount, 6);
    for (int k = 1; k <= 6; ++k) {
        // A third harmonic 40 dB below full scale at a level near full scale:
        // about half a per cent by the formula's factor of 50, moved by the
        // phases of the two components in the window.
        EXPECT_GT(d.thdLeft[k], 0.1) << "point " << k << " at " << d.freq[k];
        EXPECT_LT(d.thdLeft[k], 1.5) << "point " << k << " at " << d.freq[k];
    }
}

TEST_F(SweepRun, ThdPlusNoiseSweepStoresEachStepsThdPlusNoise) {
    auto b = bench("h2=-40");
    b->control("LeftGenLevel").setText("-6");
    b->control("RightGenLevel").setText("-6");
    b->setSweep(200, 5000, 6, "THD+N vs Frequency");
    ASSERT_TRUE(b->runSweep());
    const common::SweepData& d = b->data();
    ASSERT_EQ(d.pointCount, 6);
    // The model's second harmonic at a fraction a of full scale is r2 a of
    // the fundamental; the noise (the two roundings) lies some 45 dB below.
    const double a = 65535 / 2.02 * std::pow(10.0, -6.0 / 20) / 32767;
    for (int k = 1; k <= 6; ++k) {
        EXPECT_NEAR(d.thdLeft[k], 100 * 0.01 * a, 0.005) << "point " << k << " at " << d.freq[k];
        EXPECT_NEAR(d.thdRight[k], 100 * 0.01 * a, 0.005) << "point " << k;
    }
    EXPECT_EQ(b->panel().settings.thdSweep, 1); // plotted and judged as a THD sweep
}

// The operator's way to a limit curve: sweep a good amplifier, open the data
// editor on the points, build a band with Limit Tolerance 1, save it as a
// limit file, and load that file as the panel's limit curve. The same
// amplifier then passes; one with a low-end roll-off fails.
TEST_F(SweepRun, LimitBandBuiltInTheEditorPassesAndADipFails) {
    const std::string limitFile = (root / "data" / "band.dfl").string();
    {
        auto b = bench("amplifier");
        b->setSweep(20, 20000, 10, "Level vs Frequency");
        ASSERT_TRUE(b->runSweep());
        editor::DataEditor& ed = b->main->dataEditor();
        ed.Form_Load();
        ASSERT_EQ(ed.table().rows(), 10);
        ed.LimitTolerance = "1";
        ed.LimitTolSW_Click();
        EXPECT_EQ(b->panel().limits.limitCount, 10);
        b->dialogs.queueFile(limitFile);
        ed.mnuSaveLimit_Click();
        ASSERT_TRUE(b->dialogs.messageTexts().empty()) << b->dialogs.messageTexts()[0];
    }
    for (const auto& [dut, fails] :
         {std::pair{"amplifier", false}, std::pair{"amplifier,hp=200", true}}) {
        auto b = bench(dut);
        b->setSweep(20, 20000, 10, "Level vs Frequency");
        b->dialogs.queueFile(limitFile);
        b->control("Browse_Limits").click();
        ASSERT_EQ(b->panel().limits.limitCount, 10);
        b->control("LimitCurveCheck").setChecked(true);
        ASSERT_TRUE(b->runSweep());
        EXPECT_EQ(b->control("PFLED").colour(),
                  fails ? panel::colour::Red : panel::colour::DarkCyan)
            << dut;
        if (!fails) continue;
        // Red until the next start or "Clear".
        b->loop.runFor(3000);
        EXPECT_EQ(b->control("PFLED").colour(), panel::colour::Red);
        b->main->graph().Clear_graph_Click();
        EXPECT_EQ(b->control("PFLED").colour(), panel::colour::DarkCyan);
    }
}

TEST_F(SweepRun, StartWhileTheGeneratorRunsAndPanelFileKeepsThePoints) {
    auto b = bench("wire");
    b->setSweep(500, 5000, 4, "Level vs Frequency");
    b->control("Gen_On").click();
    // START pressed from inside the running capture loop, as an operator's
    // click arrives between blocks.
    bool capturingAtStart = false;
    b->loop.post(
        [&] {
            capturingAtStart = b->main->analyzer().capturing();
            b->control("SweepStart").click();
        },
        1500);
    ASSERT_TRUE(b->loop.runUntil(
        [&] {
            return b->data().pointCount == 4 && b->sweep().sweepState == 0 &&
                   !b->main->analyzer().capturing();
        },
        60000));
    EXPECT_TRUE(capturingAtStart);
    ASSERT_EQ(b->data().pointCount, 4);
    EXPECT_EQ(b->data().freq[4], 5000);
    const common::SweepData saved = b->data();

    b->panel().testPanelPath = (root / "data" / "S.atp").string();
    b->panel().WritePanelFile();
    auto other = bench("wire");
    auto tracePixels = [&] {
        const QImage& image =
            dynamic_cast<views::RasterSurface&>(other->main->graph().GraphBox()).image();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                for (views::Rgb trace : {views::colours::LeftTrace, views::colours::RightTrace})
                    count += (image.pixel(x, y) & 0xFFFFFF) == trace;
        return count;
    };
    ASSERT_EQ(tracePixels(), 0);
    other->panel().testPanelPath = (root / "data" / "S.atp").string();
    other->panel().ReadData();
    ASSERT_EQ(other->data().pointCount, 4);
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(other->data().freq[k], saved.freq[k]);
        EXPECT_EQ(other->data().levelLeft[k], saved.levelLeft[k]);
    }
    // Loading redraws them (the right trace lies over the equal left one).
    EXPECT_GT(tracePixels(), 50);
}

} // namespace

#include "app/headless.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "run_fixture.h"
#include "views/graph.h"
#include "views/raster_surface.h"

#include <QImage>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

// The command line: what each option takes, and the usage errors.
TEST(HeadlessArgs, OptionsAndUsageErrors) {
    auto ok = app::parseArgs({"--headless", "--data-dir", "/tmp/d", "--panel", "p.atp", "--input",
                              "t.wav", "--run", "2.5", "--readouts", "--save-graph", "g.png",
                              "--report", "r.pdf", "--export-csv", "s.csv"});
    ASSERT_TRUE(ok.error.empty()) << ok.error;
    EXPECT_TRUE(ok.headless);
    EXPECT_EQ(ok.options.dataDir, "/tmp/d");
    EXPECT_EQ(ok.options.panelFile, "p.atp");
    EXPECT_EQ(ok.options.inputWav, "t.wav");
    EXPECT_EQ(ok.options.runSeconds, 2.5);
    EXPECT_TRUE(ok.options.readouts);
    EXPECT_EQ(ok.options.saveGraph, "g.png");
    EXPECT_EQ(ok.options.report, "r.pdf");
    EXPECT_EQ(ok.options.exportCsv, "s.csv");
    auto device = app::parseArgs(
        {"--headless", "--device", "loopback", "--realtime", "--dut", "amplifier,noise=-90"});
    ASSERT_TRUE(device.error.empty()) << device.error;
    EXPECT_EQ(device.options.device, "loopback");
    EXPECT_TRUE(device.options.realtime);
    EXPECT_EQ(device.options.dut, "amplifier,noise=-90");
    // The window takes the start options and --dut; the runner's own need --headless.
    auto window = app::parseArgs({"--panel", "a", "--screenshot", "s.png", "--run", "2"});
    EXPECT_TRUE(window.error.empty()) << window.error;
    EXPECT_EQ(window.screenshot, "s.png");
    EXPECT_TRUE(app::parseArgs({"--dut", "wire"}).error.empty());
    // Up to a year, for --run and --timeout alike; 2147484 s overflows an int of milliseconds.
    EXPECT_EQ(app::parseArgs({"--headless", "--run", "31536000"}).options.runSeconds, 31536000);
    EXPECT_EQ(app::parseArgs({"--headless", "--run", "2147484"}).options.runSeconds, 2147484);

    const std::vector<std::pair<std::vector<std::string>, std::string>> errors = {
        {{"--headless", "--panel"}, "--panel needs a value"},
        {{"--headless", "--data-dir", "--panel", "x"}, "--data-dir needs a value"},
        {{"--headless", "--report"}, "--report needs a value"},
        {{"--headless", "--save-graph"}, "--save-graph needs a value"},
        {{"--headless", "--bogus"}, "unknown option --bogus"},
        {{"--headless", "--panel", "a", "--panel", "b"}, "--panel given twice"},
        {{"--headless", "--run", "1", "--run", "2"}, "--run given twice"},
        {{"--sequence", "a"}, "go with --headless"},
        {{"--export-csv", "s.csv"}, "go with --headless"},
        {{"--input", "t.wav"}, "go with --headless"},
        {{"--run", "2"}, "--run goes with --headless or --screenshot"},
        {{"--headless", "--window", "Help"}, "--screenshot and --window go without --headless"},
        {{"--list-devices", "--headless"}, "--list-devices goes alone"},
        {{"--headless", "--run", "soon"}, "--run needs a number of seconds"},
        {{"--headless", "--run", "31536001"}, "--run 31536001: at most a year (31536000 seconds)"},
        {{"--headless", "--timeout", "5"}, "--timeout goes with --sequence"},
        {{"--headless", "--sequence", "s.dfs", "--timeout", "0"},
         "--timeout needs a number of seconds above 0"},
        {{"--headless", "--sequence", "s.dfs", "--timeout", "4e7"},
         "--timeout needs a number of seconds above 0"},
        {{"--headless", "--sequence", "s.dfs", "--timeout", "99999999"},
         "--timeout 99999999: at most a year (31536000 seconds)"},
        {{"--headless", "--dut", "speaker"}, "--dut: "},
        {{"--headless", "--dut", "wire", "--input", "t.wav"}, "--dut needs the loopback"},
    };
    for (const auto& [args, says] : errors) {
        const std::string error = app::parseArgs(args).error;
        EXPECT_NE(error.find(says), std::string::npos) << args[1] << ": " << error;
    }
}

class HeadlessRun : public apptest::TempDirTest {
protected:
    static app::HeadlessOptions options(const fs::path& dataDir, const fs::path& panelFile = {}) {
        app::HeadlessOptions o;
        o.dataDir = dataDir.string();
        if (!panelFile.empty()) o.panelFile = panelFile.string();
        return o;
    }
    int run(app::HeadlessOptions options) {
        out.str("");
        err.str("");
        return app::runHeadless(options, out, err);
    }
    std::ostringstream out, err;
};

TEST_F(HeadlessRun, LoadedPanelBecomesTheStartupFile) {
    // First run: no panel, the defaults are written.
    ASSERT_EQ(run(options(root / "first")), 0);
    const std::string defaults = apptest::slurp(root / "first" / "startupini");
    ASSERT_FALSE(defaults.empty());

    // Make a panel that differs: change the generator frequency line.
    std::string panel = defaults;
    const std::string marker = "\r\n1000\r\n1000\r\n";
    const auto at = panel.find(marker);
    ASSERT_NE(at, std::string::npos);
    panel.replace(at, marker.size(), "\r\n440\r\n1000\r\n");
    std::ofstream(root / "p.atp", std::ios::binary) << panel;

    ASSERT_EQ(run(options(root / "second", root / "p.atp")), 0);
    EXPECT_EQ(apptest::slurp(root / "second" / "startupini"), panel);
    EXPECT_EQ(out.str(), "Status - OK\n"); // the final Status text
}

TEST_F(HeadlessRun, MissingPanelIsAStartupFailure) {
    EXPECT_EQ(run(options(root / "d", root / "absent.atp")), 2);
    EXPECT_NE(err.str().find("not found"), std::string::npos);
}

TEST_F(HeadlessRun, ReportOrExportThatCannotBeWrittenIsRefusedBeforeTheRun) {
    app::HeadlessOptions o = options(root / "d");
    o.report = (root / "absent" / "r.pdf").string();
    EXPECT_EQ(run(o), 2);
    EXPECT_EQ(err.str(), "arv1: cannot write the report to " + *o.report + ": the folder " +
                             (root / "absent").string() + " does not exist\n");
    EXPECT_FALSE(fs::exists(root / "d" / "startupini")); // nothing ran
    o.report.reset();
    o.exportCsv = root.string();
    EXPECT_EQ(run(o), 2);
    EXPECT_NE(err.str().find("CSV export to " + root.string() + ": it is a folder"),
              std::string::npos);
}

TEST_F(HeadlessRun, SavesTheGraphOfTheRunningSpectrumBeforeExit) {
    ASSERT_EQ(run(options(root / "first")), 0);
    auto lines = apptest::crlfLines(apptest::slurp(root / "first" / "startupini"));
    ASSERT_EQ(lines.size(), 119u);
    lines[36] = "1"; // saved with the generator running
    lines[76] = "1"; // in the spectrum analyzer view
    std::string panel;
    for (const auto& line : lines)
        panel += line + "\r\n";
    std::ofstream(root / "sa.atp", std::ios::binary) << panel;

    auto o = options(root / "second", root / "sa.atp");
    o.runSeconds = 2;
    o.saveGraph = (root / "graph.bmp").string();
    ASSERT_EQ(run(o), 0) << err.str();
    const std::string bmp = apptest::slurp(root / "graph.bmp");
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    // The graph's size, the grid colour on a grid line (100 Hz) and the
    // trace, drawn white for export, peaking at the column of 1 kHz. The
    // pixel mapping is that of a graph in the spectrum view.
    QImage image(QString::fromStdString((root / "graph.bmp").string()));
    ASSERT_EQ(image.size(), QSize(521, 217));
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel spectrumPanel(loop, dialogs);
    views::Graph graph(spectrumPanel, dialogs);
    graph.sizeGraphSurfaces();
    graph.mnuSa_Click();
    auto& box = dynamic_cast<views::RasterSurface&>(graph.GraphBox());
    int peakColumn = -1;
    for (int y = box.pixelY(0); y < image.height() && peakColumn < 0; ++y)
        for (int x = box.pixelX(0); x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == views::colours::Export) {
                peakColumn = x;
                break;
            }
    EXPECT_NEAR(peakColumn, box.pixelX(12000), 2);
    EXPECT_EQ(image.pixel(box.pixelX(6000), box.pixelY(395)) & 0xFFFFFF,
              views::colours::GridNormal);

    o.saveGraph = (root / "no" / "such" / "dir" / "graph.png").string();
    EXPECT_EQ(run(o), 3);
    EXPECT_NE(err.str().find("cannot save the graph"), std::string::npos);
}

} // namespace

#include "app/headless.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "views/graph.h"
#include "views/raster_surface.h"

#include <QImage>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(HeadlessArgs, OptionsAndUsageErrors) {
    auto ok = app::parseArgs({"--headless", "--data-dir", "/tmp/d", "--panel", "p.atp"});
    EXPECT_TRUE(ok.error.empty());
    EXPECT_TRUE(ok.headless);
    EXPECT_EQ(ok.options.dataDir, "/tmp/d");
    EXPECT_EQ(ok.options.panelFile, "p.atp");

    EXPECT_EQ(app::parseArgs({"--headless", "--panel"}).error, "--panel needs a value");
    EXPECT_EQ(app::parseArgs({"--headless", "--data-dir", "--panel", "x"}).error,
              "--data-dir needs a value");
    EXPECT_EQ(app::parseArgs({"--headless", "--bogus"}).error, "unknown option --bogus");
    EXPECT_EQ(app::parseArgs({"--headless", "--panel", "a", "--panel", "b"}).error,
              "--panel given twice");
    // The window takes the start options; the runner's own options need --headless.
    auto window = app::parseArgs({"--panel", "a", "--screenshot", "s.png", "--run", "2"});
    EXPECT_TRUE(window.error.empty()) << window.error;
    EXPECT_EQ(window.screenshot, "s.png");
    EXPECT_FALSE(app::parseArgs({"--sequence", "a"}).error.empty());
    EXPECT_FALSE(app::parseArgs({"--run", "2"}).error.empty());
    EXPECT_FALSE(app::parseArgs({"--headless", "--window", "Help"}).error.empty());
    const auto outputs =
        app::parseArgs({"--headless", "--report", "r.pdf", "--export-csv", "s.csv"});
    EXPECT_EQ(outputs.options.report, "r.pdf");
    EXPECT_EQ(outputs.options.exportCsv, "s.csv");
    EXPECT_EQ(app::parseArgs({"--headless", "--report"}).error, "--report needs a value");
    EXPECT_FALSE(app::parseArgs({"--export-csv", "s.csv"}).error.empty());
}

class HeadlessRun : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("arv1-headless-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }
    static std::string slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
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
    fs::path root;
    std::ostringstream out, err;
};

TEST_F(HeadlessRun, LoadedPanelBecomesTheStartupFile) {
    // First run: no panel, the defaults are written.
    ASSERT_EQ(run(options(root / "first")), 0);
    const std::string defaults = slurp(root / "first" / "startupini");
    ASSERT_FALSE(defaults.empty());

    // Make a panel that differs: change the generator frequency line.
    std::string panel = defaults;
    const std::string marker = "\r\n1000\r\n1000\r\n";
    const auto at = panel.find(marker);
    ASSERT_NE(at, std::string::npos);
    panel.replace(at, marker.size(), "\r\n440\r\n1000\r\n");
    std::ofstream(root / "p.atp", std::ios::binary) << panel;

    ASSERT_EQ(run(options(root / "second", root / "p.atp")), 0);
    EXPECT_EQ(slurp(root / "second" / "startupini"), panel);
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

} // namespace

namespace {

// The runner's lines of a panel file, CR LF split.
std::vector<std::string> panelLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(bytes.substr(start, at - start));
    return lines;
}

TEST_F(HeadlessRun, SavesTheGraphOfTheRunningSpectrumBeforeExit) {
    ASSERT_EQ(run(options(root / "first")), 0);
    auto lines = panelLines(slurp(root / "first" / "startupini"));
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
    const std::string bmp = slurp(root / "graph.bmp");
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

TEST(HeadlessArgs, SaveGraphNeedsAName) {
    EXPECT_EQ(app::parseArgs({"--headless", "--save-graph"}).error, "--save-graph needs a value");
    EXPECT_EQ(app::parseArgs({"--headless", "--save-graph", "g.png"}).options.saveGraph, "g.png");
}

} // namespace

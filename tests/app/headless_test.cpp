#include "app/headless.h"

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
    EXPECT_FALSE(app::parseArgs({"--panel", "a"}).error.empty());
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
    // The exported traces are white: a drawn spectrum has far more white
    // than the bare spectrum scale of a run with the generator off.
    auto white = [](const std::string& image) {
        std::size_t count = 0;
        for (std::size_t at = 54; (at = image.find("\xff\xff\xff", at)) != std::string::npos;
             at += 3)
            ++count;
        return count;
    };
    lines[36] = "0";
    panel.clear();
    for (const auto& line : lines)
        panel += line + "\r\n";
    std::ofstream(root / "idle.atp", std::ios::binary) << panel;
    auto idle = options(root / "third", root / "idle.atp");
    idle.runSeconds = 2;
    idle.saveGraph = (root / "idle.bmp").string();
    ASSERT_EQ(run(idle), 0) << err.str();
    EXPECT_GT(white(bmp), 2 * white(slurp(root / "idle.bmp")) + 100);

    o.saveGraph = (root / "no" / "such" / "dir" / "graph.png").string();
    EXPECT_EQ(run(o), 2);
    EXPECT_NE(err.str().find("cannot save the graph"), std::string::npos);
}

TEST(HeadlessArgs, SaveGraphNeedsAName) {
    EXPECT_EQ(app::parseArgs({"--headless", "--save-graph"}).error, "--save-graph needs a value");
    EXPECT_EQ(app::parseArgs({"--headless", "--save-graph", "g.png"}).options.saveGraph, "g.png");
}

} // namespace

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
    EXPECT_NE(out.str().find("p.atp"), std::string::npos); // the caption names the panel
}

TEST_F(HeadlessRun, MissingPanelIsAStartupFailure) {
    EXPECT_EQ(run(options(root / "d", root / "absent.atp")), 2);
    EXPECT_NE(err.str().find("not found"), std::string::npos);
}

} // namespace

// The shipped amplifier acceptance test, end to end through the headless
// runner against the simulated amplifier: a good one passes, one with a
// high-pass corner at 80 Hz fails its limit curve.

#include "app/headless.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ExampleRun : public ::testing::Test {
protected:
    void SetUp() override {
        work = fs::temp_directory_path() /
               ("arv1-example-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(work);
        fs::create_directories(work);
        const fs::path examples = fs::path(ARV1_SOURCE_DIR) / "examples" / "amplifier";
        for (const char* name : {"amp-acceptance.atp", "amp-limits.dfl", "amp-acceptance.dfs"})
            fs::copy_file(examples / name, work / name);
    }
    void TearDown() override { fs::remove_all(work); }

    int run(const std::string& dut) {
        app::HeadlessOptions o;
        o.dataDir = work.string();
        o.dut = dut;
        o.panelFile = (work / "amp-acceptance.atp").string();
        o.sequence = (work / "amp-acceptance.dfs").string();
        o.timeoutSeconds = 120;
        o.saveGraph = (work / "amp-sweep.png").string();
        std::ostringstream out, err;
        const int code = app::runHeadless(o, out, err);
        EXPECT_EQ(out.str(), "Status - OK\n") << err.str();
        return code;
    }
    std::vector<std::string> log() {
        std::ifstream in(work / "amp-acceptance.log", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
            lines.push_back(text.substr(start, at - start));
        EXPECT_EQ(start, text.size()) << "the log ends with a line break";
        return lines;
    }

    fs::path work;
};

TEST_F(ExampleRun, GoodAmplifierPasses) {
    ASSERT_EQ(run("amplifier"), 0);
    const auto lines = log();
    ASSERT_EQ(lines.size(), 1u + 20 + 1 + 1 + 1 + 1 + 1 + 20 + 1);
    // The sweep table: header, then frequency ",    " left ",     " right.
    EXPECT_EQ(lines[0], "Frequency, L Level, R Level");
    const std::regex row(R"(^[0-9.]+,    -?[0-9.]+,     -?[0-9.]+$)");
    for (int i = 1; i <= 20; ++i)
        EXPECT_TRUE(std::regex_match(lines[static_cast<std::size_t>(i)], row)) << lines[i];
    EXPECT_EQ(lines[1].substr(0, 4), "20, ");
    EXPECT_EQ(lines[20].substr(0, 7), "20000, ");
    // Every level within the +/-1 dB limits.
    for (int i = 1; i <= 20; ++i) {
        const std::string& l = lines[static_cast<std::size_t>(i)];
        const double left = std::stod(l.substr(l.find(",    ") + 5));
        EXPECT_LT(std::abs(left), 1.0) << l;
    }
    // Then the time stamp between empty lines, the title and the 1 kHz line.
    EXPECT_EQ(lines[21], "");
    EXPECT_TRUE(std::regex_match(lines[22], std::regex(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$)")))
        << lines[22];
    EXPECT_EQ(lines[23], "");
    EXPECT_EQ(lines[24], " Amplifier acceptance test");
    EXPECT_EQ(lines[25].rfind(" 1 kHz: 998.6 Hz, left ", 0), 0u) << lines[25];
    EXPECT_EQ(lines[26].rfind(" 20 Hz: ", 0), 0u) << lines[26];
    EXPECT_EQ(lines.back(), " RESULT: PASS");
    EXPECT_TRUE(fs::file_size(work / "amp-sweep.png") > 1000);
}

TEST_F(ExampleRun, AmplifierWithAHighPassAt80HzFailsItsLimits) {
    ASSERT_EQ(run("amplifier,hp=80"), 1);
    const auto lines = log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " RESULT: FAIL (frequency response outside its limits)");
    // 20 Hz lies two octaves below the corner: about 24 dB down.
    const double at20 = std::stod(lines[1].substr(lines[1].find(",    ") + 5));
    EXPECT_LT(at20, -20);
}

} // namespace

// The shipped scripting example (a class, a Dictionary, a RegExp and the
// FileSystemObject) end to end through the headless runner against the
// simulated amplifier: the frequency response lands as CSV in the data
// directory.

#include "app/headless.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(ScriptExample, SweepToCsvWritesTheFrequencyResponseIntoTheDataDirectory) {
    const fs::path work = fs::temp_directory_path() / "arv1-sweep-to-csv";
    fs::remove_all(work);
    fs::create_directories(work);
    const fs::path examples = fs::path(ARV1_SOURCE_DIR) / "examples";
    app::HeadlessOptions o;
    o.dataDir = work.string();
    o.dut = "amplifier";
    o.panelFile = (examples / "panels" / "level-sweep.atp").string();
    o.sequence = (examples / "scripting" / "sweep-to-csv.dfs").string();
    o.timeoutSeconds = 120;
    std::ostringstream out, err;
    EXPECT_EQ(app::runHeadless(o, out, err), 0) << err.str();
    EXPECT_EQ(out.str(), "Status - OK\n") << err.str();

    std::ifstream in(work / "frequency-response.csv", std::ios::binary);
    ASSERT_TRUE(in) << "no CSV in the data directory";
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        ASSERT_FALSE(line.empty() || line.back() != '\r') << "CRLF line ends";
        line.pop_back();
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 1u + 20 + 1);
    EXPECT_EQ(lines[0], "Frequency (Hz),Left (dBr),Right (dBr)");
    const std::regex row(R"(^([0-9.]+),(-?[0-9.]+),(-?[0-9.]+)$)");
    std::smatch m;
    double previous = 0;
    for (std::size_t i = 1; i <= 20; ++i) {
        ASSERT_TRUE(std::regex_match(lines[i], m, row)) << lines[i];
        const double f = std::stod(m[1]);
        EXPECT_GT(f, previous) << "points in sweep order";
        previous = f;
        // The amplifier is flat within a dB or so over the band; the panel's
        // reference puts it about 3 dB below 0 dBr.
        EXPECT_NEAR(std::stod(m[2]), -3.4, 1.0) << lines[i];
        EXPECT_NEAR(std::stod(m[3]), -3.4, 1.0) << lines[i];
    }
    EXPECT_EQ(lines[1].substr(0, 3), "20,");
    EXPECT_EQ(lines[20].substr(0, 6), "20000,");
    EXPECT_TRUE(std::regex_match(
        lines[21], std::regex(R"(^Widest deviation from 1\d{3}(\.\d+)? Hz \(dB\),-?[0-9.]+,$)")))
        << lines[21];
    fs::remove_all(work);
}

} // namespace

// Test sequences through the headless runner, on virtual time through the
// simulated loopback: readouts read by the script, the log it writes, the
// exit codes, and sequences that fail.

#include "app/headless.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

class SequenceRun : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("arv1-seq-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root / "data");
    }
    void TearDown() override { fs::remove_all(root); }

    // A test panel of the defaults with every readout switched on.
    std::string readoutsOnPanel() {
        app::HeadlessOptions o;
        o.dataDir = (root / "defaults").string();
        EXPECT_EQ(app::runHeadless(o, out, err), 0);
        std::ifstream in(root / "defaults" / "startupini", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        std::string text = s.str(), panel;
        std::size_t start = 0;
        int line = 0;
        for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
            ++line;
            const bool onFlag = line >= 5 && line <= 25 && line % 5 == 0;
            panel += (onFlag ? std::string("1") : text.substr(start, at - start)) + "\r\n";
        }
        const fs::path path = root / "readouts.atp";
        std::ofstream(path, std::ios::binary) << panel;
        return path.string();
    }

    // Writes the sequence (lines joined with CR LF) and runs it.
    int run(const std::vector<std::string>& lines, std::optional<std::string> panel = {}) {
        std::ofstream file(root / "seq.dfs", std::ios::binary);
        for (const auto& line : lines)
            file << line << "\r\n";
        file.close();
        app::HeadlessOptions o;
        o.dataDir = (root / "data").string();
        o.sequence = (root / "seq.dfs").string();
        o.panelFile = panel;
        out.str("");
        err.str("");
        return app::runHeadless(o, out, err);
    }
    std::vector<std::string> logLines(const char* name = "run.log") {
        std::ifstream in(root / "data" / name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
            lines.push_back(text.substr(start, at - start));
        if (start < text.size()) lines.push_back(text.substr(start));
        return lines;
    }

    fs::path root;
    std::ostringstream out, err;
};

TEST_F(SequenceRun, ReadsMeasuredReadoutsWhileCaptureRunsAndLogsThem) {
    const int code = run({
        "Function RUNSEQ()",
        "  logfilepath \"c:\\QEX_ARV1files\\run.log\"",
        "  eraselog \"c:\\QEX_ARV1files\\run.log\"",
        "  ' Every readout on: level V, level dBr, frequency.",
        "  MainPanelClick \"ReadoutOn1\"",
        "  genfreq \"1000\"",
        "  genlevelL \"-6\"",
        "  genlevelR \"-6\"",
        "  datacapture",
        "  waitfor 3",
        "  logadd \"F=\" & readch(5) & \" dB=\" & readch(3) & \" six=[\" & readch(6) & \"]\"",
        "  If checkend Then logadd \"ended\"",
        "End Function",
    });
    EXPECT_EQ(code, 2) << "MainPanelClick is no function of ours: " << out.str();
    EXPECT_NE(out.str().find("at line 5"), std::string::npos) << out.str();

    // The same without the unknown function.
    ASSERT_EQ(run(
                  {
                      "Function RUNSEQ()",
                      "  logfilepath \"c:\\QEX_ARV1files\\run.log\"",
                      "  eraselog \"c:\\QEX_ARV1files\\run.log\"",
                      "  genfreq \"1000\"",
                      "  genlevelL \"-6\"",
                      "  genlevelR \"-6\"",
                      "  datacapture",
                      "  waitfor 3",
                      "  logadd \"F=\" & readch(5) & \" six=[\" & readch(6) & \"]\"",
                      "  logtime",
                      "  logadd \"done\"",
                      "End Function",
                  },
                  readoutsOnPanel()),
              0)
        << out.str() << err.str();
    EXPECT_EQ(out.str(), "Status - OK\n");
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 4u);
    // Readout 5 shows the frequency: a multiple of the bin width near 1 kHz.
    EXPECT_EQ(lines[0].rfind(" F=", 0), 0u) << lines[0];
    const double hz = std::stod(lines[0].substr(3));
    EXPECT_NEAR(hz, 1000, 3);
    EXPECT_NE(lines[0].find("six=[]"), std::string::npos);
    EXPECT_EQ(lines.back(), " done");
}

TEST_F(SequenceRun, SyntaxErrorReportsItsLineAndExitsWithTwo) {
    EXPECT_EQ(run({"Function RUNSEQ()", "  x = 1", "  If x Then", "End Function"}), 2);
    EXPECT_NE(out.str().find(" at line "), std::string::npos) << out.str();

    EXPECT_EQ(run({"Function RUNSEQ()", "  y = 2", "  x = (1 +", "End Function"}), 2);
    EXPECT_EQ(out.str(), "Syntax error at line 3\n");
}

TEST_F(SequenceRun, MissingRunseqIsAScriptError) {
    EXPECT_EQ(run({"Sub Other()", "End Sub"}), 2);
    EXPECT_NE(out.str().find("RUNSEQ"), std::string::npos) << out.str();
}

TEST_F(SequenceRun, BadIndexSetsStatusAndTheScriptGoesOn) {
    EXPECT_EQ(
        run({"Function RUNSEQ()", "  x = getLdata(201)", "  logfilepath \"\"", "End Function"}), 2);
    EXPECT_EQ(out.str(), "Error in getLdata formula.\n");
    EXPECT_EQ(err.str(), "arv1: a script function failed: Error in getLdata formula.\n");
}

TEST_F(SequenceRun, LongVirtualWaitsTakeLittleWallTime) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run({"Function RUNSEQ()", "  datacapture", "  waitfor 30", "End Function"}), 0);
    const auto wall = std::chrono::steady_clock::now() - start;
    // 30 s of capture and measurement in virtual time: a generous bound that
    // a wall-clock wait could never meet.
    EXPECT_LT(wall, std::chrono::seconds(20));
}

TEST(SequenceRunArgs, TimeoutAndDeviceOptions) {
    EXPECT_EQ(app::parseArgs({"--headless", "--timeout", "5"}).error,
              "--timeout goes with --sequence");
    EXPECT_EQ(app::parseArgs({"--headless", "--sequence", "s.dfs", "--timeout", "0"}).error,
              "--timeout needs a number of seconds above 0");
    EXPECT_EQ(app::parseArgs({"--list-devices", "--headless"}).error, "--list-devices goes alone");
    auto parsed = app::parseArgs({"--headless", "--device", "loopback", "--realtime"});
    EXPECT_TRUE(parsed.error.empty());
    EXPECT_EQ(parsed.options.device, "loopback");
    EXPECT_TRUE(parsed.options.realtime);
}

} // namespace

// Test sequences through the headless runner, on virtual time through the
// simulated loopback: readouts read by the script, the log it writes, the
// exit codes, and sequences that fail.

#include "app/headless.h"
#include "run_fixture.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

class SequenceRun : public apptest::TempDirTest {
protected:
    // A test panel with every readout on, readout 5 showing the frequency.
    std::string readoutsOnPanel() {
        const fs::path path = root / "readouts.atp";
        apptest::writeReadoutsPanel(path, [](panel::Panel& p) {
            p.controls()["Readoutmd5"].setText("Frequency");
            p.controls()["Readoutun5"].setText("Hz");
        });
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
    std::vector<std::string> logLines() {
        return apptest::crlfLines(apptest::slurp(root / "data" / "run.log"));
    }

    std::ostringstream out, err;
};

TEST_F(SequenceRun, ReadsMeasuredReadoutsWhileCaptureRunsAndLogsThem) {
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

// Scripts that fail exit with 2 and say where or why.
TEST_F(SequenceRun, ScriptErrorsExitWithTwoAndSayWhy) {
    const struct {
        std::vector<std::string> lines;
        const char* out;
        const char* err;
    } cases[] = {
        {{"Function RUNSEQ()", "  x = 1", "  If x Then", "End Function"}, " at line ", ""},
        {{"Function RUNSEQ()", "  y = 2", "  x = (1 +", "End Function"},
         "Syntax error at line 3\n",
         ""},
        {{"Sub Other()", "End Sub"}, "RUNSEQ", ""},
        // No function of ours.
        {{"Function RUNSEQ()", "  genfreq \"1000\"", "  MainPanelClick \"ReadoutOn1\"",
          "End Function"},
         "at line 3",
         ""},
        // A bad index sets Status, and the script goes on.
        {{"Function RUNSEQ()", "  x = getLdata(201)", "  logfilepath \"\"", "End Function"},
         "Error in getLdata formula.\n",
         "arv1: a script function failed: Error in getLdata formula.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.lines), 2) << c.out;
        EXPECT_NE(out.str().find(c.out), std::string::npos) << out.str();
        EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
    }
}

TEST_F(SequenceRun, LongVirtualWaitsTakeLittleWallTime) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run({"Function RUNSEQ()", "  datacapture", "  waitfor 30", "End Function"}), 0);
    const auto wall = std::chrono::steady_clock::now() - start;
    // 30 s of capture and measurement in virtual time: a generous bound that
    // a wall-clock wait could never meet.
    EXPECT_LT(wall, std::chrono::seconds(20));
}

} // namespace

#include "common/vb_error.h"
#include "seq_fixture.h"
#include "sequencer/addin_functions.h"

#include <chrono>
#include <thread>

namespace {

using sequencer::kStatusOk;

struct ControlWrite {
    const char* function;
    const char* control;
};

class ControlWriteTest : public SequencerTest,
                         public ::testing::WithParamInterface<ControlWrite> {};

// The generator reacts through the control's change handler, whoever writes it.
TEST_P(ControlWriteTest, WritesTheControlAndRaisesItsChangeHandler) {
    int changes = 0;
    c(GetParam().control).onChange([&] { ++changes; });
    run(seq(std::string(GetParam().function) + " \"-12.5\"\r\nMathFunction." + GetParam().function +
            " 7"));
    EXPECT_EQ(c(GetParam().control).text(), "7");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(host.status(), kStatusOk);
}

INSTANTIATE_TEST_SUITE_P(Generator, ControlWriteTest,
                         ::testing::Values(ControlWrite{"genfreq", "GenFreq1"},
                                           ControlWrite{"genlevelL", "LeftGenLevel"},
                                           ControlWrite{"genlevelR", "RightGenLevel"},
                                           ControlWrite{"phaseR", "DeltaPhase"}));

struct Failure {
    const char* call;
    const char* status;
    const char* result; // what the script got back, for functions with a result
};

class FailureTest : public SequencerTest, public ::testing::WithParamInterface<Failure> {};

// A failing function shows its text, returns its empty result, and the
// script goes on with the next line.
TEST_P(FailureTest, ShowsItsTextAndTheScriptGoesOn) {
    c("SweepStart").onClick([] { throw std::runtime_error("sweep cannot start"); });
    c("Gen_On").onClick([] { throw std::runtime_error("no output device"); });
    const std::string call = GetParam().call;
    const bool hasResult = GetParam().result != nullptr;
    run(seq((hasResult ? "keep \"[\" & " + call + " & \"]\"" : call) + "\r\nkeep \"after\""));
    EXPECT_EQ(host.status(), GetParam().status);
    const std::vector<std::string> expected =
        hasResult ? std::vector<std::string>{"[" + std::string(GetParam().result) + "]", "after"}
                  : std::vector<std::string>{"after"};
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::DarkCyan);
}

INSTANTIATE_TEST_SUITE_P(
    Functions, FailureTest,
    ::testing::Values(Failure{"loadtest Null", "Error in loadtest formula.", nullptr},
                      Failure{"starttest", "Error in starttest formula.", nullptr},
                      Failure{"datacapture", "Error in datacapture formula.", nullptr},
                      Failure{"genfreq Null", "Error in genfreq formula.", nullptr},
                      Failure{"genlevelL Null", "Error genlevelL in formula.", nullptr},
                      Failure{"genlevelR Null", "Error in genlevelR formula.", nullptr},
                      Failure{"phaseR Null", "Error in phaseR formula.", nullptr},
                      Failure{"logdata Null", "Error in logdata formula.", nullptr},
                      Failure{"logfilepath Null", "Error in logfilepath formula.", nullptr},
                      Failure{"logviewer Null", "Error in logviewer formula.", nullptr},
                      Failure{"waitfor \"soon\"", "Error in waitfor formula.", nullptr},
                      Failure{"splash \"hello\", \"soon\"", "Error in splash formula.", nullptr},
                      Failure{"readch(\"first\")", "Error in readch formula.", ""},
                      Failure{"getfreqdata(201)", "Error in getfreqdata formula.", ""},
                      Failure{"getLdata(201)", "Error in getLdata formula.", ""},
                      Failure{"getRdata(-1)", "Error in getRdata formula.", ""},
                      // The silent ones change nothing.
                      Failure{"logadd Null", "Status - OK", nullptr},
                      Failure{"logpretext Null", "Status - OK", nullptr},
                      Failure{"eraselog Null", "Status - OK", nullptr}));

TEST_F(SequencerTest, TheObjectHasEveryFunctionInOrder) {
    auto object = sequencer::makeAddInFunctions(host);
    const std::vector<std::string> names = object->memberNames();
    ASSERT_EQ(names.size(), sequencer::kAddInFunctionNames.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], sequencer::kAddInFunctionNames[i]);
}

TEST_F(SequencerTest, ReadchGivesTheReadoutCaptionAndThePercentSign) {
    c("Readout1").setCaption("1.234");
    c("Readout2").setCaption(".0123");
    c("Readoutun2").setText("%");
    run(seq("keep readch(1)\r\nkeep readch(2)\r\nkeep \"[\" & readch(6) & \"]\"\r\n"
            "keep \"[\" & readch(0) & \"]\""));
    EXPECT_EQ(kept, (std::vector<std::string>{"1.234", ".0123 %", "[]", "[]"}));
    EXPECT_EQ(host.status(), kStatusOk);
}

TEST_F(SequencerTest, SweepValuesAsShortestText) {
    panel.sweepData.pointCount = 2;
    panel.sweepData.freq[1] = 1000;
    panel.sweepData.freq[2] = 20000.5;
    panel.sweepData.levelLeft[2] = -0.6f;
    panel.sweepData.levelRight[200] = 1.5f;
    run(seq("keep getfreqdata(1)\r\nkeep getfreqdata(2)\r\nkeep getLdata(2)\r\n"
            "keep getRdata(200)\r\nkeep getLdata(0)"));
    EXPECT_EQ(kept, (std::vector<std::string>{"1000", "20000.5", "-0.6", "1.5", "0"}));
    EXPECT_EQ(host.status(), kStatusOk);
}

TEST_F(SequencerTest, ButtonsArePressedAndLampsRead) {
    int sweepStarts = 0, generatorOns = 0;
    c("SweepStart").onClick([&] { ++sweepStarts; });
    c("Gen_On").onClick([&] { ++generatorOns; });
    run(seq("datacapture\r\nstarttest\r\nkeep passfail\r\nkeep checkend"));
    c("PFLED").setColour(panel::colour::Red);
    run(seq("keep passfail"));
    c("PFLED").setColour(panel::colour::Green);
    run(seq("keep passfail"));
    EXPECT_EQ(sweepStarts, 1);
    EXPECT_EQ(generatorOns, 1);
    EXPECT_EQ(kept, (std::vector<std::string>{"True", "False", "False", "True"}));
}

TEST_F(SequencerTest, LoadtestReadsTheNamedPanel) {
    c("GenFreq1").setText("2500");
    panel.testPanelPath = "c:\\QEX_ARV1files\\amp.atp";
    panel.WritePanelFile();
    c("GenFreq1").setText("1000");
    panel.testPanelPath = "somewhere else";
    run(seq("loadtest \"C:/qex_arv1files/amp.atp\""));
    EXPECT_EQ(panel.testPanelPath, "C:/qex_arv1files/amp.atp");
    EXPECT_EQ(c("GenFreq1").text(), "2500");
    EXPECT_EQ(panel.settings.GenFreq1, 2500);
}

TEST_F(SequencerTest, LogFunctionsShareTheLogPath) {
    panel.settings.logLevels = 1;
    panel.sweepData.pointCount = 1;
    panel.sweepData.freq[1] = 1000;
    panel.sweepData.levelLeft[1] = -0.5f;
    panel.sweepData.levelRight[1] = -0.25f;
    run(seq("logfilepath \"c:\\QEX_ARV1files\\a.log\"\r\nlogtime\r\nlogpretext \"unit 7\"\r\n"
            "logadd \"passed\""));
    const std::string stamp =
        sequencer::logDateTime(std::chrono::system_clock::from_time_t(1'800'000'000));
    EXPECT_EQ(read("a.log"), "\r\n" + stamp + "\r\n\r\n unit 7 passed\r\n");

    run(seq("logdata \"c:\\QEX_ARV1files\\a.log\""));
    EXPECT_EQ(read("a.log"), "Frequency, L Level, R Level\r\n1000,    -0.5,     -0.25\r\n");

    run(seq("eraselog \"c:\\QEX_ARV1files\\a.log\"\r\nlogfilepath \"\"\r\nlogadd \"x\"\r\n"
            "logdata \"\""));
    EXPECT_FALSE(std::filesystem::exists(dir / "a.log"));
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    EXPECT_EQ(host.status(), kStatusOk);

    write("b.log", "old text");
    run(seq("logviewer \"c:\\QEX_ARV1files\\b.log\""));
    EXPECT_EQ(host.logViewer().text(), "old text");
    EXPECT_TRUE(host.logViewer().visible());
}

TEST_F(SequencerTest, LaunchappOpensThroughTheLauncher) {
    run(seq(
        "launchapp \"c:\\QEX_ARV1files\\report.log\"\r\nlaunchapp \"https://example.org/a b\""));
    EXPECT_EQ(launcher.opened,
              (std::vector<std::string>{(dir / "report.log").string(), "https://example.org/a b"}));
}

// The opener's failure reaches the script as a script error.
TEST_F(SequencerTest, LaunchappPassesOpenerErrorsToTheScript) {
    struct Failing : sequencer::AppLauncher {
        void open(std::string_view) override { common::raise(common::err::FileNotFound); }
    } failing;
    sequencer::ScriptHost other{panel, loop, dialogs, failing};
    other.seqCode = seq("launchapp \"x\"");
    other.AutoAdd();
    other.SeqRun_Click();
    EXPECT_EQ(other.status(), "File not found at line 2");
    EXPECT_EQ(other.lastRunResult()->number, 53);
}

TEST(DesktopLauncher, PassesTheTargetAsOneArgumentWithoutAShell) {
    const auto dir = std::filesystem::temp_directory_path() / "arv1-seq-launch";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    // A shell would split this name, run the second command and expand $HOME.
    const auto target = dir / "a b;touch pwned $HOME";
    sequencer::DesktopLauncher("touch").open(target.string());
    for (int i = 0; i < 500 && !std::filesystem::exists(target); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
    std::filesystem::remove_all(dir);

    try {
        sequencer::DesktopLauncher("arv1-no-such-opener").open("x");
        FAIL() << "a missing opener must raise";
    } catch (const common::VbError& e) {
        EXPECT_EQ(e.number(), common::err::FileNotFound);
    }
}

} // namespace

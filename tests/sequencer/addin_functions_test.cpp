#include "common/vb_error.h"
#include "seq_fixture.h"

#include <thread>

namespace {

using sequencer::kStatusOk;
using Texts = std::vector<std::string>;

// The generator reacts through the control's change handler, whoever writes it.
TEST_F(SequencerTest, GeneratorFunctionsWriteTheirControls) {
    int changes = 0;
    for (const char* name : {"GenFreq1", "LeftGenLevel", "RightGenLevel", "DeltaPhase"})
        c(name).onChange([&] { ++changes; });
    run(seq("genfreq \"2500\"\r\ngenlevelL -3\r\nMathFunction.genlevelR \"-4.5\"\r\nphaseR 90"));
    EXPECT_EQ(c("GenFreq1").text(), "2500");
    EXPECT_EQ(c("LeftGenLevel").text(), "-3");
    EXPECT_EQ(c("RightGenLevel").text(), "-4.5");
    EXPECT_EQ(c("DeltaPhase").text(), "90");
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(host.status(), kStatusOk);
}

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
    const Texts expected =
        hasResult ? Texts{"[" + std::string(GetParam().result) + "]", "after"} : Texts{"after"};
    EXPECT_EQ(kept, expected);
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
                      Failure{"splash \"hi\", \"soon\"", "Error in splash formula.", nullptr},
                      Failure{"readch(\"first\")", "Error in readch formula.", ""},
                      Failure{"getfreqdata(201)", "Error in getfreqdata formula.", ""},
                      Failure{"getLdata(201)", "Error in getLdata formula.", ""},
                      Failure{"getRdata(-1)", "Error in getRdata formula.", ""},
                      Failure{"readch(6)", "Status - OK", ""},
                      Failure{"logadd Null", "Status - OK", nullptr},
                      Failure{"logpretext Null", "Status - OK", nullptr},
                      Failure{"eraselog Null", "Status - OK", nullptr}));

TEST_F(SequencerTest, ReadoutsSweepPointsAndLampsAreRead) {
    c("Readout1").setCaption("1.234");
    c("Readout2").setCaption(".0123");
    c("Readoutun2").setText("%");
    c("Readout3").setCaption("0.0123 %"); // a precision caption carries its unit
    c("Readoutun3").setText("%");
    panel.sweepData.freq[1] = 20000.5;
    panel.sweepData.levelLeft[2] = -0.6f;
    panel.sweepData.levelRight[200] = 1.5f;
    run(seq("keep readch(1)\r\nkeep readch(2)\r\nkeep readch(3)\r\nkeep getfreqdata(1)\r\n"
            "keep getLdata(2)\r\n"
            "keep getRdata(200)\r\nkeep getLdata(0)\r\nkeep passfail\r\nkeep checkend"));
    c("PFLED").setColour(panel::colour::Red);
    run(seq("keep passfail"));
    EXPECT_EQ(kept, (Texts{"1.234", ".0123 %", "0.0123 %", "20000.5", "-0.6", "1.5", "0", "True",
                           "False", "False"}));
}

TEST_F(SequencerTest, ButtonsArePressedAndPanelsLoaded) {
    int sweepStarts = 0, generatorOns = 0;
    c("SweepStart").onClick([&] { ++sweepStarts; });
    c("Gen_On").onClick([&] { ++generatorOns; });
    c("GenFreq1").setText("2500");
    panel.testPanelPath = "c:\\QEX_ARV1files\\amp.atp";
    panel.WritePanelFile();
    c("GenFreq1").setText("1000");
    run(seq("datacapture\r\nstarttest\r\nloadtest \"C:/qex_arv1files/amp.atp\""));
    EXPECT_EQ(sweepStarts, 1);
    EXPECT_EQ(generatorOns, 1);
    EXPECT_EQ(panel.testPanelPath, "C:/qex_arv1files/amp.atp");
    EXPECT_EQ(c("GenFreq1").text(), "2500");
}

TEST_F(SequencerTest, LogFunctionsShareTheLogPath) {
    panel.settings.logLevels = 1;
    panel.sweepData.pointCount = 1;
    panel.sweepData.freq[1] = 1000;
    panel.sweepData.levelLeft[1] = -0.5f;
    panel.sweepData.levelRight[1] = -0.25f;
    const std::string path = "\"c:\\QEX_ARV1files\\a.log\"";
    run(seq("logfilepath " + path + "\r\nlogtime\r\nlogpretext \"unit 7\"\r\nlogadd \"ok\""));
    const auto when = std::chrono::system_clock::from_time_t(1'800'000'000);
    EXPECT_EQ(read("a.log"), "\r\n" + sequencer::logDateTime(when) + "\r\n\r\n unit 7 ok\r\n");
    run(seq("logdata " + path));
    EXPECT_EQ(read("a.log"), "Frequency, L Level, R Level\r\n1000,    -0.5,     -0.25\r\n");
    run(seq("logviewer " + path + "\r\neraselog " + path +
            "\r\nlogfilepath \"\"\r\nlogadd \"x\"\r\nlogdata \"\""));
    EXPECT_EQ(host.logViewer().text().substr(0, 9), "Frequency");
    EXPECT_TRUE(host.logViewer().visible());
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    EXPECT_EQ(host.status(), kStatusOk);
}

TEST_F(SequencerTest, LaunchappOpensThroughTheLauncher) {
    run(seq("launchapp \"c:\\QEX_ARV1files\\r.log\"\r\nlaunchapp \"https://example.org/a b\""));
    EXPECT_EQ(launcher.opened, (Texts{(dir / "r.log").string(), "https://example.org/a b"}));
    // The opener's failure reaches the script as a script error.
    struct Failing : sequencer::AppLauncher {
        void open(std::string_view) override { common::raise(common::err::FileNotFound); }
    } failing;
    sequencer::ScriptHost other{panel, loop, dialogs, failing};
    other.seqCode = seq("launchapp \"x\"");
    other.AutoAdd();
    other.SeqRun_Click();
    EXPECT_EQ(other.status(), "File not found at line 2");
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
    EXPECT_THROW(sequencer::DesktopLauncher("arv1-no-such-opener").open("x"), common::VbError);
}

} // namespace

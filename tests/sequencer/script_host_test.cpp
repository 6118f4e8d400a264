#include "seq_fixture.h"

namespace {

using sequencer::kStatusOk;
using Texts = std::vector<std::string>;

TEST_F(SequencerTest, RunLampAndStatusFollowRunseq) {
    host.engine().addFunction("lamp", [&](std::span<const script::Variant>) {
        return script::Variant(c("SeqLED").colour() == panel::colour::Green);
    });
    host.setStatus("Error in genfreq formula.");
    host.seqCode = seq("keep lamp");
    host.AutoAdd();
    c("SeqRun").click();
    EXPECT_EQ(kept, Texts{"True"});
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::DarkCyan);
    EXPECT_EQ(host.status(), kStatusOk);
    EXPECT_EQ(host.lastRunResult()->number, 0);

    run(seq("x = 1\r\ny = x / 0"));
    EXPECT_EQ(host.status(), "Division by zero at line 3");
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::Green);
    EXPECT_EQ(host.lastRunResult()->number, 11);
}

TEST_F(SequencerTest, SequenceWithoutRunseq) {
    run("Sub Other()\r\nEnd Sub\r\n");
    EXPECT_EQ(host.status(), "Sub or Function not defined: 'RUNSEQ' at line 1");
}

TEST_F(SequencerTest, LoadingSequencesThroughTheDialog) {
    write("one.dfs", "Function RUNSEQ()\r\nkeep \"one \xE9\"\r\nEnd Function\r\n");
    write("two.dfs", "Function RUNSEQ()\r\nkeep \"two\"\r\nEnd Function\r\n");
    write("bad.dfs", "Function RUNSEQ()\r\nkeep \"x\"\r\nIf Then\r\nEnd Function\r\n");
    for (const char* name : {"one", "two", "bad", "missing"}) {
        dialogs.queueFile(std::string("c:\\QEX_ARV1files\\") + name + ".dfs");
        c("mnuLoadSeq").click();
        host.SeqRun_Click();
    }
    // A later load adds to the same engine and its RUNSEQ runs; one with a
    // syntax error adds nothing.
    EXPECT_EQ(kept, (Texts{"one \u00e9", "two", "two", "two"}));
    EXPECT_EQ(dialogs.records().at(0).file.filter, sequencer::kSequenceFileFilter);
    EXPECT_EQ(panel.testPanelPath, "c:\\QEX_ARV1files\\missing.dfs");

    EXPECT_FALSE(host.loadSequence("c:\\QEX_ARV1files\\bad.dfs"));
    EXPECT_EQ(host.engine().lastError().line, 3);
    EXPECT_EQ(host.status(), host.engine().lastError().description + " at line 3");
    EXPECT_FALSE(host.loadSequence("c:\\QEX_ARV1files\\missing.dfs"));
    EXPECT_EQ(host.status(), "File not found at line 0");
    EXPECT_TRUE(host.loadSequence("c:\\QEX_ARV1files\\two.dfs"));

    host.seqCode = "kept";
    dialogs.queueCancel();
    host.mnuLoadSeq_Click();
    dialogs.queueFileError(5, "Invalid procedure call or argument");
    host.mnuLoadSeq_Click();
    EXPECT_EQ(dialogs.messageTexts(),
              Texts{"Error 5 selecting file.\r\nInvalid procedure call or argument"});
    EXPECT_EQ(host.seqCode, "kept");
}

// waitfor lets timers run and moves virtual time; 30 s take no wall time.
TEST_F(SequencerTest, WaitforKeepsThePanelWorkingInVirtualTime) {
    int ticks = 0;
    auto timer = loop.createTimer(300, [&] { ++ticks; });
    c("GenFreq1").onChange([&] { timer->setEnabled(true); });
    run(seq("genfreq \"2000\"\r\nwaitfor 1\r\nwaitfor 30"));
    EXPECT_EQ(loop.nowMs(), 31000);
    EXPECT_EQ(ticks, 103); // 0.3 s .. 30.9 s
}

struct WaitCase {
    std::int64_t startMs;
    const char* seconds;
    std::int64_t endMs;
};

class WaitforTest : public SequencerTest, public ::testing::WithParamInterface<WaitCase> {};

// The wait counts from the start time rounded to a whole second (halves to
// even) and always lets due events run once.
TEST_P(WaitforTest, EndsAtTheRoundedStartPlusTheSeconds) {
    loop.advance(GetParam().startMs);
    int ran = 0;
    loop.post([&] { ++ran; });
    run(seq(std::string("waitfor ") + GetParam().seconds));
    EXPECT_EQ(loop.nowMs(), GetParam().endMs);
    EXPECT_EQ(ran, 1);
}

INSTANTIATE_TEST_SUITE_P(Rounding, WaitforTest,
                         ::testing::Values(WaitCase{0, "0", 0}, WaitCase{1400, "0", 1400},
                                           WaitCase{1600, "0", 2000}, WaitCase{2500, "0", 2500},
                                           WaitCase{3500, "1", 5000}, WaitCase{0, "0.25", 250},
                                           WaitCase{1000, "-5", 1000}, WaitCase{0, "\"2\"", 2000}));

TEST_F(SequencerTest, SplashShowsItsTextWhileWaiting) {
    std::string during;
    loop.post([&] { during = c("Splashwindow").visible() ? c("Splashwindow").caption() : ""; },
              1000);
    run(seq("splash \"Connect the left channel\", 2"));
    EXPECT_EQ(during, "Connect the left channel\r\n");
    EXPECT_FALSE(c("Splashwindow").visible());
    EXPECT_EQ(loop.nowMs(), 2000);
}

// END pressed during a wait is seen at the next checkend; it also stops the sweep.
TEST_F(SequencerTest, EndIsHonouredAtTheNextCheckend) {
    int sweepStops = 0;
    c("SweepStop").onClick([&] { ++sweepStops; });
    loop.post([&] { c("SeqEnd").click(); }, 5500);
    run(seq("Do While Not checkend\r\nwaitfor 1\r\nn = n + 1\r\nLoop\r\nkeep n"));
    run(seq("keep checkend"));
    EXPECT_EQ(kept, (Texts{"6", "False"}));
    EXPECT_EQ(sweepStops, 1);
    EXPECT_EQ(host.status(), kStatusOk);
}

class RunawayTest : public SequencerTest, public ::testing::WithParamInterface<const char*> {};

// A script that never looks at checkend still ends, with the interrupt error,
// and the next run is not affected.
TEST_P(RunawayTest, RunTimeLimitStopsIt) {
    host.setRunTimeLimit(std::chrono::milliseconds(200));
    run(seq(GetParam()));
    EXPECT_EQ(host.lastRunResult()->number, 18);
    EXPECT_EQ(host.status().rfind("User interrupt occurred at line ", 0), 0u) << host.status();
    run(seq("keep \"next\""));
    EXPECT_EQ(kept, Texts{"next"});
}

INSTANTIATE_TEST_SUITE_P(Loops, RunawayTest,
                         ::testing::Values("Do\r\nx = x + 1\r\nLoop", "Do\r\nwaitfor 1\r\nLoop",
                                           "On Error Resume Next\r\nDo\r\nLoop"));

// In the GUI a busy script lets events run now and then; END pressed twice
// without a checkend in between stops it.
TEST_F(SequencerTest, SecondEndStopsAScriptThatIgnoresTheFirst) {
    host.setPumpWhileRunning(true);
    loop.post([&] {
        c("SeqEnd").click();
        c("SeqEnd").click();
    });
    run(seq("Do\r\nx = x + 1\r\nLoop"));
    EXPECT_EQ(host.lastRunResult()->number, 18);
}

TEST_F(SequencerTest, LogNowWritesTheSweepLog) {
    panel.settings.logFilePath = "c:\\QEX_ARV1files\\now.log";
    panel.settings.logThd = 1;
    panel.sweepData.pointCount = 1;
    panel.sweepData.freq[1] = 50;
    panel.sweepData.thdLeft[1] = 0.5f;
    panel.sweepData.thdRight[1] = 0.25f;
    c("mnuLog").click();
    EXPECT_EQ(read("now.log"), "Frequency, L THD, R THD\r\n50,    0.5,     0.25\r\n");
}

} // namespace

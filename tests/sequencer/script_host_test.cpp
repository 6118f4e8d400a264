#include "seq_fixture.h"

#include <thread>

namespace {

using sequencer::kStatusOk;

TEST_F(SequencerTest, StartsIdleWithTheControlsItNeeds) {
    EXPECT_EQ(host.status(), kStatusOk);
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::DarkCyan);
    EXPECT_FALSE(c("Splashwindow").visible());
    EXPECT_EQ(c("SeqRun").caption(), "RUN");
    EXPECT_EQ(c("mnuLoadSeq").caption(), "Load Test Sequence");
    EXPECT_FALSE(host.lastRunResult().has_value());
}

TEST_F(SequencerTest, RunTurnsTheLampGreenUntilRunseqReturns) {
    std::uint32_t lampDuringRun = 0;
    host.engine().addFunction("lamp", [&](std::span<const script::Variant>) {
        lampDuringRun = c("SeqLED").colour();
        return script::Variant();
    });
    host.setStatus("Error in genfreq formula.");
    host.seqCode = seq("lamp");
    host.AutoAdd();
    c("SeqRun").click();
    EXPECT_EQ(lampDuringRun, panel::colour::Green);
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::DarkCyan);
    EXPECT_EQ(host.status(), kStatusOk);
    ASSERT_TRUE(host.lastRunResult().has_value());
    EXPECT_EQ(host.lastRunResult()->number, 0);
}

TEST_F(SequencerTest, RuntimeErrorShowsDescriptionAndLineAndKeepsTheLampGreen) {
    run(seq("x = 1\r\ny = x / 0"));
    EXPECT_EQ(host.status(), "Division by zero at line 3");
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::Green);
    EXPECT_EQ(host.lastRunResult()->number, 11);
}

TEST_F(SequencerTest, SequenceWithoutRunseq) {
    run("Sub Other()\r\nEnd Sub\r\n");
    EXPECT_EQ(host.status(), "Sub or Function not defined: 'RUNSEQ' at line 1");
    EXPECT_EQ(host.lastRunResult()->number, 35);
}

TEST_F(SequencerTest, LoadingSequencesThroughTheDialog) {
    write("one.dfs", "Function RUNSEQ()\r\nkeep \"one \xE9\"\r\nEnd Function\r\n");
    write("two.dfs", "Function RUNSEQ()\r\nkeep \"two\"\r\nEnd Function\r\n");
    write("bad.dfs", "Function RUNSEQ()\r\nkeep \"x\"\r\nIf Then\r\nEnd Function\r\n");
    panel.settings.defaultDataDirectory = "c:\\QEX_ARV1files";
    dialogs.queueFile("c:\\QEX_ARV1files\\one.dfs");
    host.mnuLoadSeq_Click();
    EXPECT_EQ(panel.testPanelPath, "c:\\QEX_ARV1files\\one.dfs");
    EXPECT_EQ(host.seqCode, "Function RUNSEQ()\r\nkeep \"one \u00e9\"\r\nEnd Function\r\n");
    host.SeqRun_Click();
    // A later load adds to the same engine; its RUNSEQ is the one that runs.
    dialogs.queueFile("c:\\QEX_ARV1files\\two.dfs");
    c("mnuLoadSeq").click();
    host.SeqRun_Click();
    EXPECT_EQ(kept, (std::vector<std::string>{"one \u00e9", "two"}));
    const auto request = dialogs.records(platform::ScriptedDialogs::Kind::OpenFile).at(0).file;
    EXPECT_EQ(request.filter, sequencer::kSequenceFileFilter);

    // A syntax error on line 3 adds nothing.
    dialogs.queueFile("c:\\QEX_ARV1files\\bad.dfs");
    host.mnuLoadSeq_Click();
    const script::ErrorInfo& error = host.engine().lastError();
    EXPECT_EQ(error.line, 3);
    EXPECT_EQ(host.status(), error.description + " at line 3");
    host.SeqRun_Click();
    EXPECT_EQ(kept.back(), "two");

    dialogs.queueFile("c:\\QEX_ARV1files\\missing.dfs");
    host.mnuLoadSeq_Click();
    EXPECT_EQ(host.status(), "File not found at line 0");
    EXPECT_EQ(host.seqCode, "");
}

TEST_F(SequencerTest, CancelledOrFailedDialogLoadsNothing) {
    panel.testPanelPath = "c:\\QEX_ARV1files\\panel.atp";
    host.seqCode = "kept";
    dialogs.queueCancel();
    host.mnuLoadSeq_Click();
    EXPECT_EQ(panel.testPanelPath, "c:\\QEX_ARV1files\\panel.atp");
    dialogs.queueFileError(5, "Invalid procedure call or argument");
    host.mnuLoadSeq_Click();
    EXPECT_EQ(dialogs.messageTexts(),
              (std::vector<std::string>{
                  "Error 5 selecting file.\r\nInvalid procedure call or argument"}));
    EXPECT_EQ(host.seqCode, "kept");
    EXPECT_EQ(host.status(), kStatusOk);
}

TEST_F(SequencerTest, AutoAddReportsToTheEditorLine) {
    host.seqCode = seq("keep 1");
    EXPECT_EQ(host.AutoAdd(), "Code autoloading complete.");
    EXPECT_EQ(host.status(), kStatusOk);
    host.seqCode = "Function RUNSEQ(\r\n";
    EXPECT_EQ(host.AutoAdd(), "Error in Script.");
    EXPECT_EQ(host.status(), "Error in Script.");
}

// waitfor lets timers and posted work run and moves virtual time.
TEST_F(SequencerTest, WaitforKeepsThePanelWorkingInVirtualTime) {
    int ticks = 0;
    auto timer = loop.createTimer(300, [&] { ++ticks; });
    c("GenFreq1").onChange([&] { timer->setEnabled(true); });
    run(seq("genfreq \"2000\"\r\nwaitfor 1\r\nkeep \"\" & readch(1)\r\nwaitfor 30"));
    EXPECT_EQ(loop.nowMs(), 31000);
    EXPECT_EQ(ticks, 103); // 300 ms .. 30.9 s
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
    EXPECT_EQ(host.status(), kStatusOk);
}

INSTANTIATE_TEST_SUITE_P(Rounding, WaitforTest,
                         ::testing::Values(WaitCase{0, "0", 0}, WaitCase{1400, "0", 1400},
                                           WaitCase{1600, "0", 2000}, WaitCase{2500, "0", 2500},
                                           WaitCase{3500, "1", 5000}, WaitCase{0, "0.25", 250},
                                           WaitCase{1000, "-5", 1000}, WaitCase{0, "\"2\"", 2000}));

TEST_F(SequencerTest, SplashShowsItsTextWhileWaiting) {
    bool visibleDuringWait = false;
    std::string caption;
    loop.post(
        [&] {
            visibleDuringWait = c("Splashwindow").visible();
            caption = c("Splashwindow").caption();
        },
        1000);
    run(seq("splash \"Connect the left channel\", 2"));
    EXPECT_TRUE(visibleDuringWait);
    EXPECT_EQ(caption, "Connect the left channel\r\n");
    EXPECT_FALSE(c("Splashwindow").visible());
    EXPECT_EQ(loop.nowMs(), 2000);
}

// END pressed during a wait is seen at the next checkend; it also stops the sweep.
TEST_F(SequencerTest, EndIsHonouredAtTheNextCheckend) {
    int sweepStops = 0;
    c("SweepStop").onClick([&] { ++sweepStops; });
    loop.post([&] { c("SeqEnd").click(); }, 5500);
    run(seq("n = 0\r\nDo While Not checkend\r\nwaitfor 1\r\nn = n + 1\r\nLoop\r\nkeep n"));
    EXPECT_EQ(kept, std::vector<std::string>{"6"});
    EXPECT_EQ(sweepStops, 1);
    EXPECT_EQ(host.status(), kStatusOk);
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::DarkCyan);
    // The next RUN starts with no END request.
    run(seq("keep checkend"));
    EXPECT_EQ(kept.back(), "False");
}

struct RunawayCase {
    const char* name;
    const char* body;
};

class RunawayTest : public SequencerTest, public ::testing::WithParamInterface<RunawayCase> {};

// A script that never looks at checkend still ends, with the interrupt error.
TEST_P(RunawayTest, RunTimeLimitStopsIt) {
    host.setRunTimeLimit(std::chrono::milliseconds(200));
    run(seq(GetParam().body));
    EXPECT_EQ(host.lastRunResult()->number, 18);
    EXPECT_EQ(host.status().rfind("User interrupt occurred at line ", 0), 0u) << host.status();
    EXPECT_EQ(c("SeqLED").colour(), panel::colour::Green);
    // The next run is not affected.
    run(seq("keep \"next\""));
    EXPECT_EQ(kept, std::vector<std::string>{"next"});
}

INSTANTIATE_TEST_SUITE_P(Loops, RunawayTest,
                         ::testing::Values(RunawayCase{"busy", "Do\r\nx = x + 1\r\nLoop"},
                                           RunawayCase{"waiting", "Do\r\nwaitfor 1\r\nLoop"},
                                           RunawayCase{"resumeNext",
                                                       "On Error Resume Next\r\nDo\r\nLoop"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SequencerTest, AbortFromAnotherThreadStopsABusyScript) {
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        host.requestAbort();
    });
    run(seq("Do\r\nLoop"));
    stopper.join();
    EXPECT_EQ(host.lastRunResult()->number, 18);
}

// In the GUI the busy script lets events run now and then; END pressed twice
// without a checkend in between stops it.
TEST_F(SequencerTest, SecondEndStopsAScriptThatIgnoresTheFirst) {
    host.setPumpWhileRunning(true);
    loop.post([&] {
        c("SeqEnd").click();
        c("SeqEnd").click();
    });
    run(seq("Do\r\nx = x + 1\r\nLoop"));
    EXPECT_EQ(host.lastRunResult()->number, 18);
    // A single END while idle only requests the end.
    c("SeqEnd").click();
    EXPECT_EQ(host.seqStopRequested, 1);
}

TEST_F(SequencerTest, MsgBoxGoesToTheDialogs) {
    dialogs.queueAnswer(platform::Answer::Yes);
    run(seq("MsgBox \"Connect the amplifier\"\r\nkeep MsgBox(\"Ready?\", 4, \"Test\")"));
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"Connect the amplifier"});
    EXPECT_EQ(kept, std::vector<std::string>{"6"});
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
    c("mnuLogview").click();
    EXPECT_TRUE(host.logViewer().visible());
}

} // namespace

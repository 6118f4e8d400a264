#pragma once
// The test sequencer's script host: the panel's script engine (VBSEval) with
// clsAddInFunction added as "MathFunction", the sequencer's controls (RUN,
// END, the SeqLED lamp, the Status line, the splash label, the menu items)
// and the routines behind them: loading a sequence, running RUNSEQ, ending it,
// the editor's hand-over (AutoAdd), "Log Now" and the log viewer.
//
// Running is synchronous: SeqRun_Click returns when RUNSEQ has returned or
// failed. While the script waits (waitfor, splash) the event loop keeps
// running timers, capture and playback, and the operator may press END,
// which the script sees at its next checkend.
//
// Stopping a script that never calls waitfor or checkend: requestAbort()
// (from any thread), a run-time limit, or END pressed a second time before
// the script noticed the first one. The script then ends with the engine's
// "User interrupt occurred" error. In the GUI a script in a tight loop only
// sees END when setPumpWhileRunning(true) lets events run during it.
//
// Thread: the instrument's thread only, except requestAbort().

#include "script/engine.h"
#include "sequencer/datalog.h"
#include "sequencer/launcher.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace panel {
class Control;
class Panel;
} // namespace panel

namespace platform {
class Dialogs;
class EventLoop;
} // namespace platform

namespace sequencer {

inline constexpr std::string_view kSequenceFileFilter = "Test Sequence Files|*.dfs|*.*|*.*";
inline constexpr std::string_view kStatusOk = "Status - OK";
inline constexpr std::string_view kAutoloadComplete = "Code autoloading complete.";
inline constexpr std::string_view kScriptError = "Error in Script.";

// A script's MsgBox through the dialogs: a Yes/No question for
// vbYesNo, else a message box answered with OK.
script::MsgBoxHandler dialogMsgBox(platform::Dialogs& dialogs);

// Scripts' FileSystemObject paths go through the instrument's path mapping
// ("c:\QEX_ARV1files\..." in any spelling lands in the data directory).
void useInstrumentPaths(script::Engine& engine);

class ScriptHost {
public:
    // Creates the sequencer's controls that the panel does not have yet
    // (Status, SeqLED, SeqRun, SeqEnd, Splashwindow, the menu items mnuLoadSeq,
    // mnuLog and mnuLogview, and the sweep buttons SweepStart and SweepStop
    // that starttest and END press), binds the sequencer's click handlers, and
    // adds "MathFunction" to the engine with global members.
    ScriptHost(panel::Panel& panel, platform::EventLoop& loop, platform::Dialogs& dialogs,
               AppLauncher& launcher, DataLog::Clock clock = std::chrono::system_clock::now);
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // ---- the panel's routines ---------------------------------------------------
    void SeqRun_Click();      // lamp green, then commence_sequence
    void commence_sequence(); // clear END, "Status - OK", evaluate RUNSEQ
    void SeqEnd_Click();      // end_sequence
    void end_sequence();      // request the end, press the sweep's STOP
    void mnuLoadSeq_Click();  // choose a .dfs file, then loadSequence
    // Loads a sequence file as the menu does after its dialog: the name goes
    // to testPanelPath, the text to seqCode and to the engine. False when the
    // file cannot be read or does not compile (Status then tells why).
    bool loadSequence(std::string_view path);
    // Adds seqCode to the engine (the editor's "AutoLoad") and returns the
    // text for the editor's message line. `unitName` labels the code's errors
    // (ErrorInfo::unit) and is not shown.
    std::string AutoAdd(std::string_view unitName = {});
    void mnuLog_Click();     // "Log Now": the sweep log to logFilePath
    void mnuLogview_Click(); // shows the log viewer

    // ---- what the script functions use ------------------------------------------
    // Lets events run until the event loop's clock reaches the start second
    // (rounded, halves to even) plus `seconds`; pumps at least once. Returns
    // early only when the script is being stopped.
    void waitfor(double seconds);
    // Shows Splashwindow with the text and a line break while waiting.
    void splash(std::string_view text, double seconds);
    // True when END was pressed since RUN.
    bool checkend();
    void setStatus(std::string_view text);
    std::string status() const;
    // A script function failed: its failure text goes to Status and is kept
    // for functionFailures().
    void functionFailed(std::string_view failureText);
    LogOptions logOptions() const;

    // ---- stopping a script that does not stop by itself ----------------------------
    // Stops the running script at its next statement check or wait. Safe from
    // any thread; a request made while nothing runs is dropped at the next RUN.
    void requestAbort();
    // Wall-clock limit for one RUN (nullopt: none). A run past it is stopped
    // as by requestAbort().
    void setRunTimeLimit(std::optional<std::chrono::milliseconds> limit) { runLimit_ = limit; }
    // Let pending events run about every 100 ms of wall time while a script
    // computes without waiting, so that the GUI's END button stays usable.
    void setPumpWhileRunning(bool on) { pumpWhileRunning_ = on; }
    bool pumpWhileRunning() const { return pumpWhileRunning_; }

    // ---- state ------------------------------------------------------------------------
    std::int16_t seqStopRequested = 0;
    std::string seqCode;

    // Whether a RUN is in progress, and how the last outermost RUN ended
    // (nullopt: no run yet; an ErrorInfo whose number is 0: no error).
    bool running() const { return runDepth_ > 0; }
    const std::optional<script::ErrorInfo>& lastRunResult() const { return lastRun_; }
    // The last outermost RUN was stopped by the run-time limit.
    bool timedOut() const { return timedOut_; }
    // The failure texts of the script functions that failed since the last
    // outermost RUN began ("Error in getLdata formula.", ...), in order.
    const std::vector<std::string>& functionFailures() const { return functionFailures_; }
    // Message boxes the script showed itself (MsgBox) since start-up.
    int scriptMessageBoxes() const { return scriptMessageBoxes_; }

    script::Engine& engine() { return engine_; }
    panel::Panel& panel() { return panel_; }
    platform::EventLoop& loop() { return loop_; }
    const DataLog& dataLog() const { return dataLog_; }
    LogViewer& logViewer() { return logViewer_; }
    AppLauncher& launcher() { return launcher_; }

private:
    void bindControls();
    panel::Control& control(std::string_view name);
    bool stopping() const;
    bool pastRunLimit() const;
    bool interruptCheck();
    void showEngineError();

    panel::Panel& panel_;
    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    AppLauncher& launcher_;
    DataLog dataLog_;
    LogViewer logViewer_;
    script::Engine engine_;

    int runDepth_ = 0;
    std::optional<script::ErrorInfo> lastRun_;
    std::atomic<bool> abortRequested_{false};
    bool endUnnoticed_ = false; // END pressed and not yet seen by checkend
    std::optional<std::chrono::milliseconds> runLimit_;
    std::chrono::steady_clock::time_point runStarted_{};
    bool pumpWhileRunning_ = false;
    bool timedOut_ = false;
    std::vector<std::string> functionFailures_;
    int scriptMessageBoxes_ = 0;
    std::chrono::steady_clock::time_point lastBusyPump_{};
};

} // namespace sequencer

#include "sequencer/script_host.h"

#include "common/text.h"
#include "common/vb_error.h"
#include "panel/controls.h"
#include "panel/panel.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/file_choice.h"
#include "platform/files.h"
#include "sequencer/addin_functions.h"

#include <algorithm>
#include <cmath>

namespace sequencer {

namespace {

constexpr int kVbYesNo = 4;
constexpr int kVbYes = 6;
constexpr int kVbNo = 7;
constexpr int kVbOk = 1;
constexpr auto kBusyPumpInterval = std::chrono::milliseconds(100);
// The longest single wait, about 30 years: even an absurd wait ends.
constexpr double kLongestWaitMs = 1e12;

} // namespace

ScriptHost::ScriptHost(panel::Panel& panel, platform::EventLoop& loop, platform::Dialogs& dialogs,
                       AppLauncher& launcher, DataLog::Clock clock)
    : panel_(panel), loop_(loop), dialogs_(dialogs), launcher_(launcher),
      dataLog_(std::move(clock)), logViewer_(dialogs) {
    bindControls();
    dataLog_.setFailureReport([this](const std::string& why) {
        dialogs_.message("", "The data log was not written: " + why + ".");
    });
    engine_.addObject("MathFunction", makeAddInFunctions(*this), true);
    useInstrumentPaths(engine_);
    engine_.setInterruptCheck([this] { return interruptCheck(); });
    // The script's own message boxes are counted apart from the instrument's.
    engine_.setMsgBoxHandler([this, show = dialogMsgBox(dialogs_)](
                                 const std::string& prompt, int buttons, const std::string& title) {
        if ((buttons & 0xF) != kVbYesNo) ++scriptMessageBoxes_;
        return show(prompt, buttons, title);
    });
}

script::MsgBoxHandler dialogMsgBox(platform::Dialogs& dialogs) {
    return [&dialogs](const std::string& prompt, int buttons, const std::string& title) {
        if ((buttons & 0xF) == kVbYesNo)
            return dialogs.askYesNo(title, prompt) == platform::Answer::Yes ? kVbYes : kVbNo;
        dialogs.message(title, prompt);
        return kVbOk;
    };
}

void useInstrumentPaths(script::Engine& engine) {
    engine.setPathMapper([](std::string_view path) { return platform::mapPath(path).string(); });
}

panel::Control& ScriptHost::control(std::string_view name) {
    return panel_.controls()[name];
}

void ScriptHost::bindControls() {
    panel::Controls& c = panel_.controls();
    c["SeqRun"].onClick([this] { SeqRun_Click(); });
    c["SeqEnd"].onClick([this] { SeqEnd_Click(); });
    c["mnuLoadSeq"].onClick([this] { mnuLoadSeq_Click(); });
    c["mnuLog"].onClick([this] { mnuLog_Click(); });
    c["mnuLogview"].onClick([this] { mnuLogview_Click(); });
    logViewer_.setDefaultDirectory([this] { return panel_.settings.defaultDataDirectory; });
}

void ScriptHost::setStatus(std::string_view text) {
    control("Status").setCaption(text);
}

std::string ScriptHost::status() const {
    return panel_.controls()["Status"].caption();
}

void ScriptHost::functionFailed(std::string_view failureText) {
    setStatus(failureText);
    functionFailures_.emplace_back(failureText);
}

LogOptions ScriptHost::logOptions() const {
    const panel::PanelSettings& s = panel_.settings;
    return {s.logLevels == 1, s.logThd == 1, s.logTime == 1};
}

void ScriptHost::showEngineError() {
    const script::ErrorInfo& e = engine_.lastError();
    setStatus(e.description + " at line " + std::to_string(e.line));
}

void ScriptHost::SeqRun_Click() {
    control("SeqLED").setColour(panel::colour::Green);
    commence_sequence();
}

void ScriptHost::commence_sequence() {
    seqStopRequested = 0;
    endUnnoticed_ = false;
    setStatus(kStatusOk);
    const bool outermost = runDepth_ == 0;
    if (outermost) {
        abortRequested_ = false;
        timedOut_ = false;
        functionFailures_.clear();
        runStarted_ = std::chrono::steady_clock::now();
        lastBusyPump_ = runStarted_;
    }
    ++runDepth_;
    const bool ok = engine_.evaluate("RUNSEQ").has_value();
    --runDepth_;
    if (ok) {
        control("SeqLED").setColour(panel::colour::DarkCyan);
    } else {
        showEngineError();
    }
    if (outermost) {
        lastRun_ = ok ? script::ErrorInfo{} : engine_.lastError();
        timedOut_ = !ok && pastRunLimit();
        abortRequested_ = false;
    }
}

void ScriptHost::SeqEnd_Click() {
    end_sequence();
}

void ScriptHost::end_sequence() {
    // A second END before the script looked at the first one means the
    // script is not listening: stop it.
    if (running() && endUnnoticed_) requestAbort();
    seqStopRequested = 1;
    if (running()) endUnnoticed_ = true;
    control("SweepStop").click();
}

bool ScriptHost::checkend() {
    endUnnoticed_ = false;
    return seqStopRequested == 1;
}

void ScriptHost::mnuLoadSeq_Click() {
    const std::optional<std::string> chosen = platform::chooseFile(
        dialogs_, false, kSequenceFileFilter, panel_.settings.defaultDataDirectory);
    if (!chosen) return;
    if (chosen->empty()) {
        panel_.testPanelPath.clear();
        return;
    }
    loadSequence(*chosen);
}

bool ScriptHost::loadSequence(std::string_view path) {
    panel_.testPanelPath = path;
    seqCode.clear();
    try {
        seqCode = common::cp1252ToUtf8(platform::readFileBytes(path));
    } catch (const common::VbError& e) {
        // No script line is involved in a file that cannot be read.
        setStatus(e.description() + " at line 0");
        return false;
    }
    if (engine_.addCode(seqCode, path)) return true;
    showEngineError();
    return false;
}

std::string ScriptHost::AutoAdd(std::string_view unitName) {
    if (engine_.addCode(seqCode, unitName)) return std::string(kAutoloadComplete);
    setStatus(kScriptError);
    return std::string(kScriptError);
}

void ScriptHost::mnuLog_Click() {
    dataLog_.Logvalues(panel_.settings.logFilePath, panel_.sweepData, logOptions());
}

void ScriptHost::mnuLogview_Click() {
    logViewer_.setVisible(true);
}

void ScriptHost::requestAbort() {
    abortRequested_ = true;
    engine_.requestInterrupt();
}

bool ScriptHost::pastRunLimit() const {
    return runLimit_ && std::chrono::steady_clock::now() - runStarted_ > *runLimit_;
}

bool ScriptHost::stopping() const {
    if (abortRequested_) return true;
    return runDepth_ > 0 && pastRunLimit();
}

bool ScriptHost::interruptCheck() {
    if (stopping()) return true;
    if (pumpWhileRunning_) {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastBusyPump_ >= kBusyPumpInterval) {
            lastBusyPump_ = now;
            loop_.pumpEvents();
        }
    }
    return stopping();
}

void ScriptHost::waitfor(double seconds) {
    // Whole seconds of the clock, as the classic timer read them.
    const double startSeconds = common::roundHalfEven(static_cast<double>(loop_.nowMs()) / 1000.0);
    const double nowMs = static_cast<double>(loop_.nowMs());
    double endMs = (startSeconds + seconds) * 1000.0;
    if (std::isnan(endMs)) endMs = nowMs;
    endMs = std::min(endMs, nowMs + kLongestWaitMs);
    loop_.pumpEvents();
    auto reached = [&] { return static_cast<double>(loop_.nowMs()) >= endMs; };
    while (!reached() && !stopping()) {
        const double remaining = std::ceil(endMs - static_cast<double>(loop_.nowMs()));
        loop_.runUntil([&] { return reached() || stopping(); },
                       static_cast<std::int64_t>(std::max(remaining, 1.0)));
    }
    if (stopping()) engine_.requestInterrupt();
}

void ScriptHost::splash(std::string_view text, double seconds) {
    panel::Control& window = control("Splashwindow");
    window.setCaption(std::string(text) + "\r\n");
    window.setVisible(true);
    struct Hide {
        panel::Control& window;
        ~Hide() { window.setVisible(false); }
    } hide{window};
    waitfor(seconds);
}

} // namespace sequencer

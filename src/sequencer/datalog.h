#pragma once
// The data log: the sweep log that "Log Now" and the scripts' logdata write,
// the text that scripts append around it, and the log viewer's file logic.
// Log files are text, one byte per character (Windows-1252), CR LF line ends.
// A write that fails goes on as if it had not been asked for, and is
// reported (the file named and why) to the failure report, once until a
// write works again.

#include "common/tables.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace platform {
class Dialogs;
}

namespace sequencer {

// The one text form of a date and time in every log: "2026-12-06 14:03:07",
// local time.
std::string logDateTime(std::chrono::system_clock::time_point when);

struct LogOptions {
    bool levels = false; // lvaluecheck
    bool thd = false;    // thdcheck
    bool time = false;   // timecheck
};

class DataLog {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    using FailureReport = std::function<void(const std::string& why)>;
    explicit DataLog(Clock clock = std::chrono::system_clock::now) : clock_(std::move(clock)) {}
    void setFailureReport(FailureReport report) { report_ = std::move(report); }

    // The sweep log of points 1..pointCount (at most 200); replaces the file.
    // Nothing happens when path is empty.
    void Logvalues(std::string_view path, const common::SweepData& sweep,
                   const LogOptions& options) const;

    // Appends " text" and a line break (logadd), " text" (logpretext), or a
    // line break, the date and time and two line breaks (logtime), to the
    // end of the file as it is then (the first append creates it).
    void logadd(std::string_view path, std::string_view text) const;
    void logpretext(std::string_view path, std::string_view text) const;
    void logtime(std::string_view path) const;
    // Deletes the log; a missing file is no error.
    void eraselog(std::string_view path) const;

    // The sweep log's text, as Logvalues writes it (UTF-8, CR LF).
    std::string sweepLogText(const common::SweepData& sweep, const LogOptions& options) const;

private:
    void append(std::string_view path, std::string_view text) const;
    void report(const std::string& failure) const;
    Clock clock_;
    FailureReport report_;
    mutable std::string lastFailure_;
};

// The log viewer: the file it shows and saves. Texts are UTF-8 inside.
class LogViewer {
public:
    explicit LogViewer(platform::Dialogs& dialogs) : dialogs_(dialogs) {}

    // mnuFile: choose a log file and show it.
    void mnuFile_Click(std::string_view defaultDirectory);
    // logviewer from a script, and the second half of mnuFile: show the file
    // (empty text when it cannot be read).
    void show(std::string_view path);
    // mnuSave: choose a name and write the shown text there.
    void mnuSave_Click(std::string_view defaultDirectory);

    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }

private:
    platform::Dialogs& dialogs_;
    std::string text_;
    bool visible_ = false;
};

inline constexpr std::string_view kLogFileFilter = "log file|*.log|*.*|*.*";

} // namespace sequencer

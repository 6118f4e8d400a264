#pragma once
// The data log: the sweep log that "Log Now" and the scripts' logdata write,
// the text that scripts append around it, and the log viewer's file logic.
// Log files are text, one byte per character (Windows-1252), CR LF line ends.
// A write that fails goes on as if it had not been asked for, and is
// reported (the file named and why) to the failure report, once until a
// write works again.

#include "common/tables.h"
#include "panel/controls.h"

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

inline constexpr std::string_view kLogFileFilter = "log file|*.log|*.*|*.*";
inline constexpr std::string_view kLogViewCaption = "Log Viewer";

// The log viewer (LogView) without its window: the text box Text1 with the
// shown file's text, and the menu items mnuFile (choose a file and show
// it), mnuSave (save the text to a chosen file), mnuPrint (print it) and
// mnuReload (F5: read the shown file again, so that lines a running
// sequence has appended since show up). The window's caption is the
// control "LogView". Texts are UTF-8 inside.
class LogViewer {
public:
    explicit LogViewer(platform::Dialogs& dialogs);
    LogViewer(const LogViewer&) = delete;
    LogViewer& operator=(const LogViewer&) = delete;

    // Text1 (text box), mnuFile, mnuSave, mnuPrint, mnuReload (menu items),
    // LogView (the window's caption).
    panel::Controls& controls() { return controls_; }

    // The directory the file dialogs start in (the panel's default data
    // directory); empty when not set.
    void setDefaultDirectory(std::function<std::string()> directory) {
        defaultDirectory_ = std::move(directory);
    }
    // Prints a text; without it mnuPrint is disabled.
    void setPrint(std::function<void(const std::string&)> print);
    // Called whenever the viewer is made visible (the front end shows its window).
    void setShowHandler(std::function<void()> handler) { showHandler_ = std::move(handler); }

    // mnuFile: choose a log file and show it.
    void mnuFile_Click(std::string_view defaultDirectory);
    void mnuFile_Click() { mnuFile_Click(defaultDirectory()); }
    // logviewer from a script, and the second half of mnuFile: show the file
    // (empty text when it cannot be read).
    void show(std::string_view path);
    // mnuSave: choose a name and write the shown text there (CR LF line ends).
    void mnuSave_Click(std::string_view defaultDirectory);
    void mnuSave_Click() { mnuSave_Click(defaultDirectory()); }
    void mnuPrint_Click();
    // Reads the file last shown again; nothing when no file was shown.
    void mnuReload_Click();

    const std::string& text() const;
    void setText(std::string text);
    // The file last shown ("" when none).
    const std::string& path() const { return path_; }
    bool visible() const { return visible_; }
    void setVisible(bool visible);

private:
    std::string defaultDirectory() const { return defaultDirectory_ ? defaultDirectory_() : ""; }

    platform::Dialogs& dialogs_;
    panel::Controls controls_;
    std::string path_;
    bool visible_ = false;
    std::function<std::string()> defaultDirectory_;
    std::function<void(const std::string&)> print_;
    std::function<void()> showHandler_;
};

} // namespace sequencer

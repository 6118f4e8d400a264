#include "sequencer/datalog.h"

#include "common/read_error.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "platform/dialogs.h"
#include "platform/file_choice.h"
#include "platform/files.h"

#include <algorithm>
#include <ctime>

namespace sequencer {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kSep4 = ",    ";
constexpr std::string_view kSep5 = ",     ";

// Runs a write of the file at `path`: empty when it worked, otherwise the
// file named and why not.
template <class Write> std::string failureOf(std::string_view path, Write write) {
    try {
        write();
    } catch (const common::VbError& e) {
        return common::fileErrorText(path, e);
    }
    return {};
}

std::string readOrEmpty(std::string_view path) {
    try {
        return common::cp1252ToUtf8(platform::readFileBytes(path));
    } catch (const common::VbError&) {
        return {};
    }
}

// Line ends as log files have them: CR LF (an edited text has bare LFs).
std::string withCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += kCrLf;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += kCrLf;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string logDateTime(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string DataLog::sweepLogText(const common::SweepData& sweep, const LogOptions& options) const {
    using common::shortestText;
    std::string out;
    if (options.levels || options.thd) {
        if (options.levels && options.thd)
            out += "Frequency, L Level, R Level, L THD, R THD";
        else if (options.levels)
            out += "Frequency, L Level, R Level";
        else
            out += "Frequency, L THD, R THD";
        out += kCrLf;
        const int n = std::clamp<int>(sweep.pointCount, 0, common::kMaxRows);
        for (int i = 1; i <= n; ++i) {
            const auto k = static_cast<std::size_t>(i);
            if (options.levels && options.thd) {
                out += common::Format(sweep.freq[k], "#####.0");
                out += kSep4;
                out += shortestText(sweep.levelLeft[k]);
                out += kSep5;
                out += shortestText(sweep.levelRight[k]);
                out += kSep4;
                out += common::FormatSingle(sweep.thdLeft[k], "###.0000");
                out += kSep5;
                out += common::FormatSingle(sweep.thdRight[k], "###.0000");
            } else {
                const bool levels = options.levels;
                out += shortestText(sweep.freq[k]);
                out += kSep4;
                out += shortestText(levels ? sweep.levelLeft[k] : sweep.thdLeft[k]);
                out += kSep5;
                out += shortestText(levels ? sweep.levelRight[k] : sweep.thdRight[k]);
            }
            out += kCrLf;
        }
    }
    if (options.time) out += logDateTime(clock_());
    return out;
}

void DataLog::Logvalues(std::string_view path, const common::SweepData& sweep,
                        const LogOptions& options) const {
    if (path.empty()) return;
    const std::string bytes = common::utf8ToCp1252(sweepLogText(sweep, options));
    report(failureOf(path, [&] { platform::writeFileAtomic(path, bytes); }));
}

// A failure is reported once, until a write works again: a log that cannot
// be written says so, not once per line.
void DataLog::report(const std::string& failure) const {
    if (failure.empty()) {
        lastFailure_.clear();
        return;
    }
    if (failure != lastFailure_ && report_) report_(failure);
    lastFailure_ = failure;
}

void DataLog::append(std::string_view path, std::string_view text) const {
    if (path.empty()) return;
    const std::string bytes = common::utf8ToCp1252(text);
    report(failureOf(path, [&] { platform::appendFile(path, bytes); }));
}

void DataLog::logadd(std::string_view path, std::string_view text) const {
    append(path, " " + std::string(text) + std::string(kCrLf));
}

void DataLog::logpretext(std::string_view path, std::string_view text) const {
    append(path, " " + std::string(text));
}

void DataLog::logtime(std::string_view path) const {
    append(path,
           std::string(kCrLf) + logDateTime(clock_()) + std::string(kCrLf) + std::string(kCrLf));
}

void DataLog::eraselog(std::string_view path) const {
    report(failureOf(path, [&] { platform::deleteFile(path); }));
}

LogViewer::LogViewer(platform::Dialogs& dialogs) : dialogs_(dialogs) {
    using K = panel::ControlKind;
    controls_.add("LogView", K::Label).setCaption(std::string(kLogViewCaption));
    controls_.add("Text1", K::TextBox);
    controls_.add("mnuFile", K::Menu).setCaption("Open...");
    controls_["mnuFile"].onClick([this] { mnuFile_Click(); });
    controls_.add("mnuSave", K::Menu).setCaption("Save As...");
    controls_["mnuSave"].onClick([this] { mnuSave_Click(); });
    controls_.add("mnuPrint", K::Menu).setCaption("Print...");
    controls_["mnuPrint"].onClick([this] { mnuPrint_Click(); });
    controls_["mnuPrint"].setEnabled(false);
    controls_.add("mnuReload", K::Menu).setCaption("Reload");
    controls_["mnuReload"].onClick([this] { mnuReload_Click(); });
}

void LogViewer::setPrint(std::function<void(const std::string&)> print) {
    print_ = std::move(print);
    controls_["mnuPrint"].setEnabled(static_cast<bool>(print_));
}

void LogViewer::mnuFile_Click(std::string_view defaultDirectory) {
    auto chosen = platform::chooseFile(dialogs_, false, kLogFileFilter, defaultDirectory);
    if (!chosen || chosen->empty()) return;
    show(*chosen);
    setVisible(true);
}

void LogViewer::show(std::string_view path) {
    path_ = std::string(path);
    setText({});
    setText(readOrEmpty(path));
    controls_["LogView"].setCaption(std::string(kLogViewCaption) + " - " + path_);
}

void LogViewer::mnuSave_Click(std::string_view defaultDirectory) {
    auto chosen = platform::chooseFile(dialogs_, true, kLogFileFilter, defaultDirectory);
    if (!chosen || chosen->empty()) return;
    const std::string failure = failureOf(*chosen, [&] {
        platform::writeFileAtomic(*chosen, common::utf8ToCp1252(withCrLf(text())));
    });
    if (!failure.empty()) dialogs_.message("", "The log was not saved: " + failure + ".");
}

void LogViewer::mnuPrint_Click() {
    if (print_) print_(text());
}

void LogViewer::mnuReload_Click() {
    if (!path_.empty()) setText(readOrEmpty(path_));
}

const std::string& LogViewer::text() const {
    return controls_["Text1"].text();
}

void LogViewer::setText(std::string text) {
    controls_["Text1"].setText(text);
}

void LogViewer::setVisible(bool visible) {
    visible_ = visible;
    if (visible && showHandler_) showHandler_();
}

} // namespace sequencer

#pragma once
// The main panel's output commands, bound to their menu controls by name:
// "Page Setup" (mnuPrintSetup), "Print Test Data" (mnuPrintTestResult),
// "Print Graph" (mnuPrintgraph), "Save Graph as BMP" (mnuSavegraph), "Copy
// Graph to Clipboard" (mnuCopygraph), and beside them "Save Test Report
// (PDF)" (mnuSaveReport), "Export Sweep (CSV)" (mnuExportSweep) and "Export
// Spectrum (CSV)" (mnuExportSpectrum). The headless runner uses the report
// and the export directly.
//
// Thread: the instrument's thread only.

#include "output/printing.h"
#include "output/report.h"

#include <functional>
#include <optional>
#include <string>

namespace panel {
class Panel;
}
namespace platform {
class Clipboard;
class Dialogs;
} // namespace platform
namespace views {
class Graph;
}

namespace output {

inline constexpr std::string_view kBitmapFilter = "All Files (*.bmp)|*.bmp|";
inline constexpr std::string_view kPdfFilter = "PDF Files|*.pdf;";
inline constexpr std::string_view kCsvFilter = "CSV Files|*.csv;";

class FileOutput {
public:
    FileOutput(panel::Panel& panel, views::Graph& graph, platform::Dialogs& dialogs,
               Printing& printing);
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;

    // Binds the commands to the menu controls the panel has.
    void attach();

    // The clipboard for Copy Graph; without one the command does nothing.
    void setClipboard(platform::Clipboard* clipboard) { clipboard_ = clipboard; }
    // What the report says beyond the panel (files, device, verdict).
    void setReportContext(std::function<ReportContext()> context) { context_ = std::move(context); }
    void setClock(std::function<TimePoint()> clock) { clock_ = std::move(clock); }

    // --- The menu commands ---
    void mnuPrintSetup_Click();
    void mnuPrintTestResult_Click();
    void mnuPrintgraph_Click();
    void mnuSavegraph_Click();
    void mnuCopygraph_Click();
    void mnuSaveReport_Click();
    void mnuExportSweep_Click();
    void mnuExportSpectrum_Click();

    // --- Without dialogs; false with the reason in error ---
    bool saveReport(const std::string& path, std::string& error);
    bool exportSweep(const std::string& path, std::string& error);
    bool exportSpectrum(const std::string& path, std::string& error);
    // The sweep or the spectrum, whichever view the graph shows.
    bool exportCurrentView(const std::string& path, std::string& error);

private:
    std::optional<std::string> chooseSavePath(std::string_view filter);
    void reportFailure(std::string_view what, const std::string& path, const std::string& error);

    panel::Panel& panel_;
    views::Graph& graph_;
    platform::Dialogs& dialogs_;
    Printing& printing_;
    platform::Clipboard* clipboard_ = nullptr;
    std::function<ReportContext()> context_;
    std::function<TimePoint()> clock_;
};

} // namespace output

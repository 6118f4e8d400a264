#include "output/file_output.h"

#include "output/text_pages.h"
#include "panel/controls.h"
#include "panel/panel.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/file_choice.h"
#include "views/graph.h"
#include "views/raster_surface.h"

#include <filesystem>

namespace output {

FileOutput::FileOutput(panel::Panel& panel, views::Graph& graph, platform::Dialogs& dialogs,
                       Printing& printing)
    : panel_(panel), graph_(graph), dialogs_(dialogs), printing_(printing),
      clock_([] { return std::chrono::system_clock::now(); }) {}

void FileOutput::attach() {
    panel::Controls& c = panel_.controls();
    auto click = [&](std::string_view name, void (FileOutput::*handler)()) {
        if (panel::Control* control = c.find(name))
            control->onClick([this, handler] { (this->*handler)(); });
    };
    click("mnuPrintSetup", &FileOutput::mnuPrintSetup_Click);
    click("mnuPrintTestResult", &FileOutput::mnuPrintTestResult_Click);
    click("mnuPrintgraph", &FileOutput::mnuPrintgraph_Click);
    click("mnuSavegraph", &FileOutput::mnuSavegraph_Click);
    click("mnuCopygraph", &FileOutput::mnuCopygraph_Click);
    click("mnuSaveReport", &FileOutput::mnuSaveReport_Click);
    click("mnuExportSweep", &FileOutput::mnuExportSweep_Click);
    click("mnuExportSpectrum", &FileOutput::mnuExportSpectrum_Click);
}

void FileOutput::mnuPrintSetup_Click() {
    printing_.showPageSetup();
}

void FileOutput::mnuPrintTestResult_Click() {
    printing_.printText("Print Test Data", testDataLines(panel_.sweepData, clock_()));
}

void FileOutput::mnuPrintgraph_Click() {
    const std::unique_ptr<platform::Printer> printer = printing_.startJob("Print Graph");
    if (!printer) return;
    graph_.Makebiggraph();
    panel_.pumpEvents();
    const panel::PanelSettings& s = panel_.settings;
    GraphHeader header;
    header.title = s.graphTitle;
    header.legends = s.graphLegends;
    if (s.graphTimeStamp == 1) header.timeStamp = printDateTime(clock_());
    printGraphPage(*printer, graph_.recordCurrentView(), header,
                   {s.graphColour != 0, s.graphLineWidth});
    printing_.finishJob(*printer);
    graph_.makesmallgraph();
}

void FileOutput::mnuSavegraph_Click() {
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = kBitmapFilter;
    std::error_code ec;
    request.startDirectory = std::filesystem::current_path(ec).string();
    const platform::FileDialogResult result = dialogs_.chooseFile(request);
    if (result.cancelled) return;
    if (result.errorNumber != 0) {
        dialogs_.message("",
                         platform::selectingFileError(result.errorNumber, result.errorDescription));
        return;
    }
    if (!result.path.empty()) graph_.SaveFile1(result.path); // errors are ignored
}

void FileOutput::mnuCopygraph_Click() {
    graph_.makesmallgraph();
    const auto picture =
        std::dynamic_pointer_cast<const views::RasterPicture>(graph_.GraphBox().takeImage());
    if (clipboard_ && picture) clipboard_->setImage(picture->image());
    graph_.makesmallgraph();
}

std::optional<std::string> FileOutput::chooseSavePath(std::string_view filter) {
    auto chosen =
        platform::chooseFile(dialogs_, true, filter, panel_.settings.defaultDataDirectory);
    if (!chosen || chosen->empty()) return std::nullopt;
    return chosen;
}

void FileOutput::reportFailure(std::string_view what, const std::string& path,
                               const std::string& error) {
    dialogs_.message(std::string(what), "Cannot write " + path + ": " + error);
}

void FileOutput::mnuSaveReport_Click() {
    const auto path = chooseSavePath(kPdfFilter);
    std::string error;
    if (path && !saveReport(*path, error)) reportFailure("Save Test Report", *path, error);
}

void FileOutput::mnuExportSweep_Click() {
    const auto path = chooseSavePath(kCsvFilter);
    std::string error;
    if (path && !exportSweep(*path, error)) reportFailure("Export Sweep", *path, error);
}

void FileOutput::mnuExportSpectrum_Click() {
    const auto path = chooseSavePath(kCsvFilter);
    std::string error;
    if (path && !exportSpectrum(*path, error)) reportFailure("Export Spectrum", *path, error);
}

bool FileOutput::saveReport(const std::string& path, std::string& error) {
    ReportContext context;
    if (context_) context = context_();
    return writeReport(path, collectReport(panel_, graph_, std::move(context), clock_()), error);
}

bool FileOutput::exportSweep(const std::string& path, std::string& error) {
    return writeCsv(path, sweepCsv(panel_.settings, panel_.sweepData, panel_.limits), error);
}

bool FileOutput::exportSpectrum(const std::string& path, std::string& error) {
    return writeCsv(path, spectrumCsv(graph_.spectrum()), error);
}

bool FileOutput::exportCurrentView(const std::string& path, std::string& error) {
    switch (panel_.settings.graphMode) {
    case panel::GraphMode::Spectrum:
        return exportSpectrum(path, error);
    case panel::GraphMode::Scope:
        error = "the oscilloscope view has no CSV export (use the sweep or the spectrum)";
        return false;
    case panel::GraphMode::Sweep:
        break;
    }
    return exportSweep(path, error);
}

} // namespace output

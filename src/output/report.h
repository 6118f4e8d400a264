#pragma once
// The PDF test report: a header (title and legends from Graph Setup, date and
// time, panel and sequence files, device and simulated device under test),
// the verdict in large letters, the graph drawn as vectors, the five readouts
// as they stood, the sweep table with its limits and a mark on every failing
// point, and the data log's text. Pages carry numbers when there is more than
// one.

#include "output/csv.h"
#include "output/printing.h"
#include "output/text_pages.h"

#include <array>
#include <string>
#include <vector>

namespace panel {
class Panel;
}
namespace views {
class Graph;
}

namespace output {

struct Verdict {
    bool pass = false;
    std::string reason; // why it failed; empty for a pass
};

struct ReportReadout {
    std::string mode;    // "Frequency", "Level", ...
    std::string channel; // "L", "R"
    std::string value;   // the readout's caption
};

// What the composition root knows beyond the panel and the graph.
struct ReportContext {
    std::string panelFile;
    std::string sequenceFile;
    std::string device;
    std::string dut; // empty unless the simulated device under test is used
    Verdict verdict;
};

struct ReportData {
    std::string title;
    std::array<std::string, 3> legends;
    std::string dateTime;
    ReportContext context;
    std::string status; // the panel's status line
    std::string viewName;
    std::vector<views::DrawOp> graph; // in graph coordinates
    std::string captionX, captionY;
    GraphInk ink;
    std::vector<ReportReadout> readouts;
    CsvTable sweep; // as exported
    std::string logPath;
    std::string logText; // UTF-8
};

// Everything the report shows, from the panel and its graph (which is drawn
// once more as vectors) at this moment.
ReportData collectReport(panel::Panel& panel, views::Graph& graph, ReportContext context,
                         TimePoint now);

// Lays the report out on the printer's pages and ends nothing.
void drawReport(platform::Printer& printer, const ReportData& report);

// A4 or Letter by the locale, portrait.
platform::PageSetup reportPageSetup();

// Writes the report as a PDF file, whole or not at all; false with the
// reason in error.
bool writeReport(const std::string& path, const ReportData& report, std::string& error);

} // namespace output

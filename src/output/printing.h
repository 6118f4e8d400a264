#pragma once
// Printing: every print command of the program goes through this module.
//
// How a window prints a text page:
//
//     output::Printing& printing = mainPanel.printing();
//     printing.printText("Log Viewer", output::plainTextLines(text)); // log viewer, editor
//     printing.printText("Print Table", output::splitLines(editor.printout(date)));
//
// (text_pages.h splits texts into lines and has the other printouts.)
// printText asks the print service for a printer (the platform's print
// dialog, which offers a PDF file when there is no printer; a recording
// printer in tests), prints the lines in a fixed-pitch font on pages of the
// Page Setup, and ends the document. When the operator cancels, or there is no print service
// (headless), nothing is printed.
//
// Thread: the instrument's thread only.

#include "platform/printer.h"
#include "views/recording_surface.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Dialogs;
}

namespace output {

// The text printouts' font.
platform::PrintFont textPageFont();

// Prints the lines with the line printer (from the top of the first page)
// without ending the document.
void printTextLines(platform::Printer& printer, const std::vector<std::string>& lines);

// How the graph is inked on paper (Graph Setup's colour and line width).
struct GraphInk {
    bool colour = true; // false: black and white
    int lineWidth = 2;  // 1 narrow, 2 wide
};

struct PageRect {
    double x = 0, y = 0, width = 0, height = 0;
};

// Draws graph operations (in the given user scale) into the rectangle, as
// on paper: white paper, the grid in grey &H777777, labels black, traces in
// darker shades of the screen's colours (in black and white: black, the right
// channel dashed, the limit curve dotted), the traces' width from the ink,
// clipped to the rectangle. Black lines, unseen on the screen, are left out.
void drawGraphOps(platform::Printer& printer, const std::vector<views::DrawOp>& ops,
                  const views::UserScale& scale, const PageRect& rect, const GraphInk& ink);

// The header of the printed graph (empty texts are not printed).
struct GraphHeader {
    std::string title;
    std::array<std::string, 3> legends;
    std::string timeStamp; // the date and time, or empty when the time stamp is off
};

// Print Graph's page: the graph's user scale spread over the page width at
// the graph's own aspect, with the header at fixed graph coordinates in
// "Times New Roman" (title at x 6000, y -100 in size 16; legends at x 1000,
// y 450, 470 and 490 and the time stamp at x 9000, y 530 in size 10) and the
// body below. Does not end the document.
void printGraphPage(platform::Printer& printer, const std::vector<views::DrawOp>& body,
                    const GraphHeader& header, const GraphInk& ink);

class Printing {
public:
    explicit Printing(platform::Dialogs& dialogs);

    // The platform's print dialogs; nullptr (the default): nothing prints.
    void setService(platform::PrintService* service) { service_ = service; }
    platform::PrintService* service() const { return service_; }

    // Page Setup's state: paper (A4 or Letter from the locale at first),
    // orientation, margins and printer; every job uses it.
    const platform::PageSetup& pageSetup() const { return setup_; }
    void setPageSetup(const platform::PageSetup& setup) { setup_ = setup; }
    // The "Page Setup" dialog; a confirmed setup is kept.
    void showPageSetup();

    // The print dialog for a job; nullptr when cancelled or nothing prints.
    std::unique_ptr<platform::Printer> startJob(std::string_view jobTitle);
    // Ends the document; a document that could not be finished (a PDF file
    // that cannot be written) is reported in a message box.
    bool finishJob(platform::Printer& printer);

    // A text printout as one job. Returns whether it was printed.
    bool printText(std::string_view jobTitle, const std::vector<std::string>& lines);

private:
    platform::Dialogs& dialogs_;
    platform::PrintService* service_ = nullptr;
    platform::PageSetup setup_;
};

} // namespace output

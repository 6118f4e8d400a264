#pragma once
// The printer seam: a page device that the printing module lays its pages
// out on, and the print service that hands one out for a print job (the
// platform's print dialog in the window, recording printers in tests).
//
// Positions and sizes are in points (1/72 inch) from the top-left corner of
// the page's printable area; y grows downward. Colours are 0xRRGGBB. Text is
// UTF-8.
//
// Thread: the instrument's thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class PaperSize { A4, Letter, Legal, A3, A5 };

// What Page Setup chooses and every print job uses.
struct PageSetup {
    PaperSize paper = PaperSize::A4;
    bool landscape = false;
    double marginMm = 15;
    std::string printerName; // empty: the system's default printer
    bool operator==(const PageSetup&) const = default;
};

// Letter where the locale measures in inches, A4 elsewhere.
PaperSize localePaperSize();
std::string_view paperName(PaperSize paper);

struct PrintFont {
    std::string family = "Arial"; // a missing family falls back to a similar one
    double pointSize = 10;
    bool bold = false;
    bool fixedPitch = false;
    bool operator==(const PrintFont&) const = default;
};

enum class LineStyle { Solid, Dash, Dot };

struct PagePoint {
    double x = 0, y = 0;
    bool operator==(const PagePoint&) const = default;
};

class Printer {
public:
    virtual ~Printer() = default;

    // The printable area of a page.
    virtual double pageWidth() const = 0;
    virtual double pageHeight() const = 0;

    virtual void setFont(const PrintFont& font) = 0;
    virtual double textWidth(std::string_view text) const = 0;
    // Distance from one line of the current font to the next.
    virtual double lineHeight() const = 0;

    // Text with its top-left corner at (x, y).
    virtual void text(double x, double y, std::string_view text, std::uint32_t colour) = 0;
    // Connected straight lines through the points; width in points.
    virtual void polyline(const std::vector<PagePoint>& points, std::uint32_t colour, double width,
                          LineStyle style) = 0;
    virtual void fillRect(double x, double y, double width, double height,
                          std::uint32_t colour) = 0;
    // Later drawing shows only inside the rectangle, until clearClip.
    virtual void setClip(double x, double y, double width, double height) = 0;
    virtual void clearClip() = 0;

    // The line printer: prints the text at the current position in the
    // current font, in black, and moves to the left edge of the next line,
    // starting a new page first when the line would pass the bottom. A tab
    // advances to the next multiple of eight characters; a line wider than
    // the page goes on in the next line.
    virtual void printLine(std::string_view text) = 0;
    virtual void setPosition(double x, double y) = 0;

    virtual void newPage() = 0;
    // Finishes the document. False, with the reason in error, when it could
    // not be finished (a file that cannot be written); nothing is left then.
    virtual bool endDoc(std::string& error) = 0;
};

class PrintService {
public:
    virtual ~PrintService() = default;
    // The print dialog for a job: a printer ready for its first page, or
    // nullptr when the operator cancelled or nothing can print.
    virtual std::unique_ptr<Printer> startJob(std::string_view jobTitle,
                                              const PageSetup& setup) = 0;
    // The "Page Setup" dialog on the setup; false when cancelled.
    virtual bool pageSetup(PageSetup& setup) = 0;
};

} // namespace platform

#include "output/printing.h"

#include "platform/dialogs.h"
#include "views/limits.h"
#include "views/scales.h"

#include <cmath>

namespace output {

namespace {

using platform::LineStyle;
using platform::PagePoint;

constexpr std::uint32_t kPaperGrid = 0x777777;
constexpr std::uint32_t kPaperBlack = 0x000000;

struct PaperInk {
    bool skip = false;
    std::uint32_t colour = kPaperBlack;
    double width = 0.5;
    LineStyle style = LineStyle::Solid;
    bool operator==(const PaperInk&) const = default;
};

PaperInk paperInk(views::Rgb screen, int width, const GraphInk& ink) {
    namespace c = views::colours;
    if (screen == c::GridNormal || screen == c::GridHigh)
        return {false, kPaperGrid, width == 2 ? 0.6 : 0.25, LineStyle::Solid};
    if (screen == c::Black) return {true};
    const double trace = ink.lineWidth == 1 ? 0.5 : 1.0;
    if (screen == c::LeftTrace)
        return {false, ink.colour ? 0x009A00u : kPaperBlack, trace, LineStyle::Solid};
    if (screen == c::RightTrace)
        return {false, ink.colour ? 0xC08A00u : kPaperBlack, trace,
                ink.colour ? LineStyle::Solid : LineStyle::Dash};
    if (screen == views::kLimitColour)
        return {false, ink.colour ? 0xD00000u : kPaperBlack, trace,
                ink.colour ? LineStyle::Solid : LineStyle::Dot};
    if (screen == c::Label) return {false, kPaperBlack, trace, LineStyle::Solid};
    return {false, ink.colour ? screen : kPaperBlack, trace, LineStyle::Solid};
}

} // namespace

platform::PrintFont textPageFont() {
    return {"Courier New", 10, false, true};
}

void printTextLines(platform::Printer& printer, const std::vector<std::string>& lines) {
    printer.setFont(textPageFont());
    printer.setPosition(0, 0);
    for (const std::string& line : lines)
        printer.printLine(line);
}

void drawGraphOps(platform::Printer& printer, const std::vector<views::DrawOp>& ops,
                  const views::UserScale& scale, const PageRect& rect, const GraphInk& ink) {
    if (scale.x2 == scale.x1 || scale.y2 == scale.y1) return;
    const double sx = rect.width / (scale.x2 - scale.x1);
    const double sy = rect.height / (scale.y2 - scale.y1);
    auto at = [&](double x, double y) {
        return PagePoint{rect.x + (x - scale.x1) * sx, rect.y + (y - scale.y1) * sy};
    };
    printer.setClip(rect.x, rect.y, rect.width, rect.height);
    printer.setFont({"Arial", 7, false, false});

    // Segments that join end to end in the same ink become one polyline
    // (a spectrum trace is thousands of segments, the two channels in turn).
    struct Run {
        PaperInk ink;
        std::vector<PagePoint> points;
    };
    std::vector<Run> runs;
    auto flush = [&](Run& run) {
        if (run.points.size() > 1)
            printer.polyline(run.points, run.ink.colour, run.ink.width, run.ink.style);
        run.points.clear();
    };
    for (const views::DrawOp& op : ops) {
        if (op.kind == views::DrawOp::Kind::Text) {
            const PaperInk text = paperInk(op.colour, 1, ink);
            if (text.skip) continue;
            const PagePoint p = at(op.xa, op.ya);
            printer.text(p.x, p.y, op.text, text.colour);
            continue;
        }
        if (op.kind != views::DrawOp::Kind::Line) continue;
        const PaperInk lineInk = paperInk(op.colour, op.width, ink);
        if (lineInk.skip) continue;
        const PagePoint a = at(op.xa, op.ya), b = at(op.xb, op.yb);
        Run* run = nullptr;
        for (Run& r : runs)
            if (r.ink == lineInk) run = &r;
        if (!run) run = &runs.emplace_back(Run{lineInk, {}});
        if (!run->points.empty() && run->points.back() != a) flush(*run);
        if (run->points.empty()) run->points.push_back(a);
        run->points.push_back(b);
    }
    for (Run& run : runs)
        flush(run);
    printer.clearClip();
}

void printGraphPage(platform::Printer& printer, const std::vector<views::DrawOp>& body,
                    const GraphHeader& header, const GraphInk& ink) {
    const views::UserScale& g = views::kGraphScale;
    // The big graph's height to width (twips), and the graph rows the page
    // shows: from above the title to below the time stamp.
    constexpr double kAspect = 6640.2 / 11773.35;
    constexpr double kTop = -140, kBottom = 560;
    const double xUnits = g.x2 - g.x1, yUnits = g.y2 - g.y1;
    double unitX = printer.pageWidth() / xUnits;
    double unitY = printer.pageWidth() * kAspect / yUnits;
    if ((kBottom - kTop) * unitY > printer.pageHeight()) {
        const double fit = printer.pageHeight() / ((kBottom - kTop) * unitY);
        unitX *= fit;
        unitY *= fit;
    }
    const double left = (printer.pageWidth() - xUnits * unitX) / 2;
    auto at = [&](double x, double y) {
        return PagePoint{left + (x - g.x1) * unitX, (y - kTop) * unitY};
    };

    platform::PrintFont font{"Times New Roman", 16, false, false};
    if (!header.title.empty()) {
        printer.setFont(font);
        const PagePoint p = at(6000, -100);
        printer.text(p.x, p.y, header.title, kPaperBlack);
    }
    font.pointSize = 10;
    printer.setFont(font);
    for (std::size_t i = 0; i < header.legends.size(); ++i) {
        if (header.legends[i].empty()) continue;
        const PagePoint p = at(1000, 450 + 20.0 * static_cast<double>(i));
        printer.text(p.x, p.y, header.legends[i], kPaperBlack);
    }
    if (!header.timeStamp.empty()) {
        const PagePoint p = at(9000, 530);
        printer.text(p.x, p.y, header.timeStamp, kPaperBlack);
    }
    printer.setPosition(0, 0);

    const PagePoint origin = at(g.x1, g.y1);
    drawGraphOps(printer, body, g, {origin.x, origin.y, xUnits * unitX, yUnits * unitY}, ink);
}

Printing::Printing(platform::Dialogs& dialogs) : dialogs_(dialogs) {
    setup_.paper = platform::localePaperSize();
}

void Printing::showPageSetup() {
    if (!service_) return;
    platform::PageSetup setup = setup_;
    if (service_->pageSetup(setup)) setup_ = setup;
}

std::unique_ptr<platform::Printer> Printing::startJob(std::string_view jobTitle) {
    if (!service_) return nullptr;
    return service_->startJob(jobTitle, setup_);
}

bool Printing::finishJob(platform::Printer& printer) {
    std::string error;
    if (printer.endDoc(error)) return true;
    dialogs_.message("Print", "The document could not be printed: " + error);
    return false;
}

bool Printing::printText(std::string_view jobTitle, const std::vector<std::string>& lines) {
    const std::unique_ptr<platform::Printer> printer = startJob(jobTitle);
    if (!printer) return false;
    printTextLines(*printer, lines);
    return finishJob(*printer);
}

} // namespace output

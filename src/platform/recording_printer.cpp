#include "platform/recording_printer.h"

namespace platform {

std::vector<std::string> PrintedDocument::printedLines() const {
    std::vector<std::string> lines;
    for (const PrintedPage& page : pages)
        for (const PrintOp& op : page.ops)
            if (op.kind == PrintOp::Kind::Line) lines.push_back(op.text);
    return lines;
}

std::vector<PrintOp> PrintedDocument::ops(PrintOp::Kind kind) const {
    std::vector<PrintOp> found;
    for (const PrintedPage& page : pages)
        for (const PrintOp& op : page.ops)
            if (op.kind == kind) found.push_back(op);
    return found;
}

RecordingPrinter::RecordingPrinter(std::shared_ptr<PrintedDocument> document, double pageWidth,
                                   double pageHeight)
    : document_(std::move(document)), width_(pageWidth), height_(pageHeight) {}

double RecordingPrinter::textWidth(std::string_view text) const {
    return 0.6 * font_.pointSize * static_cast<double>(text.size());
}

void RecordingPrinter::text(double x, double y, std::string_view text, std::uint32_t colour) {
    PrintOp op;
    op.kind = PrintOp::Kind::Text;
    op.x = x;
    op.y = y;
    op.text = text;
    op.font = font_;
    op.colour = colour;
    add(std::move(op));
}

void RecordingPrinter::polyline(const std::vector<PagePoint>& points, std::uint32_t colour,
                                double width, LineStyle style) {
    PrintOp op;
    op.kind = PrintOp::Kind::Polyline;
    op.points = points;
    op.colour = colour;
    op.width = width;
    op.style = style;
    add(std::move(op));
}

void RecordingPrinter::fillRect(double x, double y, double width, double height,
                                std::uint32_t colour) {
    add(PrintOp{PrintOp::Kind::Rect, x, y, width, height, {}, font_, colour, {}, {}});
}

void RecordingPrinter::setClip(double x, double y, double width, double height) {
    add(PrintOp{PrintOp::Kind::Clip, x, y, width, height, {}, font_, 0, {}, {}});
}

void RecordingPrinter::clearClip() {
    add(PrintOp{PrintOp::Kind::Unclip, 0, 0, 0, 0, {}, font_, 0, {}, {}});
}

void RecordingPrinter::printLine(std::string_view text) {
    if (y_ + lineHeight() > height_ && y_ > 0) newPage();
    add(PrintOp{PrintOp::Kind::Line, x_, y_, 0, lineHeight(), std::string(text), font_, 0, {}, {}});
    x_ = 0;
    y_ += lineHeight();
}

void RecordingPrinter::setPosition(double x, double y) {
    x_ = x;
    y_ = y;
}

void RecordingPrinter::newPage() {
    document_->pages.emplace_back();
    x_ = 0;
    y_ = 0;
}

bool RecordingPrinter::endDoc(std::string&) {
    document_->ended = true;
    return true;
}

std::unique_ptr<Printer> RecordingPrintService::startJob(std::string_view jobTitle,
                                                         const PageSetup& setup) {
    if (cancel_) return nullptr;
    auto document = std::make_shared<PrintedDocument>();
    document->title = jobTitle;
    document->setup = setup;
    documents_.push_back(document);
    return std::make_unique<RecordingPrinter>(document);
}

bool RecordingPrintService::pageSetup(PageSetup& setup) {
    ++pageSetupShown_;
    if (!answer_) return false;
    setup = *answer_;
    return true;
}

} // namespace platform

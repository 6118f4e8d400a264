#pragma once
// A printer that prints nothing and keeps every page and operation, and a
// print service that hands out such printers, for tests and for checking
// what a print command printed. Text is measured with fixed metrics: every
// character is 0.6 of the font size wide, a line is 1.2 of it high.

#include "platform/printer.h"

#include <optional>

namespace platform {

struct PrintOp {
    enum class Kind { Text, Line, Polyline, Rect, Clip, Unclip };
    Kind kind = Kind::Text;
    double x = 0, y = 0, width = 0, height = 0; // Text and Line: the top-left corner
    std::string text;                           // Text and Line (printLine)
    PrintFont font;                             // Text and Line
    std::uint32_t colour = 0;
    std::vector<PagePoint> points; // Polyline
    LineStyle style = LineStyle::Solid;
};

struct PrintedPage {
    std::vector<PrintOp> ops;
};

struct PrintedDocument {
    std::string title;
    PageSetup setup;
    std::vector<PrintedPage> pages{1};
    bool ended = false;

    // The texts of printLine in order, over all pages.
    std::vector<std::string> printedLines() const;
    std::vector<PrintOp> ops(PrintOp::Kind kind) const;
};

class RecordingPrinter final : public Printer {
public:
    explicit RecordingPrinter(std::shared_ptr<PrintedDocument> document, double pageWidth = 515,
                              double pageHeight = 757);

    double pageWidth() const override { return width_; }
    double pageHeight() const override { return height_; }
    void setFont(const PrintFont& font) override { font_ = font; }
    double textWidth(std::string_view text) const override;
    double lineHeight() const override { return 1.2 * font_.pointSize; }
    void text(double x, double y, std::string_view text, std::uint32_t colour) override;
    void polyline(const std::vector<PagePoint>& points, std::uint32_t colour, double width,
                  LineStyle style) override;
    void fillRect(double x, double y, double width, double height, std::uint32_t colour) override;
    void setClip(double x, double y, double width, double height) override;
    void clearClip() override;
    void printLine(std::string_view text) override;
    void setPosition(double x, double y) override;
    void newPage() override;
    bool endDoc(std::string& error) override;

    const PrintedDocument& document() const { return *document_; }

private:
    void add(PrintOp op) { document_->pages.back().ops.push_back(std::move(op)); }

    std::shared_ptr<PrintedDocument> document_;
    double width_, height_;
    PrintFont font_;
    double x_ = 0, y_ = 0;
};

class RecordingPrintService final : public PrintService {
public:
    std::unique_ptr<Printer> startJob(std::string_view jobTitle, const PageSetup& setup) override;
    bool pageSetup(PageSetup& setup) override;

    // The next print dialogs are cancelled (or no longer).
    void setCancel(bool cancel) { cancel_ = cancel; }
    // What the next Page Setup dialogs answer; nothing: they are cancelled.
    void setPageSetupAnswer(std::optional<PageSetup> answer) { answer_ = std::move(answer); }

    const std::vector<std::shared_ptr<PrintedDocument>>& documents() const { return documents_; }
    int pageSetupShown() const { return pageSetupShown_; }

private:
    bool cancel_ = false;
    std::optional<PageSetup> answer_;
    int pageSetupShown_ = 0;
    std::vector<std::shared_ptr<PrintedDocument>> documents_;
};

} // namespace platform

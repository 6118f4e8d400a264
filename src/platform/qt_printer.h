#pragma once
// The printer seam on Qt's paint devices: a QPrinter chosen in the print
// dialog, or a PDF file. Needs a QGuiApplication (fonts).

#include "platform/printer.h"

#include <QFont>
#include <QPainter>

class QPagedPaintDevice;
class QPageLayout;

namespace platform {

// Paints on a paged device (a QPrinter or a QPdfWriter) from construction
// until endDoc.
class QtPrinter : public Printer {
public:
    explicit QtPrinter(QPagedPaintDevice& device);
    ~QtPrinter() override;
    QtPrinter(const QtPrinter&) = delete;
    QtPrinter& operator=(const QtPrinter&) = delete;

    double pageWidth() const override { return pageWidth_; }
    double pageHeight() const override { return pageHeight_; }
    void setFont(const PrintFont& font) override;
    double textWidth(std::string_view text) const override;
    double lineHeight() const override;
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

protected:
    // Runs after painting has ended well; the PDF file printer writes its file here.
    virtual bool finish(std::string&) { return true; }

private:
    QPagedPaintDevice& device_;
    QPainter painter_;
    double scale_ = 1; // device units per point
    double pageWidth_ = 0, pageHeight_ = 0;
    QFont font_;
    double x_ = 0, y_ = 0;
    bool ended_ = false;
};

// A printer that writes a PDF document to the file at endDoc, whole (through
// a temporary file and a rename), or not at all. The path goes through the
// program's path mapping.
std::unique_ptr<Printer> makePdfPrinter(const std::string& path, const PageSetup& setup,
                                        std::string_view title);

// The page size, orientation and margins of the setup on a device.
void applyPageSetup(QPagedPaintDevice& device, const PageSetup& setup);
// The setup that a device's page layout describes (the printer's name aside).
PageSetup pageSetupFrom(const QPageLayout& layout);

} // namespace platform

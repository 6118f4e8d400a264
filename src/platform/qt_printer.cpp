#include "platform/qt_printer.h"

#include "common/vb_error.h"
#include "platform/files.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <algorithm>

namespace platform {

namespace {

QPageSize::PageSizeId pageSizeId(PaperSize paper) {
    switch (paper) {
    case PaperSize::Letter:
        return QPageSize::Letter;
    case PaperSize::Legal:
        return QPageSize::Legal;
    case PaperSize::A3:
        return QPageSize::A3;
    case PaperSize::A5:
        return QPageSize::A5;
    case PaperSize::A4:
        break;
    }
    return QPageSize::A4;
}

QColor toColor(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Tabs become blanks up to the next multiple of eight characters.
QString expandTabs(const QString& text) {
    QString out;
    for (QChar c : text) {
        if (c == u'\t') {
            do
                out += u' ';
            while (out.size() % 8 != 0);
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

PaperSize localePaperSize() {
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? PaperSize::Letter
                                                                              : PaperSize::A4;
}

std::string_view paperName(PaperSize paper) {
    switch (paper) {
    case PaperSize::Letter:
        return "Letter";
    case PaperSize::Legal:
        return "Legal";
    case PaperSize::A3:
        return "A3";
    case PaperSize::A5:
        return "A5";
    case PaperSize::A4:
        break;
    }
    return "A4";
}

void applyPageSetup(QPagedPaintDevice& device, const PageSetup& setup) {
    device.setPageSize(QPageSize(pageSizeId(setup.paper)));
    device.setPageOrientation(setup.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    const double m = std::clamp(setup.marginMm, 0.0, 50.0);
    device.setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Millimeter);
}

PageSetup pageSetupFrom(const QPageLayout& layout) {
    PageSetup setup;
    switch (layout.pageSize().id()) {
    case QPageSize::Letter:
        setup.paper = PaperSize::Letter;
        break;
    case QPageSize::Legal:
        setup.paper = PaperSize::Legal;
        break;
    case QPageSize::A3:
        setup.paper = PaperSize::A3;
        break;
    case QPageSize::A5:
        setup.paper = PaperSize::A5;
        break;
    default:
        setup.paper = PaperSize::A4;
        break;
    }
    setup.landscape = layout.orientation() == QPageLayout::Landscape;
    setup.marginMm = layout.margins(QPageLayout::Millimeter).left();
    return setup;
}

QtPrinter::QtPrinter(QPagedPaintDevice& device) : device_(device) {
    painter_.begin(&device_);
    painter_.setRenderHint(QPainter::Antialiasing);
    scale_ = device_.logicalDpiX() / 72.0;
    const QRectF area = device_.pageLayout().paintRect(QPageLayout::Point);
    pageWidth_ = area.width();
    pageHeight_ = area.height();
    setFont(PrintFont{});
}

QtPrinter::~QtPrinter() {
    if (painter_.isActive()) painter_.end();
}

void QtPrinter::setFont(const PrintFont& font) {
    QFont f(QString::fromStdString(font.family));
    f.setPointSizeF(font.pointSize);
    f.setBold(font.bold);
    if (font.fixedPitch) {
        f.setStyleHint(QFont::TypeWriter);
        f.setFixedPitch(true);
    }
    font_ = QFont(f, &device_);
    painter_.setFont(font_);
}

double QtPrinter::textWidth(std::string_view text) const {
    return QFontMetricsF(font_, &device_).horizontalAdvance(toQString(text)) / scale_;
}

double QtPrinter::lineHeight() const {
    return QFontMetricsF(font_, &device_).lineSpacing() / scale_;
}

void QtPrinter::text(double x, double y, std::string_view text, std::uint32_t colour) {
    painter_.setPen(toColor(colour));
    const double ascent = QFontMetricsF(font_, &device_).ascent();
    painter_.drawText(QPointF(x * scale_, y * scale_ + ascent), toQString(text));
}

void QtPrinter::polyline(const std::vector<PagePoint>& points, std::uint32_t colour, double width,
                         LineStyle style) {
    if (points.empty()) return;
    QPen pen(toColor(colour), width * scale_);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (style == LineStyle::Dash) pen.setStyle(Qt::DashLine);
    if (style == LineStyle::Dot) pen.setStyle(Qt::DotLine);
    painter_.setPen(pen);
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const PagePoint& p : points)
        polygon << QPointF(p.x * scale_, p.y * scale_);
    if (polygon.size() == 1) polygon << polygon.front();
    painter_.drawPolyline(polygon);
}

void QtPrinter::fillRect(double x, double y, double width, double height, std::uint32_t colour) {
    painter_.fillRect(QRectF(x * scale_, y * scale_, width * scale_, height * scale_),
                      toColor(colour));
}

void QtPrinter::setClip(double x, double y, double width, double height) {
    painter_.setClipRect(QRectF(x * scale_, y * scale_, width * scale_, height * scale_));
}

void QtPrinter::clearClip() {
    painter_.setClipping(false);
}

void QtPrinter::printLine(std::string_view text) {
    QString rest = expandTabs(toQString(text));
    const QFontMetricsF metrics(font_, &device_);
    do {
        if (y_ + lineHeight() > pageHeight_ && y_ > 0) newPage();
        // The longest head of the text that fits, broken after a blank when
        // there is one.
        const double room = (pageWidth_ - x_) * scale_;
        qsizetype fits = rest.size();
        while (fits > 1 && metrics.horizontalAdvance(rest.left(fits)) > room)
            fits = std::max<qsizetype>(1, fits * 9 / 10);
        while (fits < rest.size() && metrics.horizontalAdvance(rest.left(fits + 1)) <= room)
            ++fits;
        if (fits < rest.size()) {
            const qsizetype blank = rest.lastIndexOf(u' ', fits - 1);
            if (blank > 0) fits = blank + 1;
        }
        painter_.setPen(Qt::black);
        painter_.drawText(QPointF(x_ * scale_, y_ * scale_ + metrics.ascent()), rest.left(fits));
        rest = rest.mid(fits);
        x_ = 0;
        y_ += lineHeight();
    } while (!rest.isEmpty());
}

void QtPrinter::setPosition(double x, double y) {
    x_ = x;
    y_ = y;
}

void QtPrinter::newPage() {
    device_.newPage();
    x_ = 0;
    y_ = 0;
}

bool QtPrinter::endDoc(std::string& error) {
    if (ended_) return true;
    ended_ = true;
    if (!painter_.end()) {
        error = "the printer did not accept the document";
        return false;
    }
    return finish(error);
}

namespace {

// The PDF document is made in memory; the file is written only when it is
// complete.
struct PdfTarget {
    QByteArray bytes;
    QBuffer buffer{&bytes};
    QPdfWriter writer{&buffer};
    PdfTarget(const PageSetup& setup, std::string_view title) {
        buffer.open(QIODevice::WriteOnly);
        writer.setCreator(QStringLiteral("QEX ARV-1"));
        writer.setTitle(toQString(title));
        writer.setResolution(1200);
        applyPageSetup(writer, setup);
    }
};

class PdfFilePrinter final : private PdfTarget, public QtPrinter {
public:
    PdfFilePrinter(std::string path, const PageSetup& setup, std::string_view title)
        : PdfTarget(setup, title), QtPrinter(writer), path_(std::move(path)) {}

private:
    bool finish(std::string& error) override {
        buffer.close();
        try {
            writeFileAtomic(
                path_, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        } catch (const common::VbError& e) {
            error = e.description();
            return false;
        }
        return true;
    }

    std::string path_;
};

} // namespace

std::unique_ptr<Printer> makePdfPrinter(const std::string& path, const PageSetup& setup,
                                        std::string_view title) {
    return std::make_unique<PdfFilePrinter>(path, setup, title);
}

} // namespace platform

// Print Graph to a PDF file through Qt's PDF output, rendered with pdftoppm
// (poppler-utils) and looked at: one page, the title and the trace where the
// graph's coordinates put them.

#include "output_fixture.h"
#include "platform/qt_printer.h"

#include <QImage>
#include <cstdlib>

namespace {

class PdfPrintService final : public platform::PrintService {
public:
    explicit PdfPrintService(std::string path) : path_(std::move(path)) {}
    std::unique_ptr<platform::Printer> startJob(std::string_view title,
                                                const platform::PageSetup& setup) override {
        return platform::makePdfPrinter(path_, setup, title);
    }
    bool pageSetup(platform::PageSetup&) override { return false; }

private:
    std::string path_;
};

bool darkPixelIn(const QImage& image, QRect area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) return true;
    return false;
}

bool greenPixelIn(const QImage& image, QRect area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > 100 && c.red() < 90 && c.blue() < 90) return true;
        }
    return false;
}

TEST_F(OutputTest, PrintGraphToPdfShowsTheTitleAndTheTraceInPlace) {
    if (std::system("pdftoppm -v > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftoppm (poppler-utils, installed by scripts/setup.sh) is missing";
    const std::string pdf = (dir / "graph.pdf").string();
    PdfPrintService service(pdf);
    printing.setService(&service);
    platform::PageSetup a4;
    a4.marginMm = 15;
    printing.setPageSetup(a4);
    panel.settings.graphTitle = "TITLE";
    click("mnuPrintgraph");
    ASSERT_TRUE(std::filesystem::exists(pdf));

    const std::string command =
        "pdftoppm -r 72 -png '" + pdf + "' '" + (dir / "page").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "page-2.png")) << "one page";
    const QImage page(QString::fromStdString((dir / "page-1.png").string()));
    ASSERT_EQ(page.size(), QSize(595, 842)); // A4 in points

    // The graph spans the printable width at the big graph's aspect.
    const double margin = 15 / 25.4 * 72, width = 595.28 - 2 * margin;
    const double unitX = width / 22000, unitY = width * (6640.2 / 11773.35) / 460;
    auto x = [&](double graphX) { return static_cast<int>(margin + (graphX + 1500) * unitX); };
    auto y = [&](double graphY) { return static_cast<int>(margin + (graphY + 140) * unitY); };

    // The title's top-left corner at graph (6000, -100), 16 points high.
    EXPECT_TRUE(darkPixelIn(page, QRect(x(6000), y(-100), 40, 14)));
    EXPECT_FALSE(darkPixelIn(page, QRect(x(6000) - 40, y(-100), 30, 14)));
    // The left trace along graph y 100, and nowhere near y 300.
    EXPECT_TRUE(greenPixelIn(page, QRect(x(9900), y(100) - 2, 3, 5)));
    EXPECT_FALSE(greenPixelIn(page, QRect(x(9900), y(300) - 2, 3, 5)));
}

} // namespace

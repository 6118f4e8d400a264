// The print commands through the recording printer: the exact lines of the
// text printouts, Page Setup, the graph page's header, the clipboard copy.

#include "output/text_pages.h"
#include "output_fixture.h"
#include "platform/clipboard.h"
#include "views/raster_surface.h"

#include <QClipboard>

namespace {

using platform::PrintOp;

constexpr const char* kHeader = "         Frequency      Left Level       Right Level";

TEST_F(OutputTest, PrintTestDataPrintsTheStoredPointsAndTheDate) {
    common::SweepData& d = panel.sweepData;
    d.pointCount = 2;
    d.freq[1] = 1000;
    d.levelLeft[1] = -0.54f;
    d.levelRight[1] = -0.56f;
    d.freq[2] = 20000.25;
    d.levelLeft[2] = 1.25f;
    d.levelRight[2] = -12.04f;
    click("mnuPrintTestResult");
    ASSERT_EQ(service.documents().size(), 1u);
    const platform::PrintedDocument& doc = *service.documents()[0];
    EXPECT_TRUE(doc.ended);
    const std::vector<std::string> expected = {
        "",
        kHeader,
        "",
        "          1000.\t            -.5\t            -.6\t",
        "        20000.3\t            1.3\t           -12.\t",
        "",
        "          " + output::printDateTime(now)};
    EXPECT_EQ(doc.printedLines(), expected);
    EXPECT_TRUE(doc.ops(PrintOp::Kind::Line).front().font.fixedPitch);

    // A cancelled print dialog, or no printing at all (headless), prints nothing.
    service.setCancel(true);
    click("mnuPrintTestResult");
    printing.setService(nullptr);
    click("mnuPrintTestResult");
    EXPECT_EQ(service.documents().size(), 1u);
}

TEST(TextPages, LogViewerAndEditorPrintTwoEmptyLinesThenTheText) {
    EXPECT_EQ(output::plainTextLines("a\r\n\r\nb\nc\rd"),
              (std::vector<std::string>{"", "", "a", "", "b", "c", "d"}));
    EXPECT_EQ(output::plainTextLines(""), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(output::printColumn("a long cell of 20 ch"), "a long cell of 20 ch\t");
}

TEST_F(OutputTest, LongTextRunsOntoMorePages) {
    std::vector<std::string> lines(150, "x");
    ASSERT_TRUE(printing.printText("Log Viewer", lines));
    const platform::PrintedDocument& doc = *service.documents().back();
    EXPECT_EQ(doc.title, "Log Viewer");
    EXPECT_EQ(doc.pages.size(), 3u); // 63 lines of 12 points on a 757-point page
    EXPECT_EQ(doc.printedLines().size(), 150u);
}

TEST_F(OutputTest, PageSetupKeepsWhatTheDialogConfirms) {
    EXPECT_EQ(printing.pageSetup().paper, platform::localePaperSize());
    click("mnuPrintSetup"); // cancelled: nothing changes
    platform::PageSetup initial;
    initial.paper = platform::localePaperSize();
    EXPECT_EQ(printing.pageSetup(), initial);
    const platform::PageSetup letter{platform::PaperSize::Letter, true, 10, "lab"};
    service.setPageSetupAnswer(letter);
    click("mnuPrintSetup");
    EXPECT_EQ(service.pageSetupShown(), 2);
    EXPECT_EQ(printing.pageSetup(), letter);
    click("mnuPrintTestResult");
    EXPECT_EQ(service.documents().back()->setup, letter);
}

std::vector<PrintOp> textsOfSize(const platform::PrintedDocument& doc, double size) {
    std::vector<PrintOp> found;
    for (const PrintOp& op : doc.ops(PrintOp::Kind::Text))
        if (op.font.family == "Times New Roman" && op.font.pointSize == size) found.push_back(op);
    return found;
}

TEST_F(OutputTest, PrintGraphHeaderAndBody) {
    panel.settings.graphTitle = "Amplifier 7";
    panel.settings.graphLegends = {"first", "", "third"};
    panel.settings.graphTimeStamp = 1;
    click("mnuPrintgraph");
    ASSERT_EQ(service.documents().size(), 1u);
    const platform::PrintedDocument& doc = *service.documents()[0];
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_TRUE(doc.ended);
    EXPECT_FALSE(graph.bigGraph); // back to the small layout

    // Graph x spreads over the page width: x 6000 lies 7500/22000 of the way.
    const double unitX = 515.0 / 22000;
    const auto title = textsOfSize(doc, 16);
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].text, "Amplifier 7");
    EXPECT_NEAR(title[0].x, 7500 * unitX, 1e-9);
    const auto small = textsOfSize(doc, 10);
    ASSERT_EQ(small.size(), 3u);
    EXPECT_EQ(small[0].text, "first");
    EXPECT_EQ(small[1].text, "third");
    EXPECT_NEAR(small[0].x, 2500 * unitX, 1e-9);
    const double unitY = (small[1].y - small[0].y) / 40; // legend 1 at y 450, legend 3 at 490
    EXPECT_NEAR(title[0].y, 40 * unitY, 1e-9);           // y -100 below the page top at -140
    EXPECT_EQ(small[2].text, output::printDateTime(now));
    EXPECT_NEAR(small[2].y - small[0].y, 80 * unitY, 1e-9);

    // The body: the grid in &H777777 and the left trace at y 100, clipped to the graph.
    bool grid = false, trace = false;
    for (const PrintOp& op : doc.ops(PrintOp::Kind::Polyline)) {
        grid = grid || op.colour == 0x777777;
        if (op.colour == 0x009A00) {
            trace = true;
            EXPECT_NEAR(op.points.front().y, 240 * unitY, 1e-9);
            EXPECT_NEAR(op.points.back().x - op.points.front().x, 19800 * unitX, 1e-9);
        }
    }
    EXPECT_TRUE(grid);
    EXPECT_TRUE(trace);
    EXPECT_EQ(doc.ops(PrintOp::Kind::Clip).size(), 1u);

    // Without a title and the time stamp: the legends alone, still in size 10.
    panel.settings.graphTitle.clear();
    panel.settings.graphTimeStamp = 0;
    panel.settings.graphColour = 0; // black and white
    click("mnuPrintgraph");
    const platform::PrintedDocument& bw = *service.documents()[1];
    EXPECT_TRUE(textsOfSize(bw, 16).empty());
    EXPECT_EQ(textsOfSize(bw, 10).size(), 2u);
    for (const PrintOp& op : bw.ops(PrintOp::Kind::Polyline))
        EXPECT_TRUE(op.colour == 0x777777 || op.colour == 0) << std::hex << op.colour;
}

TEST_F(OutputTest, CopyGraphPutsAnImageOfTheGraphOnTheClipboard) {
    platform::QtClipboard clipboard;
    clipboard.setText("before");
    files.setClipboard(&clipboard);
    graph.Makebiggraph();
    click("mnuCopygraph");
    const auto& box = dynamic_cast<views::RasterSurface&>(graph.GraphBox());
    const QImage image = QGuiApplication::clipboard()->image();
    EXPECT_EQ(image.size(), box.image().size());
    EXPECT_EQ(image.size(), QSize(521, 217)); // the small layout, 7815 x 3255 twips
    EXPECT_FALSE(graph.bigGraph);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

} // namespace

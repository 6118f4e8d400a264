// The CSV export and the test report's layout (through the recording
// printer), and files that cannot be written.

#include "output/csv.h"
#include "output/report.h"
#include "output_fixture.h"

#include <fstream>
#include <sstream>

namespace {

using platform::PrintOp;

void sweepWithLimits(panel::Panel& panel) {
    common::SweepData& d = panel.sweepData;
    d.pointCount = 3;
    const double freq[] = {0, 20, 1000, 20000};
    const float level[] = {0, -0.5f, -1.25f, 0.125f};
    for (int i = 1; i <= 3; ++i) {
        d.freq[static_cast<std::size_t>(i)] = freq[i];
        d.levelLeft[static_cast<std::size_t>(i)] = level[i];
        d.levelRight[static_cast<std::size_t>(i)] = level[i] / 2;
        d.thdLeft[static_cast<std::size_t>(i)] = 0.0125f;
    }
    common::LimitTable& l = panel.limits;
    l.limitCount = 2; // the third point has no limit row
    for (std::size_t k = 1; k <= 2; ++k) {
        l.limitLower[k] = -1;
        l.limitUpper[k] = 1;
    }
    panel.settings.limitCurveOn = 1;
}

TEST_F(OutputTest, SweepCsvCarriesUnitsLimitsAndTheVerdictOfEachPoint) {
    sweepWithLimits(panel);
    const output::CsvTable t = output::sweepCsv(panel.settings, panel.sweepData, panel.limits);
    EXPECT_EQ(t.header, (std::vector<std::string>{"frequency_hz", "left_dbr", "right_dbr",
                                                  "left_thd_pct", "right_thd_pct",
                                                  "lower_limit_dbr", "upper_limit_dbr", "result"}));
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[0],
              (std::vector<std::string>{"20", "-0.5", "-0.25", "0.0125", "0", "-1", "1", "PASS"}));
    EXPECT_EQ(t.rows[1].back(), "FAIL");
    EXPECT_EQ(t.rows[2],
              (std::vector<std::string>{"20000", "0.125", "0.0625", "0.0125", "0", "", "", ""}));
    panel.settings.limitCurveOn = 0;
    EXPECT_EQ(output::sweepCsv(panel.settings, panel.sweepData, panel.limits).header.size(), 5u);

    EXPECT_EQ(output::csvText({{"a", "b,c"}, {{"say \"hi\"", "x\r\ny"}}}),
              "a,\"b,c\"\r\n\"say \"\"hi\"\"\",\"x\r\ny\"\r\n");
}

TEST_F(OutputTest, SpectrumCsvHoldsEveryDrawnBinOfTheDrawnChannels) {
    click("mnuSa"); // spectrum view, left channel
    const std::string path = (dir / "spectrum.csv").string();
    std::string error;
    ASSERT_TRUE(files.exportCurrentView(path, error)) << error;
    std::ifstream in(path, std::ios::binary);
    std::string header, line;
    std::getline(in, header);
    EXPECT_EQ(header, "frequency_hz,left_dbr\r");
    int rows = 0;
    while (std::getline(in, line))
        ++rows;
    EXPECT_EQ(rows, 7200 - 4 + 1); // bins 4..7200 at N = 16384

    click("mnuScope");
    EXPECT_FALSE(files.exportCurrentView(path, error));
    EXPECT_NE(error.find("oscilloscope"), std::string::npos);
}

TEST_F(OutputTest, ReportShowsTheVerdictTheMarkedTableAndNumberedPages) {
    sweepWithLimits(panel);
    std::string log;
    for (int i = 0; i < 120; ++i)
        log += "log line " + std::to_string(i) + "\r\n";
    platform::writeFileAtomic((dir / "run.log").string(), log);
    panel.settings.logFilePath = (dir / "run.log").string();
    panel.controls()["Readout1"].setCaption("999.8 Hz");

    output::ReportContext context;
    context.panelFile = "/x/amp.atp";
    context.verdict = {false, "A sweep point lies outside its limits."};
    const output::ReportData report = output::collectReport(panel, graph, context, now);
    EXPECT_EQ(report.title, "amp"); // no graph title: the panel's name
    auto document = std::make_shared<platform::PrintedDocument>();
    platform::RecordingPrinter printer(document);
    output::drawReport(printer, report);

    const std::size_t pages = document->pages.size();
    ASSERT_GE(pages, 2u);
    bool verdict = false, failMark = false, numbered = false, readout = false, lastLog = false;
    for (const PrintOp& op : document->ops(PrintOp::Kind::Text)) {
        verdict = verdict || (op.text == "FAIL" && op.font.pointSize >= 30);
        failMark = failMark || (op.text == "FAIL" && op.colour == 0xC62828 && op.font.bold &&
                                op.font.pointSize < 10);
        numbered =
            numbered || op.text == "Page " + std::to_string(pages) + " of " + std::to_string(pages);
        readout = readout || op.text == "999.8 Hz";
        lastLog = lastLog || op.text == "log line 119";
    }
    EXPECT_TRUE(verdict);
    EXPECT_TRUE(failMark);
    EXPECT_TRUE(numbered);
    EXPECT_TRUE(readout);
    EXPECT_TRUE(lastLog);
    EXPECT_FALSE(document->ops(PrintOp::Kind::Polyline).empty()); // the graph as vectors
}

TEST_F(OutputTest, UnwritablePlacesGiveAReasonAndLeaveNoFile) {
    std::ofstream(dir / "plain-file") << "x";
    for (const std::filesystem::path& path :
         {dir / "missing" / "r.pdf", dir / "plain-file" / "r.pdf", dir}) {
        std::string error;
        EXPECT_FALSE(files.saveReport(path.string(), error)) << path;
        EXPECT_FALSE(error.empty());
        error.clear();
        EXPECT_FALSE(files.exportSweep(path.string(), error)) << path;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1); // the plain file alone: no partial or temporary file

    dialogs.queueFile((dir / "missing" / "s.csv").string());
    click("mnuExportSweep");
    ASSERT_EQ(dialogs.messageTexts().size(), 1u);
    EXPECT_EQ(dialogs.messageTexts()[0].rfind("Cannot write " + (dir / "missing").string(), 0), 0u)
        << dialogs.messageTexts()[0];
}

} // namespace

#include "views/raster_surface.h"
#include "views/sa_file.h"
#include "views_fixture.h"

namespace views {
namespace {

using panel::GraphMode;

// The graph with the sweep plots counted instead of drawn.
class GraphTest : public ViewsTest {
protected:
    void SetUp() override {
        ViewsTest::SetUp();
        graph.setSweepPlots([this] { ++graphdataCalls; }, [this] { ++limitCurveCalls; });
    }
    int graphdataCalls = 0;
    int limitCurveCalls = 0;
};

bool hasText(const std::vector<DrawOp>& texts, double x, double y, const std::string& text) {
    for (const DrawOp& op : texts)
        if (op.xa == x && op.ya == y && op.text == text) return true;
    return false;
}

TEST_F(GraphTest, BigAndSmallLayouts) {
    graph.Makebiggraph();
    EXPECT_TRUE(graph.bigGraph);
    EXPECT_EQ(graph.GraphBox().layout(), kBigGraphLayout);
    EXPECT_EQ(graph.nullscope().layout().width, kBigGraphLayout.width);
    EXPECT_FALSE(control("SA_LR").visible());
    EXPECT_FALSE(control("SA_ave_cmd").visible()); // not in Spectrum mode
    EXPECT_EQ(graphdataCalls, 1);                  // the sweep view redrawn
    graph.GraphBox_Click();
    EXPECT_FALSE(graph.bigGraph);
    EXPECT_EQ(graph.GraphBox().layout(), kSmallGraphLayout);
    EXPECT_TRUE(control("SA_LR").visible());
    EXPECT_EQ(graph.graphHeightAtStart, 3255);
}

TEST_F(GraphTest, SweepScaleFollowsTheSettingsAndDrawsTheLimitCurve) {
    panel.settings.SweepScaleTop = 10;
    panel.settings.SweepScaleBtm = -70;
    panel.settings.limitCurveOn = 1;
    graph.scaleme();
    EXPECT_TRUE(hasText(box().shownTexts(), -1400, 385, "-70"));
    EXPECT_EQ(limitCurveCalls, 1);
    EXPECT_EQ(graph.scales.scaleSpan, 80);
    // The grid colour changes only for grids drawn afterwards.
    const Rgb before = box().shownLines().front().colour;
    control("mnuScalelight").click();
    EXPECT_TRUE(control("mnuScalelight").checked());
    EXPECT_EQ(box().shownLines().front().colour, before);
    graph.scaleme();
    EXPECT_EQ(box().shownLines().front().colour, colours::GridHigh);
}

TEST_F(GraphTest, SpectrumModeOnAndOff) {
    control("mnuSa").click();
    EXPECT_EQ(panel.settings.graphMode, GraphMode::Spectrum);
    EXPECT_TRUE(control("mnuSa").checked());
    EXPECT_FALSE(control("mnuSR").checked());
    EXPECT_EQ(control("sweepview").text(), "    Spectrum Analyzer Mode");
    // GraphBox shows ScopeBuff's image: the scale then the traces.
    const auto shown = box().shown();
    EXPECT_TRUE(hasText(box().shownTexts(), -1400, 385, "-140"));
    EXPECT_EQ(box().shownLines().back().colour, colours::LeftTrace); // saChannel 0
    EXPECT_FALSE(shown.empty());
    // The traces drawn on ScopeBuff (x up to 7755) keep their place: the last
    // bin shows near the right end of the graph's plot (x up to 20500).
    EXPECT_GT(box().shownLines().back().xb, 19000);
    EXPECT_LT(box().shownLines().back().xb, 20500);
    // Drawn once more as vectors: the same picture, and GraphBox untouched.
    const std::size_t history = box().history().size();
    const std::vector<DrawOp> recorded = graph.recordCurrentView();
    EXPECT_EQ(box().history().size(), history);
    ASSERT_EQ(recorded.size(), shown.size());
    EXPECT_EQ(recorded.back(), shown.back());

    control("mnuSa").click();
    EXPECT_EQ(panel.settings.graphMode, GraphMode::Sweep);
    EXPECT_EQ(control("sweepview").text(), "    Frequency Sweep Mode");
    const auto background = std::dynamic_pointer_cast<const RecordedPicture>(box().background());
    EXPECT_TRUE(!background || background->ops().empty()); // the blank picture
    EXPECT_EQ(graphdataCalls, 1);
}

TEST_F(GraphTest, ScopeModeOnAndOffWithManualControls) {
    panel.settings.scopeManual = 1;
    panel.settings.scopeTimebase = 150;
    panel.settings.scopeGainLeft = 1001;
    panel.settings.scopeGainRight = 20;
    control("mnuScope").click();
    EXPECT_EQ(panel.settings.graphMode, GraphMode::Scope);
    EXPECT_EQ(control("sweepview").text(), "     Oscilloscope Mode");
    EXPECT_TRUE(control("ScopeFrame").visible());
    EXPECT_EQ(panel.settings.scopeTimebase, 50);
    EXPECT_EQ(control("TimebaseScroll").value(), 50);
    EXPECT_EQ(panel.settings.scopeGainLeft, 1);
    EXPECT_EQ(control("LgainReadout").caption(), "1");
    EXPECT_EQ(control("RGainScroll").value(), 20);
    // The graticule, then displayscope's own graticule; no traces without a capture source.
    EXPECT_EQ(box().shownLines().size(), 880u);

    control("mnuScope").click();
    EXPECT_EQ(panel.settings.graphMode, GraphMode::Sweep);
    EXPECT_FALSE(control("ScopeFrame").visible());
    EXPECT_EQ(control("sweepview").text(), "     Frequency Sweep Mode");
}

TEST_F(GraphTest, ScopeControlRanges) {
    control("mnuScope").click();
    graph.TbaseReadout_Change("150");
    graph.TbaseReadout_Change("0");
    EXPECT_EQ(panel.settings.scopeTimebase, 50);
    graph.TbaseReadout_Change("20.4");
    EXPECT_EQ(panel.settings.scopeTimebase, 20);
    EXPECT_EQ(control("TimebaseScroll").value(), 20);
    graph.LgainReadout_Change("1001");
    EXPECT_EQ(panel.settings.scopeGainLeft, 1);
    control("LockCheck").setChecked(true);
    control("RGainScroll").setValue(300); // with the lock, the left follows
    EXPECT_EQ(panel.settings.scopeGainLeft, 300);
    EXPECT_EQ(control("LGainScroll").value(), 300);
    EXPECT_EQ(control("LgainReadout").caption(), "300");
    EXPECT_EQ(panel.settings.graphMode, GraphMode::Scope); // re-entered
    control("SplitCheck").setChecked(true);
    EXPECT_EQ(panel.settings.scopeSplit, 1);
    // The program's own writes do not run the handlers.
    panel.updating = true;
    control("LGainScroll").setValue(7);
    panel.updating = false;
    EXPECT_EQ(panel.settings.scopeGainLeft, 300);
    control("mnuLocktrig").click();
    EXPECT_EQ(panel.settings.lockToLeftTrigger, 1);
    EXPECT_TRUE(control("mnuLocktrig").checked());
}

TEST_F(GraphTest, SpectrumControls) {
    std::vector<std::string> captions;
    for (int i = 0; i < 3; ++i) {
        control("SA_LR").click();
        captions.push_back(control("SA_LR").caption());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"R", "LR", "L"}));
    EXPECT_EQ(panel.settings.saChannel, 0);
    control("SA_ave_cmd").click();
    EXPECT_EQ(panel.settings.saAveraging, 1);
    EXPECT_EQ(control("SAaveLED").colour(), panel::colour::Green);
    control("SA_ave_cmd").click();
    EXPECT_EQ(control("SAaveLED").colour(), panel::colour::DarkCyan);
    control("avetext").setText("7.5");
    EXPECT_EQ(panel.settings.saAverageCount, 8);
    control("avetext").setText("99999");
    EXPECT_EQ(panel.settings.saAverageCount, 8);
}

TEST_F(GraphTest, ClearRemovesTheSweepPoints) {
    panel.sweepData.pointCount = 5;
    panel.sweepData.freq[3] = 1000;
    panel.sweepData.levelRight[200] = 1;
    panel.sweepData.thdLeft[3] = 2;
    panel.controls()["PFLED"].setColour(panel::colour::Red);
    graph.Clear_graph_Click();
    EXPECT_EQ(panel.sweepData.pointCount, 0);
    EXPECT_EQ(panel.sweepData.freq[3], 0);
    EXPECT_EQ(panel.sweepData.levelRight[200], 0);
    EXPECT_EQ(panel.sweepData.thdLeft[3], 2);
    EXPECT_EQ(control("PFLED").colour(), panel::colour::DarkCyan);
    EXPECT_FALSE(box().shownTexts().empty());
}

TEST_F(GraphTest, SaFileRoundTripAndTolerantReader) {
    SpectrumBuffers fx;
    auto& left = fx.left;
    auto& right = fx.right;
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = 1.0 / (static_cast<double>(i) + 3);
        right[i] = i * 1.5e-7;
    }
    graph.setSpectrumSource([&] { return fx.frame(); });
    dialogs.queueFile(file("a.dsa"));
    graph.mnuSaveSA_Click();
    EXPECT_EQ(graph.saFilePath, file("a.dsa"));
    const std::string bytes = platform::readFileBytes(file("a.dsa"));
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 16318);
    EXPECT_EQ(bytes.substr(0, 15), "0.25\r\n1.5E-07\r\n");
    const auto saved = dialogs.records(platform::ScriptedDialogs::Kind::SaveFile);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].file.filter, "SA Data Files|*.dsa;");

    const std::vector<double> original = left;
    std::fill(left.begin(), left.end(), 0.0);
    std::fill(right.begin(), right.end(), 0.0);
    dialogs.queueFile(file("a.dsa"));
    graph.mnuLoadSA_Click();
    for (std::size_t i = 1; i <= 8159; ++i)
        ASSERT_EQ(left[i], original[i]) << i;
    EXPECT_EQ(right[8159], 8159 * 1.5e-7);
    EXPECT_EQ(left[8160], 0); // not stored
    EXPECT_EQ(dialogs.records(platform::ScriptedDialogs::Kind::OpenFile)[0].file.filter,
              "SA Data Files|*.dsa|*.*|*.*");

    // Any decimal or exponent form, commas or line ends; a short file keeps the rest.
    platform::writeFileAtomic(file("b.dsa"), "1.5E+3,2e-2\n.25\r\n-7\r\n  3D2\r\n");
    dialogs.queueFile(file("b.dsa"));
    graph.mnuLoadSA_Click();
    EXPECT_EQ(left[1], 1500);
    EXPECT_EQ(right[1], 0.02);
    EXPECT_EQ(left[2], 0.25);
    EXPECT_EQ(right[2], -7);
    EXPECT_EQ(left[3], 300);
    EXPECT_EQ(right[3], 3 * 1.5e-7); // past the end of the file: unchanged
    EXPECT_EQ(left[4], original[4]);

    // Cancel does nothing; a missing file leaves the spectrum and shows nothing.
    dialogs.queueCancel();
    graph.mnuLoadSA_Click();
    EXPECT_EQ(graph.saFilePath, file("b.dsa"));
    dialogs.queueFile(file("missing.dsa"));
    graph.mnuLoadSA_Click();
    EXPECT_EQ(left[1], 1500);
    EXPECT_TRUE(dialogs.messageTexts().empty());
}

TEST(GraphExport, SaveFile1DrawsTracesWhiteAndRequestsGeneratorOff) {
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel panel{loop, dialogs};
    Graph graph{panel, dialogs};
    int offRequests = 0;
    graph.setGeneratorOffRequest([&] { ++offRequests; });

    // A spectrum with a single strong line at bin 372 (1 kHz at 44100 / 16384).
    SpectrumBuffers fx;
    std::fill(fx.left.begin(), fx.left.end(), 0.5);
    std::fill(fx.right.begin(), fx.right.end(), 0.5);
    fx.left[372] = 2.0e7;
    graph.setSpectrumSource([&] { return fx.frame(); });
    graph.mnuSa_Click();
    const std::string path =
        (std::filesystem::temp_directory_path() / "arv1_views_export_test.bmp").string();
    ASSERT_TRUE(graph.SaveFile1(path));
    EXPECT_EQ(offRequests, 1);
    EXPECT_FALSE(graph.exportRendering);
    QImage image(QString::fromStdString(path));
    ASSERT_EQ(image.size(), QSize(521, 217));
    // The highest white pixel of the trace is at the column of 1 kHz.
    auto& box = dynamic_cast<RasterSurface&>(graph.GraphBox());
    int peakColumn = -1;
    for (int y = box.pixelY(0); y < image.height() && peakColumn < 0; ++y)
        for (int x = box.pixelX(0); x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == colours::Export) {
                peakColumn = x;
                break;
            }
    EXPECT_NEAR(peakColumn, box.pixelX(12000), 2);
    // The grid colour is on a grid line (100 Hz), below the trace.
    EXPECT_EQ(image.pixel(box.pixelX(6000), box.pixelY(395)) & 0xFFFFFF, colours::GridNormal);
    // Exported traces are white only; after saving, the live graph shows them green again.
    auto count = [](const QImage& picture, Rgb colour) {
        int n = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                n += (picture.pixel(x, y) & 0xFFFFFF) == colour;
        return n;
    };
    EXPECT_EQ(count(image, colours::LeftTrace), 0);
    EXPECT_GT(count(box.image(), colours::LeftTrace), 100);
    std::filesystem::remove(path);
}

} // namespace
} // namespace views

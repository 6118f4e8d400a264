// The main window driven like an operator drives it: real widgets, key and
// mouse events, on virtual time with the simulated loopback.

#include "common/text.h"
#include "platform/files.h"
#include "ui/graph_widget.h"
#include "ui/lamp.h"
#include "views/raster_surface.h"
#include "window_fixture.h"

#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

using uitest::Instrument;
namespace fs = std::filesystem;

// What a bound widget shows, as one line (inputs and menu ticks only).
std::string shown(QObject* object) {
    if (auto* edit = qobject_cast<QLineEdit*>(object)) return edit->text().toStdString();
    if (auto* combo = qobject_cast<QComboBox*>(object))
        return combo->currentIndex() >= 0 ? combo->currentText().toStdString()
                                          : "(" + combo->placeholderText().toStdString() + ")";
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->isCheckable() ? (button->isChecked() ? "ticked" : "clear") : "";
    if (auto* slider = qobject_cast<QAbstractSlider*>(object))
        return std::to_string(slider->value());
    if (auto* action = qobject_cast<QAction*>(object)) return action->isChecked() ? "ticked" : "";
    return "";
}

// What the model holds for a control, in the same form as shown().
std::string held(const panel::Control& c, QObject* object) {
    using K = panel::ControlKind;
    switch (c.kind()) {
    case K::TextBox:
        return qobject_cast<QLineEdit*>(object) ? c.text() : "";
    case K::ComboBox:
        return c.value() >= 0 ? c.text() : "(" + c.text() + ")";
    case K::CheckBox:
    case K::OptionButton:
        return c.checked() ? "ticked" : "clear";
    case K::ScrollBar:
        return std::to_string(c.value());
    case K::Menu:
        return c.checked() ? "ticked" : "";
    default:
        return "";
    }
}

// Every bound input shows what its control holds; returns the mismatches.
std::vector<std::string> widgetsNotShowingModel(Instrument& bench) {
    std::vector<std::string> wrong;
    for (const panel::Control& c : bench.panel().controls().all()) {
        QObject* object = bench.window->binding().object(c.name());
        if (object && shown(object) != held(c, object))
            wrong.push_back(c.name() + ": shows '" + shown(object) + "', holds '" +
                            held(c, object) + "'");
    }
    return wrong;
}

class MainWindowTest : public uitest::WindowTest {
protected:
    void press(const char* name) {
        QTest::mouseClick(bench->widget<QPushButton>(name), Qt::LeftButton);
    }
    void choose(const char* comboName, const QString& item) {
        auto* combo = bench->widget<QComboBox>(comboName);
        const int index = combo->findText(item);
        ASSERT_GE(index, 0) << comboName << " has no " << item.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index); // what a selection with the mouse raises
    }
    std::string caption(const char* label) {
        return bench->widget<QLabel>(label)->text().toStdString();
    }
    std::uint32_t lamp(const char* name) { return bench->widget<ui::Lamp>(name)->colour(); }
};

TEST_F(MainWindowTest, EveryControlHasOneWidgetAndEveryWidgetIsBoundBothWays) {
    Instrument& b = start();
    const ui::BindingReport report = ui::checkBinding(b.window->binding(), b.window.get());
    EXPECT_TRUE(report.controlsWithoutWidget.empty())
        << "no widget for " << ::testing::PrintToString(report.controlsWithoutWidget);
    EXPECT_TRUE(report.unboundWidgets.empty())
        << "not bound: " << ::testing::PrintToString(report.unboundWidgets);
    EXPECT_TRUE(widgetsNotShowingModel(b).empty())
        << ::testing::PrintToString(widgetsNotShowingModel(b));

    // A program's write shows in the widget and raises the change event once.
    int changes = 0;
    b.control("SweepScaleTop").onChange([&] { ++changes; });
    b.control("SweepScaleTop").setText("15");
    EXPECT_EQ(b.widget<QLineEdit>("SweepScaleTop")->text(), "15");
    EXPECT_EQ(changes, 1);
    // A user's keystrokes write the model, one change event per key.
    auto* top = b.widget<QLineEdit>("SweepScaleTop");
    top->selectAll();
    QTest::keyClicks(top, "30");
    EXPECT_EQ(b.control("SweepScaleTop").text(), "30");
    EXPECT_EQ(changes, 3);

    // Captions, colours, visibility, enabled state and list items follow.
    b.control("Status").setCaption("Error in genfreq formula.");
    EXPECT_EQ(caption("Status"), "Error in genfreq formula.");
    b.control("PFLED").setColour(panel::colour::Red);
    EXPECT_EQ(lamp("PFLED"), panel::colour::Red);
    b.control("Clear_graph").setVisible(false);
    EXPECT_TRUE(b.widget<QPushButton>("Clear_graph")->isHidden());
    b.control("SeqRun").setEnabled(false);
    EXPECT_FALSE(b.widget<QPushButton>("SeqRun")->isEnabled());
    b.control("SweepDataUnits").setItems({"dBr", "dBV"});
    EXPECT_EQ(b.widget<QComboBox>("SweepDataUnits")->count(), 2);
    EXPECT_EQ(b.window->windowTitle(), "QEX ARV-1     Version 1.33");

    // A menu item whose window is not in this build is shown disabled.
    auto action = [&](const char* name) { return b.window->findChild<QAction*>(name); };
    for (const ui::WindowMenuItem& item : ui::kWindowMenuItems)
        EXPECT_EQ(action(item.menu)->isEnabled(), b.windows->has(item.window)) << item.menu;
    EXPECT_TRUE(action("mnuLoadTest")->isEnabled());
    EXPECT_EQ(action("mnuSa")->text(), "Spectrum Analyzer");
}

TEST_F(MainWindowTest, OnShowsTheToneInTheReadoutsAndLampsInTheirColours) {
    Instrument& b = start("amplifier");
    choose("Readoutmd3", "THD");
    for (const char* on : {"ReadoutOn1", "ReadoutOn3", "ReadoutOn5"})
        press(on);
    EXPECT_EQ(lamp("ReadoutLED1"), panel::colour::Green);
    EXPECT_EQ(lamp("ReadoutLED2"), panel::colour::DarkCyan);
    press("Gen_On");
    b.loop.advance(4000);

    EXPECT_EQ(lamp("GenOnLED"), panel::colour::Green);
    EXPECT_EQ(lamp("SeqLED"), panel::colour::DarkCyan);
    EXPECT_NEAR(common::leadingNumber(caption("Readout5")), 1000, 3);
    EXPECT_NE(caption("Readout5").find(" Hz"), std::string::npos);
    EXPECT_GT(common::leadingNumber(caption("Readout1")), 0.1);
    EXPECT_EQ(b.widget<QComboBox>("Readoutun3")->currentText(), "%");
    EXPECT_GT(common::leadingNumber(caption("Readout3")), 0);
    EXPECT_LT(common::leadingNumber(caption("Readout3")), 5);
}

TEST_F(MainWindowTest, LongReadoutCaptionsDoNotWidenTheWindow) {
    Instrument& b = start();
    const char* captions[] = {"0.0055790 %", "-100.00 dBFS", "19999.99 Hz", "-179.99 deg",
                              "-120.00 dBu"};
    for (int slot = 1; slot <= 5; ++slot)
        b.control("Readout" + std::to_string(slot)).setCaption(captions[slot - 1]);
    QCoreApplication::processEvents();
    EXPECT_LE(b.window->minimumSizeHint().width(), 1366);
    EXPECT_EQ(b.widget<QLabel>("Readout2")->text(), "-100.00 dBFS");
}

TEST_F(MainWindowTest, NoSignalShowsBesideTheReadoutsWhileTheInputIsSilent) {
    Instrument& b = start("gain=-200");
    auto* label = b.widget<QLabel>("NoSignal");
    EXPECT_FALSE(label->isVisible());
    press("Gen_On");
    b.loop.advance(4000);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), "NO SIGNAL");
    press("Gen_Off");
    EXPECT_FALSE(label->isVisible());
}

TEST_F(MainWindowTest, TypingAFrequencyRestartsTheGeneratorOnceAfterTheLastKey) {
    Instrument& b = start();
    press("ReadoutOn5");
    press("Gen_On");
    b.loop.advance(2000);
    const int opens = b.output.openCount();

    auto* freq = b.widget<QLineEdit>("GenFreq1");
    freq->selectAll();
    for (const char* key : {"2", "0", "0", "0"}) {
        QTest::keyClicks(freq, key);
        b.loop.advance(150); // typing faster than the 400 ms debounce
    }
    EXPECT_EQ(b.control("GenFreq1").text(), "2000");
    EXPECT_EQ(b.output.openCount(), opens) << "restarted before the debounce ran out";
    b.loop.advance(500);
    EXPECT_EQ(b.output.openCount(), opens + 1);
    b.loop.advance(3000);
    EXPECT_EQ(b.output.openCount(), opens + 1);
    EXPECT_NEAR(common::leadingNumber(caption("Readout5")), 2000, 2);
}

TEST_F(MainWindowTest, StartRunsASweepIntoTheGraphAndAViolatedLimitTurnsPfledRed) {
    Instrument& b = start("amplifier,hp=200");
    const fs::path limits = dir / "tight.dfl";
    // Ten rows of -1..+1 dB: the 200 Hz high-pass leaves the low points far below.
    std::string table = "10\r\n3\r\n";
    for (int r = 0; r < 10; ++r)
        table += std::to_string(20 + r * 2000) + "\r\n";
    for (int r = 0; r < 10; ++r)
        table += "-1\r\n";
    for (int r = 0; r < 10; ++r)
        table += "1\r\n";
    platform::writeFileAtomic(limits.string(), table);
    b.dialogs.queueFile(limits.string());
    press("Browse_Limits");
    QTest::mouseClick(b.widget<QCheckBox>("LimitCurveCheck"), Qt::LeftButton);
    auto* steps = b.widget<QLineEdit>("SweepStepCount");
    steps->selectAll();
    QTest::keyClicks(steps, "10");

    const long repaints = b.window->graphWidget().repaintsRequested();
    press("SweepStart");
    EXPECT_EQ(lamp("plotLED"), panel::colour::Green);
    ASSERT_TRUE(b.loop.runUntil([&] { return b.main->sweep().sweepState == 0; }, 120000));
    EXPECT_EQ(b.panel().sweepData.pointCount, 10);
    EXPECT_EQ(lamp("PFLED"), panel::colour::Red);
    EXPECT_EQ(lamp("plotLED"), panel::colour::DarkCyan);
    EXPECT_GT(b.window->graphWidget().repaintsRequested(), repaints + 10);

    // The curves are in the graph's picture (the right one drawn over the left).
    const QImage& image = dynamic_cast<views::RasterSurface&>(b.main->graph().GraphBox()).image();
    int traced = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y) & 0xFFFFFF;
            traced += pixel == views::colours::LeftTrace || pixel == views::colours::RightTrace;
        }
    EXPECT_GT(traced, image.width() / 2);
    EXPECT_NE(b.widget<QPlainTextEdit>("sweepview")->toPlainText().indexOf("10   "), -1);
}

TEST_F(MainWindowTest, LoadTestPanelUpdatesEveryWidgetAndSavePanelWritesTheHeadlessFile) {
    Instrument& b = start();
    const fs::path source = fs::path(ARV1_SOURCE_DIR) / "examples/panels/thd-sweep.atp";
    b.dialogs.queueFile(source.string());
    b.window->findChild<QAction*>("mnuLoadTest")->trigger();
    EXPECT_EQ(b.window->windowTitle().toStdString(), panel::panelFileCaption(source.string()));
    EXPECT_EQ(b.widget<QComboBox>("SweepMode")->currentText(), "THD vs Frequency");
    EXPECT_TRUE(widgetsNotShowingModel(b).empty())
        << ::testing::PrintToString(widgetsNotShowingModel(b));

    const fs::path saved = dir / "saved.atp";
    b.dialogs.queueFile(saved.string());
    b.window->findChild<QAction*>("mnuSavePanel")->trigger();

    // The headless panel, given the same file, writes the same bytes.
    platform::VirtualEventLoop loop;
    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    platform::ScriptedDialogs dialogs;
    app::MainPanel headless(loop, dialogs, audio, output);
    headless.panel().Form_Load();
    headless.panel().testPanelPath = source.string();
    headless.panel().ReadData();
    headless.panel().testPanelPath = (dir / "headless.atp").string();
    headless.panel().WritePanelFile();
    EXPECT_EQ(readAll(saved), readAll(dir / "headless.atp"));
}

TEST_F(MainWindowTest, ClosingWritesTheStartUpFileAndTheNextStartRestoresEveryWidget) {
    auto snapshot = [](Instrument& b) {
        std::string all;
        for (const panel::Control& c : b.panel().controls().all())
            if (QObject* o = b.window->binding().object(c.name()))
                all += c.name() + "=" + shown(o) + "\n";
        return all;
    };
    Instrument& first = start();
    auto* freq = first.widget<QLineEdit>("GenFreq1");
    freq->selectAll();
    QTest::keyClicks(freq, "1234");
    choose("SampleRate", "48000");
    choose("Readoutmd2", "Power");
    QTest::mouseClick(first.widget<QCheckBox>("EvenStepCheck"), Qt::LeftButton);
    first.window->findChild<QAction*>("mnuScalelight")->trigger();
    const std::string before = snapshot(first);
    first.window->close();
    EXPECT_TRUE(first.panel().shutDown);
    EXPECT_TRUE(fs::exists(dir / "startupini"));

    Instrument& again = start();
    EXPECT_EQ(snapshot(again), before);
    EXPECT_EQ(again.widget<QLineEdit>("GenFreq1")->text(), "1234");
    EXPECT_EQ(again.widget<QComboBox>("Readoutun2")->currentText(), "W");
    EXPECT_TRUE(again.window->findChild<QAction*>("mnuScalelight")->isChecked());
}

TEST_F(MainWindowTest, SplashShowsOverTheGraphWhileThePanelStaysResponsive) {
    Instrument& b = start();
    auto* splash = b.widget<QLabel>("Splashwindow");
    EXPECT_TRUE(splash->isHidden());
    bool shownDuringWait = false;
    b.loop.post(
        [&] {
            shownDuringWait = !splash->isHidden() && splash->text().startsWith("Connect the DUT");
            QTest::mouseClick(b.widget<QPushButton>("ReadoutOn2"), Qt::LeftButton);
        },
        1000);
    b.main->scriptHost().splash("Connect the DUT", 2);
    EXPECT_TRUE(shownDuringWait);
    EXPECT_EQ(lamp("ReadoutLED2"), panel::colour::Green);
    EXPECT_TRUE(splash->isHidden());
}

TEST_F(MainWindowTest, GraphSwitchesLayoutsAndShowsTheCursorReadoutInSpectrumView) {
    Instrument& b = start();
    b.window->findChild<QAction*>("mnuSa")->trigger();
    press("Gen_On");
    b.loop.advance(2000);

    ui::GraphWidget& graph = b.window->graphWidget();
    b.window->resize(1366, 740);
    QCoreApplication::processEvents();
    // The pointer over the middle of the picture: about 1 kHz on the spectrum's axis.
    QTest::mouseMove(&graph, graph.rect().center());
    const QString readout = b.widget<QPlainTextEdit>("sweepview")->toPlainText();
    EXPECT_TRUE(readout.contains(" Hz   ") && readout.contains(" dBL  ")) << readout.toStdString();

    press("SweepFullView");
    EXPECT_TRUE(b.main->graph().bigGraph);
    EXPECT_TRUE(b.widget<QWidget>("Gen_On")->isHidden() ||
                !b.widget<QWidget>("Gen_On")->isVisible());
    QTest::mouseClick(&graph, Qt::LeftButton, {}, graph.rect().center());
    EXPECT_FALSE(b.main->graph().bigGraph);
    EXPECT_TRUE(b.widget<QWidget>("Gen_On")->isVisible());
}

} // namespace

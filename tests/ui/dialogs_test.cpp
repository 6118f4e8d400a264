// The instrument's dialogs, opened from their menus and driven through their
// widgets on virtual time with the simulated loopback: each one's setting
// reaches the panel and has its effect.

#include "common/text.h"
#include "platform/files.h"
#include "platform/recording_printer.h"
#include "sequencer/script_host.h"
#include "ui/dialog_window.h"
#include "ui/lamp.h"
#include "ui/on_top.h"
#include "window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBrowser>

namespace {

namespace fs = std::filesystem;

class DialogTest : public uitest::WindowTest {
protected:
    void SetUp() override { start(); }

    // Opens a dialog from its main menu item; checks that it shows, modeless,
    // with every control of its model bound.
    QWidget* open(const char* menu, const char* name) {
        trigger(bench->window.get(), menu);
        QWidget* dialog = bench->windows->find(name);
        EXPECT_TRUE(dialog && dialog->isVisible()) << name;
        if (!dialog) return nullptr;
        EXPECT_FALSE(dialog->isModal()) << name;
        if (auto* bound = dynamic_cast<ui::DialogWindow*>(dialog)) {
            const ui::BindingReport report = ui::checkBinding(bound->binding(), dialog);
            EXPECT_TRUE(report.ok())
                << name << ": no widget for "
                << ::testing::PrintToString(report.controlsWithoutWidget)
                << ", not bound: " << ::testing::PrintToString(report.unboundWidgets);
        }
        return dialog;
    }
    template <class W> W* in(QWidget* dialog, const char* name) {
        auto* w = dialog->findChild<W*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << "no widget " << name;
        return w;
    }
    void type(QLineEdit* edit, const char* text) {
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // A click on the button's face (a check box's or option's indicator).
    void click(QAbstractButton* button) {
        const bool face = qobject_cast<QPushButton*>(button) != nullptr;
        QTest::mouseClick(button, Qt::LeftButton, {},
                          face ? button->rect().center() : QPoint(8, button->height() / 2));
    }
    void escape(QWidget* dialog) {
        QTest::keyClick(dialog, Qt::Key_Escape);
        EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
    }
    // The left channel's level in dBr after `ms` more of capture.
    double levelAfter(int ms) {
        bench->loop.advance(ms);
        return common::leadingNumber(bench->main->analyzer().readings().ReadoutALdb);
    }
    // The generator 6 dB below full scale, as for a cable check.
    void sixDbDown() {
        for (const char* level : {"LeftGenLevel", "RightGenLevel"})
            type(bench->widget<QLineEdit>(level), "-6");
    }
    std::string caption(QWidget* dialog, const char* label) {
        return in<QLabel>(dialog, label)->text().toStdString();
    }
};

TEST_F(DialogTest, SoundcardSetupOffsetShiftsTheLevelAndTheTestShowsTheInput) {
    QWidget* setup = open("mnuSoundcard", "SoundcardSetup");
    ASSERT_TRUE(setup);
    auto* outputs = in<QListWidget>(setup, "List1");
    ASSERT_EQ(outputs->count(), 1);
    EXPECT_EQ(outputs->currentRow(), 0);
    EXPECT_EQ(outputs->item(0)->text(), "Simulated loopback");

    // Test switches the generator on and shows what the input receives.
    sixDbDown();
    auto* test = in<QPushButton>(setup, "Test_cmd");
    click(test);
    EXPECT_EQ(bench->panel().settings.genOn, 1);
    EXPECT_EQ(test->text(), "Stop");
    const double before = levelAfter(3000);
    EXPECT_EQ(in<ui::Lamp>(setup, "TestLED")->colour(), panel::colour::Green);
    const std::string left = caption(setup, "TestLevelL");
    EXPECT_NEAR(common::leadingNumber(left.substr(left.find("dBr") + 3)), 1000, 3) << left;
    EXPECT_NE(left.find("peak -6."), std::string::npos) << left;
    EXPECT_EQ(caption(setup, "TestStatus"), "Signal on both channels.");

    // An offset typed for the current rate raises the reading by as much.
    type(in<QLineEdit>(setup, "Offset44txt"), "6");
    EXPECT_EQ(bench->panel().settings.rateOffsets[3], 6);
    EXPECT_NEAR(levelAfter(1000) - before, 6, 0.02);
    type(in<QLineEdit>(setup, "Offset44txt"), "-1.5x");
    EXPECT_EQ(bench->panel().settings.rateOffsets[3], -1.5);

    // Closing the dialog ends the test it started.
    escape(setup);
    EXPECT_EQ(bench->panel().settings.genOn, 0);
    EXPECT_EQ(test->text(), "Test");
    setup = open("mnuSoundcard", "SoundcardSetup");
    click(in<QCheckBox>(setup, "DiscardCheck"));
    EXPECT_EQ(bench->panel().settings.DiscardCheck, 0);
    escape(setup);
}

TEST_F(DialogTest, SoundcardSetupRefreshesTheListsAndAVanishedDeviceGivesItsMessage) {
    sixDbDown();
    QWidget* setup = open("mnuSoundcard", "SoundcardSetup");
    ASSERT_TRUE(setup);
    auto* inputs = in<QListWidget>(setup, "List2");
    // A card is plugged in: Refresh lists it, and the chosen device keeps its name.
    bench->audio.setInputDevices({"ALSA: USB Audio CODEC (hw:1,0)", "Simulated loopback"});
    click(in<QPushButton>(setup, "Refresh_cmd"));
    ASSERT_EQ(inputs->count(), 2);
    EXPECT_EQ(inputs->currentRow(), 1);
    EXPECT_EQ(bench->panel().settings.InputDeviceId, 1);

    // Chosen, then gone: its side is left without a device, the dialog says
    // so, and ON shows the input's open failure.
    inputs->setCurrentRow(0);
    EXPECT_EQ(bench->panel().settings.InputDeviceId, 0);
    bench->audio.setInputDevices({"Simulated loopback"});
    click(in<QPushButton>(setup, "Refresh_cmd"));
    EXPECT_EQ(inputs->count(), 1);
    EXPECT_EQ(inputs->currentRow(), -1);
    EXPECT_EQ(bench->panel().settings.InputDeviceId, -1);
    EXPECT_NE(caption(setup, "DeviceNote").find("\"ALSA: USB Audio CODEC (hw:1,0)\" is no longer"),
              std::string::npos);
    click(in<QPushButton>(setup, "Test_cmd"));
    bench->loop.advance(2000);
    EXPECT_EQ(bench->dialogs.messageTexts(),
              (std::vector<std::string>{"Wave input device didn't open!"}));
    EXPECT_NE(caption(setup, "TestStatus").find("not recording"), std::string::npos);

    // Choosing a device again restarts the test on it.
    inputs->setCurrentRow(0);
    bench->loop.advance(2000);
    EXPECT_EQ(caption(setup, "TestStatus"), "Signal on both channels.");
    // The next refresh ends the test and clears the note.
    click(in<QPushButton>(setup, "Refresh_cmd"));
    EXPECT_EQ(caption(setup, "DeviceNote"), "");
    EXPECT_EQ(bench->panel().settings.genOn, 0);
    escape(setup);
}

TEST_F(DialogTest, SettlingEditorPeakDetectionChangesTheReadingOfASquareWave) {
    QWidget* editor = open("mnuSettling", "SettlingEditor");
    ASSERT_TRUE(editor);
    EXPECT_TRUE(in<QRadioButton>(editor, "rmsleveloption")->isChecked());
    auto* wave = bench->widget<QComboBox>("Wavetype1");
    wave->setCurrentIndex(wave->findText("Square"));
    emit wave->activated(wave->currentIndex());
    click(bench->widget<QPushButton>("Gen_On"));
    const double rms = levelAfter(3000);

    click(in<QRadioButton>(editor, "peakleveloption"));
    EXPECT_EQ(bench->panel().settings.peakDetector, 1);
    EXPECT_FALSE(in<QRadioButton>(editor, "rmsleveloption")->isChecked());
    // The peak detector reads a sine 6.02 dB above the RMS detector, and a
    // square wave, whose RMS is its peak, 3.01 dB above.
    EXPECT_NEAR(levelAfter(1000) - rms, 3.01, 0.05);

    escape(editor);

    // Narrowband detection is in the main menu, with its tick.
    auto* nb = bench->window->findChild<QAction*>("mnuNBdetect");
    nb->trigger();
    EXPECT_TRUE(bench->main->analyzer().narrowband());
    EXPECT_TRUE(nb->isChecked());
}

TEST_F(DialogTest, GraphSetupTitleIsSavedInThePanelFileAndReadBack) {
    QWidget* setup = open("mnuGraphSetup", "GraphSetup");
    ASSERT_TRUE(setup);
    type(in<QLineEdit>(setup, "graphtitletext"), "Amplifier 7 response");
    type(in<QLineEdit>(setup, "graphlegendT2"), "8 ohm load");
    click(in<QRadioButton>(setup, "BWgraph"));
    click(in<QRadioButton>(setup, "NRWlines"));
    click(in<QCheckBox>(setup, "Timestamp_checkbox"));
    const panel::PanelSettings& s = bench->panel().settings;
    EXPECT_EQ(s.graphTitle, "Amplifier 7 response");
    EXPECT_EQ(s.graphLegends[1], "8 ohm load");
    EXPECT_EQ(s.graphColour, 0);
    EXPECT_EQ(s.graphLineWidth, 1);
    EXPECT_EQ(s.graphTimeStamp, 0);
    escape(setup);

    const fs::path file = dir / "titled.atp";
    bench->dialogs.queueFile(file.string());
    trigger(bench->window.get(), "mnuSavePanel");
    bench->panel().settings.graphTitle = "something else";
    bench->dialogs.queueFile(file.string());
    trigger(bench->window.get(), "mnuLoadTest");
    EXPECT_EQ(s.graphTitle, "Amplifier 7 response");
    setup = open("mnuGraphSetup", "GraphSetup");
    EXPECT_EQ(in<QLineEdit>(setup, "graphtitletext")->text(), "Amplifier 7 response");
    EXPECT_TRUE(in<QRadioButton>(setup, "BWgraph")->isChecked());

    // Wide Body Form widens the main window, and a second time narrows it again.
    const int width = bench->window->width();
    trigger(bench->window.get(), "mnuWidebody");
    EXPECT_NEAR(bench->window->width(), width * 14760.0 / 12045.0, 2);
    trigger(bench->window.get(), "mnuWidebody");
    EXPECT_NEAR(bench->window->width(), width, 2);
}

TEST_F(DialogTest, HotkeySetupAssignsAFavouriteThatItsMenuLoads) {
    const fs::path file = dir / "fav.atp";
    bench->control("GenFreq1").setText("2500");
    bench->panel().testPanelPath = file.string();
    bench->panel().WritePanelFile();
    bench->control("GenFreq1").setText("100");

    QWidget* setup = open("mnuHotkey", "FavSetup");
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->windowTitle(), "Favorite Test Setup");
    bench->dialogs.queueFile(file.string());
    click(in<QPushButton>(setup, "Command2"));
    EXPECT_EQ(in<QLineEdit>(setup, "Text2")->text().toStdString(), file.string());
    EXPECT_TRUE(in<QLineEdit>(setup, "Text2")->isReadOnly());
    escape(setup);

    auto* fav = bench->window->findChild<QAction*>("mnuFav2");
    for (QMenu* menu : bench->window->findChildren<QMenu*>())
        if (menu->actions().contains(fav)) emit menu->aboutToShow();
    EXPECT_EQ(fav->text(), "2   fav.atp");
    fav->trigger();
    EXPECT_EQ(bench->control("GenFreq1").text(), "2500");
}

TEST_F(DialogTest, LogViewerShowsASequencesLogAndItsNewLinesAfterReload) {
    const std::string log = (dir / "seq.log").string();
    sequencer::ScriptHost& host = bench->main->scriptHost();
    host.seqCode = "Function RUNSEQ\r\n logfilepath \"" + log +
                   "\"\r\n logadd \"first line\"\r\n logviewer \"" + log + "\"\r\nEnd Function\r\n";
    host.AutoAdd();
    host.SeqRun_Click();
    EXPECT_EQ(host.status(), "Status - OK");
    QWidget* view = bench->windows->find("LogView");
    ASSERT_TRUE(view && view->isVisible());
    auto* text = in<QPlainTextEdit>(view, "Text1");
    EXPECT_EQ(text->toPlainText(), " first line\n");
    EXPECT_EQ(text->font().pointSize(), 10);
    EXPECT_NE(view->windowTitle().indexOf("seq.log"), -1);

    host.dataLog().logadd(log, "second line");
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view));
    QTest::keyClick(view, Qt::Key_F5);
    EXPECT_EQ(text->toPlainText(), " first line\n second line\n");

    // An edited text is saved with the logs' CR LF line ends.
    text->moveCursor(QTextCursor::End);
    QTest::keyClicks(text, "note");
    const fs::path copy = dir / "copy.log";
    bench->dialogs.queueFile(copy.string());
    trigger(view, "mnuSave");
    EXPECT_EQ(readAll(copy), " first line\r\n second line\r\nnote");
    platform::RecordingPrintService printer;
    bench->main->printing().setService(&printer);
    trigger(view, "mnuPrint");
    ASSERT_EQ(printer.documents().size(), 1u);
    EXPECT_EQ(printer.documents()[0]->printedLines(),
              (std::vector<std::string>{"", "", " first line", " second line", "note"}));
    escape(view);

    // File > Log Viewer shows it again, without loading anything.
    trigger(bench->window.get(), "mnuLogview");
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(text->toPlainText(), " first line\n second line\nnote");
}

TEST_F(DialogTest, HelpShowsBothDocumentsFromTheBuildTreeAndSavesOnlyIntoTheDataDirectory) {
    ASSERT_FALSE(bench->main->help().directory().empty()) << "no help next to " ARV1_EXECUTABLE;
    QWidget* help = open("mnuHelp", "Help");
    ASSERT_TRUE(help);
    auto* box = in<QTextBrowser>(help, "_rtb1");
    auto* tips = help->findChild<QAction*>("mnuTips");
    EXPECT_EQ(tips->text(), "Soundcard Tips");
    EXPECT_TRUE(box->toPlainText().startsWith("QEX ARV-1 Help"))
        << box->toPlainText().left(80).toStdString();

    tips->trigger();
    EXPECT_EQ(tips->text(), "Return to Main Help");
    EXPECT_TRUE(box->toPlainText().startsWith("Sound Card Tips"));
    const auto installed = [&] {
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(bench->main->help().directory()))
            files.push_back(entry.path());
        return files;
    };
    const auto before = installed();
    trigger(help, "mnuSave");
    EXPECT_TRUE(fs::exists(dir / "soundcard-tips.html"));
    EXPECT_EQ(installed(), before);
    tips->trigger();
    EXPECT_EQ(tips->text(), "Soundcard Tips");
    EXPECT_TRUE(box->toPlainText().startsWith("QEX ARV-1 Help"));
    escape(help);
}

TEST_F(DialogTest, OnTopKeepsAWindowAboveOthersAndBackWhereItWas) {
    QWidget* help = open("mnuHelp", "Help");
    ASSERT_TRUE(help);
    help->move(120, 80);
    const QRect place = help->geometry();
    ui::clsOnTop::setTopmost(*help);
    EXPECT_TRUE(help->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->geometry(), place);
    ui::clsOnTop::setNormal(*help);
    EXPECT_FALSE(help->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->geometry(), place);
}

} // namespace

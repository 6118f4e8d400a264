// The test sequence editor's window on the offscreen platform, driven with
// key events and its menu items, running sequences against the simulated
// loopback on virtual time.

#include "platform/recording_printer.h"
#include "sequencer/seq_editor.h"
#include "ui/binding.h"
#include "ui/code_editor.h"
#include "ui/test_seq_editor.h"
#include "window_fixture.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

namespace {

namespace fs = std::filesystem;

// The editor opened from the main window's Modules menu.
class SeqEditorWindow : public uitest::WindowTest {
protected:
    SeqEditorWindow() {
        b.window->findChild<QAction*>("mnuSeqEditor")->trigger();
        window = dynamic_cast<ui::TestSeqEditor*>(b.windows->find("TestSeqEditor"));
        EXPECT_TRUE(window && window->isVisible());
        QApplication::setActiveWindow(window);
        editor = &window->editor();
    }
    // Menu items and keys; script commands run from the event loop.
    void trigger(const char* action) {
        auto* a = window->findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_TRUE(a) << action;
        a->trigger();
        settle();
    }
    void key(Qt::Key k) {
        QTest::keyClick(editor, k);
        settle();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    QString box(const char* name) {
        return window->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    }
    void type(const QStringList& lines) {
        for (const QString& line : lines) {
            QTest::keyClicks(editor, line);
            QTest::keyClick(editor, Qt::Key_Escape); // no completion taken at the line's end
            QTest::keyClick(editor, Qt::Key_Return);
        }
    }
    std::string read(const std::string& name) { return readAll(dir / name); }

    uitest::Instrument& b = start();
    ui::TestSeqEditor* window = nullptr;
    ui::CodeEditor* editor = nullptr;
};

TEST_F(SeqEditorWindow, TypedSequenceChecksLoadsAndRunsOnTheSimulatedDevice) {
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->windowTitle(), "Test Sequence Editor");
    EXPECT_EQ(editor->toPlainText().toStdString() + "\n",
              "Public Function MYPGM()\n \nEnd Function\n\n");

    trigger("mnuClear");
    editor->setFocus();
    type(
        {"Function RUNSEQ()", "genfreq \"1000\"", "datacapture", "waitfor 2", "level = readch(1)"});
    QTest::keyClicks(editor, "End Function");
    EXPECT_EQ(window->model().text(), "Function RUNSEQ()\r\ngenfreq \"1000\"\r\ndatacapture\r\n"
                                      "waitfor 2\r\nlevel = readch(1)\r\nEnd Function");
    EXPECT_EQ(box("Text1"), "6");

    trigger("mnuErrTest");
    EXPECT_EQ(box("Text3"), "Passed Error Check.");
    trigger("mnuAutoload");
    EXPECT_EQ(box("Text3"), "Code autoloading complete.");

    key(Qt::Key_F5);
    EXPECT_EQ(box("Text2"), "Status - OK");
    EXPECT_EQ(b.main->scriptHost().lastRunResult()->number, 0);
    EXPECT_GE(b.loop.nowMs(), 2000);
    EXPECT_GT(b.main->analyzer().blocksAnalysed(), 3);
    EXPECT_EQ(b.control("GenFreq1").text(), "1000");
}

TEST_F(SeqEditorWindow, ErrorsPutTheCaretOnTheirLine) {
    editor->setPlainText("Function RUNSEQ()\n  x = 1\n  If Then\nEnd Function\n");
    trigger("mnuErrTest");
    EXPECT_EQ(editor->caretLine(), 3);
    EXPECT_EQ(editor->caretColumn(), 1);
    EXPECT_EQ(editor->errorLine(), 3);
    EXPECT_TRUE(box("Text3").endsWith(" at line 3")) << box("Text3").toStdString();

    editor->setPlainText("' a runtime error\nFunction RUNSEQ()\n  waitfor 1\n  x = 0\n"
                         "  y = 1 / x\nEnd Function\n");
    key(Qt::Key_F5);
    EXPECT_EQ(box("Text2"), "Division by zero at line 5");
    EXPECT_EQ(editor->caretLine(), 5);
    EXPECT_EQ(editor->errorLine(), 5);
}

// The exit routine closes and deletes the window while its Run waits.
TEST_F(SeqEditorWindow, ExitDuringARunSavesAndLeavesTheRunToEnd) {
    editor->setPlainText("Function RUNSEQ()\n  waitfor 3\nEnd Function\n");
    b.loop.post([&] { b.windows->closeAll(); }, 1000);
    key(Qt::Key_F5);
    EXPECT_EQ(b.windows->find("TestSeqEditor"), nullptr);
    EXPECT_EQ(read("SeqEditor1.txt"), "Function RUNSEQ()\r\n  waitfor 3\r\nEnd Function\r\n");
    EXPECT_EQ(b.main->scriptHost().lastRunResult()->number, 0);
    EXPECT_GE(b.loop.nowMs(), 3000);
}

TEST_F(SeqEditorWindow, CompletionOffersTheFunctionAndItsArguments) {
    trigger("mnuClear");
    editor->setFocus();
    QTest::keyClicks(editor, "spl");
    ASSERT_TRUE(editor->completer().popup()->isVisible());
    QTest::keyClick(editor->completer().popup(), Qt::Key_Return);
    EXPECT_EQ(editor->toPlainText(), "splash");
    EXPECT_EQ(QToolTip::text(), "splash text, seconds");
    trigger("mnuCompletion");
    QTest::keyClicks(editor, " getL");
    EXPECT_FALSE(editor->completer().popup()->isVisible());
}

// The instrument's functions have their own colour; a name that merely
// contains one (mygenfreq) has none.
TEST_F(SeqEditorWindow, HighlighterMarksTheInstrumentFunctions) {
    editor->setPlainText("mygenfreq = 5\ngenfreq mygenfreq ' set");
    auto colourAt = [&](int blockNumber, int column) {
        const QTextBlock block = editor->document()->findBlockByNumber(blockNumber);
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            if (column >= range.start && column < range.start + range.length)
                return range.format.foreground().color();
        return QColor();
    };
    const QColor instrument = colourAt(1, 0);
    EXPECT_TRUE(instrument.isValid());
    EXPECT_FALSE(colourAt(0, 2).isValid());
    EXPECT_FALSE(colourAt(1, 10).isValid());
    EXPECT_NE(colourAt(1, 19), instrument); // the comment
    EXPECT_NE(colourAt(0, 12), instrument); // the number
    trigger("mnuSyntaxColour");
    EXPECT_FALSE(colourAt(1, 0).isValid());
}

TEST_F(SeqEditorWindow, BindingIsCompleteHelpOpensAndExitAndCloseWriteTheWorkspaces) {
    const ui::BindingReport report = ui::checkBinding(window->binding(), window);
    EXPECT_EQ(report.controlsWithoutWidget, std::vector<std::string>{"txtEditor"});
    EXPECT_EQ(report.unboundWidgets, std::vector<std::string>{"txtEditor"});

    // Help shows the help window, on top like the editor until it closes.
    trigger("mnuHelp");
    QWidget* help = b.windows->find("Help");
    ASSERT_TRUE(help && help->isVisible());
    EXPECT_TRUE(help->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    help->close();
    settle();
    EXPECT_FALSE(help->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    // A file the user did not edit is written back byte for byte, whatever
    // its line ends and characters, even after the window restyled it.
    const std::string odd = "a\r\nb\nc\xA0\x81\rd";
    std::ofstream(dir / "odd.dfs", std::ios::binary) << odd;
    window->model().loadFile((dir / "odd.dfs").string());
    trigger("mnuSyntaxColour");
    trigger("mnuArialFont");
    QTest::mouseClick(window->findChild<QPushButton*>("File2Button"), Qt::LeftButton);
    window->close();
    EXPECT_EQ(read("SeqEditor1.txt"), odd);
    window->show();

    platform::RecordingPrintService printer;
    b.main->printing().setService(&printer);
    editor->setPlainText("' print me\nx = 1");
    trigger("mnuPrint");
    ASSERT_EQ(printer.documents().size(), 1u);
    EXPECT_EQ(printer.documents()[0]->printedLines(),
              (std::vector<std::string>{"", "", "' print me", "x = 1"}));

    trigger("mnuBlue");
    EXPECT_TRUE(window->findChild<QLineEdit*>("Text3")->styleSheet().contains("#bdd6ea"));
    editor->setPlainText("' kept\n");
    trigger("mnuExit");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(read("SeqEditor1.txt"), "' kept\r\n");
    window->show();
    EXPECT_EQ(editor->toPlainText(), "' kept\n");
    EXPECT_TRUE(window->findChild<QAction*>("mnuBlue")->isChecked());

    // The exit routine's last step closes every window.
    editor->setPlainText("' at exit\n");
    b.windows->closeAll();
    EXPECT_EQ(read("SeqEditor1.txt"), "' at exit\r\n");
}

} // namespace

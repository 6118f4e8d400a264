// The data editor's window driven with keys and mouse: typing into cells, the
// cell edit box's keys, the column popup on a header, copy by right click and
// paste of a spreadsheet block with Ctrl+V.

#include "editor/data_editor.h"
#include "platform/recording_printer.h"
#include "window_fixture.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

class BackGrndWindow : public uitest::WindowTest {
protected:
    void SetUp() override {
        start();
        common::SweepData& d = bench->panel().sweepData;
        d.pointCount = 3;
        for (int k = 1; k <= 3; ++k) {
            d.freq[k] = 100.0 * k;
            d.levelLeft[k] = -1.0f * k;
            d.levelRight[k] = -2.0f * k;
        }
        bench->control("mnuDataEditor").click();
        window = bench->windows->find("BackGrnd");
        ASSERT_TRUE(window);
        grid = child<QTableView>("FG1");
        T1 = child<QLineEdit>("T1");
        QApplication::setActiveWindow(window);
        grid->setFocus();
    }

    template <class W> W* child(const char* name) {
        auto* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << "no widget " << name;
        return w;
    }
    editor::DataEditor& ed() { return bench->main->dataEditor(); }
    std::string cell(int col, int row) { return ed().table().cell(col, row); }
    editor::Cell current() {
        return {grid->currentIndex().row() + 1, grid->currentIndex().column() + 1};
    }
    // Keys go where the focus is, as the operator's do.
    void type(const char* text) {
        for (const char* c = text; *c; ++c) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_TRUE(focus);
            QTest::keyClick(focus, *c);
        }
    }
    QPoint centre(int row, int col) {
        return grid->visualRect(grid->model()->index(row - 1, col - 1)).center();
    }

    QWidget* window = nullptr;
    QTableView* grid = nullptr;
    QLineEdit* T1 = nullptr;
};

TEST_F(BackGrndWindow, OpensModelessOnTheSweepAndEditsCellsWithTheKeys) {
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(child<QLineEdit>("usercounttext")->text(), "3");
    EXPECT_EQ(cell(2, 1), "-1.00");

    // Typing replaces the cell's text and goes on in T1; Enter moves down.
    type("-7.5");
    EXPECT_TRUE(T1->isVisible());
    EXPECT_EQ(cell(1, 1), "-7.5");
    QTest::keyClick(T1, Qt::Key_Return);
    EXPECT_FALSE(T1->isVisible());
    EXPECT_EQ(current(), (editor::Cell{2, 1}));

    // F2 edits the text as it is; Escape brings it back and keeps editing.
    QTest::keyClick(grid, Qt::Key_F2);
    ASSERT_TRUE(T1->isVisible());
    EXPECT_EQ(T1->text(), "200.0");
    type("12");
    EXPECT_EQ(cell(1, 2), "200.012");
    QTest::keyClick(T1, Qt::Key_Escape);
    EXPECT_EQ(T1->text(), "200.0");
    EXPECT_EQ(cell(1, 2), "200.0");
    EXPECT_TRUE(T1->isVisible());
    // Left at the start of the text goes to the last column of the row above.
    T1->setCursorPosition(0);
    QTest::keyClick(T1, Qt::Key_Left);
    EXPECT_FALSE(T1->isVisible());
    EXPECT_EQ(current(), (editor::Cell{1, 3}));

    // Backspace in the grid shortens the cell by one character.
    QTest::keyClick(grid, Qt::Key_Backspace);
    EXPECT_EQ(cell(3, 1), "-2.0");
    EXPECT_TRUE(T1->isVisible());

    // Print Table prints the editor's lines.
    platform::RecordingPrintService printer;
    bench->main->printing().setService(&printer);
    child<QAction>("mnuPrint")->trigger();
    ASSERT_EQ(printer.documents().size(), 1u);
    const std::vector<std::string> lines = printer.documents()[0]->printedLines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[2], "              Data Editor Values For Data File:");
    EXPECT_EQ(lines[8], "          300.0\t          -3.00\t          -6.00\t");

    // The main window stays usable.
    bench->control("Clear_graph").click();
    EXPECT_EQ(bench->panel().sweepData.pointCount, 0);
}

TEST_F(BackGrndWindow, RightClickOnAColumnHeaderOpensTheColumnPopup) {
    QHeaderView* header = grid->horizontalHeader();
    const QPoint pos(header->sectionViewportPosition(1) + 10, header->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, header->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(header->viewport(), &event);
    EXPECT_EQ(current().col, 2);
    auto* popup = child<QMenu>("MnuFGridCols");
    EXPECT_TRUE(popup->isVisible());
    popup->close();
}

TEST_F(BackGrndWindow, RightClickCopiesTheSelectionAndCtrlVPastesABlock) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre(1, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, centre(2, 3));
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, centre(3, 1));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "-1.00\t-2.00\t\r\n-2.00\t-4.00\t\r\n");
    EXPECT_TRUE(child<QFrame>("Frame1")->isVisible());
    EXPECT_TRUE(child<QTimer>("Timer1")->isActive());

    QGuiApplication::clipboard()->setText("1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre(3, 1));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ed().table().rows(), 5);
    EXPECT_EQ(cell(1, 3), "1");
    EXPECT_EQ(cell(3, 5), "9");
    EXPECT_EQ(child<QLineEdit>("usercounttext")->text(), "5");
    EXPECT_EQ(grid->model()->headerData(4, Qt::Vertical).toString(), "Row  5");
}

} // namespace

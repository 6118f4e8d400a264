// The data/limit editor without its window: the table model, the views, the
// row and column commands, Limit Tolerance, ReGraph, the clipboard texts and
// the file commands through scripted dialogs.

#include "editor/data_editor.h"
#include "platform/files.h"
#include "platform/scripted_dialogs.h"

#include <QAbstractItemModelTester>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

using editor::Cell;
using editor::DataEditor;
using platform::Answer;
using Kind = platform::ScriptedDialogs::Kind;

namespace {

struct FakeHost final : editor::EditorHost {
    common::SweepData& sweepData() override { return data; }
    common::LimitTable& limits() override { return limitTable; }
    common::ReverseCalTable& reverseCal() override { return cal; }
    bool thdSweep() const override { return thd; }
    std::string defaultDataDirectory() const override { return ""; }
    void regraph() override {
        ++regraphs;
        graphed = data;
    }

    common::SweepData data;
    common::LimitTable limitTable;
    common::ReverseCalTable cal;
    bool thd = false;
    int regraphs = 0;
    common::SweepData graphed; // the points as the last regraph found them
};

class Editor : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("arv1_editor_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        platform::setDataDirectory(dir_);
        host.data.pointCount = 2;
        host.data.freq[1] = 20;
        host.data.freq[2] = 1000.5;
        host.data.levelLeft[1] = -1.0f;
        host.data.levelRight[1] = -1.25f;
        host.data.thdLeft[2] = 0.05f;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string path(const char* name) { return std::string("c:\\QEX_ARV1files\\") + name; }
    // The cells of row r joined by "|".
    std::string row(int r) const {
        std::string text;
        for (int c = 1; c <= ed.table().cols(); ++c)
            text += (c > 1 ? "|" : "") + ed.table().cell(c, r);
        return text;
    }
    std::vector<std::string> headers() const {
        std::vector<std::string> h;
        for (int c = 1; c <= ed.table().cols(); ++c)
            h.push_back(ed.table().headerData(c - 1, Qt::Horizontal).toString().toStdString());
        return h;
    }
    // Fills rows 1..n of columns 1..3 from "a|b|c" texts.
    void fill(const std::vector<std::string>& rows) {
        editor::TableFile t;
        t.rows = static_cast<std::int16_t>(rows.size());
        t.cols = 3;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            std::size_t start = 0;
            for (int c = 1; c <= 3; ++c) {
                const std::size_t bar = rows[r].find('|', start);
                t.cells[c][r + 1] = rows[r].substr(start, bar - start);
                start = bar + 1;
            }
        }
        ed.table().replace(t, editor::TableKind::Data);
    }

    FakeHost host;
    platform::ScriptedDialogs dialogs;
    DataEditor ed{host, dialogs};
    std::filesystem::path dir_;
};

TEST_F(Editor, TheModelKeepsItsContractThroughEveryOperation) {
    QAbstractItemModelTester tester(&ed.table(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    ed.Form_Load();
    ed.addRow();
    ed.insertRow();
    ed.addCol();
    ed.extractCol();
    dialogs.setDefaultAnswer(Answer::Yes);
    ed.deleteRow();
    ed.paste("1\t2\t3\t4\t5\r\n6\r\n7\r\n");
    ed.table().setData(ed.table().index(0, 0), "x");
    ed.mnunewsheet_Click();
    EXPECT_EQ(ed.table().rowCount(), 200);
}

TEST_F(Editor, OpeningAndTheViewButtonsShowTheirTables) {
    ed.Form_Load();
    EXPECT_EQ(ed.viewKind(), "Data File");
    EXPECT_EQ(headers(), (std::vector<std::string>{"Frequency", "Left Level", "Right Level"}));
    EXPECT_EQ(ed.table().headerData(1, Qt::Vertical).toString(), "Row  2");
    EXPECT_EQ(ed.table().rows(), 2);
    EXPECT_EQ(row(1), "20.0|-1.00|-1.25");
    EXPECT_EQ(ed.usercounttext, "2");
    EXPECT_EQ(ed.current(), (Cell{1, 1}));

    host.thd = true;
    ed.Form_Load();
    EXPECT_EQ(row(2), "1000.5|.05|.0");
    ed.Command1_Click();
    EXPECT_EQ(row(2), "1000.5|0.05|0.0");

    host.limitTable.limitCount = 3;
    host.limitTable.limitFreq[3] = 20000;
    host.limitTable.limitUpper[3] = 1.5f;
    ed.Command2_Click();
    EXPECT_EQ(ed.viewKind(), "Limit File");
    EXPECT_EQ(headers()[2], "Upper Limit");
    EXPECT_EQ(ed.table().rows(), 3);
    EXPECT_EQ(row(3), "20000.0|0.00|1.50");
    EXPECT_EQ(ed.usercounttext, "3");

    ed.Command3_Click(); // no user points: one empty row, the count says 0
    EXPECT_EQ(ed.viewKind(), "User Point File");
    EXPECT_EQ(headers()[0], "User Freq.");
    EXPECT_EQ(ed.table().rows(), 1);
    EXPECT_EQ(row(1), "||");
    EXPECT_EQ(ed.usercounttext, "0");

    ed.mnunewsheet_Click();
    EXPECT_EQ(ed.table().rows(), 200);
    EXPECT_EQ(row(200), "||");
    EXPECT_EQ(ed.usercounttext, "200");
    EXPECT_EQ(ed.viewKind(), "Data File");
}

TEST_F(Editor, LimitToleranceBuildsABandAndFillsTheLimitTable) {
    fill({"1000.0|-1.00|-1.20", "2000.0|-1.1|x", "||"});
    ed.LimitTolSW_Click();
    EXPECT_EQ(row(1), "1000.0|-3|0.8");
    EXPECT_EQ(row(2), "2000.0|-3.1|2"); // "x" counts as 0
    EXPECT_EQ(row(3), "||");            // an empty row at the end is no limit row
    EXPECT_EQ(ed.viewKind(), "Limit File");
    EXPECT_EQ(host.limitTable.limitCount, 2);
    EXPECT_EQ(host.limitTable.limitFreq[1], 1000.0);
    EXPECT_EQ(host.limitTable.limitLower[1], -3.0f);
    EXPECT_EQ(host.limitTable.limitUpper[1], 0.8f);

    ed.LimitTolerance = "two";
    ed.LimitTolSW_Click();
    ed.LimitTolerance = "-1";
    ed.LimitTolSW_Click();
    EXPECT_EQ(dialogs.messageTexts().size(), 2u);
    EXPECT_EQ(row(1), "1000.0|-3|0.8");
}

TEST_F(Editor, RowAndColumnCommandsAskBeforeRemovingData) {
    fill({"1|2|3", "4|5|6", "7|8|9"});
    ed.setCurrent({2, 2});
    dialogs.queueAnswer(Answer::No);
    ed.deleteRow();
    EXPECT_EQ(ed.table().rows(), 3);
    EXPECT_EQ(row(3), "7|8|9");
    ASSERT_EQ(dialogs.records(Kind::Question).size(), 1u);
    EXPECT_EQ(dialogs.records()[0].title, "Delete Row!");
    EXPECT_EQ(dialogs.records()[0].text, "There is data in Row 3 ! Delete anyway?");

    ed.insertRow(); // at the current row 2, which becomes empty
    EXPECT_EQ(ed.table().rows(), 4);
    EXPECT_EQ(row(2), "||");
    EXPECT_EQ(row(3), "4|5|6");
    ed.extractRow(); // an empty row goes without a question
    EXPECT_EQ(row(2), "4|5|6");
    EXPECT_EQ(dialogs.records(Kind::Question).size(), 1u);

    dialogs.queueAnswer(Answer::Yes);
    ed.setCurrent({3, 3});
    ed.deleteRow(); // the last row, with the current cell on it
    EXPECT_EQ(ed.table().rows(), 2);
    EXPECT_EQ(ed.current(), (Cell{2, 3}));

    ed.addCol();
    EXPECT_EQ(headers()[3], "Col  4");
    EXPECT_EQ(ed.current(), (Cell{2, 4}));
    ed.addCol(); // a fifth column has no place
    EXPECT_EQ(ed.table().cols(), 4);
    EXPECT_EQ(dialogs.messageTexts().back(), "The table holds at most 4 columns.");
    ed.setCurrent({1, 1});
    dialogs.queueAnswer(Answer::No);
    ed.extractCol();
    EXPECT_EQ(dialogs.records().back().text, "There is data in Col 1 ! Delete anyway?");
    EXPECT_EQ(row(1), "1|2|3|");
    ed.deleteCol(); // the empty fourth goes without a question
    EXPECT_EQ(ed.table().cols(), 3);
    dialogs.setDefaultAnswer(Answer::Yes);
    for (int i = 0; i < 3; ++i)
        ed.deleteCol();
    EXPECT_EQ(ed.table().cols(), 1); // the last column stays

    ed.extractRow();
    ed.extractRow();
    EXPECT_EQ(ed.table().rows(), 1); // the last row stays
}

TEST_F(Editor, ReGraphSendsTheEditedTableToTheGraph) {
    host.thd = true;
    ed.Form_Load();
    ed.table().setData(ed.table().index(1, 1), "0.25");
    ed.table().setData(ed.table().index(1, 2), "oops");
    ed.mnuRegraph_Click();
    EXPECT_EQ(host.regraphs, 1);
    EXPECT_EQ(host.graphed.pointCount, 2);
    EXPECT_EQ(host.graphed.thdLeft[2], 0.25f);
    EXPECT_EQ(host.graphed.thdRight[2], 0.0f);
    EXPECT_EQ(host.graphed.levelLeft[1], -1.0f); // the levels are not touched
}

TEST_F(Editor, NotANumberMarksTextAndEmptyCellsOfDataRows) {
    ed.mnunewsheet_Click();
    const auto marked = [&](int r, int c) {
        return ed.table()
            .data(ed.table().index(r - 1, c - 1), editor::CellTable::NotANumberRole)
            .toBool();
    };
    EXPECT_FALSE(marked(1, 2)); // an empty row is just empty
    ed.table().setCell(1, 1, "1000");
    EXPECT_TRUE(marked(1, 2));
    ed.table().setCell(2, 1, "-1,5");
    ed.table().setCell(3, 1, " -1.5e0 ");
    ed.table().setData(ed.table().index(1, 1), "oops");
    EXPECT_TRUE(marked(2, 2));
    EXPECT_FALSE(marked(1, 1));
    EXPECT_TRUE(marked(1, 2));
    EXPECT_FALSE(marked(1, 3));
}

TEST_F(Editor, CopyTextPasteAndTheMessageTimer) {
    fill({"1|2|3", "4|5|6", "7|8|9"});
    // A 2 x 3 block, selected from its bottom right corner up.
    EXPECT_EQ(ed.copyBlock({3, 3}, {2, 1}), "4\t5\t6\t\r\n7\t8\t9\t\r\n");

    // The first message stays two ticks, later ones one.
    editor::CopyNotice& notice = ed.notice();
    EXPECT_TRUE(notice.visible());
    notice.tick();
    EXPECT_TRUE(notice.visible());
    notice.tick();
    EXPECT_FALSE(notice.visible());
    EXPECT_FALSE(notice.timerRunning());
    ed.copyBlock({1, 1}, {1, 1});
    notice.tick();
    EXPECT_FALSE(notice.visible());

    // Our own block pastes back as the same cells; a longer block grows R and
    // the count; commas separate when no tab does.
    ed.setCurrent({3, 1});
    ed.paste("4\t5\t6\t\r\n7\t8\t9\t\r\n1\t2\t3\t\r\n");
    EXPECT_EQ(ed.table().rows(), 5);
    EXPECT_EQ(ed.table().cols(), 3);
    EXPECT_EQ(row(5), "1|2|3");
    EXPECT_EQ(ed.usercounttext, "5");
    ed.setCurrent({1, 2});
    ed.paste("20.0 , -1.00 , \"-1.20\"\n30,x\n");
    EXPECT_EQ(row(1), "1|20.0|-1.00|-1.20");
    EXPECT_EQ(row(2), "4|30|x|");

    // 300 rows of two cells from row 5, column 4: 196 cells find a place.
    std::string tall;
    for (int i = 0; i < 300; ++i)
        tall += "a\tb\r\n";
    ed.setCurrent({5, 4});
    ed.paste(tall);
    EXPECT_EQ(ed.table().rows(), 200);
    EXPECT_EQ(ed.table().cell(4, 200), "a");
    EXPECT_EQ(dialogs.messageTexts().back(),
              "404 cells of the pasted block fell outside the table's 200 rows and 4 columns and "
              "were not pasted.");
}

TEST_F(Editor, CellMovesWrapAtTheEndsOfARow) {
    using editor::Move;
    EXPECT_EQ(editor::moveCell({2, 1}, Move::Left, 3, 3), (Cell{1, 3}));
    EXPECT_EQ(editor::moveCell({1, 1}, Move::Left, 3, 3), (Cell{1, 1}));
    EXPECT_EQ(editor::moveCell({1, 3}, Move::Right, 3, 3), (Cell{2, 1}));
    EXPECT_EQ(editor::moveCell({3, 3}, Move::Right, 3, 3), (Cell{3, 3}));
    EXPECT_EQ(editor::moveCell({3, 2}, Move::Down, 3, 3), (Cell{3, 2}));
    EXPECT_EQ(editor::moveCell({1, 2}, Move::Up, 3, 3), (Cell{1, 2}));
}

TEST_F(Editor, SavedLimitFileLoadsBackIntoTheGridAndThePanel) {
    fill({"20.0|-3|0.8", "1000.0|-2|1", "20000.0|-4|2"});
    ed.usercounttext = "2"; // the count box, not R, says how many rows are saved
    dialogs.queueFile(path("band.dfl"));
    ed.mnuSaveLimit_Click();
    const auto save = dialogs.records(Kind::SaveFile);
    ASSERT_EQ(save.size(), 1u);
    EXPECT_EQ(save[0].file.filter, "Limit Files|*.dfl;");
    EXPECT_EQ(platform::readFileBytes(path("band.dfl")),
              "2\r\n3\r\n\"20.0\"\r\n\"1000.0\"\r\n\"-3\"\r\n\"-2\"\r\n\"0.8\"\r\n\"1\"\r\n");

    ed.mnunewsheet_Click();
    dialogs.queueFile(path("band.dfl"));
    ed.mnuLoadLimit_Click();
    EXPECT_EQ(ed.table().rows(), 2);
    EXPECT_EQ(row(2), "1000.0|-2|1");
    EXPECT_EQ(ed.viewKind(), "Limit File");
    EXPECT_EQ(ed.userfile, path("band.dfl"));
    EXPECT_EQ(ed.usercounttext, "2");
    EXPECT_EQ(host.limitTable.limitCount, 2);
    EXPECT_EQ(host.limitTable.limitUpper[1], 0.8f);

    // A file the reader refuses leaves the grid and the panel as they were.
    platform::writeFileAtomic(path("big.dfl"), "300\r\n3\r\n");
    dialogs.queueFile(path("big.dfl"));
    ed.mnuLoadLimit_Click();
    EXPECT_EQ(ed.table().rows(), 2);
    EXPECT_EQ(host.limitTable.limitCount, 2);
    EXPECT_NE(dialogs.messageTexts().back().find("not loaded: " + path("big.dfl")),
              std::string::npos)
        << dialogs.messageTexts().back();

    // A count box that is not a row count writes nothing; cancel writes nothing.
    ed.usercounttext = "0";
    ed.mnusavefile_Click();
    ed.usercounttext = "2";
    ed.mnusavefile_Click(); // cancelled: no file queued
    EXPECT_EQ(dialogs.records(Kind::SaveFile).size(), 2u);
    EXPECT_EQ(dialogs.messageTexts().size(), 2u);
}

TEST_F(Editor, UserSweepReverseCalDataAndExportFiles) {
    fill({"100|.|-1", "200|3|."});
    ed.usercounttext = "2";
    dialogs.queueFile(path("u.dfu"));
    ed.mnuSaveUser_Click();
    EXPECT_EQ(row(1), "100|0|-1"); // the lone dot is stored as 0 as well
    EXPECT_EQ(host.data.predefCount, 2);
    EXPECT_EQ(host.data.predefFreq[2], 200.0);

    ed.mnuSaveReverse_Click();
    EXPECT_EQ(platform::readFileBytes(path("reversecal")),
              "2\r\n3\r\n\"100\"\r\n\"200\"\r\n\"0\"\r\n\"3\"\r\n\"-1\"\r\n\"0\"\r\n");
    ed.mnunewsheet_Click();
    ed.mnuLoadReverse_Click();
    EXPECT_EQ(ed.viewKind(), "Inverse Cal File");
    EXPECT_EQ(host.cal.revcalCount, 2);
    EXPECT_EQ(host.cal.revcalLeft[2], 3.0);

    // A data file loaded in a THD sweep fills the THD arrays.
    platform::writeFileAtomic(path("d.dfd"), "1\r\n3\r\n\"500\"\r\n\"0.1\"\r\n\"0.2\"\r\n");
    host.thd = true;
    dialogs.queueFile(path("d.dfd"));
    ed.mnuloadfile_Click();
    EXPECT_EQ(host.data.pointCount, 1);
    EXPECT_EQ(host.data.thdRight[1], 0.2f);
    EXPECT_EQ(host.data.levelLeft[1], -1.0f);

    fill({"20.0|-1.00|-1.20"});
    ed.usercounttext = "1";
    dialogs.queueFile(path("e.log"));
    ed.mnuExport_Click();
    EXPECT_EQ(dialogs.records().back().file.filter, "Log Files|*.log;");
    EXPECT_EQ(platform::readFileBytes(path("e.log")), "20.0 , -1.00 , -1.20\r\n");
}

TEST_F(Editor, PrintoutListsTheCellsUnderTheKindsHeader) {
    fill({"20.0|-1.00|x"});
    ed.table().setKind(editor::TableKind::Limit);
    EXPECT_EQ(ed.printout("1/2/2025"),
              "\r\n\r\n              Data Editor Values For Limit File:\r\n\r\n"
              "         Frequency      Lower Limit      Upper Limit\r\n\r\n"
              "           20.0\t          -1.00\t              x\t\r\n"
              "\r\n\r\n          1/2/2025   QEX ARV-1 Versatile Data Editor\r\n");
}

} // namespace

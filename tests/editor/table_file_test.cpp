// Table files of the data/limit editor.

#include "common/vb_error.h"
#include "editor/table_file.h"
#include "platform/files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using editor::TableFile;

namespace {

class TableFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("arv1_tables_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        platform::setDataDirectory(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static void put(const char* name, const std::string& bytes) {
        platform::writeFileAtomic(std::string("c:\\QEX_ARV1files\\") + name, bytes);
    }
    static std::string get(const char* name) {
        return platform::readFileBytes(std::string("c:\\QEX_ARV1files\\") + name);
    }
    // Reads the file and returns the VbError number (0 when none).
    static int readError(const char* name, TableFile& table, std::string* message = nullptr) {
        try {
            editor::readTableFile(std::string("c:\\QEX_ARV1files\\") + name, table);
        } catch (const common::VbError& e) {
            if (message) *message = e.what();
            return e.number();
        }
        return 0;
    }

    static TableFile limitTable() {
        TableFile t;
        t.rows = 3;
        t.cols = 3;
        const char* cells[3][3] = {
            {"20.0", "1000.0", "20000.0"}, {"-1.00", "-0.50", "-3.00"}, {"1.00", "0.50", "3.00"}};
        for (int c = 1; c <= 3; ++c)
            for (int r = 1; r <= 3; ++r)
                t.cells[c][r] = cells[c - 1][r - 1];
        return t;
    }

    std::filesystem::path dir_;
};

TEST_F(TableFiles, ALimitTableOfThreeRowsIsElevenLines) {
    TableFile t = limitTable();
    editor::writeTableFile("c:\\QEX_ARV1files\\band.dfl", t, false);
    EXPECT_EQ(get("band.dfl"), "3\r\n3\r\n\"20.0\"\r\n\"1000.0\"\r\n\"20000.0\"\r\n"
                               "\"-1.00\"\r\n\"-0.50\"\r\n\"-3.00\"\r\n"
                               "\"1.00\"\r\n\"0.50\"\r\n\"3.00\"\r\n");

    TableFile back;
    ASSERT_EQ(readError("band.dfl", back), 0);
    EXPECT_EQ(back.rows, 3);
    EXPECT_EQ(back.cols, 3);
    EXPECT_EQ(back.cells, t.cells);

    common::LimitTable limits;
    editor::toLimitTable(back, limits);
    EXPECT_EQ(limits.limitCount, 3);
    EXPECT_EQ(limits.limitFreq[3], 20000.0);
    EXPECT_EQ(limits.limitLower[2], -0.5f);
    EXPECT_EQ(limits.limitUpper[3], 3.0f);
}

TEST_F(TableFiles, ALoneDotIsSavedAsZeroOnlyWhenAsked) {
    TableFile t;
    t.rows = 2;
    t.cols = 1;
    t.cells[1][1] = ".";
    t.cells[1][2] = ".5";
    editor::writeTableFile("c:\\QEX_ARV1files\\a.dfd", t, false);
    EXPECT_EQ(get("a.dfd"), "2\r\n1\r\n\".\"\r\n\".5\"\r\n");
    EXPECT_EQ(t.cells[1][1], ".");
    editor::writeTableFile("c:\\QEX_ARV1files\\u.dfu", t, true);
    EXPECT_EQ(get("u.dfu"), "2\r\n1\r\n\"0\"\r\n\".5\"\r\n");
    EXPECT_EQ(t.cells[1][1], "0");
}

TEST_F(TableFiles, ExportJoinsTheCellsOfARow) {
    TableFile t;
    t.rows = 2;
    t.cols = 3;
    t.cells[1][1] = "20.0";
    t.cells[2][1] = "-1.00";
    t.cells[3][1] = "-1.20";
    t.cells[1][2] = "1000.0";
    t.cells[2][2] = "\u00B1";
    editor::exportTable("c:\\QEX_ARV1files\\out.log", t);
    EXPECT_EQ(get("out.log"), "20.0 , -1.00 , -1.20\r\n1000.0 , \xB1 , \r\n");
    put("old.log", std::string(5000, 'x'));
    t.rows = 1;
    t.cols = 2;
    editor::exportTable("c:\\QEX_ARV1files\\old.log", t);
    EXPECT_EQ(get("old.log"), "20.0 , -1.00\r\n");
}

TEST_F(TableFiles, ADataFileForATHDSweepFillsTheTHDArrays) {
    put("thd.dfd", "2\r\n3\r\n\"100.0\"\r\n\"1000.0\"\r\n\".0123\"\r\n\"0.5\"\r\n"
                   "\"1.25\"\r\n\"x\"\r\n");
    TableFile t;
    ASSERT_EQ(readError("thd.dfd", t), 0);
    common::SweepData data;
    data.levelLeft[1] = -7.0f;
    editor::toSweepData(t, data, true);
    EXPECT_EQ(data.pointCount, 2);
    EXPECT_EQ(data.freq[2], 1000.0);
    EXPECT_EQ(data.thdLeft[1], 0.0123f);
    EXPECT_EQ(data.thdRight[1], 1.25f);
    EXPECT_EQ(data.thdRight[2], 0.0f); // not a number
    EXPECT_EQ(data.levelLeft[1], -7.0f);

    editor::toSweepData(t, data, false);
    EXPECT_EQ(data.levelLeft[2], 0.5f);
}

TEST_F(TableFiles, TablesBeyondTheWorkingTableAreRefusedUntouched) {
    put("rows.dfl", "250\r\n3\r\n\"1\"\r\n");
    put("cols.dfl", "3\r\n5\r\n\"1\"\r\n");
    put("neg.dfl", "-1\r\n3\r\n");
    TableFile t = limitTable();
    const TableFile before = t;
    std::string message;
    EXPECT_EQ(readError("rows.dfl", t, &message), 9);
    EXPECT_NE(message.find("rows.dfl, line 1: expected the row count, 0 to 200, found \"250\""),
              std::string::npos)
        << message;
    EXPECT_EQ(readError("cols.dfl", t, &message), 9);
    EXPECT_NE(message.find("line 2: expected the column count, 0 to 4, found \"5\""),
              std::string::npos)
        << message;
    EXPECT_EQ(readError("neg.dfl", t), 9);
    EXPECT_EQ(t.rows, before.rows);
    EXPECT_EQ(t.cols, before.cols);
    EXPECT_EQ(t.cells, before.cells);

    t.rows = 201;
    EXPECT_THROW(editor::writeTableFile("c:\\QEX_ARV1files\\big.dfl", t, false), common::VbError);
    EXPECT_FALSE(platform::fileExists("c:\\QEX_ARV1files\\big.dfl"));
}

TEST_F(TableFiles, AShortFileKeepsWhatWasRead) {
    put("short.dfu", "3\n2\n10,20\n");
    TableFile t = limitTable();
    EXPECT_EQ(readError("short.dfu", t), 62);
    EXPECT_EQ(t.rows, 3);
    EXPECT_EQ(t.cols, 2);
    EXPECT_EQ(t.cells[1][1], "10");
    EXPECT_EQ(t.cells[1][2], "20");
    EXPECT_EQ(t.cells[1][3], "20000.0"); // not reached
    EXPECT_EQ(t.cells[3][1], "1.00");    // beyond the file's columns

    TableFile untouched = limitTable();
    EXPECT_EQ(readError("missing.dfu", untouched), 53);
    EXPECT_EQ(untouched.cells, limitTable().cells);
}

TEST_F(TableFiles, TransfersHandleMissingColumnsAndPrecision) {
    TableFile t;
    t.rows = 1;
    t.cols = 1;
    t.cells[1][1] = " 440 Hz";
    t.cells[2][1] = "5"; // beyond the table's columns
    common::SweepData data;
    data.predefLeft[1] = 9.0f;
    editor::toPredefPoints(t, data);
    EXPECT_EQ(data.predefCount, 1);
    EXPECT_EQ(data.predefFreq[1], 440.0);
    EXPECT_EQ(data.predefLeft[1], 0.0f);

    t.cols = 3;
    t.cells[2][1] = "0.1";
    t.cells[3][1] = "1e39"; // beyond a single: the entry stays
    common::ReverseCalTable cal;
    editor::toReverseCal(t, cal);
    EXPECT_EQ(cal.revcalLeft[1], 0.1); // kept as a double
    EXPECT_EQ(cal.revcalRight[1], 1e39);
    data.predefRight[1] = 4.0f;
    editor::toPredefPoints(t, data);
    EXPECT_EQ(data.predefRight[1], 4.0f);
}

// The three cells of row r joined by "|".
std::string row(const TableFile& t, int r) {
    return t.cells[1][r] + "|" + t.cells[2][r] + "|" + t.cells[3][r];
}

TEST_F(TableFiles, CellsAreFilledWithTheFormatsOfEachView) {
    common::SweepData data;
    data.pointCount = 2;
    data.freq = {0, 20, 1000.123456};
    data.levelLeft[1] = -1.0f;
    data.levelRight[1] = 0.12345f;
    data.thdLeft[1] = 0.5f;
    data.thdRight[1] = 0.01234f;
    TableFile t;
    editor::fromSweepData(data, false, editor::SweepView::Opening, t);
    EXPECT_EQ(row(t, 1), "20.0|-1.00|.1235");
    EXPECT_EQ(t.cells[1][2], "1000.123");
    editor::fromSweepData(data, true, editor::SweepView::Opening, t);
    EXPECT_EQ(row(t, 1), "20.0|.5|.0123");
    editor::fromSweepData(data, false, editor::SweepView::DataButton, t);
    EXPECT_EQ(row(t, 1), "20.0|-1.00|0.1235");
    EXPECT_EQ(t.cells[1][2], "1000.1");
    editor::fromSweepData(data, true, editor::SweepView::DataButton, t);
    EXPECT_EQ(row(t, 1), "20.0|0.5|0.0123");

    common::LimitTable limits;
    limits.limitCount = 1;
    limits.limitFreq[1] = 20000;
    limits.limitLower[1] = -3.123456f;
    editor::fromLimitTable(limits, t);
    EXPECT_EQ(row(t, 1), "20000.0|-3.12346|0.00");

    data.predefCount = 1;
    data.predefFreq[1] = 15.5;
    data.predefLeft[1] = 2;
    data.predefRight[1] = -0.5f;
    editor::fromPredefPoints(data, t);
    EXPECT_EQ(row(t, 1), "15.5|2.00|-0.50");
    // Singles round from their own seven digits: 1.00005 is 1.0000499... exactly.
    data.predefLeft[1] = 1.00005f;
    editor::fromPredefPoints(data, t);
    EXPECT_EQ(t.cells[2][1], "1.0001");
}

} // namespace

#include "editor/table_file.h"

#include "common/read_error.h"
#include "common/seqfile.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "platform/files.h"

#include <algorithm>
#include <cmath>

namespace editor {

namespace {

constexpr std::string_view kRowCount = "the row count, 0 to 200";
constexpr std::string_view kColumnCount = "the column count, 0 to 4";

bool rowsFit(double rows) {
    return rows >= 0 && rows <= common::kMaxRows;
}
bool colsFit(double cols) {
    return cols >= 0 && cols <= kMaxCols;
}

// A table that the working copy cannot hold, refused before it is written.
void checkSize(std::string_view programPath, double rows, double cols) {
    const bool rowsOk = rowsFit(rows);
    if (rowsOk && colsFit(cols)) return;
    throw common::ReadError(common::err::SubscriptOutOfRange, std::string(programPath), 0,
                            std::string(rowsOk ? kColumnCount : kRowCount),
                            common::displayText(rowsOk ? cols : rows));
}

int rowCount(const TableFile& table) {
    return std::clamp<int>(table.rows, 0, common::kMaxRows);
}

double cellDouble(const TableFile& table, int c, int r) {
    return c <= table.cols ? common::leadingNumber(table.cells[c][r]) : 0.0;
}

// A value beyond the single range leaves the entry as it was.
void setSingle(float& target, const TableFile& table, int c, int r) {
    if (c > table.cols) {
        target = 0.0f;
        return;
    }
    try {
        target = common::leadingSingle(table.cells[c][r]);
    } catch (const common::VbError&) {
    }
}

std::string cellName(int c, int r) {
    return "column " + std::to_string(c) + ", row " + std::to_string(r);
}

} // namespace

void readTableFile(std::string_view programPath, TableFile& table) {
    common::SeqReader reader(platform::readFileBytes(programPath), std::string(programPath));
    reader.setQuotesCloseOnTheirLine(true);
    const double rows = common::roundHalfEven(reader.readDouble(kRowCount));
    if (!rowsFit(rows)) reader.refuseLast(kRowCount, common::err::SubscriptOutOfRange);
    const double cols = common::roundHalfEven(reader.readDouble(kColumnCount));
    if (!colsFit(cols)) reader.refuseLast(kColumnCount, common::err::SubscriptOutOfRange);
    table.rows = static_cast<std::int16_t>(rows);
    table.cols = static_cast<std::int16_t>(cols);
    for (int c = 1; c <= table.cols; ++c)
        for (int r = 1; r <= table.rows; ++r)
            table.cells[c][r] = reader.readText(cellName(c, r));
    reader.expectEnd();
}

void writeTableFile(std::string_view programPath, TableFile& table, bool dotToZero) {
    checkSize(programPath, table.rows, table.cols);
    common::SeqWriter writer;
    writer.writeInteger(table.rows);
    writer.writeInteger(table.cols);
    for (int c = 1; c <= table.cols; ++c) {
        for (int r = 1; r <= table.rows; ++r) {
            std::string& cell = table.cells[c][r];
            if (dotToZero && cell == ".") cell = "0";
            writer.writeText(cell);
        }
    }
    platform::writeFileAtomic(programPath, writer.bytes());
}

void exportTable(std::string_view programPath, const TableFile& table) {
    checkSize(programPath, table.rows, table.cols);
    std::string text;
    for (int r = 1; r <= table.rows; ++r) {
        for (int c = 1; c <= table.cols; ++c) {
            if (c > 1) text += " , ";
            text += table.cells[c][r];
        }
        text += "\r\n";
    }
    platform::writeFileAtomic(programPath, common::utf8ToCp1252(text));
}

void toSweepData(const TableFile& table, common::SweepData& data, bool thdSweep) {
    const int n = rowCount(table);
    auto& left = thdSweep ? data.thdLeft : data.levelLeft;
    auto& right = thdSweep ? data.thdRight : data.levelRight;
    data.pointCount = static_cast<std::int16_t>(n);
    for (int r = 1; r <= n; ++r) {
        data.freq[r] = cellDouble(table, 1, r);
        setSingle(left[r], table, 2, r);
        setSingle(right[r], table, 3, r);
    }
}

void toLimitTable(const TableFile& table, common::LimitTable& limits) {
    const int n = rowCount(table);
    limits.limitCount = static_cast<std::int16_t>(n);
    for (int r = 1; r <= n; ++r) {
        limits.limitFreq[r] = cellDouble(table, 1, r);
        setSingle(limits.limitLower[r], table, 2, r);
        setSingle(limits.limitUpper[r], table, 3, r);
    }
}

void toPredefPoints(const TableFile& table, common::SweepData& data) {
    const int n = rowCount(table);
    data.predefCount = static_cast<std::int16_t>(n);
    for (int r = 1; r <= n; ++r) {
        data.predefFreq[r] = cellDouble(table, 1, r);
        setSingle(data.predefLeft[r], table, 2, r);
        setSingle(data.predefRight[r], table, 3, r);
    }
}

void toReverseCal(const TableFile& table, common::ReverseCalTable& cal) {
    const int n = rowCount(table);
    cal.revcalCount = static_cast<std::int16_t>(n);
    for (int r = 1; r <= n; ++r) {
        cal.revcalFreq[r] = cellDouble(table, 1, r);
        cal.revcalLeft[r] = cellDouble(table, 2, r);
        cal.revcalRight[r] = cellDouble(table, 3, r);
    }
}

namespace {

using Column = std::array<float, common::kTableSize>;
using FreqColumn = std::array<double, common::kTableSize>;

void fillCells(int count, const FreqColumn& freq, const Column& left, const Column& right,
               std::string_view freqPattern, std::string_view valuePattern, TableFile& table) {
    const int n = std::clamp(count, 0, common::kMaxRows);
    for (int r = 1; r <= n; ++r) {
        table.cells[1][r] = common::Format(freq[r], freqPattern);
        table.cells[2][r] = common::FormatSingle(left[r], valuePattern);
        table.cells[3][r] = common::FormatSingle(right[r], valuePattern);
    }
}

} // namespace

void fromSweepData(const common::SweepData& data, bool thdSweep, SweepView view, TableFile& table) {
    const bool opening = view == SweepView::Opening;
    const std::string_view freqPattern = opening ? "###.0##" : "###.0";
    const std::string_view levelPattern = opening ? "###.00##" : "##0.00##";
    const std::string_view thdPattern = opening ? "###.0###" : "##0.0###";
    if (thdSweep)
        fillCells(data.pointCount, data.freq, data.thdLeft, data.thdRight, freqPattern, thdPattern,
                  table);
    else
        fillCells(data.pointCount, data.freq, data.levelLeft, data.levelRight, freqPattern,
                  levelPattern, table);
}

void fromLimitTable(const common::LimitTable& limits, TableFile& table) {
    fillCells(limits.limitCount, limits.limitFreq, limits.limitLower, limits.limitUpper, "###.0",
              "##0.00###", table);
}

void fromPredefPoints(const common::SweepData& data, TableFile& table) {
    fillCells(data.predefCount, data.predefFreq, data.predefLeft, data.predefRight, "###.0#",
              "##0.00##", table);
}

} // namespace editor

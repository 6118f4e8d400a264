#pragma once
// The table files of the data/limit editor (data ".dfd", limit ".dfl", user
// sweep ".dfu" and the reverse calibration file) and the export format.
//
// All four share one layout in the sequential write convention: the row
// count R (1..200), the column count C (1..4), then the C x R cell texts in
// double quotes, column after column. Cells convert to numbers by their
// leading number; an empty or non-numeric cell gives 0.

#include "common/tables.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace editor {

inline constexpr int kMaxCols = 4;

// The editor's working copy of a table: text cells (c, r) with c 1..4 and
// r 1..200; row 0 and column 0 are unused.
struct TableFile {
    std::int16_t rows = 0, cols = 0;
    std::array<std::array<std::string, common::kTableSize>, kMaxCols + 1> cells;
};

// Reads a table file into `table` in place: the cells that the file does not
// cover keep their texts. Throws common::VbError on an I/O error and
// common::ReadError (file, line, what was expected) on a damaged file,
// leaving what was read so far. A file with more than 200 rows or 4 columns
// (or a negative count) is refused before any cell is read, with error 9; so
// is one with text after its last cell.
void readTableFile(std::string_view programPath, TableFile& table);

// Writes R, C and the cells column after column (through a temporary file,
// so a failed write leaves the old file intact). With `dotToZero` a cell that
// is exactly "." is written, and stored in the table, as "0" (user sweep and
// reverse calibration files). Counts beyond the table are refused with
// error 9 before anything is written.
void writeTableFile(std::string_view programPath, TableFile& table, bool dotToZero);

// Export: for each row a line of the cells of columns 1..C joined by " , ",
// ended by CR LF; no counts and no quotes; Windows-1252 bytes. An existing
// file of that name is replaced.
void exportTable(std::string_view programPath, const TableFile& table);

// Transfers to the panel arrays: the count becomes R; column 1 gives the
// frequency (double), columns 2 and 3 the two values (singles). A column that
// the table does not have gives 0; a value beyond the single range leaves its
// entry as it was.
// A data file: levelLeft/levelRight, or thdLeft/thdRight for a THD sweep.
void toSweepData(const TableFile& table, common::SweepData& data, bool thdSweep);
void toLimitTable(const TableFile& table, common::LimitTable& limits);
void toPredefPoints(const TableFile& table, common::SweepData& data);
// The reverse calibration table takes all three columns as doubles.
void toReverseCal(const TableFile& table, common::ReverseCalTable& cal);

// The reverse direction: fill cells (1..3, 1..count) from the panel arrays
// with the number formats of the table kinds. Counts (rows, cols) are left to
// the caller, as are the cells beyond the count.
enum class SweepView {
    Opening,    // when the editor opens: "###.0##" and "###.00##" / "###.0###"
    DataButton, // the "Data" view: "###.0" and "##0.00##" / "##0.0###"
};
void fromSweepData(const common::SweepData& data, bool thdSweep, SweepView view, TableFile& table);
// "###.0" and "##0.00###".
void fromLimitTable(const common::LimitTable& limits, TableFile& table);
// "###.0#" and "##0.00##".
void fromPredefPoints(const common::SweepData& data, TableFile& table);

} // namespace editor

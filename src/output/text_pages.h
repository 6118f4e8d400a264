#pragma once
// The lines of the program's text printouts, exactly as they are printed
// (an empty string is an empty line). Print them with Printing::printText.

#include "common/tables.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace output {

using TimePoint = std::chrono::system_clock::time_point;

// The date and time of a printout, as in the data logs ("2026-12-06 14:03:07").
std::string printDateTime(TimePoint when);
// The date alone ("2026-12-06").
std::string printDate(TimePoint when);

// A text padded with leading blanks to 15 characters and followed by a tab:
// one column of the tables below.
std::string printColumn(std::string_view text);

// Print Test Data: the header line between empty lines, one line per stored
// sweep point (frequency, left and right formatted "###.#"), an empty line
// and the date and time after ten blanks.
std::vector<std::string> testDataLines(const common::SweepData& data, TimePoint now);

// The column header line of a data editor view: "Data File", "Limit File",
// "User Point File" or "Inverse Cal File" (others get the data file's).
std::string_view tableHeaderLine(std::string_view viewKind);

// Print Table of the data editor: two empty lines, "Data Editor Values For"
// the view, the view's header line between empty lines, one line per row
// (the cells of columns 1..C), two empty lines and the date after ten blanks.
std::vector<std::string> tableLines(std::string_view viewKind,
                                    const std::vector<std::vector<std::string>>& rows,
                                    TimePoint now);

// The lines of a text ended by CR LF, LF or CR (a last line without an
// ending counts; an empty text has none).
std::vector<std::string> splitLines(std::string_view text);

// Print of the log viewer and of the sequence editor: two empty lines, then
// the text's lines (ended by CR LF, LF or CR).
std::vector<std::string> plainTextLines(std::string_view text);

} // namespace output

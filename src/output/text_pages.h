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

// The lines of a text ended by CR LF, LF or CR (a last line without an
// ending counts; an empty text has none).
std::vector<std::string> splitLines(std::string_view text);

// Print of the log viewer and of the sequence editor: two empty lines, then
// the text's lines (ended by CR LF, LF or CR).
std::vector<std::string> plainTextLines(std::string_view text);

} // namespace output

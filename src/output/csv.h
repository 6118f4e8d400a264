#pragma once
// CSV export of the sweep and the spectrum: RFC 4180 files in UTF-8 (no
// byte-order mark), CR LF line ends, a header row whose column names carry
// the units (frequency_hz, left_dbr, left_thd_pct, ...), "." as the decimal
// point and every value in the shortest text that reads back exactly.

#include "common/tables.h"

#include <string>
#include <string_view>
#include <vector>

namespace panel {
struct PanelSettings;
}
namespace views {
class SpectrumView;
}

namespace output {

struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

// One field, quoted when it holds a comma, a quote or a line break.
std::string csvField(std::string_view text);
std::string csvText(const CsvTable& table);

// The stored sweep points 1..pointCount: frequency_hz, left_<unit>,
// right_<unit> (the level unit of the sweep, or separation_db in a separation
// sweep), left_thd_pct, right_thd_pct. When the limit curve is on and holds
// rows: lower_limit_<unit>, upper_limit_<unit> (pct in a THD sweep) and
// result (PASS or FAIL as the limit check judges the point; empty cells for
// points without a limit row).
CsvTable sweepCsv(const panel::PanelSettings& settings, const common::SweepData& data,
                  const common::LimitTable& limits);

// The spectrum as last drawn: frequency_hz and the level of each drawn
// channel (left_dbr, right_dbr) per bin, as the cursor readout reads it. No
// rows when nothing has been drawn.
CsvTable spectrumCsv(const views::SpectrumView& spectrum);

// Writes the table to the file whole (through a temporary file and a
// rename), or leaves no file; false with the reason in error.
bool writeCsv(const std::string& path, const CsvTable& table, std::string& error);

} // namespace output

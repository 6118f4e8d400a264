#include "output/csv.h"

#include "common/text.h"
#include "common/vb_error.h"
#include "panel/panel_settings.h"
#include "platform/files.h"
#include "views/limits.h"
#include "views/spectrum.h"

#include <algorithm>
#include <cctype>

namespace output {

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string csvText(const CsvTable& table) {
    std::string out;
    auto row = [&](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) out += ',';
            out += csvField(fields[i]);
        }
        out += "\r\n";
    };
    row(table.header);
    for (const auto& r : table.rows)
        row(r);
    return out;
}

CsvTable sweepCsv(const panel::PanelSettings& s, const common::SweepData& d,
                  const common::LimitTable& limits) {
    using common::shortestText;
    const std::string levelUnit = s.separationSweep == 1     ? "separation_db"
                                  : s.SweepDataUnits.empty() ? "dbr"
                                                             : lowerCase(s.SweepDataUnits);
    const bool thd = s.thdSweep == 1;
    const bool withLimits = s.limitCurveOn == 1 && limits.limitCount > 0;
    const std::string limitUnit = thd ? "pct" : levelUnit;

    CsvTable table;
    table.header = {"frequency_hz", "left_" + levelUnit, "right_" + levelUnit, "left_thd_pct",
                    "right_thd_pct"};
    if (withLimits)
        table.header.insert(table.header.end(),
                            {"lower_limit_" + limitUnit, "upper_limit_" + limitUnit, "result"});
    const int count = std::clamp<int>(d.pointCount, 0, common::kMaxRows);
    for (int i = 1; i <= count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::vector<std::string> row = {shortestText(d.freq[k]), shortestText(d.levelLeft[k]),
                                        shortestText(d.levelRight[k]), shortestText(d.thdLeft[k]),
                                        shortestText(d.thdRight[k])};
        if (withLimits) {
            const views::LimitVerdict verdict =
                views::judgePoint(limits, i, thd ? d.thdLeft[k] : d.levelLeft[k],
                                  thd ? d.thdRight[k] : d.levelRight[k]);
            if (verdict.judged)
                row.insert(row.end(),
                           {shortestText(limits.limitLower[k]), shortestText(limits.limitUpper[k]),
                            verdict.fails() ? "FAIL" : "PASS"});
            else
                row.insert(row.end(), {"", "", ""});
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

CsvTable spectrumCsv(const views::SpectrumView& v) {
    const bool left = v.drawnChannel == 0 || v.drawnChannel == 2;
    const bool right = v.drawnChannel == 1 || v.drawnChannel == 2;
    CsvTable table;
    table.header = {"frequency_hz"};
    if (left) table.header.push_back("left_dbr");
    if (right) table.header.push_back("right_dbr");
    for (int i = std::max(v.drawnFirstBin, 1); i <= v.drawnLastBin; ++i) {
        const auto k = static_cast<std::size_t>(i);
        std::vector<std::string> row = {common::shortestText(v.binFreq[k])};
        if (left)
            row.push_back(common::shortestText(views::SpectrumView::cursorLevel(v.binYLeft[k])));
        if (right)
            row.push_back(common::shortestText(views::SpectrumView::cursorLevel(v.binYRight[k])));
        table.rows.push_back(std::move(row));
    }
    return table;
}

bool writeCsv(const std::string& path, const CsvTable& table, std::string& error) {
    try {
        platform::writeFileAtomic(path, csvText(table));
    } catch (const common::VbError& e) {
        error = e.description();
        return false;
    }
    return true;
}

} // namespace output

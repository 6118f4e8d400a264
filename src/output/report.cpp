#include "output/report.h"

#include "common/text.h"
#include "common/vb_error.h"
#include "panel/controls.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/qt_printer.h"
#include "views/graph.h"
#include "views/scales.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>

namespace output {

namespace {

using platform::Printer;
using platform::PrintFont;

constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kGrey = 0x606060;
constexpr std::uint32_t kRule = 0xB0B0B0;
constexpr std::uint32_t kShade = 0xECECEC;
constexpr std::uint32_t kPass = 0x1B7D32;
constexpr std::uint32_t kFail = 0xC62828;
constexpr std::uint32_t kFailShade = 0xFBE3E3;
constexpr std::uint32_t kWhite = 0xFFFFFF;

PrintFont sans(double size, bool bold = false) {
    return {"Arial", size, bold, false};
}
PrintFont mono(double size) {
    return {"Courier New", size, false, true};
}

bool utf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The text in lines no wider than the width, broken after a blank where one
// is at hand.
std::vector<std::string> wrap(Printer& p, const PrintFont& font, std::string_view text,
                              double width) {
    p.setFont(font);
    std::vector<std::string> lines;
    std::string rest(text);
    while (!rest.empty() && p.textWidth(rest) > width) {
        std::vector<std::size_t> ends; // where a character ends
        for (std::size_t i = 1; i <= rest.size(); ++i)
            if (i == rest.size() || !utf8Continuation(rest[i])) ends.push_back(i);
        std::size_t lo = 0, hi = ends.size() - 1; // ends[lo] always kept
        while (lo < hi) {
            const std::size_t mid = (lo + hi + 1) / 2;
            if (p.textWidth(std::string_view(rest).substr(0, ends[mid])) <= width)
                lo = mid;
            else
                hi = mid - 1;
        }
        std::size_t cut = ends[lo];
        const std::size_t blank = rest.rfind(' ', cut - 1);
        if (blank != std::string::npos && blank > 0) cut = blank + 1;
        lines.push_back(rest.substr(0, cut));
        rest.erase(0, cut);
    }
    if (!rest.empty() || lines.empty()) lines.push_back(rest);
    return lines;
}

// Blocks placed from the top of each page down; a block that does not fit
// goes to the next page. Pages are drawn once all are known, so that each
// can say how many there are.
class Flow {
public:
    using Draw = std::function<void(Printer&)>;
    Flow(Printer& printer, double footer)
        : p_(printer), bottom_(printer.pageHeight() - footer), pages_(1) {}

    double width() const { return p_.pageWidth(); }
    // The top of a block of the given height.
    double place(double height) {
        if (y_ + height > bottom_ && y_ > 0) {
            pages_.emplace_back();
            y_ = 0;
        }
        const double top = y_;
        y_ += height;
        return top;
    }
    void space(double height) { y_ += height; }
    void add(Draw draw) { pages_.back().push_back(std::move(draw)); }
    void text(double x, double y, std::string text, const PrintFont& font,
              std::uint32_t colour = kInk) {
        add([=](Printer& p) {
            p.setFont(font);
            p.text(x, y, text, colour);
        });
    }
    void rect(double x, double y, double w, double h, std::uint32_t colour) {
        add([=](Printer& p) { p.fillRect(x, y, w, h, colour); });
    }
    double lineHeight(const PrintFont& font) {
        p_.setFont(font);
        return p_.lineHeight();
    }
    double textWidth(const PrintFont& font, std::string_view text) {
        p_.setFont(font);
        return p_.textWidth(text);
    }
    Printer& printer() { return p_; }
    std::size_t pageCount() const { return pages_.size(); }

    void render(const std::function<void(Printer&, int page, int count)>& footer) {
        const int count = static_cast<int>(pages_.size());
        for (int i = 0; i < count; ++i) {
            if (i > 0) p_.newPage();
            for (const Draw& draw : pages_[static_cast<std::size_t>(i)])
                draw(p_);
            footer(p_, i + 1, count);
        }
    }

private:
    Printer& p_;
    double bottom_;
    double y_ = 0;
    std::vector<std::vector<Draw>> pages_;
};

void heading(Flow& flow, const std::string& text, double keepWith) {
    const PrintFont font = sans(11, true);
    const double h = flow.lineHeight(font);
    flow.space(10);
    const double top = flow.place(h + 4 + keepWith);
    flow.space(-keepWith);
    flow.text(0, top, text, font);
    flow.rect(0, top + h + 1, flow.width(), 0.6, kRule);
}

// "left_thd_pct" reads "Left THD (%)", "lower_limit_dbr" "Lower (dBr)".
std::string displayColumn(const std::string& name) {
    static const std::pair<std::string_view, std::string_view> units[] = {
        {"_hz", "Hz"}, {"_dbr", "dBr"}, {"_pct", "%"}, {"_db", "dB"}};
    std::string base = name, unit;
    for (const auto& [suffix, shown] : units) {
        if (base.size() > suffix.size() && base.ends_with(suffix)) {
            base.erase(base.size() - suffix.size());
            unit = shown;
            break;
        }
    }
    std::string words;
    std::size_t start = 0;
    while (start <= base.size()) {
        const std::size_t end = std::min(base.find('_', start), base.size());
        std::string word = base.substr(start, end - start);
        if (word == "limit") {
            start = end + 1;
            continue;
        }
        if (word == "thd")
            word = "THD";
        else if (words.empty() && !word.empty())
            word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        if (!words.empty()) words += ' ';
        words += word;
        start = end + 1;
    }
    return unit.empty() ? words : words + " (" + unit + ")";
}

// A cell of the exported table as the report shows it.
std::string displayCell(const std::string& column, const std::string& cell) {
    if (cell.empty() || cell == "PASS" || cell == "FAIL") return cell;
    const double v = common::leadingNumber(cell);
    if (column.ends_with("_hz")) return common::Format(v, "0.0");
    if (column.ends_with("_pct")) return common::Format(v, "0.0000");
    return common::Format(v, "0.00");
}

void drawHeader(Flow& flow, const ReportData& r) {
    const double w = flow.width();
    constexpr double boxW = 150, boxH = 62;
    const double leftW = w - boxW - 16;
    const PrintFont kicker = sans(9), title = sans(18, true), label = sans(9, true),
                    value = sans(9);
    std::vector<std::pair<std::string, std::string>> info = {
        {"Date", r.dateTime},
        {"Test panel", r.context.panelFile},
        {"Test sequence", r.context.sequenceFile},
        {"Device", r.context.device},
        {"Device under test", r.context.dut},
        {"Status", r.status}};
    std::erase_if(info, [](const auto& row) { return row.second.empty(); });

    const double kickerH = flow.lineHeight(kicker);
    const std::vector<std::string> titleLines = wrap(flow.printer(), title, r.title, leftW);
    const double titleH = flow.lineHeight(title);
    const double valueH = flow.lineHeight(value);
    constexpr double labelW = 92;
    std::vector<std::vector<std::string>> values;
    double infoH = 0;
    for (const auto& row : info) {
        values.push_back(wrap(flow.printer(), value, row.second, leftW - labelW));
        infoH += valueH * static_cast<double>(values.back().size());
    }
    const double textH = kickerH + titleH * static_cast<double>(titleLines.size()) + 6 + infoH;
    const double top = flow.place(std::max(textH, boxH) + 6);

    double y = top;
    flow.text(0, y, "QEX ARV-1 test report", kicker, kGrey);
    y += kickerH;
    for (const std::string& line : titleLines) {
        flow.text(0, y, line, title);
        y += titleH;
    }
    y += 6;
    for (std::size_t i = 0; i < info.size(); ++i) {
        flow.text(0, y, info[i].first, label, kGrey);
        for (const std::string& line : values[i]) {
            flow.text(labelW, y, line, value);
            y += valueH;
        }
    }

    // The verdict, in large letters.
    const std::string word = r.context.verdict.pass ? "PASS" : "FAIL";
    const PrintFont big = sans(36, true);
    const double wordW = flow.textWidth(big, word), wordH = flow.lineHeight(big);
    flow.rect(w - boxW, top, boxW, boxH, r.context.verdict.pass ? kPass : kFail);
    flow.text(w - boxW + (boxW - wordW) / 2, top + (boxH - wordH) / 2, word, big, kWhite);

    if (!r.context.verdict.reason.empty()) {
        const PrintFont font = sans(10, true);
        const double h = flow.lineHeight(font);
        for (const std::string& line : wrap(flow.printer(), font, r.context.verdict.reason, w)) {
            const double at = flow.place(h);
            flow.text(0, at, line, font, kFail);
        }
    }
    for (const std::string& legend : r.legends) {
        if (legend.empty()) continue;
        for (const std::string& line : wrap(flow.printer(), value, legend, w)) {
            const double at = flow.place(valueH);
            flow.text(0, at, line, value);
        }
    }
}

void drawGraph(Flow& flow, const ReportData& r) {
    const double w = flow.width();
    const double h = w * 0.5;
    const PrintFont caption = sans(8);
    const double captionH = flow.lineHeight(caption);
    heading(flow, "Graph: " + r.viewName, captionH + h + captionH + 2);
    const double top = flow.place(captionH + h + captionH + 2);
    flow.text(0, top, r.captionY, caption, kGrey);
    const double graphTop = top + captionH;
    flow.add([=, &r](Printer& p) {
        drawGraphOps(p, r.graph, views::kGraphScale, {0, graphTop, w, h}, r.ink);
        p.polyline(
            {{0, graphTop}, {w, graphTop}, {w, graphTop + h}, {0, graphTop + h}, {0, graphTop}},
            kRule, 0.5, platform::LineStyle::Solid);
    });
    flow.text(w - flow.textWidth(caption, r.captionX), graphTop + h + 1, r.captionX, caption,
              kGrey);
}

// A table of text cells, its header row repeated at the top of each page it
// runs onto. Rows whose last cell reads FAIL are shaded and marked in red.
struct Column {
    std::string title;
    double width = 0;
    bool right = true; // aligned right (numbers), else left
};

void drawTable(Flow& flow, const std::vector<Column>& columns,
               const std::vector<std::vector<std::string>>& rows) {
    const PrintFont head = sans(8, true), body = sans(8), bold = sans(8, true);
    const double h = flow.lineHeight(body) + 2;
    auto drawRow = [&](const std::vector<std::string>& cells, double top, bool isHeader) {
        const bool fail = !isHeader && !cells.empty() && cells.back() == "FAIL";
        if (isHeader || fail) flow.rect(0, top, flow.width(), h, isHeader ? kShade : kFailShade);
        double left = 0;
        for (std::size_t c = 0; c < cells.size() && c < columns.size(); ++c) {
            const bool mark = fail && c + 1 == cells.size();
            const PrintFont& font = isHeader ? head : mark ? bold : body;
            const double x = columns[c].right
                                 ? left + columns[c].width - flow.textWidth(font, cells[c]) - 4
                                 : left + 3;
            flow.text(x, top + 1, cells[c], font, mark ? kFail : kInk);
            left += columns[c].width;
        }
    };
    std::vector<std::string> titles;
    for (const Column& column : columns)
        titles.push_back(column.title);
    drawRow(titles, flow.place(h), true);
    for (const auto& row : rows) {
        const std::size_t page = flow.pageCount();
        double top = flow.place(h);
        if (flow.pageCount() != page) {
            drawRow(titles, top, true);
            top = flow.place(h);
        }
        drawRow(row, top, false);
    }
}

void drawReadouts(Flow& flow, const ReportData& r) {
    if (r.readouts.empty()) return;
    heading(flow, "Readouts", 24);
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < r.readouts.size(); ++i) {
        const ReportReadout& o = r.readouts[i];
        rows.push_back({std::to_string(i + 1), o.mode, o.channel, o.value});
    }
    const double w = flow.width();
    drawTable(flow,
              {{"Readout", w * 0.12, false},
               {"Mode", w * 0.2, false},
               {"Channel", w * 0.2, false},
               {"Value", w * 0.2, true}},
              rows);
}

void drawSweep(Flow& flow, const ReportData& r) {
    if (r.sweep.rows.empty()) return;
    std::size_t failing = 0;
    const bool judged = !r.sweep.header.empty() && r.sweep.header.back() == "result";
    for (const auto& row : r.sweep.rows)
        if (judged && row.back() == "FAIL") ++failing;
    std::string title = "Sweep: " + std::to_string(r.sweep.rows.size()) + " points";
    if (judged) title += ", " + std::to_string(failing) + " outside the limits";
    heading(flow, title, 24);

    const double rest = (flow.width() - 22) / static_cast<double>(r.sweep.header.size());
    std::vector<Column> columns{{"#", 22, false}};
    for (const std::string& column : r.sweep.header)
        columns.push_back({displayColumn(column), rest, true});
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < r.sweep.rows.size(); ++i) {
        std::vector<std::string> row{std::to_string(i + 1)};
        for (std::size_t c = 0; c < r.sweep.rows[i].size(); ++c)
            row.push_back(displayCell(r.sweep.header[c], r.sweep.rows[i][c]));
        rows.push_back(std::move(row));
    }
    drawTable(flow, columns, rows);
}

void drawLog(Flow& flow, const ReportData& r) {
    if (r.logText.empty()) return;
    const PrintFont font = mono(8);
    const double h = flow.lineHeight(font);
    heading(flow, "Data log: " + r.logPath, h);
    for (const std::string& line : splitLines(r.logText))
        for (const std::string& part : wrap(flow.printer(), font, line, flow.width()))
            flow.text(0, flow.place(h), part, font);
}

std::string viewName(const panel::PanelSettings& s) {
    switch (s.graphMode) {
    case panel::GraphMode::Spectrum:
        return "Spectrum analyzer";
    case panel::GraphMode::Scope:
        return "Oscilloscope";
    case panel::GraphMode::Sweep:
        break;
    }
    return "Frequency sweep, " + s.SweepMode;
}

} // namespace

ReportData collectReport(panel::Panel& panel, views::Graph& graph, ReportContext context,
                         TimePoint now) {
    const panel::PanelSettings& s = panel.settings;
    panel::Controls& c = panel.controls();
    auto caption = [&](std::string_view name) {
        const panel::Control* control = c.find(name);
        return control ? control->caption() : std::string();
    };
    auto choice = [&](std::string_view name) {
        const panel::Control* control = c.find(name);
        if (!control) return std::string();
        if (!control->text().empty()) return control->text();
        const auto& items = control->items();
        const int at = control->value();
        return at >= 0 && at < static_cast<int>(items.size()) ? items[static_cast<std::size_t>(at)]
                                                              : std::string();
    };

    ReportData r;
    r.title = s.graphTitle;
    if (r.title.empty() && !context.panelFile.empty())
        r.title = std::filesystem::path(context.panelFile).stem().string();
    if (r.title.empty()) r.title = "Test report";
    r.legends = s.graphLegends;
    r.dateTime = printDateTime(now);
    r.context = std::move(context);
    r.status = caption("Status");
    r.viewName = viewName(s);
    r.graph = graph.recordCurrentView();
    r.captionX = caption("Xlabel");
    r.captionY = caption("Ylabel");
    r.ink = {s.graphColour != 0, s.graphLineWidth};
    for (int i = 1; i <= panel::kReadoutSlots; ++i) {
        const std::string n = std::to_string(i);
        r.readouts.push_back(
            {choice("Readoutmd" + n), choice("Readoutch" + n), caption("Readout" + n)});
    }
    r.sweep = sweepCsv(s, panel.sweepData, panel.limits);
    r.logPath = s.logFilePath;
    if (!r.logPath.empty()) {
        try {
            r.logText = common::cp1252ToUtf8(platform::readFileBytes(r.logPath));
        } catch (const common::VbError&) {
            // A log that cannot be read is left out.
        }
    }
    return r;
}

void drawReport(Printer& printer, const ReportData& r) {
    Flow flow(printer, 22);
    drawHeader(flow, r);
    drawGraph(flow, r);
    drawReadouts(flow, r);
    drawSweep(flow, r);
    drawLog(flow, r);
    const std::string left = "QEX ARV-1 test report, " + r.dateTime;
    flow.render([&](Printer& p, int page, int count) {
        const PrintFont font = sans(8);
        p.setFont(font);
        const double y = p.pageHeight() - p.lineHeight();
        p.fillRect(0, y - 4, p.pageWidth(), 0.6, kRule);
        p.text(0, y, left, kGrey);
        if (count > 1) {
            const std::string number =
                "Page " + std::to_string(page) + " of " + std::to_string(count);
            p.text(p.pageWidth() - p.textWidth(number), y, number, kGrey);
        }
    });
}

platform::PageSetup reportPageSetup() {
    platform::PageSetup setup;
    setup.paper = platform::localePaperSize();
    return setup;
}

bool writeReport(const std::string& path, const ReportData& report, std::string& error) {
    const std::unique_ptr<Printer> printer =
        platform::makePdfPrinter(path, reportPageSetup(), report.title);
    drawReport(*printer, report);
    return printer->endDoc(error);
}

} // namespace output

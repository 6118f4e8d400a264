#include "output/text_pages.h"

#include "common/text.h"
#include "sequencer/datalog.h"

namespace output {

namespace {

constexpr std::string_view kTenBlanks = "          ";
constexpr std::string_view kDataHeader = "         Frequency      Left Level       Right Level";

} // namespace

std::string printDateTime(TimePoint when) {
    return sequencer::logDateTime(when);
}

std::string printDate(TimePoint when) {
    return printDateTime(when).substr(0, 10);
}

std::string printColumn(std::string_view text) {
    std::string column;
    if (text.size() < 15) column.assign(15 - text.size(), ' ');
    column += text;
    column += '\t';
    return column;
}

std::vector<std::string> testDataLines(const common::SweepData& data, TimePoint now) {
    std::vector<std::string> lines{"", std::string(kDataHeader), ""};
    const int count = std::min<int>(data.pointCount, common::kMaxRows);
    for (int i = 1; i <= count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        lines.push_back(printColumn(common::Format(data.freq[k], "###.#")) +
                        printColumn(common::FormatSingle(data.levelLeft[k], "###.#")) +
                        printColumn(common::FormatSingle(data.levelRight[k], "###.#")));
    }
    lines.emplace_back();
    lines.push_back(std::string(kTenBlanks) + printDateTime(now));
    return lines;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

std::vector<std::string> plainTextLines(std::string_view text) {
    std::vector<std::string> lines{"", ""};
    for (std::string& line : splitLines(text))
        lines.push_back(std::move(line));
    return lines;
}

} // namespace output

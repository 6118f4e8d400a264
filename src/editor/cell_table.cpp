#include "editor/cell_table.h"

#include "common/text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace editor {

namespace {

constexpr int kMaxRows = common::kMaxRows;

const std::array<KindTexts, 4> kKinds = {{
    {"Data File",
     {"Frequency", "Left Level", "Right Level"},
     "Data Files|*.dfd;",
     "         Frequency      Left Level       Right Level"},
    {"Limit File",
     {"Frequency", "Lower Limit", "Upper Limit"},
     "Limit Files|*.dfl;",
     "         Frequency      Lower Limit      Upper Limit"},
    {"User Point File",
     {"User Freq.", "L User Level", "R User Level"},
     "User Sweep Files|*.dfu;",
     "         User Freq.     L User Level     R User Level"},
    {"Inverse Cal File",
     {"Cal Freq.", "L Cal Level", "R Cal Level"},
     "",
     "         Cal Freq.      L Cal Level      R Cal Level"},
}};

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> splitCells(std::string_view line, char separator, bool dropLast) {
    std::vector<std::string> cells;
    if (line.empty()) return cells;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = line.find(separator, start);
        std::string_view cell = trimmed(line.substr(start, end - start));
        if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"')
            cell = cell.substr(1, cell.size() - 2);
        cells.emplace_back(cell);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (dropLast) cells.pop_back();
    return cells;
}

} // namespace

const KindTexts& kindTexts(TableKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

CellTable::CellTable() {
    table_.rows = 1;
    table_.cols = 3;
}

int CellTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.rows;
}

int CellTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.cols;
}

QVariant CellTable::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const std::string& text = cell(index.column() + 1, index.row() + 1);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(text);
    case NotANumberRole:
        // An empty cell of a row that holds data falls to 0 as well.
        return text.empty() ? rowHasText(index.row() + 1) : !common::isWholeNumber(text);
    default:
        return {};
    }
}

bool CellTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) return false;
    setCell(index.column() + 1, index.row() + 1, value.toString().toStdString());
    return true;
}

Qt::ItemFlags CellTable::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant CellTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0) return {};
    if (orientation == Qt::Horizontal)
        return section < table_.cols ? QString::fromStdString(colHeader(section + 1)) : QVariant();
    return section < table_.rows ? QString::fromStdString(rowHeader(section + 1)) : QVariant();
}

bool CellTable::insertRows(int row, int count, const QModelIndex& parent) {
    const int R = table_.rows;
    if (parent.isValid() || count < 1 || row < 0 || row > R || R + count > kMaxRows) return false;
    beginInsertRows({}, row, row + count - 1);
    for (auto& column : table_.cells) {
        // Grid rows row + 1 .. R move down by count; the new ones are empty.
        std::move_backward(column.begin() + row + 1, column.begin() + R + 1,
                           column.begin() + R + count + 1);
        std::fill(column.begin() + row + 1, column.begin() + row + count + 1, std::string());
    }
    table_.rows = static_cast<std::int16_t>(R + count);
    endInsertRows();
    return true;
}

bool CellTable::removeRows(int row, int count, const QModelIndex& parent) {
    const int R = table_.rows;
    if (parent.isValid() || count < 1 || row < 0 || row + count > R || R - count < 1) return false;
    beginRemoveRows({}, row, row + count - 1);
    for (auto& column : table_.cells) {
        std::move(column.begin() + row + count + 1, column.begin() + R + 1,
                  column.begin() + row + 1);
        std::fill(column.begin() + R - count + 1, column.begin() + R + 1, std::string());
    }
    table_.rows = static_cast<std::int16_t>(R - count);
    endRemoveRows();
    return true;
}

bool CellTable::insertColumns(int column, int count, const QModelIndex& parent) {
    const int C = table_.cols;
    if (parent.isValid() || count < 1 || column < 0 || column > C || C + count > kMaxCols)
        return false;
    beginInsertColumns({}, column, column + count - 1);
    auto& cells = table_.cells;
    std::move_backward(cells.begin() + column + 1, cells.begin() + C + 1,
                       cells.begin() + C + count + 1);
    std::fill(cells.begin() + column + 1, cells.begin() + column + count + 1,
              std::array<std::string, common::kTableSize>{});
    table_.cols = static_cast<std::int16_t>(C + count);
    endInsertColumns();
    headerDataChanged(Qt::Horizontal, column, table_.cols - 1);
    return true;
}

bool CellTable::removeColumns(int column, int count, const QModelIndex& parent) {
    const int C = table_.cols;
    if (parent.isValid() || count < 1 || column < 0 || column + count > C || C - count < 1)
        return false;
    beginRemoveColumns({}, column, column + count - 1);
    auto& cells = table_.cells;
    std::move(cells.begin() + column + count + 1, cells.begin() + C + 1,
              cells.begin() + column + 1);
    std::fill(cells.begin() + C - count + 1, cells.begin() + C + 1,
              std::array<std::string, common::kTableSize>{});
    table_.cols = static_cast<std::int16_t>(C - count);
    endRemoveColumns();
    if (column < table_.cols) headerDataChanged(Qt::Horizontal, column, table_.cols - 1);
    return true;
}

const std::string& CellTable::cell(int col, int row) const {
    static const std::string empty;
    if (col < 1 || col > kMaxCols || row < 1 || row > kMaxRows) return empty;
    return table_.cells[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
}

void CellTable::setCell(int col, int row, std::string text) {
    if (col < 1 || col > table_.cols || row < 1 || row > table_.rows) return;
    std::string& target =
        table_.cells[static_cast<std::size_t>(col)][static_cast<std::size_t>(row)];
    if (target == text) return;
    target = std::move(text);
    const QModelIndex at = indexOf(col, row);
    dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    // The marks of the row's other cells may change with it.
    dataChanged(indexOf(1, row), indexOf(table_.cols, row), {NotANumberRole});
}

bool CellTable::rowHasText(int row) const {
    for (int c = 1; c <= table_.cols; ++c)
        if (!cell(c, row).empty()) return true;
    return false;
}

bool CellTable::colHasText(int col) const {
    for (int r = 1; r <= table_.rows; ++r)
        if (!cell(col, r).empty()) return true;
    return false;
}

void CellTable::setKind(TableKind kind) {
    if (kind == kind_) return;
    kind_ = kind;
    headerDataChanged(Qt::Horizontal, 0, std::min<int>(table_.cols, 3) - 1);
}

std::string CellTable::colHeader(int col) const {
    if (col >= 1 && col <= 3) return std::string(kindTexts(kind_).headers[col - 1]);
    return "Col " + common::errorNumberText(col);
}

std::string CellTable::rowHeader(int row) {
    return "Row " + common::errorNumberText(row);
}

void CellTable::replace(const TableFile& table, TableKind kind) {
    beginResetModel();
    table_ = table;
    table_.rows = static_cast<std::int16_t>(std::clamp<int>(table.rows, 1, kMaxRows));
    table_.cols = static_cast<std::int16_t>(std::clamp<int>(table.cols, 1, kMaxCols));
    kind_ = kind;
    clearOutside();
    endResetModel();
}

void CellTable::clearOutside() {
    for (int c = 0; c <= kMaxCols; ++c)
        for (int r = 0; r <= kMaxRows; ++r)
            if (c == 0 || r == 0 || c > table_.cols || r > table_.rows)
                table_.cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)].clear();
}

std::string CellTable::blockText(Cell from, Cell to) const {
    std::string text;
    for (int r = std::min(from.row, to.row); r <= std::max(from.row, to.row); ++r) {
        for (int c = std::min(from.col, to.col); c <= std::max(from.col, to.col); ++c) {
            text += cell(c, r);
            text += '\t';
        }
        text += "\r\n";
    }
    return text;
}

int CellTable::paste(std::string_view text, Cell at) {
    const std::vector<std::string_view> lines = splitLines(text);
    if (lines.empty() || at.row < 1 || at.col < 1) return 0;
    const bool tabs = std::any_of(lines.begin(), lines.end(), [](std::string_view line) {
        return line.find('\t') != std::string_view::npos;
    });
    const char separator = tabs ? '\t' : ',';
    const bool separatorEndsEveryLine =
        std::all_of(lines.begin(), lines.end(), [&](std::string_view line) {
            return line.empty() || line.back() == separator;
        });

    std::vector<std::vector<std::string>> block;
    int width = 0;
    for (std::string_view line : lines) {
        block.push_back(splitCells(line, separator, separatorEndsEveryLine));
        width = std::max(width, static_cast<int>(block.back().size()));
    }
    const int height = static_cast<int>(block.size());
    if (width == 0) return 0;

    const int wantRows = std::min(at.row + height - 1, kMaxRows);
    const int wantCols = std::min(at.col + width - 1, kMaxCols);
    if (wantRows > table_.rows) insertRows(table_.rows, wantRows - table_.rows);
    if (wantCols > table_.cols) insertColumns(table_.cols, wantCols - table_.cols);

    int dropped = 0;
    for (int i = 0; i < height; ++i) {
        for (int j = 0; j < static_cast<int>(block[i].size()); ++j) {
            const int r = at.row + i, c = at.col + j;
            if (r > table_.rows || c > table_.cols)
                ++dropped;
            else
                table_.cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)] =
                    std::move(block[i][j]);
        }
    }
    if (at.row <= table_.rows && at.col <= table_.cols)
        dataChanged(indexOf(at.col, at.row),
                    indexOf(std::min(wantCols, static_cast<int>(table_.cols)),
                            std::min(wantRows, static_cast<int>(table_.rows))),
                    {Qt::DisplayRole, Qt::EditRole, NotANumberRole});
    // Marks of the rows' cells left of the block.
    if (at.col > 1 && at.row <= table_.rows)
        dataChanged(indexOf(1, at.row), indexOf(at.col - 1, std::min(wantRows, int(table_.rows))),
                    {NotANumberRole});
    return dropped;
}

} // namespace editor

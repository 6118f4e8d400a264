#include "editor/data_editor.h"

#include "common/read_error.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "platform/dialogs.h"
#include "platform/file_choice.h"

#include <algorithm>

namespace editor {

void CopyNotice::tick() {
    if (ticks_ == 1) {
        ticks_ = 0;
        running_ = false;
        visible_ = false;
    }
    ++ticks_;
}

Cell moveCell(Cell from, Move move, int rows, int cols) {
    Cell to = from;
    switch (move) {
    case Move::Left:
        if (from.col > 1)
            --to.col;
        else if (from.row > 1)
            to = {from.row - 1, cols};
        break;
    case Move::Right:
        if (from.col < cols)
            ++to.col;
        else if (from.row < rows)
            to = {from.row + 1, 1};
        break;
    case Move::Up:
        if (from.row > 1) --to.row;
        break;
    case Move::Down:
        if (from.row < rows) ++to.row;
        break;
    }
    return to;
}

DataEditor::DataEditor(EditorHost& host, platform::Dialogs& dialogs)
    : host_(host), dialogs_(dialogs) {}

Cell DataEditor::current() const {
    return {std::clamp(current_.row, 1, table_.rows()), std::clamp(current_.col, 1, table_.cols())};
}

void DataEditor::setCurrent(Cell cell) {
    current_ = cell;
    clampCurrent();
}

void DataEditor::clampCurrent() {
    current_ = current();
}

void DataEditor::complain(const std::string& text) {
    dialogs_.message(std::string(kEditorCaption), text);
}

// --- Views ---

void DataEditor::showTable(TableFile table, TableKind kind, int count) {
    table.rows = static_cast<std::int16_t>(std::clamp(count, 1, common::kMaxRows));
    table.cols = 3;
    table_.replace(table, kind);
    current_ = {1, 1};
    usercounttext = std::to_string(count);
}

void DataEditor::Form_Load() {
    const common::SweepData& data = host_.sweepData();
    TableFile table;
    fromSweepData(data, host_.thdSweep(), SweepView::Opening, table);
    showTable(std::move(table), TableKind::Data, data.pointCount);
}

void DataEditor::Command1_Click() {
    const common::SweepData& data = host_.sweepData();
    TableFile table;
    fromSweepData(data, host_.thdSweep(), SweepView::DataButton, table);
    showTable(std::move(table), TableKind::Data, data.pointCount);
}

void DataEditor::Command2_Click() {
    TableFile table;
    fromLimitTable(host_.limits(), table);
    showTable(std::move(table), TableKind::Limit, host_.limits().limitCount);
}

void DataEditor::Command3_Click() {
    const common::SweepData& data = host_.sweepData();
    TableFile table;
    fromPredefPoints(data, table);
    showTable(std::move(table), TableKind::User, data.predefCount);
}

void DataEditor::mnunewsheet_Click() {
    showTable(TableFile{}, TableKind::Data, common::kMaxRows);
}

// --- Limit Tolerance and ReGraph ---

void DataEditor::LimitTolSW_Click() {
    if (!common::isWholeNumber(LimitTolerance) || common::leadingNumber(LimitTolerance) < 0) {
        complain("The limit tolerance must be a number of dB, 0 or more (not \"" + LimitTolerance +
                 "\").");
        return;
    }
    if (table_.cols() < 3) {
        complain("Limit Tolerance needs the two level columns 2 and 3.");
        return;
    }
    const double t = common::leadingNumber(LimitTolerance);
    const TableFile table = panelTable();
    for (int r = 1; r <= table.rows; ++r) {
        table_.setCell(2, r, common::displayText(common::leadingNumber(table_.cell(2, r)) - t));
        table_.setCell(3, r, common::displayText(common::leadingNumber(table_.cell(3, r)) + t));
    }
    // The band is a limit table now: its headers and printout say so.
    table_.setKind(TableKind::Limit);
    toLimitTable(panelTable(), host_.limits());
}

void DataEditor::mnuRegraph_Click() {
    toSweepData(panelTable(), host_.sweepData(), host_.thdSweep());
    host_.regraph();
}

// Empty rows at the end of the sheet (a New Sheet only partly filled) are
// no points and no limit rows.
TableFile DataEditor::panelTable() const {
    TableFile table = table_.table();
    while (table.rows > 0 && !table_.rowHasText(table.rows))
        --table.rows;
    return table;
}

// --- Files ---

std::optional<int> DataEditor::countedRows() {
    if (common::isWholeNumber(usercounttext)) {
        const double rows = common::roundHalfEven(common::leadingNumber(usercounttext));
        if (rows >= 1 && rows <= common::kMaxRows) return static_cast<int>(rows);
    }
    complain("The row count box must hold the number of rows to write, 1 to " +
             std::to_string(common::kMaxRows) + " (not \"" + usercounttext + "\").");
    return std::nullopt;
}

bool DataEditor::writeTable(const std::string& path, TableFile& table, bool dotToZero) {
    try {
        writeTableFile(path, table, dotToZero);
    } catch (const common::VbError& e) {
        complain("The table file was not saved: " + common::fileErrorText(path, e) + ".");
        return false;
    }
    return true;
}

// A lone "." that was written as "0" is stored as "0" in the table too.
void DataEditor::storeZeroedDots(const TableFile& written) {
    for (int c = 1; c <= std::min<int>(written.cols, table_.cols()); ++c)
        for (int r = 1; r <= std::min<int>(written.rows, table_.rows()); ++r)
            if (table_.cell(c, r) == ".") table_.setCell(c, r, "0");
}

void DataEditor::saveTable(TableKind kind) {
    const std::optional<int> rows = countedRows();
    if (!rows) return;
    const auto chosen =
        platform::chooseFile(dialogs_, true, kindTexts(kind).filter, host_.defaultDataDirectory());
    if (!chosen || chosen->empty()) return;
    TableFile table = table_.table();
    table.rows = static_cast<std::int16_t>(*rows);
    const bool userFile = kind == TableKind::User;
    if (!writeTable(*chosen, table, userFile)) return;
    if (!userFile) return;
    storeZeroedDots(table);
    toPredefPoints(table, host_.sweepData());
}

void DataEditor::loadTable(TableKind kind) {
    std::string path(kReverseCalPath);
    if (kind != TableKind::ReverseCal) {
        const auto chosen = platform::chooseFile(dialogs_, false, kindTexts(kind).filter,
                                                 host_.defaultDataDirectory());
        if (!chosen || chosen->empty()) return;
        path = *chosen;
    }
    TableFile table;
    try {
        readTableFile(path, table);
    } catch (const common::VbError& e) {
        complain("The table file was not loaded: " + common::fileErrorText(path, e) +
                 ". The table is unchanged.");
        return;
    }
    userfile = path;
    table_.replace(table, kind);
    current_ = {1, 1};
    usercounttext = std::to_string(table.rows);
    switch (kind) {
    case TableKind::Data:
        toSweepData(table, host_.sweepData(), host_.thdSweep());
        break;
    case TableKind::Limit:
        toLimitTable(table, host_.limits());
        break;
    case TableKind::User:
        toPredefPoints(table, host_.sweepData());
        break;
    case TableKind::ReverseCal:
        toReverseCal(table, host_.reverseCal());
        break;
    }
}

void DataEditor::mnuloadfile_Click() {
    loadTable(TableKind::Data);
}
void DataEditor::mnusavefile_Click() {
    saveTable(TableKind::Data);
}
void DataEditor::mnuLoadLimit_Click() {
    loadTable(TableKind::Limit);
}
void DataEditor::mnuSaveLimit_Click() {
    saveTable(TableKind::Limit);
}
void DataEditor::mnuLoadUser_Click() {
    loadTable(TableKind::User);
}
void DataEditor::mnuSaveUser_Click() {
    saveTable(TableKind::User);
}
void DataEditor::mnuLoadReverse_Click() {
    loadTable(TableKind::ReverseCal);
}

void DataEditor::mnuSaveReverse_Click() {
    TableFile table = table_.table();
    if (!writeTable(std::string(kReverseCalPath), table, true)) return;
    storeZeroedDots(table);
}

void DataEditor::mnuExport_Click() {
    const std::optional<int> rows = countedRows();
    if (!rows) return;
    const auto chosen =
        platform::chooseFile(dialogs_, true, kExportFilter, host_.defaultDataDirectory());
    if (!chosen || chosen->empty()) return;
    TableFile table = table_.table();
    table.rows = static_cast<std::int16_t>(*rows);
    try {
        exportTable(*chosen, table);
    } catch (const common::VbError& e) {
        complain("The table was not exported: " + common::fileErrorText(*chosen, e) + ".");
    }
}

// --- Rows and columns ---
// A line is a row, or a column when `column` is set.

int DataEditor::lineCount(bool column) const {
    return column ? table_.cols() : table_.rows();
}

int& DataEditor::currentLine(bool column) {
    return column ? current_.col : current_.row;
}

bool DataEditor::confirmRemoval(bool column, int number) {
    const std::string title = column ? "Delete Column!" : "Delete Row!";
    const std::string text = std::string("There is data in ") + (column ? "Col" : "Row") +
                             common::errorNumberText(number) + " ! Delete anyway?";
    return dialogs_.askYesNo(title, text) == platform::Answer::Yes;
}

bool DataEditor::insertLine(bool column, int at) {
    const bool inserted = column ? table_.insertColumns(at - 1, 1) : table_.insertRows(at - 1, 1);
    if (!inserted)
        complain(column ? "The table holds at most " + std::to_string(kMaxCols) + " columns."
                        : "The table holds at most " + std::to_string(common::kMaxRows) + " rows.");
    return inserted;
}

// The last line, or the current one; the table keeps at least one line.
void DataEditor::removeLine(bool column, bool current) {
    clampCurrent();
    const int count = lineCount(column);
    if (count < 2) return;
    const int at = current ? currentLine(column) : count;
    const bool hasText = column ? table_.colHasText(at) : table_.rowHasText(at);
    if (hasText && !confirmRemoval(column, at)) return;
    if (column)
        table_.removeColumns(at - 1, 1);
    else
        table_.removeRows(at - 1, 1);
    clampCurrent();
}

void DataEditor::addLine(bool column) {
    clampCurrent();
    if (insertLine(column, lineCount(column) + 1)) currentLine(column) = lineCount(column);
}

void DataEditor::addRow() {
    addLine(false);
}
void DataEditor::insertRow() {
    clampCurrent();
    insertLine(false, current_.row);
}
void DataEditor::deleteRow() {
    removeLine(false, false);
}
void DataEditor::extractRow() {
    removeLine(false, true);
}
void DataEditor::addCol() {
    addLine(true);
}
void DataEditor::insertCol() {
    clampCurrent();
    insertLine(true, current_.col);
}
void DataEditor::deleteCol() {
    removeLine(true, false);
}
void DataEditor::extractCol() {
    removeLine(true, true);
}

// --- Clipboard and printout ---

std::string DataEditor::copyBlock(Cell anchor, Cell end) {
    notice_.show();
    return table_.blockText(anchor, end);
}

void DataEditor::paste(std::string_view text) {
    clampCurrent();
    const int rowsBefore = table_.rows();
    const int dropped = table_.paste(text, current_);
    if (table_.rows() > rowsBefore) usercounttext = std::to_string(table_.rows());
    if (dropped > 0)
        complain(std::to_string(dropped) + (dropped == 1 ? " cell" : " cells") +
                 " of the pasted block fell outside the table's " +
                 std::to_string(common::kMaxRows) + " rows and " + std::to_string(kMaxCols) +
                 " columns and " + (dropped == 1 ? "was" : "were") + " not pasted.");
}

namespace {

// Leading blanks up to 15 characters (UTF-8 characters, not bytes).
std::string padded(const std::string& cell) {
    const auto length = std::count_if(cell.begin(), cell.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return std::string(static_cast<std::size_t>(std::max<long>(0, 15 - length)), ' ') + cell;
}

} // namespace

std::string DataEditor::printout(std::string_view date) const {
    std::string text = "\r\n\r\n              Data Editor Values For ";
    text += viewKind();
    text += ":\r\n\r\n";
    text += kindTexts(table_.kind()).printHeader;
    text += "\r\n\r\n";
    for (int r = 1; r <= table_.rows(); ++r) {
        for (int c = 1; c <= table_.cols(); ++c)
            text += padded(table_.cell(c, r)) + '\t';
        text += "\r\n";
    }
    text += "\r\n\r\n          ";
    text += date;
    text += "   QEX ARV-1 Versatile Data Editor\r\n";
    return text;
}

} // namespace editor

#pragma once
// The data/limit editor's grid as a table model: the working copy of the
// table (cellTable), its size R x C, the headers of the table kind shown, the
// row and column operations, the copied block's text and the paste of a
// block from a spreadsheet.
//
// Grid row r and column c (both from 1) are model row r - 1 and column c - 1;
// the header row and column of the grid are the model's header data. The
// cells outside R x C are kept empty, so a table that grows shows empty
// cells and a save of more rows than R writes empty texts.
//
// Thread: the instrument's thread only.

#include "editor/table_file.h"

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <string_view>

namespace editor {

// The four kinds of table the editor shows, with the texts that go with each.
enum class TableKind { Data, Limit, User, ReverseCal };

struct KindTexts {
    std::string_view caption;                // viewKind: "Data File", "Limit File", ...
    std::array<std::string_view, 3> headers; // columns 1..3
    std::string_view filter;                 // file dialog filter; empty for the fixed file
    std::string_view printHeader;            // the column header line of the printout
};
const KindTexts& kindTexts(TableKind kind);

// A cell position of the grid, both from 1.
struct Cell {
    int row = 1;
    int col = 1;
    friend bool operator==(const Cell&, const Cell&) = default;
};

class CellTable final : public QAbstractTableModel {
public:
    // data(): true for a cell that would not reach the panel as the number it
    // seems to be: text that is not wholly a number (it converts to its
    // leading number or 0), or an empty cell in a row that holds data.
    static constexpr int NotANumberRole = Qt::UserRole + 1;

    CellTable();

    // --- QAbstractTableModel ---
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Rows and columns keep within 1..200 and 1..4, and at least one of each
    // stays; a request beyond that changes nothing and returns false.
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
    bool insertColumns(int column, int count, const QModelIndex& parent = {}) override;
    bool removeColumns(int column, int count, const QModelIndex& parent = {}) override;

    // --- The grid in its own coordinates ---
    int rows() const { return table_.rows; } // R
    int cols() const { return table_.cols; } // C
    const std::string& cell(int col, int row) const;
    void setCell(int col, int row, std::string text);
    bool rowHasText(int row) const;
    bool colHasText(int col) const;

    TableKind kind() const { return kind_; }
    void setKind(TableKind kind);
    // Column 1..3 of the kind, "Col 4" beyond; "Row 7".
    std::string colHeader(int col) const;
    static std::string rowHeader(int row);

    // The working copy as the table files hold it (rows = R, cols = C).
    const TableFile& table() const { return table_; }
    // Replaces the whole table. R and C are held to 1..200 and 1..4; the
    // cells outside them are dropped.
    void replace(const TableFile& table, TableKind kind);

    // The block between two corners (in either order): each cell followed by
    // a tab, each row ended by CR LF.
    std::string blockText(Cell from, Cell to) const;

    // Pastes a block of rows (CR LF, LF or CR line ends) whose cells are
    // separated by tabs, or by commas when no line holds a tab, with its top
    // left cell at `at`. R and C grow to take the block, up to 200 rows and 4
    // columns; returns the number of cells that found no place. Blanks and
    // double quotes around a cell are dropped, and so is the empty cell after
    // a separator that ends every line (the copied block's form).
    int paste(std::string_view text, Cell at);

private:
    QModelIndex indexOf(int col, int row) const { return index(row - 1, col - 1); }
    void clearOutside();

    TableFile table_;
    TableKind kind_ = TableKind::Data;
};

} // namespace editor

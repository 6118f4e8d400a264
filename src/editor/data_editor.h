#pragma once
// The data/limit editor ("Versatile Data Editor") without its window: the
// table it shows, the view buttons, the row and column commands with their
// questions, New Sheet, Limit Tolerance, ReGraph, the file commands of every
// table kind, export, the copied block, paste, and the text of the printout.
//
// The editor reaches the panel's tables and the sweep graph through
// EditorHost, and asks its questions and chooses its files through the
// dialogs seam. The table model is the one working copy: what the grid shows
// is what files, the panel arrays and the graph get.
//
// Thread: the instrument's thread only.

#include "common/tables.h"
#include "editor/cell_table.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {
class Dialogs;
}

namespace editor {

// What the editor needs of the instrument; the composition root implements it.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    virtual common::SweepData& sweepData() = 0;
    virtual common::LimitTable& limits() = 0;
    virtual common::ReverseCalTable& reverseCal() = 0;
    // The sweep measures THD (the panel's SweepMode is "THD vs Frequency"):
    // sweep data then means the THD arrays, not the levels.
    virtual bool thdSweep() const = 0;
    // The user's default data directory; empty for the program's own.
    virtual std::string defaultDataDirectory() const = 0;
    // Clear the graph, draw the sweep scale and plot the stored points.
    virtual void regraph() = 0;
};

inline constexpr std::string_view kEditorCaption = "Versatile Data Editor";
inline constexpr std::string_view kCopiedMessage = "Highlighted cells copied to clipboard.";
inline constexpr std::string_view kExportFilter = "Log Files|*.log;";
inline constexpr std::string_view kReverseCalPath = "C:\\QEX_ARV1files\\reversecal";

// The "Edit Message:" frame after a copy and its timer (1000 ms ticks): the
// first message of an editor stays two ticks, later ones one tick.
class CopyNotice {
public:
    void show() { visible_ = running_ = true; }
    void tick();
    bool visible() const { return visible_; }
    bool timerRunning() const { return running_; }

private:
    bool visible_ = false;
    bool running_ = false;
    int ticks_ = 0;
};

// Moves of the current cell from the cell edit box. Left from column 1 goes
// to the last column of the previous row, Right from the last column to
// column 1 of the next; no move leaves rows 1..rows or columns 1..cols.
enum class Move { Left, Right, Up, Down };
Cell moveCell(Cell from, Move move, int rows, int cols);

class DataEditor {
public:
    DataEditor(EditorHost& host, platform::Dialogs& dialogs);
    DataEditor(const DataEditor&) = delete;
    DataEditor& operator=(const DataEditor&) = delete;

    CellTable& table() { return table_; }
    const CellTable& table() const { return table_; }

    // The current cell, always inside the table.
    Cell current() const;
    void setCurrent(Cell cell);

    // "Data File", "Limit File", "User Point File" or "Inverse Cal File".
    std::string_view viewKind() const { return kindTexts(table_.kind()).caption; }

    // The texts of the editor's own boxes.
    std::string usercounttext;        // the row count that save and export use
    std::string LimitTolerance = "2"; // dB
    std::string userfile;             // path of the last file loaded

    // --- Commands ---
    void Form_Load();      // the stored sweep, as the editor opens
    void Command1_Click(); // "Data"
    void Command2_Click(); // "Limit"
    void Command3_Click(); // "User"
    // Limit Tolerance and ReGraph send the rows up to the last that holds
    // text to the panel (the limit table, or the sweep points to redraw).
    void LimitTolSW_Click();
    void mnuRegraph_Click();
    void mnunewsheet_Click();

    void mnuloadfile_Click();
    void mnusavefile_Click();
    void mnuLoadLimit_Click();
    void mnuSaveLimit_Click();
    void mnuLoadUser_Click();
    void mnuSaveUser_Click();
    void mnuLoadReverse_Click();
    void mnuSaveReverse_Click();
    void mnuExport_Click();

    // Row and column popups.
    void addRow();
    void insertRow();
    void deleteRow();
    void extractRow();
    void addCol();
    void insertCol();
    void deleteCol();
    void extractCol();

    // The block between the two cells as clipboard text; shows the notice.
    std::string copyBlock(Cell anchor, Cell end);
    CopyNotice& notice() { return notice_; }

    // Pastes a tab- or comma-separated block at the current cell. When the
    // block makes the table longer, the row count box follows.
    void paste(std::string_view text);

    // The printed table, CR LF lines; `date` goes into the footer.
    std::string printout(std::string_view date) const;

private:
    void showTable(TableFile table, TableKind kind, int count);
    TableFile panelTable() const;
    void loadTable(TableKind kind);
    void saveTable(TableKind kind);
    bool writeTable(const std::string& path, TableFile& table, bool dotToZero);
    void storeZeroedDots(const TableFile& written);
    std::optional<int> countedRows();
    int lineCount(bool column) const;
    int& currentLine(bool column);
    bool confirmRemoval(bool column, int number);
    bool insertLine(bool column, int at);
    void addLine(bool column);
    void removeLine(bool column, bool current);
    void clampCurrent();
    void complain(const std::string& text);

    EditorHost& host_;
    platform::Dialogs& dialogs_;
    CellTable table_;
    Cell current_;
    CopyNotice notice_;
};

} // namespace editor

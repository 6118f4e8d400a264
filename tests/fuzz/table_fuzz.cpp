// libFuzzer target: the input is a table file (limit, user sweep points,
// data, reverse calibration). The data/limit editor loads it as each kind,
// as the operator's menu commands do, saves and exports it again; the file
// readers' own results go through every conversion to the panel's tables.
// Whatever one read gave, written and read again gives the same cells.

#include "common/vb_error.h"
#include "editor/data_editor.h"
#include "editor/table_file.h"
#include "fuzz_support.h"
#include "platform/scripted_dialogs.h"

#include <cstdlib>

namespace {

struct Host final : editor::EditorHost {
    common::SweepData& sweepData() override { return data; }
    common::LimitTable& limits() override { return limitTable; }
    common::ReverseCalTable& reverseCal() override { return cal; }
    bool thdSweep() const override { return thd; }
    std::string defaultDataDirectory() const override { return ""; }
    void regraph() override {}

    common::SweepData data;
    common::LimitTable limitTable;
    common::ReverseCalTable cal;
    bool thd = false;
};

bool holdsQuote(const editor::TableFile& t) {
    for (int c = 1; c <= t.cols; ++c)
        for (int r = 1; r <= t.rows; ++r)
            if (t.cells[c][r].find('"') != std::string::npos) return true;
    return false;
}

void readersAndConversions(const std::string& path) {
    editor::TableFile table;
    try {
        editor::readTableFile(path, table);
    } catch (const common::VbError&) {
        return;
    }
    common::SweepData sweep;
    common::LimitTable limits;
    common::ReverseCalTable cal;
    editor::toSweepData(table, sweep, false);
    editor::toSweepData(table, sweep, true);
    editor::toLimitTable(table, limits);
    editor::toPredefPoints(table, sweep);
    editor::toReverseCal(table, cal);

    // A quote cannot be written inside a quoted cell (the writer puts two
    // single quotes there), so only tables without one come back unchanged.
    if (holdsQuote(table)) return;
    const std::string again = "C:\\QEX_ARV1files\\again.dfd";
    editor::TableFile reread;
    try {
        editor::writeTableFile(again, table, false);
        editor::readTableFile(again, reread);
    } catch (const common::VbError&) {
        std::abort(); // what was read must be writable and readable
    }
    if (reread.rows != table.rows || reread.cols != table.cols) std::abort();
    for (int c = 1; c <= table.cols; ++c)
        for (int r = 1; r <= table.rows; ++r)
            if (reread.cells[c][r] != table.cells[c][r]) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::clearDataDirectory();
    const std::string path = fuzz::writeInput("table.dfl", data, size);
    readersAndConversions(path);

    platform::ScriptedDialogs dialogs;
    Host host;
    editor::DataEditor editor(host, dialogs);
    editor.Form_Load();
    for (int i = 0; i < 4; ++i)
        dialogs.queueFile(path);
    editor.mnuloadfile_Click();
    editor.mnuLoadLimit_Click();
    editor.mnuLoadUser_Click();
    host.thd = true;
    editor.mnuLoadReverse_Click();
    editor.mnuRegraph_Click();
    (void)editor.printout("1 January 2026");
    dialogs.queueFile("C:\\QEX_ARV1files\\saved.dfd");
    editor.mnusavefile_Click();
    dialogs.queueFile("C:\\QEX_ARV1files\\export.log");
    editor.mnuExport_Click();
    return 0;
}

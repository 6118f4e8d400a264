// libFuzzer target: the input is the sequence editor's lastused.txt (its
// recent files, last directory, flag and colour). The editor opens with it
// and closes again, writing its state back.

#include "fuzz_support.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "sequencer/launcher.h"
#include "sequencer/script_host.h"
#include "sequencer/seq_editor.h"

#include <chrono>

namespace {

struct NoLauncher final : sequencer::AppLauncher {
    void open(std::string_view) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::clearDataDirectory();
    fuzz::writeInput("lastused.txt", data, size);

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    NoLauncher launcher;
    panel::Panel panel(loop, dialogs);
    sequencer::ScriptHost host(panel, loop, dialogs, launcher, [] {
        return std::chrono::system_clock::from_time_t(1'800'000'000);
    });
    sequencer::SeqEditor editor(host, dialogs);
    editor.open();
    editor.close();
    return 0;
}

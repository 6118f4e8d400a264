// libFuzzer target: the input is the favourites file. The panel reads it as
// at start-up and writes it back with a panel save, as the program does.

#include "fuzz_support.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::clearDataDirectory();
    fuzz::writeInput("favfiles", data, size);

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel panel(loop, dialogs);
    panel.favourites().ReadFav();
    for (int slot = 1; slot <= panel::kFavouriteSlots; ++slot)
        (void)panel.favSetupText(slot);
    dialogs.queueFile("C:\\QEX_ARV1files\\saved.atp");
    panel.mnuSavePanel_Click();
    return 0;
}

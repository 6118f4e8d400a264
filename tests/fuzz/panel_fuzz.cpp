// libFuzzer target: the input is the start-up file (the test panel format).
// The instrument starts with it as at program start (a panel saved with the
// generator running switches it on), loads it again as a test panel, lets a
// second of virtual time pass and runs the exit routine, which writes the
// start-up file back. Any crash, hang or sanitizer report is a bug.

#include "app/main_panel.h"
#include "fuzz_support.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::clearDataDirectory();
    const std::string path = fuzz::writeInput("startupini", data, size);
    fuzz::writeInput("panel.atp", data, size);

    platform::VirtualEventLoop loop;
    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    platform::ScriptedDialogs dialogs;
    audio.setSource(std::make_shared<platform::LoopbackSource>(
        loop, output.played(), platform::parseDutSpec("amplifier").params));
    app::MainPanel main(loop, dialogs, audio, output);

    main.panel().Form_Load();
    dialogs.queueFile("C:\\QEX_ARV1files\\panel.atp");
    main.panel().mnuLoadTest_Click();
    loop.runUntil([] { return false; }, 1000);
    main.panel().ShutDown();
    loop.runUntil([] { return false; }, 100);
    return 0;
}

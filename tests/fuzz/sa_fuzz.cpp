// libFuzzer target: the input is an SA data file. The graph loads it as
// "Load SA data" does and draws the spectrum it holds.

#include "fuzz_support.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "views/graph.h"
#include "views/sa_file.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::clearDataDirectory();
    const std::string path = fuzz::writeInput("input.dsa", data, size);

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel panel(loop, dialogs);
    views::Graph graph(panel, dialogs);
    std::vector<double> left(16384, 1.0), right(16384, 1.0);
    graph.setSpectrumSource([&] {
        views::SpectrumFrame f;
        f.spectrumLeft = left.data();
        f.spectrumRight = right.data();
        f.spectrumSize = left.size();
        return f;
    });
    graph.mnuSa_Click();
    dialogs.queueFile(path);
    graph.mnuLoadSA_Click();
    return 0;
}

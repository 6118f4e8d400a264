// Update2 runs on every analysed block; reading and writing a panel happens on
// every load, save and exit.

#include "panel/panel.h"
#include "platform/files.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

struct Bench {
    Bench() {
        dir = std::filesystem::temp_directory_path() / "arv1-panel-bench";
        std::filesystem::create_directories(dir);
        platform::setDataDirectory(dir);
        panel.Form_Load();
        panel.sweepData.pointCount = 200;
        for (int k = 1; k <= 200; ++k) {
            panel.sweepData.freq[k] = 20.0 * k + 0.123456789;
            panel.sweepData.levelLeft[k] = -0.0123f * static_cast<float>(k);
        }
        panel.testPanelPath = (dir / "bench.atp").string();
        panel.WritePanelFile();
    }
    ~Bench() { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel panel{loop, dialogs};
};

void BM_Update2(benchmark::State& state) {
    Bench b;
    for (auto _ : state)
        b.panel.Update2();
}
BENCHMARK(BM_Update2);

void BM_ReadData200Points(benchmark::State& state) {
    Bench b;
    for (auto _ : state)
        b.panel.ReadData();
}
BENCHMARK(BM_ReadData200Points);

void BM_WritePanelFile200Points(benchmark::State& state) {
    Bench b;
    for (auto _ : state)
        b.panel.WritePanelFile();
}
BENCHMARK(BM_WritePanelFile200Points);

} // namespace

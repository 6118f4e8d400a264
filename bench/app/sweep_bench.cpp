// Wall time of whole sweeps on virtual time: the instrument with the
// simulated loopback through the "wire", a 20-point level sweep and a
// 20-point THD sweep from 20 Hz to 20 kHz, from START to the sweep's end.

#include "app/main_panel.h"
#include "common/text.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

namespace {

void runSweep(benchmark::State& state, const char* mode) {
    const auto dir = std::filesystem::temp_directory_path() / "arv1-sweep-bench";
    std::filesystem::create_directories(dir);
    platform::setDataDirectory(dir);
    for (auto _ : state) {
        platform::VirtualEventLoop loop;
        platform::ScriptedDialogs dialogs;
        platform::SimulatedAudio audio(loop);
        platform::SimulatedOutput output(loop);
        audio.setSource(std::make_shared<platform::LoopbackSource>(loop, output.played(),
                                                                   *platform::dutPreset("wire")));
        app::MainPanel main(loop, dialogs, audio, output);
        panel::Panel& panel = main.panel();
        panel.Form_Load();
        panel.controls()["SweepStartFreq"].setText("20");
        panel.controls()["SweepStopFreq"].setText("20000");
        panel.controls()["SweepStepCount"].setText("20");
        panel.controls()["SweepMode"].setText(mode);
        panel.controls()["SweepStart"].click();
        const bool ended = loop.runUntil(
            [&] { return main.sweep().sweepState == 0 && !main.analyzer().capturing(); }, 120000);
        if (!ended || panel.sweepData.pointCount != 20) state.SkipWithError("sweep did not end");
        state.counters["virtual_s"] = static_cast<double>(loop.nowMs()) / 1000;
    }
    std::filesystem::remove_all(dir);
}

void LevelSweep20Points(benchmark::State& state) {
    runSweep(state, "Level vs Frequency");
}
void ThdSweep20Points(benchmark::State& state) {
    runSweep(state, "THD vs Frequency");
}

BENCHMARK(LevelSweep20Points)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ThdSweep20Points)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

// Wall time of the PDF test report and the CSV export of the shipped
// amplifier acceptance test, after one run of it on virtual time (the state
// the headless runner's --report and --export-csv write from).

#include "app/main_panel.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>

namespace {

namespace fs = std::filesystem;

struct ExampleRun {
    fs::path dir = fs::temp_directory_path() / "arv1-report-bench";
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedAudio audio{loop};
    platform::SimulatedOutput output{loop};
    std::unique_ptr<app::MainPanel> main;

    ExampleRun() {
        fs::create_directories(dir);
        platform::setDataDirectory(dir);
        const fs::path examples = fs::path(ARV1_SOURCE_DIR) / "examples" / "amplifier";
        for (const char* name : {"amp-acceptance.atp", "amp-limits.dfl", "amp-acceptance.dfs"})
            fs::copy_file(examples / name, dir / name, fs::copy_options::overwrite_existing);
        audio.setSource(std::make_shared<platform::LoopbackSource>(
            loop, output.played(), *platform::dutPreset("amplifier")));
        main = std::make_unique<app::MainPanel>(loop, dialogs, audio, output);
        panel::Panel& panel = main->panel();
        panel.Form_Load();
        panel.testPanelPath = (dir / "amp-acceptance.atp").string();
        panel.ReadData();
        if (main->scriptHost().loadSequence((dir / "amp-acceptance.dfs").string()))
            main->scriptHost().SeqRun_Click();
    }
    ~ExampleRun() { fs::remove_all(dir); }
};

ExampleRun& example() {
    static int argc = 3;
    static char name[] = "bench_app", option[] = "-platform", offscreen[] = "offscreen";
    static char* argv[] = {name, option, offscreen, nullptr};
    static QGuiApplication application(argc, argv);
    static ExampleRun run;
    return run;
}

void ExampleReportPdf(benchmark::State& state) {
    ExampleRun& run = example();
    if (run.main->panel().sweepData.pointCount != 20) state.SkipWithError("the sweep did not run");
    const std::string path = (run.dir / "amp-report.pdf").string();
    for (auto _ : state) {
        std::string error;
        if (!run.main->fileOutput().saveReport(path, error)) state.SkipWithError(error.c_str());
    }
    state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}

void ExampleSweepCsv(benchmark::State& state) {
    ExampleRun& run = example();
    const std::string path = (run.dir / "amp-sweep.csv").string();
    for (auto _ : state) {
        std::string error;
        if (!run.main->fileOutput().exportSweep(path, error)) state.SkipWithError(error.c_str());
    }
}

BENCHMARK(ExampleReportPdf)->Unit(benchmark::kMillisecond);
BENCHMARK(ExampleSweepCsv)->Unit(benchmark::kMicrosecond);

} // namespace

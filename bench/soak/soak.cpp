// Soak runs of the whole instrument in one process, on virtual time, with
// the resident memory (RSS) they end with. Not a unit test: a long run for
// the release notes and for regressions of memory use.
//
//   arv1_soak blocks [N]     N blocks (default 100 000, about three hours of
//                            audio at 44.1 kHz) through the simulated
//                            "amplifier", the spectrum view on, a 10-point
//                            sweep after every 1 000 blocks. RSS after the
//                            first 1 000 blocks, after the first sweep (which
//                            sets up what all sweeps use) and at every tenth
//                            of the run.
//   arv1_soak sequence [N]   N runs (default 1 000) of the example amplifier
//                            acceptance sequence on one instrument. RSS after
//                            the first, the tenth and every tenth of the runs.
//
// Exits 1 when RSS grew by 1 MiB or more after the first 1 000 blocks and
// their sweep, or after the first tenth of the sequence runs.

#include "app/main_panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

long rssKiB() {
    std::ifstream in("/proc/self/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct Instrument {
    explicit Instrument(const fs::path& dir) : audio(loop), output(loop) {
        platform::setDataDirectory(dir);
        audio.setSource(std::make_shared<platform::LoopbackSource>(
            loop, output.played(), platform::parseDutSpec("amplifier").params));
        main = std::make_unique<app::MainPanel>(loop, dialogs, audio, output);
        main->panel().Form_Load();
    }
    panel::Control& control(std::string_view name) { return main->panel().controls()[name]; }

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedAudio audio;
    platform::SimulatedOutput output;
    std::unique_ptr<app::MainPanel> main;
};

int soakBlocks(const fs::path& dir, long blocks) {
    Instrument in(dir);
    app::MainPanel& main = *in.main;
    in.control("SweepStartFreq").setText("20");
    in.control("SweepStopFreq").setText("20000");
    in.control("SweepStepCount").setText("10");
    long rssAfterFirst = 0;
    long sweeps = 0;
    const auto started = std::chrono::steady_clock::now();
    while (main.analyzer().blocksAnalysed() < blocks) {
        // The spectrum view on, the generator on, up to the next thousand.
        main.graph().mnuSa_Click();
        main.Gen_On_Click();
        const std::int64_t until = (main.analyzer().blocksAnalysed() / 1000 + 1) * 1000;
        in.loop.runUntil([&] { return main.analyzer().blocksAnalysed() >= until; }, 3'600'000);
        const std::int64_t done = main.analyzer().blocksAnalysed();
        if (done == 1000) {
            rssAfterFirst = rssKiB();
            std::printf("blocks %7lld  RSS %7ld KiB\n", static_cast<long long>(done),
                        rssAfterFirst);
        } else if (done % (blocks / 10) == 0) {
            std::printf(
                "blocks %7lld  RSS %7ld KiB  (%+ld KiB since the first sweep, %ld sweeps)\n",
                static_cast<long long>(done), rssKiB(), rssKiB() - rssAfterFirst, sweeps);
        }
        if (done >= blocks) break;
        // A sweep; its end stops the generator and capture.
        in.control("SweepStart").click();
        in.loop.runUntil(
            [&] { return main.sweep().sweepState == 0 && !main.analyzer().capturing(); },
            3'600'000);
        // The first sweep sets up what every later one uses (the sweep's
        // graph, its buffers): the baseline is taken after it.
        if (++sweeps == 1) {
            rssAfterFirst = rssKiB();
            std::printf("after the first sweep (block %lld)  RSS %7ld KiB\n",
                        static_cast<long long>(main.analyzer().blocksAnalysed()), rssAfterFirst);
        }
    }
    main.panel().ShutDown();
    const long growth = rssKiB() - rssAfterFirst;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%lld blocks (%.0f s of audio) and %ld sweeps in %.0f s: RSS %+ld KiB after the "
                "first 1000 blocks and their sweep\n",
                static_cast<long long>(main.analyzer().blocksAnalysed()),
                main.analyzer().blocksAnalysed() * 4596 / 44100.0, sweeps, seconds, growth);
    return growth < 1024 ? 0 : 1;
}

int soakSequence(const fs::path& dir, const fs::path& source, long runs) {
    for (const char* name : {"amp-acceptance.atp", "amp-limits.dfl", "amp-acceptance.dfs"})
        fs::copy_file(source / "examples" / "amplifier" / name, dir / name,
                      fs::copy_options::overwrite_existing);
    Instrument in(dir);
    app::MainPanel& main = *in.main;
    main.panel().testPanelPath = (dir / "amp-acceptance.atp").string();
    main.panel().ReadData();
    sequencer::ScriptHost& host = main.scriptHost();
    long rssAfterTenth = 0;
    long failures = 0;
    const auto started = std::chrono::steady_clock::now();
    for (long run = 1; run <= runs; ++run) {
        if (!host.loadSequence((dir / "amp-acceptance.dfs").string())) return 2;
        host.SeqRun_Click();
        if (!host.lastRunResult() || host.lastRunResult()->number != 0) ++failures;
        if (run == 1 || run == 10 || run % (runs / 10) == 0) {
            const long rss = rssKiB();
            if (run == runs / 10) rssAfterTenth = rss;
            std::printf("run %5ld  RSS %7ld KiB\n", run, rss);
        }
    }
    main.panel().ShutDown();
    const long growth = rssKiB() - rssAfterTenth;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%ld runs (%ld with a script error) in %.0f s: RSS %+ld KiB after run %ld\n", runs,
                failures, seconds, growth, runs / 10);
    return growth < 1024 && failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "blocks" && mode != "sequence") {
        std::fprintf(stderr, "usage: arv1_soak blocks [N] | sequence [N]\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    const fs::path dir = fs::temp_directory_path() / ("arv1-soak-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    int rc = 0;
    if (mode == "blocks")
        rc = soakBlocks(dir, argc > 2 ? std::atol(argv[2]) : 100'000);
    else
        rc = soakSequence(dir, ARV1_SOURCE_DIR, argc > 2 ? std::atol(argv[2]) : 1000);
    fs::remove_all(dir);
    return rc;
}

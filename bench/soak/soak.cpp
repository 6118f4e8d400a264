// Soak runs of the whole instrument in one process, on virtual time, with
// the memory they end with. Not a unit test: a long run for the release
// notes and for regressions of memory use.
//
//   arv1_soak blocks [N]     N blocks (default 100 000, about three hours of
//                            audio at 44.1 kHz) through the simulated
//                            "amplifier", the spectrum view on, a 10-point
//                            sweep after every 1 000 blocks. Memory after the
//                            first 1 000 blocks and at every tenth of the run.
//   arv1_soak sequence [N]   N runs (default 1 000) of the example amplifier
//                            acceptance sequence, loaded once, on one
//                            instrument. Memory after the first, the tenth
//                            and every tenth of the runs.
//
// Memory is three figures: RSS as it is, RSS once the allocator has given
// back its free pages, and the heap in use (what a leak raises). Exits 1 when
// the heap in use grew by 1 MiB or more after the first 1 000 blocks, or
// after the first tenth of the sequence runs.

#include "app/main_panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
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

// The memory the allocator has handed out and not had back (its heap and its
// mapped blocks): what a leak raises. RSS also counts the freed pages the
// allocator keeps for later, which come and go with the order of the frees.
long heapKiB() {
    const struct mallinfo2 m = ::mallinfo2();
    return static_cast<long>((m.uordblks + m.hblkhd) / 1024);
}

// RSS once the allocator has given its free pages back. Plain RSS varies by
// tens of MiB from one sweep to the next with what the allocator keeps.
long trimmedRssKiB() {
    ::malloc_trim(0);
    return rssKiB();
}

struct Memory {
    long rss, trimmed, heap;
    static Memory now() {
        const long rss = rssKiB();
        return {rss, trimmedRssKiB(), heapKiB()};
    }
    void print() const {
        std::printf("RSS %7ld KiB, trimmed %7ld KiB, heap %7ld KiB", rss, trimmed, heap);
    }
};

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
    Memory first{};
    long sweeps = 0;
    const auto started = std::chrono::steady_clock::now();
    const long report = std::max(1000L, blocks / 10);
    while (main.analyzer().blocksAnalysed() < blocks) {
        // The spectrum view on, the generator on, up to the next thousand.
        main.graph().mnuSa_Click();
        main.Gen_On_Click();
        const std::int64_t until = (main.analyzer().blocksAnalysed() / 1000 + 1) * 1000;
        in.loop.runUntil([&] { return main.analyzer().blocksAnalysed() >= until; }, 3'600'000);
        const std::int64_t done = main.analyzer().blocksAnalysed();
        if (done == 1000 || done % report == 0) {
            const Memory m = Memory::now();
            if (done == 1000) first = m;
            std::printf("blocks %7lld  ", static_cast<long long>(done));
            m.print();
            std::printf("  (%ld sweeps)\n", sweeps);
            std::fflush(stdout);
        }
        if (done >= blocks) break;
        // A sweep: the click stops the capture and starts the sweep a moment
        // later; its end stops the generator and capture.
        in.control("SweepStart").click();
        if (!in.loop.runUntil([&] { return main.sweep().running(); }, 10'000)) {
            std::fprintf(stderr, "the sweep did not start at block %lld\n",
                         static_cast<long long>(done));
            return 2;
        }
        in.loop.runUntil([&] { return !main.sweep().running() && !main.analyzer().capturing(); },
                         3'600'000);
        ++sweeps;
    }
    main.panel().ShutDown();
    const Memory last = Memory::now();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%lld blocks (%.0f s of audio) and %ld sweeps in %.0f s; after the first 1000 "
                "blocks: RSS %+ld KiB, trimmed %+ld KiB, heap %+ld KiB\n",
                static_cast<long long>(main.analyzer().blocksAnalysed()),
                main.analyzer().blocksAnalysed() * 4596 / 44100.0, sweeps, seconds,
                last.rss - first.rss, last.trimmed - first.trimmed, last.heap - first.heap);
    return last.heap - first.heap < 1024 ? 0 : 1;
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
    Memory tenth{};
    long failures = 0;
    const auto started = std::chrono::steady_clock::now();
    // Loaded once, as at a test station: the script engine keeps every piece
    // of code added to it for the life of the program, so each load of the
    // sequence adds its parsed program for good.
    if (!host.loadSequence((dir / "amp-acceptance.dfs").string())) return 2;
    for (long run = 1; run <= runs; ++run) {
        host.SeqRun_Click();
        if (!host.lastRunResult() || host.lastRunResult()->number != 0) ++failures;
        if (run == 1 || run == 10 || run % (runs / 10) == 0) {
            const Memory m = Memory::now();
            if (run == runs / 10) tenth = m;
            std::printf("run %5ld  ", run);
            m.print();
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    main.panel().ShutDown();
    const Memory last = Memory::now();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%ld runs (%ld with a script error) in %.0f s; after run %ld: RSS %+ld KiB, "
                "trimmed %+ld KiB, heap %+ld KiB\n",
                runs, failures, seconds, runs / 10, last.rss - tenth.rss,
                last.trimmed - tenth.trimmed, last.heap - tenth.heap);
    return last.heap - tenth.heap < 1024 && failures == 0 ? 0 : 1;
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

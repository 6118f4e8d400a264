// The window's two speed figures, on the offscreen platform with the
// simulated loopback:
//   WindowStartUp  from nothing to the main window shown and painted: the
//                  composition root, the window, Form_Load; the first
//                  iteration is the cold start (fonts, style), the others warm.
//   LongestBusyStretch  the longest stretch of work on the GUI thread between
//                  two events it dispatches, while capture runs in real time at
//                  96000 Hz with N = 32768 in the spectrum view and the graph
//                  repaints after every block. Target: under 50 ms, so that
//                  the window never feels stuck.

#include "app/main_panel.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/qt_event_loop.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "ui/graph_widget.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

// Times the stretches between event dispatches: a handler's own work ends
// when it dispatches a nested event (a pumping wait) and resumes after it.
class TimingApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        const qint64 now = clock_.nsecsElapsed();
        if (depth_ > 0) closeStretch(now);
        ++depth_;
        stretchStart_ = now;
        const bool result = QApplication::notify(receiver, event);
        const qint64 end = clock_.nsecsElapsed();
        closeStretch(end);
        --depth_;
        stretchStart_ = end;
        return result;
    }

    void resetLongest() {
        longestNs_ = 0;
        clock_.start();
    }
    double longestMs() const { return static_cast<double>(longestNs_) / 1e6; }

private:
    void closeStretch(qint64 now) { longestNs_ = std::max(longestNs_, now - stretchStart_); }

    QElapsedTimer clock_;
    qint64 stretchStart_ = 0;
    qint64 longestNs_ = 0;
    int depth_ = 0;
};

TimingApplication& application() {
    static int argc = 1;
    static char name[] = "bench_ui";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static TimingApplication app(argc, argv);
    return app;
}

// The instrument and its window on Qt's loop, in real time.
struct Session {
    explicit Session(const std::filesystem::path& dir) : audio(loop), output(loop) {
        platform::setDataDirectory(dir);
        audio.setSource(std::make_shared<platform::LoopbackSource>(loop, output.played(),
                                                                   *platform::dutPreset("wire")));
        main = std::make_unique<app::MainPanel>(loop, dialogs, audio, output);
        instrument = std::make_unique<ui::Instrument>(
            ui::Instrument{main->panel(), main->graph(), loop, dialogs, &main->settlingEditor(),
                           &main->scriptHost()});
        windows = std::make_unique<ui::Windows>(*instrument);
        ui::registerWindows(*windows);
        window = std::make_unique<ui::MainWindow>(*instrument, *windows);
        main->panel().Form_Load();
        window->show();
    }

    platform::QtEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedAudio audio;
    platform::SimulatedOutput output;
    std::unique_ptr<app::MainPanel> main;
    std::unique_ptr<ui::Instrument> instrument;
    std::unique_ptr<ui::Windows> windows;
    std::unique_ptr<ui::MainWindow> window;
};

std::filesystem::path freshDirectory(const char* name) {
    const auto dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void WindowStartUp(benchmark::State& state) {
    application();
    const auto dir = freshDirectory("arv1-window-bench");
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Session session(dir);
        if (!QTest::qWaitForWindowExposed(session.window.get()))
            state.SkipWithError("the window was not shown");
        QCoreApplication::processEvents(); // the first paint
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        if (state.iterations() == 0) state.counters["cold_ms"] = took.count() * 1000;
        session.window->hide();
    }
    std::filesystem::remove_all(dir);
}

void LongestBusyStretch(benchmark::State& state) {
    TimingApplication& app = application();
    const auto dir = freshDirectory("arv1-busy-bench");
    for (auto _ : state) {
        Session session(dir);
        panel::Controls& c = session.main->panel().controls();
        c["SampleRate"].setText("96000");
        c["SampleSize"].setText("32768");
        session.main->panel().Update2();
        c["mnuSa"].click();
        c["Gen_On"].click();
        // Let capture start and settle, then measure over five seconds.
        session.loop.runUntil([] { return false; }, 1500);
        const auto blocksBefore = session.main->analyzer().blocksAnalysed();
        const long repaintsBefore = session.window->graphWidget().repaintsRequested();
        app.resetLongest();
        session.loop.runUntil([] { return false; }, 5000);
        state.counters["longest_busy_ms"] = app.longestMs();
        state.counters["rate"] = session.main->panel().settings.SampleRate;
        state.counters["N"] = session.main->panel().settings.SampleSize;
        state.counters["blocks"] =
            static_cast<double>(session.main->analyzer().blocksAnalysed() - blocksBefore);
        state.counters["repaints"] =
            static_cast<double>(session.window->graphWidget().repaintsRequested() - repaintsBefore);
        c["Gen_Off"].click();
        session.window->hide();
    }
    std::filesystem::remove_all(dir);
}

BENCHMARK(WindowStartUp)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(LongestBusyStretch)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

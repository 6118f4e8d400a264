// The per-block drawing cost of the two live views on the raster surface. A
// block of N = 16384 at 44.1 kHz lasts about 93 ms; the drawing plus the
// measurement cycle should stay under 5 % of that.

#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "views/graph.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kArray = 131201;

struct Setup {
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel panel{loop, dialogs};
    views::Graph graph{panel, dialogs};
    std::vector<double> left = std::vector<double>(kArray), right = std::vector<double>(kArray);
    std::vector<std::int16_t> winLeft = std::vector<std::int16_t>(kArray);
    std::vector<std::int16_t> winRight = std::vector<std::int16_t>(kArray);
    std::vector<std::int32_t> samplesLeft = std::vector<std::int32_t>(kArray);
    std::vector<std::int32_t> samplesRight = std::vector<std::int32_t>(kArray);
    std::int32_t counter = 1;

    explicit Setup(std::int32_t n) {
        panel.settings.SampleSize = n;
        panel.settings.saChannel = 2;
        std::mt19937 random(7);
        std::uniform_real_distribution<double> noise(0, 2000);
        for (std::size_t i = 0; i < kArray; ++i) {
            left[i] = noise(random);
            right[i] = noise(random);
        }
        left[372] = right[372] = 2.0e7;
        for (std::size_t i = 0; i < 8192; ++i) {
            const double v = 16000 * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0);
            samplesLeft[i] = static_cast<std::int32_t>(std::lround(v));
            samplesRight[i] = static_cast<std::int32_t>(std::lround(v / 2));
        }
    }

    views::SpectrumFrame spectrum(std::int32_t n) {
        views::SpectrumFrame f;
        f.spectrumLeft = left.data();
        f.spectrumRight = right.data();
        f.spectrumSize = kArray;
        f.N = n;
        f.winLeft = winLeft.data();
        f.winRight = winRight.data();
        f.winSize = kArray;
        f.averageCounter = &counter;
        return f;
    }

    views::ScopeFrame scope(std::int32_t n) {
        views::ScopeFrame f;
        f.left = samplesLeft.data();
        f.right = samplesRight.data();
        f.length = kArray;
        f.N = n;
        f.freqL = f.freqR = 1001.2752;
        f.winLeft = winLeft.data();
        f.winRight = winRight.data();
        f.winSize = kArray;
        return f;
    }
};

// One spectrum block as the measurement cycle draws it: blank ScopeBuff, the
// scale on ScopeBuff2, both traces, and the image shown in GraphBox.
void BM_MakeSpectrum(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    Setup setup(n);
    for (auto _ : state)
        setup.graph.spectrumBlock(setup.spectrum(n));
}
BENCHMARK(BM_MakeSpectrum)->Arg(16384)->Arg(32768)->Unit(benchmark::kMillisecond);

// One oscilloscope block in automatic mode, both channels.
void BM_DisplayScope(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    Setup setup(n);
    setup.panel.settings.graphMode = panel::GraphMode::Scope;
    for (auto _ : state)
        setup.graph.scopeBlock(setup.scope(n));
}
BENCHMARK(BM_DisplayScope)->Arg(16384)->Unit(benchmark::kMillisecond);

// The manual scope at the slowest timebase draws the most segments.
void BM_DisplayScopeManual(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    Setup setup(n);
    setup.panel.settings.scopeManual = 1;
    setup.panel.settings.scopeTimebase = 1;
    for (auto _ : state)
        setup.graph.scopeBlock(setup.scope(n));
}
BENCHMARK(BM_DisplayScopeManual)->Arg(16384)->Unit(benchmark::kMillisecond);

} // namespace

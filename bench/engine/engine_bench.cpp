// One measurement cycle and the transform, against FFTW's complex transform
// of the same size as the reference point.

#include "engine/analyzer.h"
#include "engine/fft.h"
#include "engine/precision.h"
#include "panel/hooks.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/virtual_event_loop.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#ifdef ARV1_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

struct Hooks : panel::PanelHooks {
    engine::Analyzer* analyzer = nullptr;
    void InitGetData() override { analyzer->InitGetData(); }
};

// One whole cycle on a stereo block: both transforms, THD, the narrowband
// level and five readouts; no drawing.
void BM_DisplayFreq(benchmark::State& state) {
    const auto n = static_cast<std::int32_t>(state.range(0));
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    Hooks hooks;
    panel::Panel panel(loop, dialogs, &hooks);
    platform::SimulatedAudio audio(loop);
    engine::Analyzer analyzer(loop, dialogs, panel, audio);
    hooks.analyzer = &analyzer;

    panel.controls()["SampleSize"].setText(std::to_string(n));
    const char* modes[] = {"Frequency", "Level", "Level", "THD", "Power"};
    for (int slot = 1; slot <= 5; ++slot) {
        panel.controls()["Readoutmd" + std::to_string(slot)].setText(modes[slot - 1]);
        analyzer.ReadoutOn_Click(slot);
    }
    analyzer.setNarrowband(true);
    panel.Update2();

    const int frames = engine::blockBytes(n, panel.settings.DiscardCheck == 1) / 4;
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 30);
    auto& raw = analyzer.block().Raw;
    for (int f = 0; f < frames; ++f) {
        const double t = f / 44100.0;
        const double v = 16000 * std::sin(2 * std::numbers::pi * 1000 * t) +
                         160 * std::sin(2 * std::numbers::pi * 3000 * t);
        raw[static_cast<std::size_t>(2 * f)] =
            static_cast<std::int16_t>(std::lround(v + noise(rng)));
        raw[static_cast<std::size_t>(2 * f + 1)] =
            static_cast<std::int16_t>(std::lround(v + noise(rng)));
    }
    for (auto _ : state) {
        analyzer.DisplayFreq();
        benchmark::DoNotOptimize(analyzer.readings().ThdL);
    }
    // Seconds of audio analysed per second of processing: 100 or more means
    // a cycle takes at most 1 % of its block's duration.
    const double audioSeconds = frames / 44100.0;
    state.counters["block_audio_ms"] = audioSeconds * 1000;
    state.counters["audio_x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * audioSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DisplayFreq)->Arg(16384)->Arg(32768)->Unit(benchmark::kMicrosecond);

// One block as the device records it at analysis size n (with the discard at
// 16384): a 1 kHz tone with a 3 kHz harmonic and noise, both channels.
std::vector<std::int16_t> recordedBlock(int n, double hz) {
    const int frames = engine::blockBytes(n, true) / 4;
    std::mt19937 rng(1);
    std::normal_distribution<double> noise(0, 30);
    std::vector<std::int16_t> raw(2 * static_cast<std::size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        const double t = f / 44100.0;
        const double v = 16000 * std::sin(2 * std::numbers::pi * hz * t) +
                         160 * std::sin(2 * std::numbers::pi * 3 * hz * t);
        for (int ch = 0; ch < 2; ++ch)
            raw[static_cast<std::size_t>(2 * f + ch)] =
                static_cast<std::int16_t>(std::lround(v + noise(rng)));
    }
    return raw;
}

// The precision analysis of one block, both channels: what a precision
// readout adds to the cycle of BM_DisplayFreq. From the second block on the
// last fundamental is the fit's start, as in a running measurement.
void BM_PrecisionAnalysis(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    const auto raw = recordedBlock(n, 1000);
    const int frames = static_cast<int>(raw.size() / 2);
    engine::PrecisionAnalysis analysis;
    for (auto _ : state) {
        analysis.analyse(raw.data(), frames, 44100, {}, false);
        benchmark::DoNotOptimize(analysis.channel(0).thdN);
    }
}
BENCHMARK(BM_PrecisionAnalysis)->Arg(16384)->Arg(32768)->Unit(benchmark::kMicrosecond);

// The same when every block brings a new tone, so that each one is searched
// for in the windowed spectrum, and with the twin-tone analysis besides.
void BM_PrecisionAnalysisNewToneAndImd(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    const std::vector<std::int16_t> raws[2] = {recordedBlock(n, 1000), recordedBlock(n, 1500)};
    const int frames = static_cast<int>(raws[0].size() / 2);
    engine::PrecisionAnalysis analysis;
    int which = 0;
    for (auto _ : state) {
        analysis.analyse(raws[which ^= 1].data(), frames, 44100, {}, true);
        benchmark::DoNotOptimize(analysis.channel(0).thdN);
    }
}
BENCHMARK(BM_PrecisionAnalysisNewToneAndImd)->Arg(16384)->Arg(32768)->Unit(benchmark::kMicrosecond);

std::vector<std::int16_t> capturedBlock(int n) {
    std::mt19937 rng(2);
    std::uniform_int_distribution<int> dist(-20000, 20000);
    std::vector<std::int16_t> block(static_cast<std::size_t>(n), 0);
    for (int i = 1; i < n / 4; ++i) // one block of frames, then zero padding
        block[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(dist(rng));
    return block;
}

void BM_SpecFFT(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    engine::SpecFft fft;
    fft.buildTables(n);
    const auto input = capturedBlock(n);
    std::vector<double> output(static_cast<std::size_t>(n));
    for (auto _ : state) {
        fft.FFT(input.data(), output.data());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SpecFFT)->Arg(16384)->Arg(32768)->Unit(benchmark::kMicrosecond);

#ifdef ARV1_HAVE_FFTW
void BM_FftwComplex(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    auto* in = fftw_alloc_complex(static_cast<std::size_t>(n));
    auto* out = fftw_alloc_complex(static_cast<std::size_t>(n));
    const fftw_plan plan = fftw_plan_dft_1d(n, in, out, FFTW_FORWARD, FFTW_MEASURE);
    const auto input = capturedBlock(n);
    for (int i = 0; i < n; ++i) {
        in[i][0] = input[static_cast<std::size_t>(i)];
        in[i][1] = 0;
    }
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(in);
    fftw_free(out);
}
BENCHMARK(BM_FftwComplex)->Arg(16384)->Arg(32768)->Unit(benchmark::kMicrosecond);
#endif

} // namespace

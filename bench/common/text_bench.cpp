// Throughput of the number texts and of the sequential file reader.

#include "common/seqfile.h"
#include "common/text.h"

#include <array>
#include <benchmark/benchmark.h>
#include <string>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 6> kPatterns = {"###.#",   "#.###",    "#.##",
                                                       "###.###", "##0.00##", "###.0000"};
constexpr std::array<double, 8> kValues = {1001.2752, 0.5, -3.45,     0.0125,
                                           1.005,     0,   123456.78, 1e-7};

void BM_Format(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            common::Format(kValues[i % kValues.size()], kPatterns[i % kPatterns.size()]));
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Format);

void BM_ShortestText(benchmark::State& state) {
    double value = 0.1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(common::shortestText(value));
        value = value * 1.0000001 + 0.37;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShortestText);

void BM_LeadingNumber(benchmark::State& state) {
    constexpr std::array<std::string_view, 4> texts = {" 12.5abc", "-1.5E-07", "1000",
                                                       "0.30000000000000004"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(common::leadingNumber(texts[i++ % texts.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LeadingNumber);

// A full test panel with 200 sweep points: 1119 lines.
std::string panelBytes() {
    common::SeqWriter w;
    w.writeText("C:\\QEX_ARV1files");
    for (int slot = 0; slot < 5; ++slot) {
        w.writeNumber(0.775 * slot);
        w.writeInteger(slot % 2);
        w.writeText("dBr");
        w.writeInteger(1);
        w.writeText("Level");
    }
    for (int i = 0; i < 36; ++i)
        i % 3 ? w.writeNumber(1000.0 / (i + 1)) : w.writeText("Sine");
    w.writeInteger(200);
    for (int k = 1; k <= 200; ++k) {
        w.writeNumber(20.0 * k * 1.0353);
        for (int v = 0; v < 4; ++v)
            w.writeSingle(-0.1f * static_cast<float>(k + v) / 3.0f);
    }
    for (int i = 0; i < 56; ++i)
        i % 4 ? w.writeInteger(i) : w.writeText("graph legend");
    return w.bytes();
}

void BM_SeqReadPanel(benchmark::State& state) {
    const std::string bytes = panelBytes();
    for (auto _ : state) {
        common::SeqReader r(bytes);
        double sum = 0;
        std::size_t texts = 0;
        r.readText();
        for (int slot = 0; slot < 5; ++slot) {
            sum += r.readDouble() + r.readInt16();
            texts += r.readText().size();
            sum += r.readInt16();
            texts += r.readText().size();
        }
        for (int i = 0; i < 36; ++i)
            i % 3 ? sum += r.readDouble() : texts += r.readText().size();
        const int points = r.readInt16();
        for (int k = 1; k <= points; ++k) {
            sum += r.readDouble();
            for (int v = 0; v < 4; ++v)
                sum += r.readSingle();
        }
        for (int i = 0; i < 56; ++i)
            i % 4 ? sum += r.readInt16() : texts += r.readText().size();
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(texts);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_SeqReadPanel)->Unit(benchmark::kMicrosecond);

void BM_SeqWritePanel(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(panelBytes());
}
BENCHMARK(BM_SeqWritePanel)->Unit(benchmark::kMicrosecond);

} // namespace

// Synthesising and writing the largest generator files: 10 s at 96000 Hz for
// each wave type. A restart waits 400 ms for the last setting change, so a
// synthesis should take well under that.

#include "generator/synthesis.h"
#include "platform/files.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kTestWav = "C:/QEX_ARV1files/testwav.wav";

struct DataDir {
    DataDir() {
        path =
            std::filesystem::temp_directory_path() / ("arv1-gen-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        platform::setDataDirectory(path);
    }
    ~DataDir() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

generator::SynthesisInputs inputs(const char* wave, double freq) {
    generator::SynthesisInputs in;
    in.waveType = wave;
    in.frequencyHz = freq;
    in.sampleRate = 96000;
    return in;
}

// The fixed-length module ("Fast", and noise and bursts).
void FixedLength(benchmark::State& state, const char* wave) {
    DataDir dir;
    for (auto _ : state) {
        generator::SynthesisInputs in = inputs(wave, 997);
        generator::MakeWavfile(in, 10.0, kTestWav);
    }
    state.SetBytesProcessed(
        state.iterations() *
        static_cast<std::int64_t>(std::filesystem::file_size(dir.path / "testwav.wav")));
}

// The repeating-block module above 1000 Hz: a 10-cycle block, 10 s of file.
void RepeatingBlock(benchmark::State& state, const char* wave) {
    DataDir dir;
    generator::RepeatingBlockSynth synth;
    for (auto _ : state) {
        generator::SynthesisInputs in = inputs(wave, 1001);
        synth.MakeBetterWavFile(in, kTestWav);
    }
    state.SetBytesProcessed(
        state.iterations() *
        static_cast<std::int64_t>(std::filesystem::file_size(dir.path / "testwav.wav")));
}

BENCHMARK_CAPTURE(FixedLength, Sine, "Sine")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FixedLength, Square, "Square")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FixedLength, Triangle, "Triangle")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FixedLength, WhiteNoise, "White Noise")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FixedLength, Burst, "Burst")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RepeatingBlock, Sine, "Sine")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RepeatingBlock, Square, "Square")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RepeatingBlock, Triangle, "Triangle")->Unit(benchmark::kMillisecond);

} // namespace

// The loopback source over the simulated output, on virtual time.

#include "platform/loopback.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

class Loopback : public ::testing::Test {
protected:
    // Plays a sine at `rate` from now on, as one long buffer.
    void play(int rate, double freq, double amplitude, double seconds) {
        platform::PlaybackFormat f;
        f.samplesPerSecond = static_cast<std::uint32_t>(rate);
        f.avgBytesPerSecond = static_cast<std::uint32_t>(4 * rate);
        ASSERT_EQ(output.open(handle, 0, f, [this](platform::PlaybackHeader&) { ++returned; }), 0);
        const auto frames = static_cast<int>(seconds * rate);
        bytes.resize(static_cast<std::size_t>(4 * frames));
        for (int k = 0; k < frames; ++k) {
            const auto v = static_cast<std::int16_t>(
                std::lround(amplitude * std::sin(2 * std::numbers::pi * freq * k / rate)));
            for (int c = 0; c < 2; ++c) {
                bytes[static_cast<std::size_t>(4 * k + 2 * c)] =
                    static_cast<std::uint8_t>(v & 0xFF);
                bytes[static_cast<std::size_t>(4 * k + 2 * c + 1)] =
                    static_cast<std::uint8_t>((v >> 8) & 0xFF);
            }
        }
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
        ASSERT_EQ(output.prepareHeader(handle, header), 0);
        ASSERT_EQ(output.write(handle, header), 0);
    }

    // Captures `blocks` consecutive blocks from frame 0, each rendered when it ends.
    std::vector<std::int16_t> capture(platform::LoopbackSource& source, int rate, int blocks,
                                      int frames = 4096) {
        std::vector<std::int16_t> all;
        std::vector<std::int16_t> block(static_cast<std::size_t>(2 * frames));
        for (int b = 0; b < blocks; ++b) {
            loop.advance((frames * 1000 + rate - 1) / rate);
            source.render(static_cast<std::int64_t>(b) * frames, block.data(), frames, rate);
            all.insert(all.end(), block.begin(), block.end());
        }
        return all;
    }

    static double amplitudeAt(const std::vector<std::int16_t>& s, double freq, int rate) {
        double re = 0, im = 0;
        const std::size_t n = s.size() / 2;
        for (std::size_t k = 0; k < n; ++k) {
            const double w = 2 * std::numbers::pi * freq * static_cast<double>(k) / rate;
            re += s[2 * k] * std::cos(w);
            im += s[2 * k] * std::sin(w);
        }
        return 2 * std::hypot(re, im) / static_cast<double>(n);
    }

    platform::VirtualEventLoop loop;
    platform::SimulatedOutput output{loop};
    platform::PlaybackHandle handle = 0;
    platform::PlaybackHeader header;
    std::vector<std::uint8_t> bytes;
    int returned = 0;
};

TEST_F(Loopback, BufferComesBackWhenPlayed) {
    play(44100, 1000, 1000, 1.0);
    loop.advance(999);
    EXPECT_EQ(returned, 0);
    loop.advance(1);
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(output.played()->sessions.back().endFrame(), 44100);
}

TEST_F(Loopback, ResetCutsWhatWasNotPlayedAndReturnsTheBuffer) {
    play(44100, 1000, 1000, 1.0);
    loop.advance(250);
    EXPECT_EQ(output.unprepareHeader(handle, header), platform::playback_error::StillPlaying);
    output.reset(handle);
    loop.pumpEvents();
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(output.played()->sessions.back().endFrame(), 44100 / 4);
    EXPECT_EQ(output.write(handle, header), 0); // still prepared: queue again
    output.close(handle);
    EXPECT_FALSE(output.isOpen());
}

TEST_F(Loopback, SilenceCarriesOnlyTheModelNoise) {
    platform::LoopbackSource wire(loop, output.played(), *platform::dutPreset("wire"));
    for (std::int16_t v : capture(wire, 44100, 3))
        ASSERT_EQ(v, 0);
    auto p = *platform::dutPreset("amplifier");
    p.noiseDbfs = -60;
    platform::LoopbackSource amp(loop, output.played(), p);
    double sumSq = 0;
    const auto noisy = capture(amp, 44100, 3);
    for (std::int16_t v : noisy)
        sumSq += double(v) * v;
    EXPECT_NEAR(std::sqrt(sumSq / noisy.size()), 23.2, 2); // -60 dBFS re a full-scale sine
}

TEST_F(Loopback, DifferentRatesAreResampled) {
    play(44100, 1000, 16000, 3.0); // a burst file always plays at 44100 Hz
    loop.advance(500);
    platform::LoopbackSource wire(loop, output.played(), *platform::dutPreset("wire"));
    const auto captured = capture(wire, 48000, 6, 4000); // 0.5 s of whole 1 kHz cycles
    EXPECT_NEAR(amplitudeAt(captured, 1000, 48000), 16000, 16);
    // Nothing else: the residual after removing the 1 kHz tone is tiny.
    double re = 0, im = 0;
    const std::size_t n = captured.size() / 2;
    for (std::size_t k = 0; k < n; ++k) {
        const double w = 2 * std::numbers::pi * 1000 * static_cast<double>(k) / 48000;
        re += captured[2 * k] * std::cos(w) * 2 / n;
        im += captured[2 * k] * std::sin(w) * 2 / n;
    }
    double residual = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double w = 2 * std::numbers::pi * 1000 * static_cast<double>(k) / 48000;
        const double e = captured[2 * k] - re * std::cos(w) - im * std::sin(w);
        residual += e * e;
    }
    EXPECT_LT(std::sqrt(residual / n), 2.0); // about the rounding of the samples
}

TEST_F(Loopback, LatencyDelaysTheSignalByWholeFrames) {
    play(44100, 441, 10000, 1.0);
    loop.advance(600);
    auto p = *platform::dutPreset("wire");
    p.latencyMs = 20; // 882 frames
    platform::LoopbackSource delayed(loop, output.played(), p);
    platform::LoopbackSource direct(loop, output.played(), *platform::dutPreset("wire"));
    std::vector<std::int16_t> a(2 * 4410), b(2 * 4410);
    direct.render(0, a.data(), 4410, 44100);
    delayed.render(0, b.data(), 4410, 44100);
    int nonZero = 0;
    for (std::size_t k = 0; k + 882 < 4410; ++k) {
        ASSERT_EQ(b[2 * (k + 882)], a[2 * k]) << k;
        nonZero += a[2 * k] != 0;
    }
    EXPECT_GT(nonZero, 3000);
}

} // namespace

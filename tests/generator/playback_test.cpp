// The playback engine on virtual time over the simulated output, and the
// loopback into the simulated input.

#include "gen_fixture.h"
#include "generator/playback.h"
#include "generator/synthesis.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

namespace {

constexpr const char* kTestWav = "C:/QEX_ARV1files/testwav.wav";

class Playback : public DataDirTest {
protected:
    // The default 1000 Hz sine: 44 frames repeated, 176,000 data bytes.
    std::vector<std::int16_t> openDefaultSine() {
        generator::SynthesisInputs in;
        generator::RepeatingBlockSynth().MakeBetterWavFile(in, kTestWav);
        engine.OpenPlaybackFile(kTestWav);
        return samplesOf(slurp(dir / "testwav.wav"));
    }
    const platform::PlayedSession& session(std::size_t i) {
        return output.played()->sessions.at(i);
    }

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedOutput output{loop};
    generator::PlaybackEngine engine{loop, dialogs, output};
};

TEST_F(Playback, LoopbackInputIsTheFileRepeatedWithoutGapAcrossTheSeam) {
    const auto data = openDefaultSine();
    ASSERT_EQ(data.size() * 2, 176000u);
    EXPECT_EQ(engine.bufferSize(), 35280u); // the seam falls inside the fifth buffer
    platform::SimulatedAudio input(loop);
    input.setSource(std::make_shared<platform::LoopbackSource>(loop, output.played(),
                                                               *platform::dutPreset("wire")));
    ASSERT_TRUE(engine.StartPlayback());
    loop.advance(300);

    // Blocks of 4596 frames back to back, as the capture loop records them.
    const platform::CaptureHandle h = input.open(0, platform::CaptureFormat::stereo16(44100));
    std::vector<std::int16_t> raw(2 * 4596), captured;
    for (int block = 0; block < 40; ++block) { // 4.2 s: the seam passes four times
        platform::CaptureHeader header;
        header.data = raw.data();
        header.bufferLength = 4 * 4596;
        input.addBuffer(h, header);
        ASSERT_TRUE(loop.runUntil([&] { return header.done(); }, 1000));
        captured.insert(captured.end(), raw.begin(), raw.end());
    }
    EXPECT_EQ(output.queuedBuffers(), 40);

    // Find where the first frame sits in the data; every frame then follows.
    auto matchesFrom = [&](std::size_t offset, std::size_t frames) {
        for (std::size_t f = 0; f < frames; ++f)
            for (std::size_t c = 0; c < 2; ++c)
                if (captured[2 * f + c] != data[2 * ((offset + f) % 44000) + c]) return false;
        return true;
    };
    std::size_t offset = 0;
    while (offset < 44000 && !matchesFrom(offset, 200))
        ++offset;
    ASSERT_LT(offset, 44000u);
    EXPECT_TRUE(matchesFrom(offset, captured.size() / 2));
    EXPECT_TRUE(dialogs.messageTexts().empty());
}

TEST_F(Playback, StartTwiceThenStop) {
    openDefaultSine();
    ASSERT_TRUE(engine.StartPlayback());
    loop.advance(2500);
    EXPECT_TRUE(engine.StartPlayback()); // already playing: nothing changes
    EXPECT_EQ(output.openCount(), 1);
    engine.StopPlayback();
    EXPECT_FALSE(output.isOpen() || engine.playbackActive());
    EXPECT_TRUE(engine.playbackFileOpen());
    EXPECT_EQ(engine.filePosition(), 44); // rewound
    loop.advance(5000);                   // the returned buffers find playback stopped
    EXPECT_FALSE(output.isOpen());
    EXPECT_EQ(session(0).endFrame(), 2500 * 441 / 10); // nothing beyond the stop
    ASSERT_TRUE(engine.StartPlayback());               // from the start of the data again
    loop.advance(100);
    EXPECT_EQ(session(1).samples.at(0), session(0).samples.at(0));
}

TEST_F(Playback, RefusalsLeaveNothingPlaying) {
    EXPECT_FALSE(engine.RewindPlayback(0)); // no file
    spit(dir / "bad.wav", "not a wave");
    engine.OpenPlaybackFile("c:\\QEX_ARV1files\\bad.wav");
    engine.OpenPlaybackFile(""); // an empty path shows nothing
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"This is not a wave file"});
    EXPECT_FALSE(engine.StartPlayback());
    EXPECT_EQ(output.openCount(), 0);

    openDefaultSine();
    EXPECT_FALSE(engine.RewindPlayback(-1));
    EXPECT_FALSE(engine.RewindPlayback(44000)); // at the end of the data
    EXPECT_TRUE(engine.RewindPlayback(43999));
    EXPECT_EQ(engine.filePosition(), 44 + 43999 * 4);

    output.setOpenResult(platform::playback_error::Allocated);
    EXPECT_FALSE(engine.StartPlayback());
    EXPECT_FALSE(engine.playbackActive());
    EXPECT_EQ(dialogs.messageTexts().back(), output.errorText(platform::playback_error::Allocated));
}

TEST_F(Playback, AnExternalFilePlaysInItsOwnFormat) {
    // Mono 8-bit at 8000 Hz: 1000 frames of a ramp.
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i % 256);
    spit(dir / "ext.wav",
         "RIFF" + std::string("\x0c\x04\0\0", 4) + "WAVEfmt " +
             std::string("\x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0", 20) +
             "data" + std::string("\xe8\x03\0\0", 4) + data);
    engine.OpenPlaybackFile("c:\\QEX_ARV1files\\ext.wav");
    EXPECT_EQ(engine.bufferSize(), 800u); // 0.1 x 1 x 8000 x 1
    ASSERT_TRUE(engine.StartPlayback());
    EXPECT_EQ(output.lastFormat().samplesPerSecond, 8000u);
    loop.advance(500);
    const platform::PlayedSession& s = session(0);
    ASSERT_GE(s.endFrame(), 3000);
    for (std::size_t f = 0; f < 3000; ++f) {
        const auto expected = static_cast<std::int16_t>(((f % 1000) % 256 - 128) * 256);
        ASSERT_TRUE(s.samples[2 * f] == expected && s.samples[2 * f + 1] == expected) << f;
    }
}

TEST(PlaybackBufferSize, IsATenthOfASecondPerChannelInWholeFrames) {
    struct Case {
        std::uint32_t rate;
        std::uint16_t align;
        std::uint32_t bytes;
    };
    for (const Case& c :
         {Case{44100, 4, 35280}, Case{11025, 4, 8820}, Case{11111, 6, 13332}, Case{11025, 0, 0}}) {
        platform::PlaybackFormat f;
        f.samplesPerSecond = c.rate;
        f.blockAlign = c.align;
        EXPECT_EQ(generator::playbackBufferSize(f), c.bytes) << c.rate;
    }
    // A damaged header (block align 65283 for 16-bit stereo) asks for 575 MB
    // per buffer; the 40 buffers stay within 160 MiB.
    platform::PlaybackFormat damaged;
    damaged.blockAlign = 65283;
    EXPECT_LE(generator::playbackBufferSize(damaged), 4u << 20);
    EXPECT_EQ(generator::playbackBufferSize(damaged) % 65283, 0u);
}

} // namespace

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
    std::vector<std::int16_t> writeDefaultSine() {
        generator::SynthesisInputs in;
        generator::RepeatingBlockSynth().MakeBetterWavFile(in, kTestWav);
        return samplesOf(slurp(dir / "testwav.wav"));
    }
    // What the device played, in its first session.
    const platform::PlayedSession& session(std::size_t i = 0) {
        return output.played()->sessions.at(i);
    }

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedOutput output{loop};
    generator::PlaybackEngine engine{loop, dialogs, output};
};

TEST_F(Playback, OutputIsTheDataRepeatedWithoutGapAcrossTheSeam) {
    const auto data = writeDefaultSine();
    ASSERT_EQ(data.size() * 2, 176000u);
    engine.OpenPlaybackFile(kTestWav);
    EXPECT_EQ(engine.bufferSize(), 35280u);
    ASSERT_TRUE(engine.StartPlayback());
    loop.advance(12000);
    const platform::PlayedSession& s = session();
    // 40 buffers of 0.2 s run ahead of the clock; the data (1 s) looped 20 times at least.
    ASSERT_GE(s.endFrame(), 20 * 44000);
    EXPECT_EQ(s.firstFrame, 0);
    for (std::int64_t f = 0; f < s.endFrame(); ++f) {
        const auto i = static_cast<std::size_t>(2 * (f % 44000));
        ASSERT_EQ(s.samples[static_cast<std::size_t>(2 * f)], data[i]) << "frame " << f;
        ASSERT_EQ(s.samples[static_cast<std::size_t>(2 * f + 1)], data[i + 1]) << "frame " << f;
    }
    EXPECT_EQ(output.queuedBuffers(), 40);
    EXPECT_TRUE(dialogs.messageTexts().empty());
}

TEST_F(Playback, LoopbackInputIsTheFileRepeatedWithoutGap) {
    const auto data = writeDefaultSine();
    platform::SimulatedAudio input(loop);
    input.setSource(std::make_shared<platform::LoopbackSource>(loop, output.played(),
                                                               *platform::dutPreset("wire")));
    engine.OpenPlaybackFile(kTestWav);
    engine.StartPlayback();
    loop.advance(300);

    // Capture blocks of 4596 frames back to back, as the capture loop does.
    const platform::CaptureHandle h = input.open(0, platform::CaptureFormat::stereo16(44100));
    ASSERT_NE(h, 0u);
    std::vector<std::int16_t> raw(2 * 4596);
    std::vector<std::int16_t> captured;
    for (int block = 0; block < 40; ++block) { // 4.2 s: the seam passes four times
        platform::CaptureHeader header;
        header.data = raw.data();
        header.bufferLength = 4 * 4596;
        input.addBuffer(h, header);
        ASSERT_TRUE(loop.runUntil([&] { return header.done(); }, 1000));
        captured.insert(captured.end(), raw.begin(), raw.end());
    }
    input.close(h);

    // Find where the first frame sits in the data, then every frame follows.
    std::int64_t offset = -1;
    for (std::int64_t o = 0; o < 44000 && offset < 0; ++o) {
        bool match = true;
        for (std::int64_t f = 0; f < 200 && match; ++f)
            match = captured[static_cast<std::size_t>(2 * f)] ==
                    data[static_cast<std::size_t>(2 * ((o + f) % 44000))];
        if (match) offset = o;
    }
    ASSERT_GE(offset, 0);
    for (std::size_t f = 0; f < captured.size() / 2; ++f) {
        const auto i =
            static_cast<std::size_t>(2 * ((offset + static_cast<std::int64_t>(f)) % 44000));
        ASSERT_EQ(captured[2 * f], data[i]) << "frame " << f;
        ASSERT_EQ(captured[2 * f + 1], data[i + 1]) << "frame " << f;
    }
}

TEST_F(Playback, StartWhilePlayingChangesNothing) {
    writeDefaultSine();
    engine.OpenPlaybackFile(kTestWav);
    ASSERT_TRUE(engine.StartPlayback());
    loop.advance(1000);
    EXPECT_TRUE(engine.StartPlayback());
    EXPECT_EQ(output.openCount(), 1);
    loop.advance(1000);
    EXPECT_EQ(output.queuedBuffers(), 40);
}

TEST_F(Playback, StopClosesTheDeviceAndKeepsTheFileRewound) {
    writeDefaultSine();
    engine.OpenPlaybackFile(kTestWav);
    engine.StartPlayback();
    loop.advance(2500);
    engine.StopPlayback();
    EXPECT_FALSE(output.isOpen());
    EXPECT_FALSE(engine.playbackActive());
    EXPECT_TRUE(engine.playbackFileOpen());
    EXPECT_EQ(engine.filePosition(), 44);
    loop.advance(5000); // the returned buffers arrive and find playback stopped
    EXPECT_FALSE(output.isOpen());
    // Nothing beyond the stop was played.
    EXPECT_EQ(session().endFrame(), 2500 * 44100 / 1000);
    // A new start plays from the beginning of the data again.
    ASSERT_TRUE(engine.StartPlayback());
    loop.advance(100);
    EXPECT_EQ(output.openCount(), 2);
    EXPECT_EQ(session(1).samples.at(0), session(0).samples.at(0));
}

TEST_F(Playback, DeviceErrorsAreShownAndPlaybackStaysOff) {
    writeDefaultSine();
    engine.OpenPlaybackFile(kTestWav);
    output.setOpenResult(platform::playback_error::Allocated);
    EXPECT_FALSE(engine.StartPlayback());
    EXPECT_FALSE(engine.playbackActive());
    ASSERT_EQ(dialogs.messageTexts().size(), 1u);
    EXPECT_EQ(dialogs.messageTexts()[0], output.errorText(platform::playback_error::Allocated));
}

TEST_F(Playback, ARefusedFileLeavesNothingToPlay) {
    spit(dir / "bad.wav", "not a wave");
    engine.OpenPlaybackFile("c:\\QEX_ARV1files\\bad.wav");
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"This is not a wave file"});
    EXPECT_FALSE(engine.playbackFileOpen());
    EXPECT_FALSE(engine.StartPlayback());
    EXPECT_EQ(output.openCount(), 0);
    engine.OpenPlaybackFile(""); // an empty path shows nothing
    EXPECT_EQ(dialogs.messageTexts().size(), 1u);
}

TEST_F(Playback, RewindIsRefusedOutsideTheData) {
    EXPECT_FALSE(engine.RewindPlayback(0)); // no file
    writeDefaultSine();
    engine.OpenPlaybackFile(kTestWav);
    EXPECT_FALSE(engine.RewindPlayback(-1));
    EXPECT_FALSE(engine.RewindPlayback(44000)); // at the end of the data
    EXPECT_TRUE(engine.RewindPlayback(43999));
    EXPECT_EQ(engine.filePosition(), 44 + 43999 * 4);
}

TEST_F(Playback, AnExternalFilePlaysInItsOwnFormat) {
    // Mono 8-bit at 8000 Hz, 1000 frames of a ramp.
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>(i % 256);
    std::string file = "RIFF" + std::string(4, '\0') + "WAVEfmt " + std::string("\x10\0\0\0", 4) +
                       std::string("\x01\0\x01\0\x40\x1f\0\0\x40\x1f\0\0\x01\0\x08\0", 16) +
                       "data" + std::string("\xe8\x03\0\0", 4) + data;
    const auto riffSize = static_cast<std::uint32_t>(file.size() - 8);
    for (int i = 0; i < 4; ++i)
        file[4 + static_cast<std::size_t>(i)] = static_cast<char>(riffSize >> (8 * i));
    spit(dir / "ext.wav", file);
    engine.OpenPlaybackFile("c:\\QEX_ARV1files\\ext.wav");
    EXPECT_EQ(engine.bufferSize(), 800u); // 0.1 x 1 x 8000 x 1
    ASSERT_TRUE(engine.StartPlayback());
    EXPECT_EQ(output.lastFormat().samplesPerSecond, 8000u);
    EXPECT_EQ(output.lastFormat().channels, 1);
    loop.advance(500);
    const platform::PlayedSession& s = session();
    ASSERT_GE(s.endFrame(), 3000);
    for (std::int64_t f = 0; f < 3000; ++f) {
        const auto expected = static_cast<std::int16_t>(((f % 1000) % 256 - 128) * 256);
        ASSERT_EQ(s.samples[static_cast<std::size_t>(2 * f)], expected) << f;
        ASSERT_EQ(s.samples[static_cast<std::size_t>(2 * f + 1)], expected) << f;
    }
}

TEST(PlaybackBufferSize, IsATenthOfASecondPerChannelInWholeFrames) {
    platform::PlaybackFormat f;
    EXPECT_EQ(generator::playbackBufferSize(f), 35280u);
    f.samplesPerSecond = 11025;
    EXPECT_EQ(generator::playbackBufferSize(f), 8820u);
    f.blockAlign = 6; // 0.1 x 6 x 11025 x 2 = 13230, already whole frames
    EXPECT_EQ(generator::playbackBufferSize(f), 13230u);
    f.samplesPerSecond = 11111; // 13333.2 -> 13333 -> 13332
    EXPECT_EQ(generator::playbackBufferSize(f), 13332u);
    f.blockAlign = 0;
    EXPECT_EQ(generator::playbackBufferSize(f), 0u);
}

} // namespace

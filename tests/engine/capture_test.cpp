// Capture on virtual time: the start timer, the block loop, stopping, device
// failures, block sizes, and the simulated sources.

#include "engine_fixture.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace {

using enginetest::EngineFixture;

class Capture : public ::testing::Test, public EngineFixture {
protected:
    Capture() {
        analyzer.setBlockObserver([this](std::int64_t block) {
            blockTimes.push_back(loop.nowMs());
            if (onBlock) onBlock(block);
        });
    }
    std::vector<std::int64_t> blockTimes;
    std::function<void(std::int64_t)> onBlock;
};

TEST_F(Capture, StartsHalfASecondAfterOnAndAnalysesOneBlockPerBlockDuration) {
    audio.setSource(std::make_shared<platform::ToneSource>(
        std::vector{platform::ToneSource::Tone{1000, 10000}}));
    analyzer.startCaptureTimer();
    onBlock = [this](std::int64_t block) {
        if (block == 5) analyzer.DoStop();
    };
    loop.advance(499);
    EXPECT_FALSE(audio.isOpen());
    loop.advance(10000);

    ASSERT_EQ(blockTimes.size(), 5u);
    // 4596 frames (with the 500-frame discard) at 44100 Hz: 105 ms per block.
    EXPECT_EQ(blockTimes[0], 500 + 105);
    EXPECT_EQ(blockTimes[4] - blockTimes[3], 105);
    EXPECT_EQ(audio.lastFormat().samplesPerSecond, 44100);
    EXPECT_EQ(audio.lastFormat().avgBytesPerSecond, 4 * 44100);
    EXPECT_EQ(audio.lastBufferBytes(), 18384u);
    EXPECT_FALSE(analyzer.capturing());
    EXPECT_FALSE(audio.isOpen());
    EXPECT_FALSE(analyzer.timer2Enabled());
    EXPECT_EQ(audio.blocksDelivered(), 5); // no block requested after the stop
    EXPECT_NEAR(analyzer.readings().FreqL, 1000, 2.7);
}

TEST_F(Capture, OffDuringACycleEndsCaptureAfterThatCycle) {
    // A handler that runs in the cycle's event pump stops capture.
    onBlock = [this](std::int64_t block) {
        if (block == 2) loop.post([this] { analyzer.DoStop(); });
    };
    analyzer.startCaptureTimer();
    loop.advance(5000);
    EXPECT_EQ(analyzer.blocksAnalysed(), 2);
    EXPECT_EQ(audio.openCount(), 1);
}

TEST_F(Capture, StopWhileWaitingForABlockCancelsIt) {
    analyzer.startCaptureTimer();
    loop.post([this] { analyzer.DoStop(); }, 550); // during the first block
    loop.advance(5000);
    EXPECT_EQ(analyzer.blocksAnalysed(), 0);
    EXPECT_EQ(audio.blocksDelivered(), 0);
    EXPECT_FALSE(audio.isOpen());
}

TEST_F(Capture, TheEventLoopRunsBetweenBlocks) {
    int ticks = 0;
    auto other = loop.createTimer(20, [&] { ++ticks; });
    other->setEnabled(true);
    onBlock = [this](std::int64_t block) {
        if (block == 10) analyzer.DoStop();
    };
    analyzer.startCaptureTimer();
    loop.advance(3000);
    EXPECT_GE(ticks, 100); // a 20 ms timer keeps ticking during capture
}

TEST_F(Capture, DeviceThatDoesNotOpenShowsTheMessageOncePerStart) {
    audio.setOpenFails(true);
    analyzer.startCaptureTimer();
    loop.advance(3000);
    analyzer.startCaptureTimer();
    loop.advance(3000);
    EXPECT_EQ(dialogs.messageTexts(), (std::vector<std::string>{"Wave input device didn't open!",
                                                                "Wave input device didn't open!"}));
    EXPECT_EQ(dialogs.records(platform::ScriptedDialogs::Kind::Message)[0].title, "Error");
    EXPECT_EQ(analyzer.blocksAnalysed(), 0);
    EXPECT_FALSE(analyzer.timer2Enabled());
}

TEST_F(Capture, NoInputDeviceEndsTheProgramAfterTheMessage) {
    int ends = 0;
    analyzer.setEndProgram([&] { ++ends; });
    audio.setInputDevices({});
    EXPECT_FALSE(analyzer.InitDevices());
    panel.Update2(); // once is enough
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{"You have no audio input devices!"});
    EXPECT_EQ(ends, 1);
}

TEST_F(Capture, DevicesAreListedByIndexAndNotPerBlock) {
    audio.setInputDevices({"Line In", "Microphone"});
    panel.Update2();
    EXPECT_EQ(analyzer.inputDeviceNames(), (std::vector<std::string>{"Line In", "Microphone"}));
    settings().InputDeviceId = 1;
    audio.setInputDevices({"Line In", "Microphone", "Added later"});
    onBlock = [this](std::int64_t block) {
        if (block == 3) analyzer.DoStop();
    };
    analyzer.startCaptureTimer();
    loop.advance(2000);
    EXPECT_EQ(audio.lastOpenedDevice(), 1);
    EXPECT_EQ(analyzer.inputDeviceNames().size(), 2u); // not re-read during capture
    panel.Update2();
    EXPECT_EQ(analyzer.inputDeviceNames().size(), 3u);
}

TEST_F(Capture, StalledDeviceIsStoppedWithAMessage) {
    audio.setStalled(true);
    analyzer.startCaptureTimer();
    loop.advance(engine::kBlockTimeoutMs + 2000);
    EXPECT_FALSE(analyzer.capturing());
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{engine::kInputStalledMessage});
}

struct BlockSizeCase {
    const char* sampleSize;
    bool discard;
    std::uint32_t bytes;
};

class BlockSize : public ::testing::TestWithParam<BlockSizeCase>, public EngineFixture {};

TEST_P(BlockSize, FollowsTheSizeAndTheDiscardSetting) {
    const BlockSizeCase c = GetParam();
    controls()["SampleSize"].setText(c.sampleSize);
    settings().DiscardCheck = c.discard ? 1 : 0;
    panel.Update2();
    analyzer.setBlockObserver([this](std::int64_t) { analyzer.DoStop(); });
    analyzer.startCaptureTimer();
    loop.advance(3000);
    EXPECT_EQ(audio.lastBufferBytes(), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, BlockSize,
                         ::testing::Values(BlockSizeCase{"16384", true, 18384},
                                           BlockSizeCase{"16384", false, 16384},
                                           BlockSizeCase{"32768", true, 32768},
                                           BlockSizeCase{"8192", true, 18384}));

TEST_F(Capture, ShorterBlocksLeaveZerosBehindThem) {
    controls()["SampleSize"].setText("32768");
    panel.Update2();
    audio.setSource(std::make_shared<platform::ToneSource>(
        std::vector{platform::ToneSource::Tone{1000, 10000}}));
    onBlock = [this](std::int64_t block) {
        if (block == 1) controls()["SampleSize"].setText("16384"); // takes effect on the next block
        if (block == 3) analyzer.DoStop();
    };
    analyzer.startCaptureTimer();
    loop.advance(3000);
    const auto& raw = analyzer.block().Raw;
    EXPECT_TRUE(std::all_of(raw.begin() + 18384 / 2, raw.end(), [](auto v) { return v == 0; }));
    EXPECT_NE(raw[100], 0);
}

TEST_F(Capture, RestartOpensAgainAtTheNewRate) {
    onBlock = [this](std::int64_t block) {
        if (block == 2) {
            controls()["SampleRate"].setText("48000");
            panel.Update2();
            analyzer.restartCapture(); // runs a fresh loop inside this cycle
        }
        if (block == 4) analyzer.DoStop();
    };
    analyzer.startCaptureTimer();
    loop.advance(3000);
    EXPECT_EQ(audio.openCount(), 2);
    EXPECT_EQ(audio.lastFormat().samplesPerSecond, 48000);
    EXPECT_EQ(analyzer.blocksAnalysed(), 4);
}

TEST(SimulatedSources, WavFileBlocksAreConsecutiveFramesAndWrapAround) {
    const auto path = std::filesystem::temp_directory_path() / "arv1_engine_wav_source.wav";
    platform::WavPcm16 wav;
    wav.sampleRate = 44100;
    for (int i = 0; i < 10; ++i) {
        wav.samples.push_back(static_cast<std::int16_t>(i));
        wav.samples.push_back(static_cast<std::int16_t>(-i));
    }
    ASSERT_TRUE(platform::writeWavPcm16(path, wav));
    const platform::WavLayoutResult layout = platform::readWavPcm16Layout(path);
    ASSERT_TRUE(layout.ok) << layout.error;
    platform::WavFileSource source(path, layout.layout);
    std::vector<std::int16_t> block(2 * 7);
    source.render(0, block.data(), 7, 44100);
    EXPECT_EQ(block[12], 6);
    source.render(7, block.data(), 7, 44100);
    EXPECT_EQ((std::vector<std::int16_t>(block.begin(), block.begin() + 8)),
              (std::vector<std::int16_t>{7, -7, 8, -8, 9, -9, 0, 0}));
    std::filesystem::remove(path);
}

TEST(WavPcm16, WritesAndReadsBackAndRefusesOtherFormats) {
    const auto dir = std::filesystem::temp_directory_path() / "arv1_engine_wav_test";
    std::filesystem::create_directories(dir);
    platform::WavPcm16 wav;
    wav.sampleRate = 48000;
    wav.samples = {1, -1, 32767, -32768};
    ASSERT_TRUE(platform::writeWavPcm16(dir / "48000-2-16.wav", wav));
    const auto back = platform::readWavPcm16(dir / "48000-2-16.wav");
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.wav.sampleRate, 48000);
    EXPECT_EQ(back.wav.samples, wav.samples);

    std::string bytes = "RIFF....WAVEfmt ";
    bytes += std::string("\x10\0\0\0\x01\0\x01\0\x44\xac\0\0\x88\x58\x01\0\x02\0\x10\0", 20);
    std::ofstream(dir / "mono.wav", std::ios::binary) << bytes;
    const auto mono = platform::readWavPcm16(dir / "mono.wav");
    EXPECT_FALSE(mono.ok);
    EXPECT_EQ(mono.error, "not 16-bit stereo PCM");
    EXPECT_FALSE(platform::readWavPcm16(dir / "missing.wav").ok);
    std::filesystem::remove_all(dir);
}

} // namespace

// The PortAudio back end, run for real through ALSA's null device.

#include "alsa_null_config.h"
#include "platform/device_catalogue.h"
#include "platform/portaudio_audio.h"
#include "platform/qt_event_loop.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "process_counts.h"

#include <QCoreApplication>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace platform;
using platformtest::liveThreads;
using platformtest::openFileDescriptors;

void ensureApplication() {
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

constexpr std::int16_t kPattern = 0x5A5A;
constexpr std::uint32_t kBlockBytes = 18384; // 4596 frames, as with the 500-frame discard

class PortAudioNull : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ensureApplication();
        platformtest::useAlsaNullDevices();
    }

    void SetUp() override {
        session = std::make_shared<PortAudioSession>();
        ASSERT_TRUE(session->ok()) << session->error();
        ASSERT_FALSE(session->inputs().empty());
        ASSERT_FALSE(session->outputs().empty());
        input = std::make_unique<PortAudioInput>(loop, session);
        output = std::make_unique<PortAudioOutput>(loop, session);
    }

    // Records one block into raw (pre-filled with a pattern that reaches past
    // the block) and returns whether it completed.
    bool recordBlock(CaptureHandle h, std::vector<std::int16_t>& raw, CaptureHeader& header) {
        std::fill(raw.begin(), raw.end(), kPattern);
        header = {};
        header.data = raw.data();
        header.bufferLength = kBlockBytes;
        input->prepareHeader(h, header);
        input->addBuffer(h, header);
        loop.runUntil([&] { return header.done(); }, 3000);
        input->unprepareHeader(h, header);
        return header.done();
    }

    QtEventLoop loop;
    std::shared_ptr<PortAudioSession> session;
    std::unique_ptr<PortAudioInput> input;
    std::unique_ptr<PortAudioOutput> output;
};

TEST_F(PortAudioNull, ListsTheConfiguredDevicesByName) {
    ASSERT_EQ(input->deviceCount(), static_cast<int>(session->inputs().size()));
    std::vector<std::string> names;
    for (int i = 0; i < input->deviceCount(); ++i)
        names.push_back(*input->deviceName(i));
    EXPECT_NE(std::find(names.begin(), names.end(), "ALSA: arv1_null"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "ALSA: default"), names.end());
    EXPECT_FALSE(input->deviceName(input->deviceCount()).has_value());
    EXPECT_FALSE(output->deviceName(-1).has_value());
    // A second session lists the same devices in the same order.
    PortAudioSession again;
    ASSERT_EQ(again.inputs().size(), session->inputs().size());
    for (std::size_t i = 0; i < again.inputs().size(); ++i)
        EXPECT_EQ(again.inputs()[i].name, session->inputs()[i].name);
}

TEST_F(PortAudioNull, RecordsBlocksOfExactlyTheQueuedLength) {
    const CaptureHandle h = input->open(0, CaptureFormat::stereo16(44100));
    ASSERT_NE(h, 0u) << input->lastError();
    input->start(h);
    std::vector<std::int16_t> raw(kBlockBytes / 2 + 64);
    CaptureHeader header;
    for (int block = 0; block < 5; ++block) {
        ASSERT_TRUE(recordBlock(h, raw, header)) << "block " << block;
        EXPECT_EQ(header.bytesRecorded, kBlockBytes);
        // Every sample of the block is written (the null device records
        // whatever its buffer holds, mostly zeros), nothing past it.
        EXPECT_TRUE(std::none_of(raw.begin(), raw.begin() + kBlockBytes / 2,
                                 [](std::int16_t v) { return v == kPattern; }));
        EXPECT_TRUE(std::all_of(raw.begin() + kBlockBytes / 2, raw.end(),
                                [](std::int16_t v) { return v == kPattern; }));
    }
    input->reset(h);
    input->close(h);
    EXPECT_FALSE(input->isOpen());
}

TEST_F(PortAudioNull, ResetReturnsThePendingBlockAndStopsWriting) {
    const CaptureHandle h = input->open(0, CaptureFormat::stereo16(48000));
    ASSERT_NE(h, 0u);
    std::vector<std::int16_t> raw(kBlockBytes / 2, kPattern);
    CaptureHeader header;
    header.data = raw.data();
    header.bufferLength = kBlockBytes;
    input->addBuffer(h, header); // not started: nothing is recorded
    input->reset(h);
    EXPECT_TRUE(header.done());
    EXPECT_EQ(header.bytesRecorded, 0u);
    // A reset device records again after start.
    input->start(h);
    ASSERT_TRUE(recordBlock(h, raw, header));
    // After reset the buffer is the caller's again.
    std::fill(raw.begin(), raw.end(), kPattern);
    header.flags = 0;
    input->addBuffer(h, header);
    input->reset(h);
    loop.runUntil([] { return false; }, 50);
    EXPECT_TRUE(header.done());
    EXPECT_LE(header.bytesRecorded, kBlockBytes);
    EXPECT_TRUE(std::all_of(raw.begin() + header.bytesRecorded / 2, raw.end(),
                            [](std::int16_t v) { return v == kPattern; }));
    input->close(h);
}

TEST_F(PortAudioNull, RefusedFormatsDoNotOpenAndLeaveTheDeviceUsable) {
    EXPECT_EQ(input->open(0, CaptureFormat::stereo16(1)), 0u); // below any rate ALSA takes
    EXPECT_FALSE(input->lastError().empty());
    EXPECT_EQ(input->open(input->deviceCount(), CaptureFormat::stereo16(44100)), 0u);
    CaptureFormat mono = CaptureFormat::stereo16(44100);
    mono.channels = 1;
    EXPECT_EQ(input->open(0, mono), 0u);
    const CaptureHandle h = input->open(0, CaptureFormat::stereo16(44100));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(input->open(0, CaptureFormat::stereo16(44100)), 0u) << "one stream at a time";
    input->close(h);

    PlaybackHandle ph = 0;
    PlaybackFormat rate1;
    rate1.samplesPerSecond = 1;
    EXPECT_EQ(output->open(ph, 0, rate1, {}), playback_error::BadFormat);
    EXPECT_NE(output->errorText(playback_error::BadFormat).find("Invalid sample rate"),
              std::string::npos);
    PlaybackFormat twelveBits;
    twelveBits.bitsPerSample = 12;
    EXPECT_EQ(output->open(ph, 0, twelveBits, {}), playback_error::BadFormat);
    EXPECT_EQ(output->open(ph, output->deviceCount(), PlaybackFormat{}, {}),
              playback_error::BadDeviceId);
    EXPECT_EQ(output->open(ph, 0, PlaybackFormat{}, {}), 0);
    EXPECT_EQ(output->close(ph), 0);
}

// 40 circulating buffers, refilled from the buffer-done handler as the
// playback engine does; every buffer comes back, in the order written.
TEST_F(PortAudioNull, PlaysCirculatingBuffersInOrder) {
    constexpr int kBuffers = 40;
    constexpr std::uint32_t kBytes = 35280;
    std::vector<std::vector<std::uint8_t>> memory(kBuffers, std::vector<std::uint8_t>(kBytes, 1));
    std::vector<PlaybackHeader> headers(kBuffers);
    std::vector<int> order;
    int refills = 0;
    PlaybackHandle h = 0;
    auto index = [&](const PlaybackHeader& hd) { return static_cast<int>(&hd - headers.data()); };
    ASSERT_EQ(output->open(h, 0, PlaybackFormat{},
                           [&](PlaybackHeader& hd) {
                               EXPECT_TRUE(hd.flags & PlaybackHeader::kDone);
                               EXPECT_FALSE(hd.inQueue());
                               order.push_back(index(hd));
                               if (refills < 3 * kBuffers) {
                                   ++refills;
                                   EXPECT_EQ(output->write(h, hd), 0);
                               }
                           }),
              0);
    for (int i = 0; i < kBuffers; ++i) {
        headers[i].data = memory[i].data();
        headers[i].bufferLength = kBytes;
        ASSERT_EQ(output->prepareHeader(h, headers[i]), 0);
        ASSERT_EQ(output->write(h, headers[i]), 0);
        EXPECT_EQ(output->write(h, headers[i]), playback_error::StillPlaying);
    }
    ASSERT_TRUE(loop.runUntil([&] { return order.size() == 4u * kBuffers; }, 5000))
        << order.size() << " returned";
    for (std::size_t i = 0; i < order.size(); ++i)
        ASSERT_EQ(order[i], static_cast<int>(i % kBuffers)) << "at " << i;
    EXPECT_EQ(output->queuedBuffers(), 0);
    for (auto& hd : headers)
        EXPECT_EQ(output->unprepareHeader(h, hd), 0);
    EXPECT_EQ(output->close(h), 0);
}

TEST_F(PortAudioNull, ResetReturnsEveryQueuedBufferAndPlaysAgain) {
    std::vector<std::uint8_t> memory(4000, 0);
    std::vector<PlaybackHeader> headers(10);
    int returned = 0;
    PlaybackHandle h = 0;
    ASSERT_EQ(output->open(h, 0, PlaybackFormat{}, [&](PlaybackHeader&) { ++returned; }), 0);
    for (auto& hd : headers) {
        hd.data = memory.data();
        hd.bufferLength = static_cast<std::uint32_t>(memory.size());
        output->prepareHeader(h, hd);
    }
    for (auto& hd : headers)
        ASSERT_EQ(output->write(h, hd), 0);
    EXPECT_EQ(output->reset(h), 0);
    EXPECT_EQ(output->queuedBuffers(), 0);
    for (auto& hd : headers)
        EXPECT_FALSE(hd.inQueue());
    ASSERT_TRUE(loop.runUntil([&] { return returned == 10; }, 2000));
    // An empty buffer comes back too, and the reset device plays again.
    headers[0].bufferLength = 0;
    ASSERT_EQ(output->write(h, headers[0]), 0);
    ASSERT_EQ(output->write(h, headers[1]), 0);
    EXPECT_TRUE(loop.runUntil([&] { return returned == 12; }, 2000));
    EXPECT_EQ(output->close(h), 0);
    EXPECT_EQ(output->write(h, headers[2]), playback_error::InvalidHandle);
}

// Open, record, play and close again and again: no handle and no thread is
// left behind (run under valgrind or LeakSanitizer for memory).
TEST_F(PortAudioNull, HundredOpenCloseCyclesLeaveNothingBehind) {
    std::vector<std::int16_t> raw(kBlockBytes / 2);
    std::vector<std::uint8_t> memory(8000, 0);
    PlaybackHeader playHeader;
    playHeader.data = memory.data();
    playHeader.bufferLength = static_cast<std::uint32_t>(memory.size());
    auto cycle = [&] {
        const CaptureHandle h = input->open(0, CaptureFormat::stereo16(44100));
        ASSERT_NE(h, 0u);
        input->start(h);
        CaptureHeader header;
        ASSERT_TRUE(recordBlock(h, raw, header));
        input->reset(h);
        input->close(h);
        int returned = 0;
        PlaybackHandle ph = 0;
        ASSERT_EQ(output->open(ph, 0, PlaybackFormat{}, [&](PlaybackHeader&) { ++returned; }), 0);
        output->prepareHeader(ph, playHeader);
        output->write(ph, playHeader);
        ASSERT_TRUE(loop.runUntil([&] { return returned == 1; }, 2000));
        output->reset(ph);
        output->unprepareHeader(ph, playHeader);
        output->close(ph);
    };
    cycle(); // the first open loads what ALSA keeps for the process
    const int fds = openFileDescriptors();
    const int threadCount = liveThreads();
    for (int i = 0; i < 100; ++i) {
        cycle();
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(openFileDescriptors(), fds);
    EXPECT_EQ(liveThreads(), threadCount);
}

TEST_F(PortAudioNull, CatalogueListsRealDevicesFirstAndTheLoopbackLast) {
    SimulatedAudio loopIn(loop);
    SimulatedOutput loopOut(loop);
    loopIn.setInputDevices({"Simulated loopback"});
    DeviceCatalogue catalogue(loop, loopIn, loopOut, session);
    const int real = static_cast<int>(session->inputs().size());
    EXPECT_EQ(catalogue.loopbackInputPosition(), real);
    EXPECT_EQ(catalogue.loopbackOutputPosition(), static_cast<int>(session->outputs().size()));
    AudioInput& in = catalogue.input();
    ASSERT_EQ(in.deviceCount(), real + 1);
    EXPECT_EQ(in.deviceName(0), session->inputs()[0].name);
    EXPECT_EQ(in.deviceName(real), "Simulated loopback");

    // The last position opens the simulated device, the first a real one.
    const CaptureHandle sim = in.open(real, CaptureFormat::stereo16(44100));
    ASSERT_NE(sim, 0u);
    EXPECT_TRUE(loopIn.isOpen());
    EXPECT_EQ(loopIn.lastOpenedDevice(), 0);
    const CaptureHandle hw = in.open(0, CaptureFormat::stereo16(44100));
    ASSERT_NE(hw, 0u);
    EXPECT_NE(hw, sim);
    in.close(sim);
    EXPECT_FALSE(loopIn.isOpen());
    EXPECT_EQ(loopIn.openCount(), 1);
    in.close(hw);

    PlaybackHandle ph = 0;
    AudioOutput& out = catalogue.output();
    ASSERT_EQ(out.open(ph, catalogue.loopbackOutputPosition(), PlaybackFormat{}, {}), 0);
    EXPECT_TRUE(loopOut.isOpen());
    EXPECT_EQ(out.close(ph), 0);
    EXPECT_FALSE(loopOut.isOpen());
    EXPECT_EQ(out.close(ph), playback_error::InvalidHandle);

    const std::string text = listDevicesText(in, out);
    EXPECT_NE(text.find("Input devices (InputDeviceId):\n  0  " + session->inputs()[0].name),
              std::string::npos);
    EXPECT_NE(text.find("  " + std::to_string(real) + "  Simulated loopback\nOutput devices"),
              std::string::npos);
}

} // namespace

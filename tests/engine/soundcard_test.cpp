// The sound card setup logic, the stall limit of capture, and capture through
// the real PortAudio back end on ALSA's null device.

#include "engine/soundcard_setup.h"
#include "engine_fixture.h"
#include "platform/alsa_null_config.h"
#include "platform/device_catalogue.h"
#include "platform/qt_event_loop.h"
#include "platform/simulated_output.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

using enginetest::EngineFixture;

class Soundcard : public ::testing::Test, public EngineFixture {
protected:
    Soundcard() {
        audio.setInputDevices({"Line In", "Mic", "Simulated loopback"});
        output.setOutputDevices({"Speakers", "Simulated loopback"});
    }
    panel::Controls& box() { return setup.controls(); }

    // Starts capture as ON does and looks whether it runs at the given times
    // (the capture loop waits inside the start timer's tick, so the looks are
    // events of their own).
    std::vector<bool> capturingAt(const std::vector<int>& timesMs) {
        std::vector<bool> seen(timesMs.size());
        for (std::size_t i = 0; i < timesMs.size(); ++i)
            loop.post([this, &seen, i] { seen[i] = analyzer.capturing(); }, timesMs[i]);
        analyzer.startCaptureTimer();
        loop.advance(timesMs.back() + 1000);
        return seen;
    }

    platform::SimulatedOutput output{loop};
    engine::SoundcardSetup setup{panel, audio, output, &loop};
};

TEST_F(Soundcard, OpeningShowsTheSettingsAndBothDeviceLists) {
    settings().rateOffsets = {0, 0, 0, -1.5, 0.25, 0, 3};
    settings().DiscardCheck = 0;
    settings().OutputDeviceId = 1;
    settings().InputDeviceId = 2;
    setup.open();
    EXPECT_EQ(box()["Offset44txt"].text(), "-1.5");
    EXPECT_EQ(box()["Offset48txt"].text(), "0.25");
    EXPECT_EQ(box()["Offset96txt"].text(), "3");
    EXPECT_EQ(box()["Offset11txt"].text(), "0");
    EXPECT_FALSE(box()["DiscardCheck"].checked());
    EXPECT_EQ(box()["List1"].items(), (std::vector<std::string>{"Speakers", "Simulated loopback"}));
    EXPECT_EQ(box()["List1"].value(), 1);
    EXPECT_EQ(box()["List2"].items().size(), 3u);
    EXPECT_EQ(box()["List2"].value(), 2);
    // Opening changes no setting.
    EXPECT_EQ(settings().rateOffsets[4], 0.25);
    EXPECT_EQ(settings().OutputDeviceId, 1);
    EXPECT_EQ(settings().InputDeviceId, 2);

    // A position beyond the list selects nothing and keeps the setting.
    settings().InputDeviceId = 7;
    setup.open();
    EXPECT_EQ(box()["List2"].value(), -1);
    EXPECT_EQ(settings().InputDeviceId, 7);
}

TEST_F(Soundcard, ClicksStoreDevicesAndDiscardAtOnce) {
    setup.open();
    box()["List1"].setValue(0);
    box()["List2"].setValue(1);
    EXPECT_EQ(settings().OutputDeviceId, 0);
    EXPECT_EQ(settings().InputDeviceId, 1);
    ASSERT_TRUE(box()["DiscardCheck"].checked()); // default 1
    box()["DiscardCheck"].click();
    EXPECT_EQ(settings().DiscardCheck, 0);
    box()["DiscardCheck"].click();
    EXPECT_EQ(settings().DiscardCheck, 1);
    // The next capture opens the chosen input.
    analyzer.setBlockObserver([this](std::int64_t) { analyzer.DoStop(); });
    analyzer.startCaptureTimer();
    loop.advance(700);
    EXPECT_EQ(audio.lastOpenedDevice(), 1);
    EXPECT_EQ(analyzer.blocksAnalysed(), 1);
}

struct OffsetCase {
    const char* text;
    double dB;
};

class OffsetBox : public Soundcard, public ::testing::WithParamInterface<OffsetCase> {};

// Every keystroke stores the leading number of the box's text.
TEST_P(OffsetBox, StoresTheLeadingNumberOfEachBox) {
    setup.open();
    for (std::size_t i = 0; i < engine::kOffsetBoxes.size(); ++i) {
        settings().rateOffsets[i] = 99;
        box()[engine::kOffsetBoxes[i]].setText(GetParam().text);
        EXPECT_EQ(settings().rateOffsets[i], GetParam().dB) << engine::kOffsetBoxes[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, OffsetBox,
                         ::testing::Values(OffsetCase{"-1.5", -1.5}, OffsetCase{"6", 6},
                                           OffsetCase{"6 dB", 6}, OffsetCase{" 2.5", 2.5},
                                           OffsetCase{"-", 0}, OffsetCase{"abc", 0},
                                           OffsetCase{"", 0}, OffsetCase{"1e1", 10}));

// With a limit of five blocks, a device that stops delivering stops capture
// five block durations after the block was queued.
TEST_F(Soundcard, AStalledBlockStopsCaptureAfterFiveBlockDurations) {
    analyzer.setStallLimit(5, 0);
    audio.setStalled(true);
    // Capture opens at 500 ms; 4596 frames at 44100 Hz make 104.2 ms a
    // block, five of them 522 ms.
    EXPECT_EQ(capturingAt({500 + 520, 500 + 523}), (std::vector<bool>{true, false}));
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{engine::kInputStalledMessage});
    // The floor holds when five blocks take less (times from now on).
    analyzer.setStallLimit(5, 2000);
    EXPECT_EQ(capturingAt({500 + 1990, 500 + 2010}), (std::vector<bool>{true, false}));
    EXPECT_EQ(dialogs.messageTexts().size(), 2u);
    // The instrument stays usable: the device recovers and capture runs again.
    audio.setStalled(false);
    analyzer.setBlockObserver([this](std::int64_t) { analyzer.DoStop(); });
    analyzer.startCaptureTimer();
    loop.advance(1000);
    EXPECT_EQ(analyzer.blocksAnalysed(), 1);
    EXPECT_EQ(dialogs.messageTexts().size(), 2u);
}

// The analyzer on the real back end (PortAudio, ALSA's null device) behind
// the device catalogue, in real time.
class RealCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_engine";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        platformtest::useAlsaNullDevices();
    }

    platform::QtEventLoop loop;
    platform::ScriptedDialogs dialogs;
    enginetest::ForwardingHooks hooks;
    panel::Panel panel{loop, dialogs, &hooks};
    platform::SimulatedAudio loopIn{loop};
    platform::SimulatedOutput loopOut{loop};
    std::shared_ptr<platform::PortAudioSession> session =
        std::make_shared<platform::PortAudioSession>();
    platform::DeviceCatalogue catalogue{loop, loopIn, loopOut, session};
    engine::Analyzer analyzer{loop, dialogs, panel, catalogue.input()};
};

TEST_F(RealCapture, ARefusedRateShowsTheOpenFailureAndTheNextRateWorks) {
    ASSERT_TRUE(session->ok()) << session->error();
    hooks.analyzer = &analyzer;
    analyzer.setStallLimit(5, 1000);
    ASSERT_TRUE(analyzer.InitDevices());
    EXPECT_EQ(analyzer.inputDeviceNames().back(), "Simulated loopback");
    panel.settings.InputDeviceId = 0; // the first real device
    panel.settings.SampleRate = 1;
    analyzer.GetData();
    EXPECT_FALSE(analyzer.capturing());
    EXPECT_EQ(dialogs.messageTexts(), std::vector<std::string>{engine::kInputDidNotOpenMessage});

    panel.settings.SampleRate = 48000;
    analyzer.setBlockObserver([&](std::int64_t block) {
        if (block == 3) analyzer.DoStop();
    });
    analyzer.GetData(); // capture runs on the loop's events until the third block
    loop.runUntil([&] { return !analyzer.capturing(); }, 10000);
    EXPECT_EQ(analyzer.blocksAnalysed(), 3);
    EXPECT_EQ(dialogs.messageTexts().size(), 1u);
    EXPECT_FALSE(analyzer.capturing());
}

} // namespace

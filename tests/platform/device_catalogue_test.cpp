// The device lists without real devices, the sound system failure, and the
// --device argument.

#include "alsa_null_config.h"
#include "platform/device_catalogue.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using namespace platform;

TEST(DeviceCatalogue, WithoutRealDevicesTheLoopbackIsPositionZero) {
    VirtualEventLoop loop;
    SimulatedAudio loopIn(loop);
    SimulatedOutput loopOut(loop);
    DeviceCatalogue catalogue(loop, loopIn, loopOut, nullptr);
    EXPECT_EQ(catalogue.loopbackInputPosition(), 0);
    EXPECT_EQ(catalogue.loopbackOutputPosition(), 0);
    EXPECT_EQ(catalogue.input().deviceCount(), 1);
    EXPECT_EQ(catalogue.realOutput(), nullptr);
    EXPECT_NE(catalogue.input().open(0, CaptureFormat::stereo16(44100)), 0u);
    EXPECT_EQ(catalogue.input().open(1, CaptureFormat::stereo16(44100)), 0u);
    ScriptedDialogs dialogs;
    EXPECT_FALSE(catalogue.reportSoundSystemFailure(dialogs));
    EXPECT_TRUE(dialogs.messageTexts().empty());
}

// PortAudio itself fails (its ALSA back end cannot read the configuration):
// the program goes on with the loopback at position 0 and says so once, with
// ALSA's reason.
TEST(DeviceCatalogue, AFailedSoundSystemIsReportedOnceAndLeavesTheLoopback) {
    platformtest::useBrokenAlsaConfig();
    auto session = std::make_shared<PortAudioSession>();
    platformtest::useAlsaNullDevices();
    ASSERT_FALSE(session->ok());
    EXPECT_NE(session->error().find("; ALSA: "), std::string::npos) << session->error();
    VirtualEventLoop loop;
    SimulatedAudio loopIn(loop);
    SimulatedOutput loopOut(loop);
    DeviceCatalogue catalogue(loop, loopIn, loopOut, session);
    EXPECT_EQ(catalogue.input().deviceCount(), 1);
    EXPECT_EQ(catalogue.output().deviceCount(), 1);
    EXPECT_EQ(catalogue.loopbackInputPosition(), 0);
    ScriptedDialogs dialogs;
    EXPECT_TRUE(catalogue.reportSoundSystemFailure(dialogs));
    EXPECT_FALSE(catalogue.reportSoundSystemFailure(dialogs));
    ASSERT_EQ(dialogs.messageTexts().size(), 1u);
    EXPECT_EQ(dialogs.messageTexts()[0], soundSystemFailedMessage(session->error()));
    PlaybackHandle h = 0;
    EXPECT_EQ(catalogue.output().open(h, 0, PlaybackFormat{}, {}), 0);
    EXPECT_TRUE(loopOut.isOpen());
}

// Probing finds what is there and says nothing of what is not: neither
// ALSA's complaints about missing cards nor JACK's about a missing server
// reach stderr.
TEST(DeviceCatalogue, ProbingCardsThatAreNotThereIsQuiet) {
    platformtest::useAlsaDevicesOfMissingCards();
    ::testing::internal::CaptureStderr();
    auto session = std::make_shared<PortAudioSession>();
    const std::string said = ::testing::internal::GetCapturedStderr();
    platformtest::useAlsaNullDevices();
    ASSERT_TRUE(session->ok()) << session->error();
    ASSERT_EQ(session->inputs().size(), 1u);
    EXPECT_EQ(session->inputs()[0].name, "ALSA: arv1_null");
    EXPECT_EQ(said, "");
}

// Refresh takes the lists anew without a restart: a sound system that failed
// at start-up comes up, and the loopback moves behind the devices found.
// It refuses while a real device is open.
TEST(DeviceCatalogue, RefreshTakesTheListsAnewUnlessADeviceIsOpen) {
    platformtest::useBrokenAlsaConfig();
    VirtualEventLoop loop;
    SimulatedAudio loopIn(loop);
    SimulatedOutput loopOut(loop);
    DeviceCatalogue catalogue(loop, loopIn, loopOut, std::make_shared<PortAudioSession>());
    ASSERT_FALSE(catalogue.soundSystemError().empty());
    ASSERT_EQ(catalogue.input().deviceCount(), 1);

    platformtest::useAlsaNullDevices();
    ASSERT_EQ(catalogue.refresh([] { return std::make_shared<PortAudioSession>(); }), "");
    EXPECT_TRUE(catalogue.soundSystemError().empty());
    EXPECT_EQ(catalogue.loopbackInputPosition(), catalogue.input().deviceCount() - 1);
    EXPECT_GE(catalogue.loopbackInputPosition(), 1);
    std::vector<std::string> names;
    for (int i = 0; i < catalogue.input().deviceCount(); ++i)
        names.push_back(catalogue.input().deviceName(i).value_or(""));
    EXPECT_NE(std::find(names.begin(), names.end(), "ALSA: arv1_null"), names.end());
    EXPECT_EQ(catalogue.input().deviceName(catalogue.loopbackInputPosition()),
              "Simulated loopback");

    const int null =
        static_cast<int>(std::find(names.begin(), names.end(), "ALSA: arv1_null") - names.begin());
    const CaptureHandle open = catalogue.input().open(null, CaptureFormat::stereo16(44100));
    ASSERT_NE(open, 0u);
    EXPECT_EQ(catalogue.refresh([] { return std::make_shared<PortAudioSession>(); }),
              kDeviceOpenRefusal);
    catalogue.input().close(open);
    EXPECT_EQ(catalogue.refresh([] { return nullptr; }), "");
    EXPECT_EQ(catalogue.input().deviceCount(), 1);
    EXPECT_EQ(catalogue.realOutput(), nullptr);
}

TEST(DeviceCatalogue, DescribesEachDevicesHostApi) {
    auto label = [](std::string_view entry) {
        const DeviceLabel l = describeDevice(entry);
        return l.hostApi + " | " + l.name;
    };
    EXPECT_EQ(label("ALSA: HDA Intel PCH: ALC892 Analog (hw:0,0)"),
              "ALSA | HDA Intel PCH: ALC892 Analog (hw:0,0)");
    EXPECT_EQ(label("ALSA: pulse"), "PulseAudio (ALSA) | pulse");
    EXPECT_EQ(label("ALSA: pipewire"), "PipeWire (ALSA) | pipewire");
    EXPECT_EQ(label("JACK Audio Connection Kit: system"), "JACK | system");
    EXPECT_EQ(label("Simulated loopback"), "Simulated | Simulated loopback");
    EXPECT_EQ(label("Line In"), " | Line In");
}

struct ChoiceCase {
    const char* text;
    bool ok;
    int input;
    int output;
};

class DeviceChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

// Three inputs and four outputs; the loopback is the last of each.
TEST_P(DeviceChoiceTest, ParsesPositionsAgainstTheLists) {
    const ChoiceCase& c = GetParam();
    const DeviceChoice choice = parseDeviceChoice(c.text, 3, 4, 2, 3);
    EXPECT_EQ(choice.ok, c.ok) << c.text << ": " << choice.error;
    EXPECT_EQ(choice.error.empty(), c.ok);
    if (!c.ok) return;
    EXPECT_EQ(choice.inputPosition, c.input);
    EXPECT_EQ(choice.outputPosition, c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeviceChoiceTest,
    ::testing::Values(ChoiceCase{"0", true, 0, 0}, ChoiceCase{"2", true, 2, 2},
                      ChoiceCase{"1,3", true, 1, 3}, ChoiceCase{"loopback", true, 2, 3},
                      ChoiceCase{"3", false, 0, 0}, // no input 3
                      ChoiceCase{"0,4", false, 0, 0}, ChoiceCase{"-1", false, 0, 0},
                      ChoiceCase{"1,", false, 0, 0}, ChoiceCase{"x", false, 0, 0},
                      ChoiceCase{"", false, 0, 0}, ChoiceCase{"1 ", false, 0, 0}));

} // namespace

#pragma once
// The sound card setup without its window: the output device (List1) used
// by playback, the input device (List2) used by capture, the 500-frame
// discard at the start of each block (DiscardCheck), and one level offset in
// dB per sample rate (Offset11txt .. Offset96txt, in the order of
// panel::kOffsetRates). Every control stores its setting at once; devices
// take effect at their next open, the discard and the offsets on the next
// block.
//
// List positions are device ids: a device whose name cannot be read is left
// out of the list, so positions equal ids as long as every name is readable.
//
// Beyond the classic dialog, for checking a card with a cable from its
// output to its input:
// - Test_cmd ("Test", then "Stop") switches the generator on as ON does,
//   with the panel's generator setting on the chosen output, and shows what
//   the chosen input receives: each channel's level, frequency and peak
//   (TestLevelL, TestLevelR), a lamp (TestLED: green with a signal, red when
//   the input clips) and a line of advice (TestStatus). Choosing another
//   device while testing restarts the generator on it. "Stop" (or closing the
//   dialog) switches the generator off again if the test switched it on.
// - Refresh_cmd takes the device lists again without a restart of the
//   program. The chosen devices keep their names; a chosen device that is no
//   longer there leaves its side with no device (the next ON then shows the
//   device's open failure) and DeviceNote says so.
//
// Thread: the instrument's thread only.

#include "panel/controls.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace panel {
class Panel;
}
namespace platform {
class AudioInput;
class AudioOutput;
class EventLoop;
class Timer;
} // namespace platform

namespace engine {

// The offset boxes, in the order of panel::kOffsetRates.
inline constexpr std::array<const char*, 7> kOffsetBoxes = {
    "Offset11txt", "Offset22txt", "Offset32txt", "Offset44txt",
    "Offset48txt", "Offset88txt", "Offset96txt"};

struct Readings;

// What the Test button drives: the main panel's generator and capture.
class SoundcardTest {
public:
    virtual ~SoundcardTest() = default;
    virtual bool generatorOn() const = 0;
    virtual void switchOn() = 0;  // as the ON button
    virtual void switchOff() = 0; // as the OFF button
    virtual bool capturing() const = 0;
    virtual const Readings& readings() const = 0;
};

inline constexpr const char* kTestCaption = "Test";
inline constexpr const char* kStopTestCaption = "Stop";
inline constexpr int kTestUpdateMs = 250;

class SoundcardSetup {
public:
    // loop (optional) lets pending events run while the output list fills.
    SoundcardSetup(panel::Panel& panel, platform::AudioInput& input, platform::AudioOutput& output,
                   platform::EventLoop* loop = nullptr);
    ~SoundcardSetup();
    SoundcardSetup(const SoundcardSetup&) = delete;
    SoundcardSetup& operator=(const SoundcardSetup&) = delete;

    // List1, List2 (lists: value = selected position), DiscardCheck (check
    // box), Offset11txt .. Offset96txt (text boxes); Test_cmd, Refresh_cmd
    // (buttons), TestLED, TestLevelL, TestLevelR, TestStatus, DeviceNote
    // (labels).
    panel::Controls& controls() { return controls_; }

    // The Test button's generator and capture (without it the button is
    // disabled; it needs the event loop too).
    void setTest(SoundcardTest* test);
    // Takes the device lists anew (the sound system restarts); returns "" or
    // why it could not, which DeviceNote shows. Without it Refresh only lists
    // the devices again.
    void setRefresh(std::function<std::string()> refresh) { refresh_ = std::move(refresh); }

    // Opening the dialog: the offsets as text, the discard tick, both device
    // lists with the current devices selected.
    void open();

    // Selecting a list entry (by the user or by open) raises these.
    void List1_Click();
    void List2_Click();
    void DiscardCheck_Click();
    // A keystroke in offset box `index` (0..6): the leading number of the
    // text, 0 when it does not begin with a number.
    void Offset_Change(std::size_t index);
    void Test_Click();
    void Refresh_Click();
    // The dialog closes: a running test stops.
    void close();
    bool testing() const { return testing_; }

private:
    void createControls();
    void fillLists();
    void stopTest();
    void showTestReadings();
    void restartTestOnNewDevice();

    panel::Panel& panel_;
    platform::AudioInput& input_;
    platform::AudioOutput& output_;
    platform::EventLoop* loop_;
    panel::Controls controls_;
    bool filling_ = false; // open() writes the offset texts from the settings
    bool listing_ = false; // the lists are being filled
    SoundcardTest* test_ = nullptr;
    std::function<std::string()> refresh_;
    std::unique_ptr<platform::Timer> testTimer_;
    bool testing_ = false;
    bool testSwitchedOn_ = false; // the test switched the generator on
    std::int64_t testStartedMs_ = 0;
};

} // namespace engine

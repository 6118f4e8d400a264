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
// Thread: the instrument's thread only.

#include "panel/controls.h"

#include <array>

namespace panel {
class Panel;
}
namespace platform {
class AudioInput;
class AudioOutput;
class EventLoop;
} // namespace platform

namespace engine {

// The offset boxes, in the order of panel::kOffsetRates.
inline constexpr std::array<const char*, 7> kOffsetBoxes = {
    "Offset11txt", "Offset22txt", "Offset32txt", "Offset44txt",
    "Offset48txt", "Offset88txt", "Offset96txt"};

class SoundcardSetup {
public:
    // loop (optional) lets pending events run while the output list fills.
    SoundcardSetup(panel::Panel& panel, platform::AudioInput& input, platform::AudioOutput& output,
                   platform::EventLoop* loop = nullptr);
    SoundcardSetup(const SoundcardSetup&) = delete;
    SoundcardSetup& operator=(const SoundcardSetup&) = delete;

    // List1, List2 (lists: value = selected position), DiscardCheck (check
    // box), Offset11txt .. Offset96txt (text boxes).
    panel::Controls& controls() { return controls_; }

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

private:
    void createControls();

    panel::Panel& panel_;
    platform::AudioInput& input_;
    platform::AudioOutput& output_;
    platform::EventLoop* loop_;
    panel::Controls controls_;
    bool filling_ = false; // open() writes the offset texts from the settings
};

} // namespace engine

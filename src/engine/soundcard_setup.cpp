#include "engine/soundcard_setup.h"

#include "common/text.h"
#include "panel/panel.h"
#include "platform/audio_device.h"
#include "platform/audio_output.h"
#include "platform/event_loop.h"

namespace engine {

SoundcardSetup::SoundcardSetup(panel::Panel& panel, platform::AudioInput& input,
                               platform::AudioOutput& output, platform::EventLoop* loop)
    : panel_(panel), input_(input), output_(output), loop_(loop) {
    createControls();
}

void SoundcardSetup::createControls() {
    using K = panel::ControlKind;
    panel::Controls& c = controls_;
    panel::Control& list1 = c.add("List1", K::ComboBox);
    list1.onChange([this] { List1_Click(); });
    list1.onClick([this] { List1_Click(); });
    panel::Control& list2 = c.add("List2", K::ComboBox);
    list2.onChange([this] { List2_Click(); });
    list2.onClick([this] { List2_Click(); });
    c.add("DiscardCheck", K::CheckBox).onChange([this] { DiscardCheck_Click(); });
    for (std::size_t i = 0; i < kOffsetBoxes.size(); ++i)
        c.add(kOffsetBoxes[i], K::TextBox).onChange([this, i] { Offset_Change(i); });
}

void SoundcardSetup::open() {
    panel::PanelSettings& s = panel_.settings;
    panel::Controls& c = controls_;
    filling_ = true;
    for (std::size_t i = 0; i < kOffsetBoxes.size(); ++i)
        c[kOffsetBoxes[i]].setText(common::displayText(s.rateOffsets[i]));
    filling_ = false;
    c["DiscardCheck"].setChecked(s.DiscardCheck == 1);

    // The selection raises the list's click, which stores the same position.
    panel::Control& list1 = c["List1"];
    list1.setItems({});
    std::vector<std::string> outputs;
    const int outputCount = output_.deviceCount();
    for (int i = 0; i < outputCount; ++i) {
        if (auto name = output_.deviceName(i)) {
            outputs.push_back(std::move(*name));
            list1.setItems(outputs);
        }
        if (loop_) loop_->pumpEvents();
    }
    const int outputId = panel_.settings.OutputDeviceId;
    const bool outputListed = outputId >= 0 && outputId < static_cast<int>(list1.items().size());
    list1.setValue(outputListed ? outputId : -1);

    panel::Control& list2 = c["List2"];
    std::vector<std::string> inputs;
    const int inputCount = input_.deviceCount();
    for (int i = 0; i < inputCount; ++i)
        if (auto name = input_.deviceName(i)) inputs.push_back(std::move(*name));
    list2.setItems(std::move(inputs));
    const int inputId = panel_.settings.InputDeviceId;
    const bool inputListed = inputId >= 0 && inputId < static_cast<int>(list2.items().size());
    list2.setValue(inputListed ? inputId : -1);
}

void SoundcardSetup::List1_Click() {
    const int position = controls_["List1"].value();
    if (position >= 0) panel_.settings.OutputDeviceId = position;
}

void SoundcardSetup::List2_Click() {
    const int position = controls_["List2"].value();
    if (position >= 0) panel_.settings.InputDeviceId = position;
}

void SoundcardSetup::DiscardCheck_Click() {
    panel_.settings.DiscardCheck = controls_["DiscardCheck"].checked() ? 1 : 0;
}

void SoundcardSetup::Offset_Change(std::size_t index) {
    if (filling_ || index >= kOffsetBoxes.size()) return;
    panel_.settings.rateOffsets[index] =
        common::leadingNumber(controls_[kOffsetBoxes[index]].text());
}

} // namespace engine

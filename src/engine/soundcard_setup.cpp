#include "engine/soundcard_setup.h"

#include "common/text.h"
#include "engine/readings.h"
#include "panel/panel.h"
#include "platform/audio_device.h"
#include "platform/audio_output.h"
#include "platform/event_loop.h"

#include <cmath>
#include <limits>

namespace engine {

SoundcardSetup::SoundcardSetup(panel::Panel& panel, platform::AudioInput& input,
                               platform::AudioOutput& output, platform::EventLoop* loop)
    : panel_(panel), input_(input), output_(output), loop_(loop) {
    createControls();
}

SoundcardSetup::~SoundcardSetup() = default;

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

    panel::Control& test = c.add("Test_cmd", K::Button);
    test.setCaption(kTestCaption);
    test.setEnabled(false);
    test.onClick([this] { Test_Click(); });
    c.add("Refresh_cmd", K::Button).setCaption("Refresh");
    c["Refresh_cmd"].onClick([this] { Refresh_Click(); });
    c.add("TestLED", K::Label).setColour(panel::colour::DarkCyan);
    c.add("TestLevelL", K::Label);
    c.add("TestLevelR", K::Label);
    c.add("TestStatus", K::Label);
    c.add("DeviceNote", K::Label);
    showTestReadings();
}

void SoundcardSetup::setTest(SoundcardTest* test) {
    test_ = test;
    controls_["Test_cmd"].setEnabled(test_ && loop_);
    if (test_ && loop_ && !testTimer_)
        testTimer_ = loop_->createTimer(kTestUpdateMs, [this] { showTestReadings(); });
}

void SoundcardSetup::open() {
    panel::PanelSettings& s = panel_.settings;
    panel::Controls& c = controls_;
    filling_ = true;
    for (std::size_t i = 0; i < kOffsetBoxes.size(); ++i)
        c[kOffsetBoxes[i]].setText(common::displayText(s.rateOffsets[i]));
    filling_ = false;
    c["DiscardCheck"].setChecked(s.DiscardCheck == 1);

    controls_["DeviceNote"].setCaption("");
    fillLists();
}

void SoundcardSetup::fillLists() {
    panel::Controls& c = controls_;
    listing_ = true;
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
    listing_ = false;
}

void SoundcardSetup::List1_Click() {
    const int position = controls_["List1"].value();
    if (position < 0) return;
    const bool changed = panel_.settings.OutputDeviceId != position;
    panel_.settings.OutputDeviceId = position;
    if (changed && !listing_) restartTestOnNewDevice();
}

void SoundcardSetup::List2_Click() {
    const int position = controls_["List2"].value();
    if (position < 0) return;
    const bool changed = panel_.settings.InputDeviceId != position;
    panel_.settings.InputDeviceId = position;
    if (changed && !listing_) restartTestOnNewDevice();
}

void SoundcardSetup::DiscardCheck_Click() {
    panel_.settings.DiscardCheck = controls_["DiscardCheck"].checked() ? 1 : 0;
}

void SoundcardSetup::Offset_Change(std::size_t index) {
    if (filling_ || index >= kOffsetBoxes.size()) return;
    panel_.settings.rateOffsets[index] =
        common::leadingNumber(controls_[kOffsetBoxes[index]].text());
}

// --- Test -------------------------------------------------------------------

namespace {

constexpr double kFullScalePeakToPeak = 65535;
constexpr double kNoSignalDbfs = -60;   // below this a channel counts as silent
constexpr double kFullScaleDbfs = -0.1; // within about one percent of full scale

// The peak of a block relative to the converter's full scale.
double peakDbfs(std::int32_t peakToPeak) {
    if (peakToPeak <= 0) return -std::numeric_limits<double>::infinity();
    return 20 * std::log10(peakToPeak / kFullScalePeakToPeak);
}

std::string channelText(double levelDb, double frequency, double peak) {
    std::string text = std::isfinite(levelDb) ? common::Format(levelDb, "0.00") + " dBr" : "- dBr";
    text += "   " + common::Format(frequency, "0.0") + " Hz   peak ";
    text += std::isfinite(peak) ? common::Format(peak, "0.0") + " dBFS" : "silent";
    return text;
}

} // namespace

void SoundcardSetup::Test_Click() {
    if (testing_) {
        stopTest();
        return;
    }
    if (!test_ || !loop_) return;
    testing_ = true;
    testSwitchedOn_ = !test_->generatorOn();
    if (testSwitchedOn_) test_->switchOn();
    testStartedMs_ = loop_->nowMs();
    controls_["Test_cmd"].setCaption(kStopTestCaption);
    testTimer_->setEnabled(true);
    showTestReadings();
}

void SoundcardSetup::stopTest() {
    if (!testing_) return;
    testing_ = false;
    if (testTimer_) testTimer_->setEnabled(false);
    if (testSwitchedOn_ && test_ && test_->generatorOn()) test_->switchOff();
    testSwitchedOn_ = false;
    controls_["Test_cmd"].setCaption(kTestCaption);
    showTestReadings();
}

void SoundcardSetup::close() {
    stopTest();
}

void SoundcardSetup::restartTestOnNewDevice() {
    if (!testing_ || !test_ || !test_->generatorOn()) return;
    test_->switchOff();
    test_->switchOn();
    testStartedMs_ = loop_->nowMs();
}

void SoundcardSetup::showTestReadings() {
    panel::Controls& c = controls_;
    if (!testing_) {
        c["TestLED"].setColour(panel::colour::DarkCyan);
        c["TestLevelL"].setCaption("L  -");
        c["TestLevelR"].setCaption("R  -");
        c["TestStatus"].setCaption("Test plays the generator's signal on the output device and "
                                   "shows what the input device receives.");
        return;
    }
    if (!test_->generatorOn()) {
        // Switched off from the panel, or the output failed.
        testSwitchedOn_ = false;
        stopTest();
        c["TestStatus"].setCaption("The generator is off: the test has ended.");
        return;
    }
    const Readings& r = test_->readings();
    const bool waiting = loop_->nowMs() - testStartedMs_ < 2 * kTestUpdateMs + 500;
    if (!test_->capturing()) {
        c["TestLED"].setColour(panel::colour::DarkCyan);
        c["TestStatus"].setCaption(waiting ? "Starting..."
                                           : "The input device is not recording: choose "
                                             "another input device or sample rate.");
        return;
    }
    const double peakL = peakDbfs(r.PeakPeakL), peakR = peakDbfs(r.PeakPeakR);
    c["TestLevelL"].setCaption("L  " + channelText(r.LevelDbL, r.FreqL, peakL));
    c["TestLevelR"].setCaption("R  " + channelText(r.LevelDbR, r.FreqR, peakR));
    const bool clipping = peakL >= kFullScaleDbfs || peakR >= kFullScaleDbfs;
    const bool silentL = !(peakL > kNoSignalDbfs), silentR = !(peakR > kNoSignalDbfs);
    if (clipping) {
        c["TestLED"].setColour(panel::colour::Red);
        c["TestStatus"].setCaption(
            "The input is at full scale and may clip: turn the output or the capture "
            "volume down.");
    } else if (silentL && silentR) {
        c["TestLED"].setColour(panel::colour::DarkCyan);
        c["TestStatus"].setCaption("No signal at the input: check the cable, the mixer's capture "
                                   "source and the capture volume.");
    } else {
        c["TestLED"].setColour(panel::colour::Green);
        c["TestStatus"].setCaption(silentL   ? "Signal on the right channel only."
                                   : silentR ? "Signal on the left channel only."
                                             : "Signal on both channels.");
    }
}

// --- Refresh ------------------------------------------------------------------

void SoundcardSetup::Refresh_Click() {
    panel::PanelSettings& s = panel_.settings;
    // The chosen devices by the names the lists show.
    auto shown = [this](const char* list, int position) -> std::optional<std::string> {
        const auto& items = controls_[list].items();
        if (position < 0 || position >= static_cast<int>(items.size())) return std::nullopt;
        return items[static_cast<std::size_t>(position)];
    };
    const auto outputName = shown("List1", s.OutputDeviceId);
    const auto inputName = shown("List2", s.InputDeviceId);
    stopTest();
    std::string note;
    if (refresh_) {
        // Devices must be closed for the sound system to restart.
        if (test_ && test_->generatorOn()) test_->switchOff();
        note = refresh_();
        if (!note.empty()) note += ' ';
    }
    // The chosen devices keep their names.
    auto position = [](auto& device, const std::optional<std::string>& name) {
        const int count = device.deviceCount();
        for (int i = 0; name && i < count; ++i)
            if (device.deviceName(i) == name) return i;
        return -1;
    };
    if (outputName) {
        s.OutputDeviceId = position(output_, outputName);
        if (s.OutputDeviceId < 0)
            note += "The output device \"" + *outputName + "\" is no longer there. ";
    }
    if (inputName) {
        s.InputDeviceId = position(input_, inputName);
        if (s.InputDeviceId < 0)
            note += "The input device \"" + *inputName + "\" is no longer there. ";
    }
    fillLists();
    while (!note.empty() && note.back() == ' ')
        note.pop_back();
    controls_["DeviceNote"].setCaption(note);
}

} // namespace engine

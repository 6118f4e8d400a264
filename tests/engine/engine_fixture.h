#pragma once
// A panel with the analyzer wired in, on virtual time with a simulated input.

#include "engine/analyzer.h"
#include "panel/hooks.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/virtual_event_loop.h"

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace enginetest {

struct ForwardingHooks : panel::PanelHooks {
    engine::Analyzer* analyzer = nullptr;
    void InitGetData() override {
        if (analyzer) analyzer->InitGetData();
    }
    void DoStop() override {
        if (analyzer) analyzer->DoStop();
    }
};

class EngineFixture {
public:
    EngineFixture() { hooks.analyzer = &analyzer; }

    panel::Controls& controls() { return panel.controls(); }
    panel::PanelSettings& settings() { return panel.settings; }
    const engine::Readings& r() const { return analyzer.readings(); }

    // Fills the block as the device records it at the current size and
    // discard setting; sample(frame) gives the left and right values.
    void fill(const std::function<std::pair<double, double>(int)>& sample) {
        auto& raw = analyzer.block().Raw;
        std::fill(raw.begin(), raw.end(), std::int16_t{0});
        const int frames =
            engine::blockBytes(settings().SampleSize, settings().DiscardCheck == 1) / 4;
        for (int f = 0; f < frames; ++f) {
            const auto [l, rr] = sample(f);
            raw[static_cast<std::size_t>(2 * f)] = clip(l);
            raw[static_cast<std::size_t>(2 * f + 1)] = clip(rr);
        }
    }
    // A cosine on both channels.
    void fillTone(double freqHz, double amplitude, int phaseFrame = 0) {
        const double rate = settings().SampleRate;
        fill([=](int f) {
            const double v =
                amplitude * std::cos(2 * std::numbers::pi * freqHz * (f - phaseFrame) / rate);
            return std::pair{v, v};
        });
    }
    void fillSilence() {
        fill([](int) { return std::pair{0.0, 0.0}; });
    }

    // Switches a readout slot on with the given mode, unit and channel.
    void readout(int slot, const std::string& mode, const std::string& unit, int channel = 0) {
        const std::string s = std::to_string(slot);
        controls()["Readoutmd" + s].setText(mode);
        controls()["Readoutun" + s].setText(unit);
        controls()["Readoutch" + s].setValue(channel);
        if (settings().readouts[static_cast<std::size_t>(slot - 1)].on != 1)
            analyzer.ReadoutOn_Click(slot);
    }
    std::string caption(int slot) { return controls()["Readout" + std::to_string(slot)].caption(); }
    std::string unit(int slot) { return controls()["Readoutun" + std::to_string(slot)].text(); }

    void usePeakDetector() {
        settings().peakDetector = 1;
        settings().rmsDetector = 0;
    }

    static std::int16_t clip(double v) {
        return static_cast<std::int16_t>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
    }

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    ForwardingHooks hooks;
    panel::Panel panel{loop, dialogs, &hooks};
    platform::SimulatedAudio audio{loop};
    engine::Analyzer analyzer{loop, dialogs, panel, audio};
};

} // namespace enginetest

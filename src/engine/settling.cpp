#include "engine/settling.h"

#include "panel/panel.h"
#include "platform/file_choice.h"

namespace engine {

SettlingEditor::SettlingEditor(panel::Panel& panel, platform::Dialogs& dialogs)
    : panel_(panel), dialogs_(dialogs) {
    createControls();
}

void SettlingEditor::createControls() {
    using K = panel::ControlKind;
    panel::Controls& c = controls_;
    panel::PanelSettings& s = panel_.settings;

    // Option buttons store their value when they become selected.
    auto option = [&](const char* name, const char* group, auto store) {
        panel::Control& button = c.add(name, K::OptionButton, group);
        button.onChange([this, &button, store] {
            if (!filling_ && button.checked()) store(panel_.settings);
        });
    };
    option("FastSettle_Option", "settle", [](panel::PanelSettings& p) { p.settleMode = 0; });
    option("MedSettle_Option", "settle", [](panel::PanelSettings& p) { p.settleMode = 1; });
    option("SlowSettle_Option", "settle", [](panel::PanelSettings& p) { p.settleMode = 2; });
    option("Settle73_Option", "settle", [](panel::PanelSettings& p) { p.settleMode = 3; });
    option("Avereadoption", "reading", [](panel::PanelSettings& p) { p.readingMode = 0; });
    option("minreadoption", "reading", [](panel::PanelSettings& p) { p.readingMode = 1; });
    option("peakleveloption", "detector", [](panel::PanelSettings& p) {
        p.peakDetector = 1;
        p.rmsDetector = 0;
    });
    option("rmsleveloption", "detector", [](panel::PanelSettings& p) {
        p.rmsDetector = 1;
        p.peakDetector = 0;
    });

    auto check = [&](const char* name, std::int16_t panel::PanelSettings::*field) {
        panel::Control& box = c.add(name, K::CheckBox);
        box.onChange([this, &box, field] {
            if (!filling_) panel_.settings.*field = box.checked() ? 1 : 0;
        });
    };
    check("PropSRcheckbox", &panel::PanelSettings::bestFitSampleRate);
    check("timecheck", &panel::PanelSettings::logTime);
    check("lvaluecheck", &panel::PanelSettings::logLevels);
    check("thdcheck", &panel::PanelSettings::logThd);

    // A name typed into a box is taken as it stands (the file dialogs only
    // choose files that exist).
    auto path = [&](const char* name, std::string panel::PanelSettings::*field) {
        panel::Control& box = c.add(name, K::TextBox);
        box.setText(s.*field);
        box.onChange([this, &box, field] {
            if (!filling_) panel_.settings.*field = box.text();
        });
    };
    path("Lognametextbox", &panel::PanelSettings::logFilePath);
    path("defdirtext", &panel::PanelSettings::defaultDataDirectory);
    c.add("Logbutton", K::Button).onClick([this] { Logbutton_Click(); });
    c.add("defdircmd", K::Button).onClick([this] { defdircmd_Click(); });
}

void SettlingEditor::open() {
    const panel::PanelSettings& s = panel_.settings;
    panel::Controls& c = controls_;
    filling_ = true;
    c["Lognametextbox"].setText(s.logFilePath);
    c["defdirtext"].setText(s.defaultDataDirectory);
    static constexpr const char* settleOptions[] = {"FastSettle_Option", "MedSettle_Option",
                                                    "SlowSettle_Option", "Settle73_Option"};
    for (int mode = 0; mode < 4; ++mode)
        if (s.settleMode == mode) c[settleOptions[mode]].setChecked(true);
    c[s.readingMode == 1 ? "minreadoption" : "Avereadoption"].setChecked(true);
    if (s.peakDetector == 1)
        c["peakleveloption"].setChecked(true);
    else if (s.rmsDetector == 1)
        c["rmsleveloption"].setChecked(true);
    c["PropSRcheckbox"].setChecked(s.bestFitSampleRate == 1);
    c["timecheck"].setChecked(s.logTime == 1);
    c["lvaluecheck"].setChecked(s.logLevels == 1);
    c["thdcheck"].setChecked(s.logThd == 1);
    filling_ = false;
}

void SettlingEditor::Logbutton_Click() {
    panel::PanelSettings& s = panel_.settings;
    const auto chosen =
        platform::chooseFile(dialogs_, false, kLogFileFilter, s.defaultDataDirectory);
    if (!chosen || chosen->empty())
        return; // cancelled, or the dialog failed: the previous name stays
    s.logFilePath = *chosen;
    controls_["Lognametextbox"].setText(s.logFilePath);
}

void SettlingEditor::defdircmd_Click() {
    panel::PanelSettings& s = panel_.settings;
    const auto chosen =
        platform::chooseFile(dialogs_, false, kDirectoryFilter, s.defaultDataDirectory);
    if (!chosen || chosen->empty()) return;
    s.defaultDataDirectory = *chosen;
    controls_["defdirtext"].setText(s.defaultDataDirectory);
}

} // namespace engine

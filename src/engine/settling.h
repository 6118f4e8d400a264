#pragma once
// The Settling Editor without its window: the settle mode, the reading mode
// of the sweep's THD reduction, the level detector, the proportional sample
// rate, the data-logging options, the log file and the default data
// directory. Its controls form a model of their own that a window binds to;
// every control stores its setting at once (the log file and the directory
// also as they are typed).
//
// Thread: the instrument's thread only.

#include "panel/controls.h"

namespace panel {
class Panel;
}
namespace platform {
class Dialogs;
}

namespace engine {

inline constexpr const char* kLogFileFilter = "Audio Data Log Files|*.log;";
inline constexpr const char* kDirectoryFilter = " |*.*;";

class SettlingEditor {
public:
    SettlingEditor(panel::Panel& panel, platform::Dialogs& dialogs);
    SettlingEditor(const SettlingEditor&) = delete;
    SettlingEditor& operator=(const SettlingEditor&) = delete;

    // FastSettle_Option .. Settle73_Option, Avereadoption, minreadoption,
    // peakleveloption, rmsleveloption (option buttons); PropSRcheckbox,
    // timecheck, lvaluecheck, thdcheck (check boxes); Lognametextbox,
    // defdirtext (text boxes); Logbutton, defdircmd (buttons).
    panel::Controls& controls() { return controls_; }

    // Opening the dialog: the texts and ticks show the current settings.
    void open();

    void Logbutton_Click();
    void defdircmd_Click();

private:
    void createControls();

    panel::Panel& panel_;
    platform::Dialogs& dialogs_;
    panel::Controls controls_;
    bool filling_ = false;
};

} // namespace engine

#pragma once
// The composition root of the instrument: the panel with its settings and
// files, and the subsystems wired behind it. MainPanel answers the panel's
// hooks by forwarding to the subsystem that owns each operation.
//
// Thread: the instrument's thread only.

#include "engine/analyzer.h"
#include "engine/settling.h"
#include "panel/hooks.h"
#include "panel/panel.h"

namespace platform {
class AudioInput;
class Dialogs;
class EventLoop;
} // namespace platform

namespace app {

class MainPanel final : public panel::PanelHooks {
public:
    MainPanel(platform::EventLoop& loop, platform::Dialogs& dialogs, platform::AudioInput& input);
    MainPanel(const MainPanel&) = delete;
    MainPanel& operator=(const MainPanel&) = delete;

    panel::Panel& panel() { return panel_; }
    engine::Analyzer& analyzer() { return analyzer_; }
    engine::SettlingEditor& settlingEditor() { return settlingEditor_; }

    // panel::PanelHooks
    void InitGetData() override { analyzer_.InitGetData(); }
    void DoStop() override { analyzer_.DoStop(); }
    // ON and OFF. Only their capture part exists so far: ON arms the capture
    // start timer, OFF stops capture. Synthesis and playback come with the
    // generator.
    void Gen_On_Click() override;
    void Gen_Off_Click() override;

private:
    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    panel::Panel panel_;
    engine::Analyzer analyzer_;
    engine::SettlingEditor settlingEditor_;
};

} // namespace app

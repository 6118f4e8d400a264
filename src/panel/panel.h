#pragma once
// The panel: its controls, the settings record behind them, the shared tables,
// and the routines that move values between them and the panel files
// (Update1, Update2, the start-up sequence, ReadData, WritePanelFile, the exit
// routine, the panel menus and the favourites).
//
// Thread: the instrument's thread only.

#include "common/tables.h"
#include "editor/table_file.h"
#include "panel/controls.h"
#include "panel/favourites.h"
#include "panel/hooks.h"
#include "panel/panel_settings.h"

#include <string>
#include <string_view>

namespace platform {
class Dialogs;
class EventLoop;
} // namespace platform

namespace panel {

inline constexpr std::string_view kStartupFile = "C:\\QEX_ARV1files\\startupini";
inline constexpr std::string_view kGeneratorSignalFile = "C:/QEX_ARV1files/testwav.wav";
inline constexpr std::string_view kStartCaption = "QEX ARV-1     Version 1.33";
// What the panel's file name boxes show when they name no file.
inline constexpr std::string_view kNoFile = "None";
inline constexpr std::string_view kPanelFileFilter = "Audio Test Panel Files|*.atp;";

// The caption of a window showing a panel file: "QEX ARV-1   " and the path.
std::string panelFileCaption(std::string_view path);

class Panel {
public:
    // hooks may be null (a panel with no subsystems wired in).
    Panel(platform::EventLoop& loop, platform::Dialogs& dialogs, PanelHooks* hooks = nullptr);
    Panel(const Panel&) = delete;
    Panel& operator=(const Panel&) = delete;

    void setHooks(PanelHooks* hooks);

    Controls& controls() { return controls_; }
    const Controls& controls() const { return controls_; }

    // The window caption (the "MainPanel" control's caption).
    const std::string& caption() const;

    // Start-up sequence: defaults, choice lists, data directory, favourites,
    // the start-up file, capture preparation.
    void Form_Load();

    // Apply the record to the controls; ends by clearing `updating` and `startingUp`.
    void Update1();
    // Capture the controls into the record and recompute what depends on them.
    void Update2();

    // Read the file named by testPanelPath into the record and apply it.
    void ReadData();
    // Capture the panel and write the file named by testPanelPath.
    void WritePanelFile();
    // The exit routine: stop everything and write the start-up file unless
    // "Reset INI and Exit" was chosen.
    void ShutDown();

    // Menu commands.
    void mnuLoadTest_Click();
    void mnuSavePanel_Click();
    void mnuReset_Click();
    void mnuExit_Click() { ShutDown(); }
    void mnuFav_Click(int slot); // mnuFav1_Click .. mnuFav5_Click

    // Favourite Test Setup dialog: the texts it shows, and its browse buttons.
    std::string favSetupText(int slot) const { return favourites_.path(slot); }
    void favSetupBrowse(int slot); // Command1_Click .. Command5_Click

    // Let pending events run.
    void pumpEvents();

    PanelSettings settings;
    common::SweepData sweepData;
    common::LimitTable limits;
    common::ReverseCalTable reverseCal;
    Favourites& favourites() { return favourites_; }

    // Run-time state beside the record.
    bool updating = false;
    bool startingUp = false;
    std::int16_t restoreGenOn = 0;
    bool resetOnExit = false;
    std::string testPanelPath{kStartupFile};
    std::string generatorSignalFile{kGeneratorSignalFile};
    bool shutDown = false; // the exit routine has run

private:
    void createControls();
    void applyValidatedSampleSize();
    void readTableInto(std::string_view path, bool limitFile);
    void onSampleSizeChange();
    void setPanelFileCaptionIfNotStartup();

    platform::EventLoop& loop_;
    platform::Dialogs& dialogs_;
    PanelHooks defaultHooks_;
    PanelHooks* hooks_;
    Controls controls_;
    Favourites favourites_;
    editor::TableFile tableWork_; // the cells of the last table file read by Update1
};

} // namespace panel

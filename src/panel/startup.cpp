// Start-up, exit and the panel's file menus.

#include "common/vb_error.h"
#include "panel/panel.h"
#include "platform/file_choice.h"
#include "platform/files.h"

namespace panel {

void Panel::Form_Load() {
    controls_["MainPanel"].setCaption(kStartCaption);
    hooks_->installPlaybackHook();
    hooks_->registerScriptFunctions();
    hooks_->fillSmoothingTable();

    // Settings without a control of their own.
    settings.DiscardCheck = 1;
    settings.scopeTimebase = 50;
    settings.scopeGainLeft = settings.scopeGainRight = 1;
    settings.SampleSize = 16384;
    settings.FftBits = 14;
    settings.saAverageCount = 3;
    startingUp = true;
    generatorSignalFile = kGeneratorSignalFile;
    settings.graphColour = 1;
    settings.graphLineWidth = 2;
    settings.graphTimeStamp = 1;
    updating = true;
    settings.refFactorLeft = settings.refFactorRight = 1.0;

    hooks_->sizeGraphSurfaces();

    platform::ensureDataDirectory();
    hooks_->scaleme();
    pumpEvents();

    testPanelPath = kStartupFile;
    favourites_.ReadFav();
    ReadData();
    hooks_->InitGetData();
}

void Panel::ShutDown() {
    hooks_->stopSweep();
    pumpEvents();
    hooks_->disableGeneratorOffTimer();
    hooks_->stopPlaybackAndCloseFile();
    hooks_->DoStop();
    pumpEvents();
    testPanelPath = kStartupFile;
    if (!resetOnExit) WritePanelFile();
    hooks_->unloadWindows();
    shutDown = true;
}

void Panel::mnuReset_Click() {
    platform::removeFile(kStartupFile);
    resetOnExit = true;
    ShutDown();
}

void Panel::mnuLoadTest_Click() {
    auto chosen =
        platform::chooseFile(dialogs_, false, kPanelFileFilter, settings.defaultDataDirectory);
    if (!chosen) return;
    testPanelPath = *chosen;
    if (!testPanelPath.empty()) ReadData();
}

void Panel::mnuSavePanel_Click() {
    auto chosen =
        platform::chooseFile(dialogs_, true, kPanelFileFilter, settings.defaultDataDirectory);
    if (!chosen) return;
    testPanelPath = *chosen;
    if (!testPanelPath.empty()) {
        setPanelFileCaptionIfNotStartup();
        WritePanelFile();
    }
}

void Panel::mnuFav_Click(int slot) {
    testPanelPath = favourites_.path(slot);
    if (!testPanelPath.empty()) ReadData();
}

void Panel::favSetupBrowse(int slot) {
    auto chosen =
        platform::chooseFile(dialogs_, false, kPanelFileFilter, settings.defaultDataDirectory);
    if (chosen && !chosen->empty()) favourites_.setPath(slot, *chosen);
}

} // namespace panel

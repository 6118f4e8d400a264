#pragma once
// What the panel's start-up, settings and file routines ask of the subsystems
// above it. The composition root implements this by forwarding to the
// measurement engine, the generator, the views and the script host; each
// operation does nothing until its subsystem is wired in, which is exactly the
// behaviour of a panel with no capture, no generator and no graph.

#include "panel/panel_settings.h"

namespace panel {

class PanelHooks {
public:
    virtual ~PanelHooks() = default;

    // Start-up, before the settings are read.
    virtual void installPlaybackHook() {}
    virtual void registerScriptFunctions() {}
    virtual void fillSmoothingTable() {}
    virtual void sizeGraphSurfaces() {}

    // Prepare capture for the current rate and analysis size.
    virtual void InitGetData() {}

    // Graph drawing.
    virtual void scaleme() {}                    // sweep scale
    virtual void scaleme2() {}                   // spectrum scale
    virtual void clearGraphForView(GraphMode) {} // clear the surfaces, blank picture
    virtual void drawScopeGrid() {}
    virtual void drawLimitCurve() {}
    virtual void graphdata() {} // re-plot the stored sweep points
    // True while the sweep sits on its last frequency with the settle count
    // reached; the panel then does not re-plot on a control change.
    virtual bool sweepAtFinalPoint() const { return false; }
    virtual void stopSweep() {} // sweepState = idle

    // Reverse calibration table, read from its fixed file.
    virtual void loadReverseCal() {}

    // Generator and capture.
    virtual void Gen_On_Click() {}
    virtual void Gen_Off_Click() {}
    virtual void disableGeneratorOffTimer() {} // Timer1
    virtual void stopPlaybackAndCloseFile() {}
    virtual void DoStop() {}

    // Exit: close every window but the main one.
    virtual void unloadWindows() {}
};

} // namespace panel

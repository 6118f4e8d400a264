#pragma once
// The graph area of the main panel: its four surfaces, the two layouts, the
// scales, the three views (sweep, spectrum analyzer, oscilloscope) and the
// switches between them, the spectrum and scope controls, the SA data files
// and the saved graph image.
//
//   GraphBox    the visible graph (graph user scale)
//   nullscope   never drawn on; its image is the blank picture
//   ScopeBuff   hidden; the spectrum traces are drawn on it over the scale,
//               then its image becomes GraphBox's background (0..7755 x 0..3195)
//   ScopeBuff2  hidden; the spectrum scale is drawn on it before each spectrum
//
// The measurement engine's arrays reach the views through SpectrumFrame and
// ScopeFrame: per block the cycle calls spectrumBlock or scopeBlock, and the
// sources give the current arrays to the redraws that happen outside the
// cycle (mode switches, layouts, SA files). Without sources the graph uses
// spectrum arrays of its own and draws no scope trace.
//
// The sweep's own plots (graphdata, the limit curve) belong to the sweep view
// and are reached through setSweepPlots.
//
// Thread: the instrument's thread only.

#include "views/graph_surface.h"
#include "views/recording_surface.h"
#include "views/scales.h"
#include "views/scope.h"
#include "views/spectrum.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace panel {
class Panel;
enum class GraphMode;
} // namespace panel

namespace platform {
class Dialogs;
}

namespace views {

enum class SurfaceKind { Raster, Recording };

// Layouts of GraphBox, in twips.
inline constexpr SurfaceLayout kSmallGraphLayout{3960, 2880, 7815, 3255};
inline constexpr SurfaceLayout kBigGraphLayout{75, 0, 11773.35, 6640.2};

class Graph {
public:
    Graph(panel::Panel& panel, platform::Dialogs& dialogs, SurfaceKind kind = SurfaceKind::Raster);
    Graph(const Graph&) = delete;
    Graph& operator=(const Graph&) = delete;

    // Binds the handlers of the graph's controls that the panel has.
    void attach();

    GraphSurface& GraphBox() { return *surfaces_[0]; }
    GraphSurface& nullscope() { return *surfaces_[1]; }
    GraphSurface& ScopeBuff() { return *surfaces_[2]; }
    GraphSurface& ScopeBuff2() { return *surfaces_[3]; }

    void setSpectrumSource(std::function<SpectrumFrame()> source);
    void setScopeSource(std::function<ScopeFrame()> source);
    void setSweepPlots(std::function<void()> graphdata, std::function<void()> drawLimitCurve);
    // Called after the graph was saved as an image (the generator switches
    // off at the next tick of its deferred switch-off timer).
    void setGeneratorOffRequest(std::function<void()> request);

    // Raster surfaces only: draw every surface at a finer pixel scale (see
    // RasterSurface::setPixelScale). Set before start-up; the surfaces are erased.
    void setPixelScale(int scale);

    // --- Start-up and the panel's hooks ---
    // Sizes the hidden surfaces like GraphBox, sets every scale, and notes
    // GraphBox's height as graphHeightAtStart.
    void sizeGraphSurfaces();
    void clearGraphForView(panel::GraphMode mode);
    void drawScopeGrid();

    // --- Layouts and scales ---
    void makesmallgraph();
    void Makebiggraph();
    void GraphBox_Click() { makesmallgraph(); }
    void SweepFullView_Click() { Makebiggraph(); }
    void scaleme();
    void scaleme2();
    void scaleme3();
    void mnuScalelight_Click();
    void Clear_graph_Click();
    Rgb gridColour() const;

    // --- Views ---
    void mnuSR_Click();
    void mnuSa_Click();
    void mnuScope_Click();
    void makespectrum();
    void makespectrum(const SpectrumFrame& frame);
    void displayscope();
    void displayscope(const ScopeFrame& frame);
    // The measurement cycle's drawing of one block in the current view.
    void spectrumBlock(const SpectrumFrame& frame);
    void scopeBlock(const ScopeFrame& frame);

    // --- Spectrum controls ---
    void SA_LR_Click();
    void SA_ave_cmd_Click();
    void avetext_Change();
    void GraphBox_MouseMove(double graphX);

    // --- Scope controls ---
    void mnuNotrig_Click();
    void mnuLocktrig_Click();
    void TimebaseScroll_Change();
    void TbaseReadout_Change(std::string_view text);
    void LGainScroll_Change();
    void RGainScroll_Change();
    void LgainReadout_Change(std::string_view text);
    void RgainReadout_Change(std::string_view text);
    void SplitCheck_Click();

    // --- Files ---
    void mnuSaveSA_Click();
    void mnuLoadSA_Click();
    // Redraws the graph for export, saves it (BMP, or PNG for a name ending
    // in ".png") and redraws it normally. Returns whether the file was written.
    bool SaveFile1(const std::string& path);
    // The current view drawn once more on recording surfaces, as vectors:
    // what GraphBox would show, in graph coordinates and the screen's
    // colours. The visible surfaces, the layout and the controls stay as they
    // are, and no events run meanwhile.
    std::vector<DrawOp> recordCurrentView();

    // State
    bool bigGraph = false;
    bool exportRendering = false;
    ScaleState scales;
    std::int32_t graphHeightAtStart = 3255;
    std::string saFilePath;
    // Reset when capture starts; nothing in the drawing depends on it.
    std::int16_t firstFrame = 1;

    SpectrumView& spectrum() { return spectrum_; }
    ScopeView& scope() { return scope_; }

private:
    SpectrumFrame currentSpectrum();
    ScopeFrame currentScope();
    void removeBackground(GraphSurface& surface);
    void setCaption(std::string_view control, std::string_view caption);
    void setVisible(std::string_view control, bool visible);
    void setSweepview(std::string_view text);
    void setModeTicks();
    void placeGraph(const SurfaceLayout& layout);
    void redrawView(bool small);
    void loadScopeControls();
    void reenterScope();

    panel::Panel& panel_;
    platform::Dialogs& dialogs_;
    std::unique_ptr<GraphSurface> surfaces_[4];
    SpectrumView spectrum_;
    ScopeView scope_;
    std::function<SpectrumFrame()> spectrumSource_;
    std::function<ScopeFrame()> scopeSource_;
    std::function<void()> graphdata_;
    std::function<void()> drawLimitCurve_;
    std::function<void()> generatorOffRequest_;
    std::vector<double> ownSpectrumLeft_, ownSpectrumRight_;
    bool recording_ = false; // recordCurrentView is drawing
};

// Saves what the surface shows as a Windows bitmap, or as PNG when the name
// ends in ".png" (any letter case). The path goes through the program's path
// mapping. Only raster surfaces have an image; returns false for others and
// when the file cannot be written.
bool saveGraphImage(const GraphSurface& surface, std::string_view path);

} // namespace views

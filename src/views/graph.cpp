#include "views/graph.h"

#include "common/text.h"
#include "common/vb_error.h"
#include "panel/controls.h"
#include "panel/panel.h"
#include "platform/file_choice.h"
#include "platform/files.h"
#include "views/raster_surface.h"
#include "views/recording_surface.h"
#include "views/sa_file.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <cctype>
#include <utility>

namespace views {

namespace {

constexpr std::size_t kSpectrumArraySize = 131201;

std::unique_ptr<GraphSurface> makeSurface(SurfaceKind kind) {
    if (kind == SurfaceKind::Recording) return std::make_unique<RecordingSurface>();
    return std::make_unique<RasterSurface>();
}

bool endsWithPng(std::string_view path) {
    if (path.size() < 4) return false;
    std::string tail(path.substr(path.size() - 4));
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".png";
}

} // namespace

Graph::Graph(panel::Panel& panel, platform::Dialogs& dialogs, SurfaceKind kind)
    : panel_(panel), dialogs_(dialogs), surfaces_{makeSurface(kind), makeSurface(kind),
                                                  makeSurface(kind), makeSurface(kind)},
      ownSpectrumLeft_(kSpectrumArraySize), ownSpectrumRight_(kSpectrumArraySize) {
    GraphBox().setLayout(kSmallGraphLayout);
    sizeGraphSurfaces();
}

void Graph::attach() {
    panel::Controls& c = panel_.controls();
    auto click = [&](std::string_view name, void (Graph::*handler)()) {
        if (panel::Control* control = c.find(name))
            control->onClick([this, handler] { (this->*handler)(); });
    };
    // Change handlers ignore the program's own writes.
    auto change = [&](std::string_view name, void (Graph::*handler)()) {
        if (panel::Control* control = c.find(name))
            control->onChange([this, handler] {
                if (!panel_.updating) (this->*handler)();
            });
    };
    auto textChange = [&](std::string_view name, void (Graph::*handler)(std::string_view)) {
        if (panel::Control* control = c.find(name))
            control->onChange([this, handler, control] {
                if (!panel_.updating) (this->*handler)(control->text());
            });
    };
    click("mnuSR", &Graph::mnuSR_Click);
    click("mnuSa", &Graph::mnuSa_Click);
    click("mnuScope", &Graph::mnuScope_Click);
    click("mnuScalelight", &Graph::mnuScalelight_Click);
    click("Clear_graph", &Graph::Clear_graph_Click);
    click("SweepFullView", &Graph::SweepFullView_Click);
    click("SA_LR", &Graph::SA_LR_Click);
    click("SA_ave_cmd", &Graph::SA_ave_cmd_Click);
    click("mnuNotrig", &Graph::mnuNotrig_Click);
    click("mnuLocktrig", &Graph::mnuLocktrig_Click);
    click("mnuSaveSA", &Graph::mnuSaveSA_Click);
    click("mnuLoadSA", &Graph::mnuLoadSA_Click);
    change("avetext", &Graph::avetext_Change);
    change("TimebaseScroll", &Graph::TimebaseScroll_Change);
    change("LGainScroll", &Graph::LGainScroll_Change);
    change("RGainScroll", &Graph::RGainScroll_Change);
    change("SplitCheck", &Graph::SplitCheck_Click);
    textChange("TbaseReadout", &Graph::TbaseReadout_Change);
    textChange("LgainReadout", &Graph::LgainReadout_Change);
    textChange("RgainReadout", &Graph::RgainReadout_Change);
}

void Graph::setSpectrumSource(std::function<SpectrumFrame()> source) {
    spectrumSource_ = std::move(source);
}

void Graph::setScopeSource(std::function<ScopeFrame()> source) {
    scopeSource_ = std::move(source);
}

void Graph::setSweepPlots(std::function<void()> graphdata, std::function<void()> drawLimitCurve) {
    graphdata_ = std::move(graphdata);
    drawLimitCurve_ = std::move(drawLimitCurve);
}

void Graph::setGeneratorOffRequest(std::function<void()> request) {
    generatorOffRequest_ = std::move(request);
}

SpectrumFrame Graph::currentSpectrum() {
    if (spectrumSource_) return spectrumSource_();
    const panel::PanelSettings& s = panel_.settings;
    SpectrumFrame f;
    f.spectrumLeft = ownSpectrumLeft_.data();
    f.spectrumRight = ownSpectrumRight_.data();
    f.spectrumSize = ownSpectrumLeft_.size();
    f.N = s.SampleSize;
    f.sampleRate = s.SampleRate;
    f.refLevel = s.RefLevel;
    f.genOn = s.genOn == 1;
    return f;
}

ScopeFrame Graph::currentScope() {
    if (scopeSource_) return scopeSource_();
    ScopeFrame f;
    f.N = panel_.settings.SampleSize;
    f.sampleRate = panel_.settings.SampleRate;
    return f;
}

void Graph::removeBackground(GraphSurface& surface) {
    surface.setBackground(nullscope().takeImage());
}

void Graph::setCaption(std::string_view control, std::string_view caption) {
    if (panel::Control* c = panel_.controls().find(control)) c->setCaption(caption);
}

void Graph::setVisible(std::string_view control, bool visible) {
    if (panel::Control* c = panel_.controls().find(control)) c->setVisible(visible);
}

void Graph::setSweepview(std::string_view text) {
    if (panel::Control* c = panel_.controls().find("sweepview")) c->setText(text);
}

void Graph::setModeTicks() {
    const panel::GraphMode mode = panel_.settings.graphMode;
    panel::Controls& c = panel_.controls();
    if (auto* m = c.find("mnuSR")) m->setChecked(mode == panel::GraphMode::Sweep);
    if (auto* m = c.find("mnuSa")) m->setChecked(mode == panel::GraphMode::Spectrum);
    if (auto* m = c.find("mnuScope")) m->setChecked(mode == panel::GraphMode::Scope);
}

Rgb Graph::gridColour() const {
    return panel_.settings.highScalelight == 1 ? colours::GridHigh : colours::GridNormal;
}

void Graph::setPixelScale(int scale) {
    for (auto& surface : surfaces_)
        if (auto* raster = dynamic_cast<RasterSurface*>(surface.get()))
            raster->setPixelScale(scale);
}

// --- Start-up and hooks ---

void Graph::sizeGraphSurfaces() {
    const SurfaceLayout box = GraphBox().layout();
    for (GraphSurface* s : {&nullscope(), &ScopeBuff(), &ScopeBuff2()}) {
        SurfaceLayout l = s->layout();
        l.width = box.width;
        l.height = box.height;
        s->setLayout(l);
        s->setVisible(false);
    }
    GraphBox().setScale(kGraphScale);
    ScopeBuff2().setScale(kGraphScale);
    nullscope().setScale(kGraphScale);
    ScopeBuff().setScale(kScopeBuffScale);
    graphHeightAtStart = static_cast<std::int32_t>(common::roundHalfEven(box.height));
}

void Graph::clearGraphForView(panel::GraphMode) {
    removeBackground(GraphBox());
    removeBackground(ScopeBuff());
}

void Graph::drawScopeGrid() {
    drawScopeGraticule(GraphBox(), gridColour());
    GraphBox().setPenWidth(1);
    GraphBox().setPenColour(colours::Black);
}

// --- Layouts and scales ---

void Graph::placeGraph(const SurfaceLayout& layout) {
    GraphBox().setLayout(layout);
    GraphBox().setScale(kGraphScale);
    ScopeBuff2().setScale(kGraphScale);
    nullscope().setScale(kGraphScale);
    ScopeBuff().setScale(kScopeBuffScale);
    for (GraphSurface* s : {&ScopeBuff2(), &nullscope(), &ScopeBuff()}) {
        SurfaceLayout l = s->layout();
        l.width = layout.width;
        l.height = layout.height;
        s->setLayout(l);
        s->setScale(s->scale()); // the scale follows the new size
    }
    GraphBox().clear();
}

void Graph::redrawView(bool small) {
    switch (panel_.settings.graphMode) {
    case panel::GraphMode::Spectrum:
        removeBackground(GraphBox());
        scaleme2();
        ScopeBuff().setBackground(GraphBox().takeImage());
        makespectrum();
        break;
    case panel::GraphMode::Sweep:
        scaleme();
        if (graphdata_) graphdata_();
        break;
    case panel::GraphMode::Scope:
        drawScopeGrid();
        displayscope();
        if (small) loadScopeControls();
        break;
    }
}

void Graph::makesmallgraph() {
    bigGraph = false;
    for (const char* name : {"Clear_graph", "SA_LR", "avetext", "SA_ave_cmd", "SAaveLED"})
        setVisible(name, true);
    placeGraph(kSmallGraphLayout);
    redrawView(true);
}

void Graph::Makebiggraph() {
    bigGraph = true;
    setVisible("ScopeFrame", false);
    for (const char* name : {"Clear_graph", "SA_LR", "avetext"})
        setVisible(name, false);
    if (panel_.settings.graphMode != panel::GraphMode::Spectrum) setVisible("SA_ave_cmd", false);
    placeGraph(kBigGraphLayout);
    redrawView(false);
}

void Graph::scaleme() {
    const panel::PanelSettings& s = panel_.settings;
    SweepScaleOptions o;
    o.appendMode = s.appendMode == 1;
    o.linearAxis = s.linearAxis == 1;
    o.thdSweep = s.thdSweep == 1;
    o.scaleTop = s.SweepScaleTop;
    o.scaleBottom = s.SweepScaleBtm;
    o.startHz = s.sweepStart;
    o.stopHz = s.sweepStop;
    o.grid = gridColour();
    const AxisCaptions captions = drawSweepScale(GraphBox(), o, scales);
    setCaption("Ylabel", captions.Ylabel);
    setCaption("Xlabel", captions.Xlabel);
    if (s.limitCurveOn == 1 && drawLimitCurve_) drawLimitCurve_();
}

void Graph::scaleme2() {
    spectrum_.saLevelOffset = -60;
    spectrum_.saXDivisor = 2;
    const AxisCaptions captions =
        drawSpectrumScale(GraphBox(), gridColour(), panel_.settings.SampleRate, scales);
    setCaption("Ylabel", captions.Ylabel);
    setCaption("Xlabel", captions.Xlabel);
}

void Graph::scaleme3() {
    spectrum_.saLevelOffset = -60;
    spectrum_.saXDivisor = 2;
    const AxisCaptions captions =
        drawSpectrumScale(ScopeBuff2(), gridColour(), panel_.settings.SampleRate, scales);
    setCaption("Ylabel", captions.Ylabel);
    setCaption("Xlabel", captions.Xlabel);
}

void Graph::mnuScalelight_Click() {
    panel::PanelSettings& s = panel_.settings;
    s.highScalelight = s.highScalelight == 1 ? 0 : 1;
    if (auto* m = panel_.controls().find("mnuScalelight")) m->setChecked(s.highScalelight == 1);
}

void Graph::Clear_graph_Click() {
    if (auto* led = panel_.controls().find("PFLED")) led->setColour(panel::colour::DarkCyan);
    common::SweepData& d = panel_.sweepData;
    d.pointCount = 0;
    for (int i = 1; i <= common::kMaxRows; ++i) {
        const auto k = static_cast<std::size_t>(i);
        d.freq[k] = 0;
        d.levelLeft[k] = 0;
        d.levelRight[k] = 0;
    }
    removeBackground(GraphBox());
    scaleme();
}

// --- Views ---

void Graph::mnuSR_Click() {
    panel_.settings.graphMode = panel::GraphMode::Sweep;
    setModeTicks();
    setVisible("ScopeFrame", false);
    GraphBox().clear();
    removeBackground(GraphBox());
    scaleme();
    if (graphdata_) graphdata_();
    setSweepview("     Frequency Sweep Mode");
}

void Graph::mnuSa_Click() {
    panel::PanelSettings& s = panel_.settings;
    if (s.graphMode == panel::GraphMode::Spectrum) {
        s.graphMode = panel::GraphMode::Sweep;
        setModeTicks();
        removeBackground(GraphBox());
        scaleme();
        if (graphdata_) graphdata_();
        setSweepview("    Frequency Sweep Mode");
        return;
    }
    setVisible("ScopeFrame", false);
    s.thdSweep = 0;
    s.thdnSweep = 0;
    s.graphMode = panel::GraphMode::Spectrum;
    setModeTicks();
    setSweepview("    Spectrum Analyzer Mode");
    GraphBox().clear();
    removeBackground(GraphBox());
    scaleme2();
    ScopeBuff().setBackground(GraphBox().takeImage());
    makespectrum();
}

// Shows the manual scope controls with the stored values, correcting those
// out of range.
void Graph::loadScopeControls() {
    panel::PanelSettings& s = panel_.settings;
    if (s.scopeManual != 1) return;
    panel::Controls& c = panel_.controls();
    const bool wasUpdating = panel_.updating;
    panel_.updating = true; // the program writes these controls itself
    setVisible("ScopeFrame", true);
    if (s.scopeTimebase < 1 || s.scopeTimebase > 100) s.scopeTimebase = 50;
    if (auto* scroll = c.find("TimebaseScroll")) scroll->setValue(s.scopeTimebase);
    if (auto* readout = c.find("TbaseReadout")) readout->setText(std::to_string(s.scopeTimebase));
    if (s.scopeSplit == 1)
        if (auto* split = c.find("SplitCheck")) split->setChecked(true);
    if (s.scopeLockGains == 1) {
        s.scopeGainRight = s.scopeGainLeft;
        if (auto* lock = c.find("LockCheck")) lock->setChecked(true);
    }
    for (auto [gain, scroll, readout] :
         {std::tuple{&s.scopeGainLeft, "LGainScroll", "LgainReadout"},
          std::tuple{&s.scopeGainRight, "RGainScroll", "RgainReadout"}}) {
        if (*gain < 1 || *gain > 1000) {
            *gain = 1;
            setCaption(readout, "1");
        } else {
            if (auto* bar = c.find(scroll)) bar->setValue(*gain);
            setCaption(readout, std::to_string(*gain));
        }
    }
    panel_.updating = wasUpdating;
}

void Graph::mnuScope_Click() {
    panel::PanelSettings& s = panel_.settings;
    if (s.graphMode == panel::GraphMode::Scope) {
        s.graphMode = panel::GraphMode::Sweep;
        setModeTicks();
        setVisible("ScopeFrame", false);
        GraphBox().clear();
        scaleme();
        if (graphdata_) graphdata_();
        setSweepview("     Frequency Sweep Mode");
        return;
    }
    s.graphMode = panel::GraphMode::Scope;
    loadScopeControls();
    s.thdSweep = 0;
    s.thdnSweep = 0;
    setModeTicks();
    GraphBox().clear();
    removeBackground(GraphBox());
    drawScopeGrid();
    setSweepview("     Oscilloscope Mode");
    displayscope();
}

void Graph::makespectrum() {
    makespectrum(currentSpectrum());
}

void Graph::makespectrum(const SpectrumFrame& frame) {
    SpectrumView::Options o;
    o.saChannel = panel_.settings.saChannel;
    o.exportRendering = exportRendering;
    o.graphHeightAtStart = graphHeightAtStart;
    if (!recording_) o.pumpEvents = [this] { panel_.pumpEvents(); };
    spectrum_.makespectrum(ScopeBuff(), frame, o);
    GraphBox().setBackground(ScopeBuff().takeImage());
}

void Graph::displayscope() {
    displayscope(currentScope());
}

void Graph::displayscope(const ScopeFrame& frame) {
    panel::PanelSettings& s = panel_.settings;
    const panel::Control* lock = panel_.controls().find("LockCheck");
    s.scopeLockGains = lock && lock->checked() ? 1 : 0;
    if (s.scopeLockGains == 1) s.scopeGainRight = s.scopeGainLeft;
    ScopeOptions o;
    o.saChannel = s.saChannel;
    o.manual = s.scopeManual == 1;
    o.timebase = s.scopeTimebase;
    o.gainLeft = s.scopeGainLeft;
    o.gainRight = s.scopeGainRight;
    o.split = s.scopeSplit == 1;
    o.lockToLeftTrigger = s.lockToLeftTrigger == 1;
    o.exportRendering = exportRendering;
    o.grid = gridColour();
    scope_.displayscope(GraphBox(), frame, o);
}

void Graph::spectrumBlock(const SpectrumFrame& frame) {
    removeBackground(ScopeBuff());
    scaleme3();
    ScopeBuff().setBackground(ScopeBuff2().takeImage());
    makespectrum(frame);
}

void Graph::scopeBlock(const ScopeFrame& frame) {
    removeBackground(GraphBox());
    displayscope(frame);
}

// --- Spectrum controls ---

void Graph::SA_LR_Click() {
    std::int16_t& channel = panel_.settings.saChannel;
    channel = channel == 0 ? 1 : channel == 1 ? 2 : 0;
    const char* caption = channel == 0 ? "L" : channel == 1 ? "R" : "LR";
    setCaption("SA_LR", caption);
    setCaption("LRlabel", caption);
}

void Graph::SA_ave_cmd_Click() {
    std::int16_t& averaging = panel_.settings.saAveraging;
    averaging = averaging == 1 ? 0 : 1;
    if (auto* led = panel_.controls().find("SAaveLED"))
        led->setColour(averaging == 1 ? panel::colour::Green : panel::colour::DarkCyan);
}

void Graph::avetext_Change() {
    const panel::Control* text = panel_.controls().find("avetext");
    if (!text) return;
    try {
        panel_.settings.saAverageCount = common::toInt16(common::leadingNumber(text->text()));
    } catch (const common::VbError&) {
        // A count beyond the 16-bit range keeps the previous one.
    }
}

void Graph::GraphBox_MouseMove(double graphX) {
    if (panel_.settings.graphMode != panel::GraphMode::Spectrum) return;
    if (auto text = spectrum_.cursorReadout(graphX)) setSweepview(*text);
}

// --- Scope controls ---

void Graph::mnuNotrig_Click() {
    panel::PanelSettings& s = panel_.settings;
    s.scopeManual = s.scopeManual == 1 ? 0 : 1;
    if (auto* m = panel_.controls().find("mnuNotrig")) m->setChecked(s.scopeManual == 1);
    if (s.scopeManual == 0)
        setVisible("ScopeFrame", false);
    else if (s.graphMode == panel::GraphMode::Scope)
        loadScopeControls();
}

void Graph::mnuLocktrig_Click() {
    std::int16_t& lock = panel_.settings.lockToLeftTrigger;
    lock = lock == 1 ? 0 : 1;
    if (auto* m = panel_.controls().find("mnuLocktrig")) m->setChecked(lock == 1);
}

void Graph::reenterScope() {
    panel_.settings.graphMode = panel::GraphMode::Sweep;
    mnuScope_Click();
}

void Graph::TimebaseScroll_Change() {
    const panel::Control* scroll = panel_.controls().find("TimebaseScroll");
    if (!scroll) return;
    panel_.settings.scopeTimebase = scroll->value();
    if (auto* readout = panel_.controls().find("TbaseReadout")) {
        const bool wasUpdating = panel_.updating;
        panel_.updating = true;
        readout->setText(std::to_string(scroll->value()));
        panel_.updating = wasUpdating;
    }
    reenterScope();
}

void Graph::TbaseReadout_Change(std::string_view text) {
    const double v = common::leadingNumber(text);
    if (v < 1 || v > 100) return;
    panel_.settings.scopeTimebase = static_cast<std::int32_t>(common::roundHalfEven(v));
    if (auto* scroll = panel_.controls().find("TimebaseScroll"))
        scroll->setValue(panel_.settings.scopeTimebase);
}

void Graph::LGainScroll_Change() {
    panel::Controls& c = panel_.controls();
    panel::PanelSettings& s = panel_.settings;
    const panel::Control* scroll = c.find("LGainScroll");
    if (!scroll) return;
    s.scopeGainLeft = scroll->value();
    setCaption("LgainReadout", std::to_string(s.scopeGainLeft));
    const panel::Control* lock = c.find("LockCheck");
    if (lock && lock->checked()) {
        s.scopeGainRight = s.scopeGainLeft;
        setCaption("RgainReadout", std::to_string(s.scopeGainRight));
        if (auto* right = c.find("RGainScroll")) right->setValue(s.scopeGainRight);
    }
    reenterScope();
}

void Graph::RGainScroll_Change() {
    panel::Controls& c = panel_.controls();
    panel::PanelSettings& s = panel_.settings;
    const panel::Control* scroll = c.find("RGainScroll");
    if (!scroll) return;
    s.scopeGainRight = scroll->value();
    setCaption("RgainReadout", std::to_string(s.scopeGainRight));
    const panel::Control* lock = c.find("LockCheck");
    if (lock && lock->checked()) {
        s.scopeGainLeft = s.scopeGainRight;
        setCaption("LgainReadout", std::to_string(s.scopeGainLeft));
        if (auto* left = c.find("LGainScroll")) left->setValue(s.scopeGainLeft);
    }
    reenterScope();
}

void Graph::LgainReadout_Change(std::string_view text) {
    const double v = common::leadingNumber(text);
    if (v < 1 || v > 1000) return;
    panel_.settings.scopeGainLeft = static_cast<std::int32_t>(common::roundHalfEven(v));
    if (auto* scroll = panel_.controls().find("LGainScroll"))
        scroll->setValue(panel_.settings.scopeGainLeft);
}

void Graph::RgainReadout_Change(std::string_view text) {
    const double v = common::leadingNumber(text);
    if (v < 1 || v > 1000) return;
    panel_.settings.scopeGainRight = static_cast<std::int32_t>(common::roundHalfEven(v));
    if (auto* scroll = panel_.controls().find("RGainScroll"))
        scroll->setValue(panel_.settings.scopeGainRight);
}

void Graph::SplitCheck_Click() {
    const panel::Control* split = panel_.controls().find("SplitCheck");
    panel_.settings.scopeSplit = split && split->checked() ? 1 : 0;
    reenterScope();
}

// --- Files ---

void Graph::mnuSaveSA_Click() {
    const auto chosen =
        platform::chooseFile(dialogs_, true, kSaSaveFilter, panel_.settings.defaultDataDirectory);
    if (!chosen) return;
    saFilePath = *chosen;
    if (saFilePath.empty()) return;
    const SpectrumFrame f = currentSpectrum();
    if (!f.spectrumLeft || !f.spectrumRight || f.spectrumSize <= kSaPairs) return;
    try {
        platform::writeFileAtomic(saFilePath, writeSaData(f.spectrumLeft, f.spectrumRight));
    } catch (const common::VbError&) {
        // A file that cannot be written is ignored.
    }
}

void Graph::mnuLoadSA_Click() {
    const auto chosen =
        platform::chooseFile(dialogs_, false, kSaLoadFilter, panel_.settings.defaultDataDirectory);
    if (!chosen) return;
    saFilePath = *chosen;
    if (saFilePath.empty()) return;
    const SpectrumFrame f = currentSpectrum();
    if (f.spectrumLeft && f.spectrumRight && f.spectrumSize > kSaPairs) {
        try {
            readSaData(platform::readFileBytes(saFilePath), f.spectrumLeft, f.spectrumRight);
        } catch (const common::VbError&) {
            // A file that cannot be read leaves the spectrum as it is.
        }
    }
    GraphBox().clear();
    removeBackground(ScopeBuff());
    scaleme3();
    ScopeBuff().setBackground(ScopeBuff2().takeImage());
    makespectrum(f);
}

bool Graph::SaveFile1(const std::string& path) {
    exportRendering = true;
    makesmallgraph();
    const bool saved = saveGraphImage(GraphBox(), path);
    exportRendering = false;
    makesmallgraph();
    if (generatorOffRequest_) generatorOffRequest_();
    return saved;
}

std::vector<DrawOp> Graph::recordCurrentView() {
    std::unique_ptr<GraphSurface> visible[4];
    for (int i = 0; i < 4; ++i) {
        auto recording = std::make_unique<RecordingSurface>();
        recording->setLayout(surfaces_[i]->layout());
        recording->setScale(surfaces_[i]->scale());
        recording->setVisible(surfaces_[i]->visible());
        visible[i] = std::exchange(surfaces_[i], std::move(recording));
    }
    const bool wasExport = exportRendering;
    const ScaleState wasScales = scales;
    exportRendering = false;
    recording_ = true;
    redrawView(false);
    std::vector<DrawOp> ops = static_cast<RecordingSurface&>(GraphBox()).shown();
    recording_ = false;
    exportRendering = wasExport;
    scales = wasScales;
    for (int i = 0; i < 4; ++i)
        surfaces_[i] = std::move(visible[i]);
    return ops;
}

bool saveGraphImage(const GraphSurface& surface, std::string_view path) {
    const auto picture = std::dynamic_pointer_cast<const RasterPicture>(surface.takeImage());
    if (!picture || path.empty()) return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, endsWithPng(path) ? "PNG" : "BMP");
    if (!writer.write(picture->image())) return false;
    try {
        platform::writeFileAtomic(
            path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    } catch (const common::VbError&) {
        return false;
    }
    return true;
}

} // namespace views

#include "views/sweep.h"

#include "common/read_error.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "panel/panel.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/file_choice.h"
#include "views/graph.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace views {

namespace {

// A restart from inside the capture loop waits until that loop has unwound:
// the capture start timer of the ON command must not be switched off by the
// tick that is still running the old loop.
constexpr int kDeferredStartMs = 1;

constexpr const char* kSweepMessageTitle = "Frequency Sweep";

// Blocks per step after the first step of a sweep.
std::int16_t blocksForSettleMode(int settleMode, double frequencyHz) {
    switch (settleMode) {
    case 1:
        return 5;
    case 2:
        return 7;
    case 3:
        return frequencyHz < 200 ? 7 : 4;
    default:
        return 4;
    }
}

std::size_t at(int index) {
    return static_cast<std::size_t>(index);
}

bool validPoint(int k) {
    return k >= 1 && k <= common::kMaxRows;
}

} // namespace

Sweep::Sweep(panel::Panel& panel, Graph& graph, platform::Dialogs& dialogs,
             platform::EventLoop& loop, SweepDriver& driver)
    : panel_(panel), graph_(graph), dialogs_(dialogs), loop_(loop), driver_(driver),
      smoothTable_(makeSavGolTable()) {}

void Sweep::setLamp(std::string_view name, std::uint32_t colour) {
    if (panel::Control* c = panel_.controls().find(name)) c->setColour(colour);
}

bool Sweep::inSpectrumMode() const {
    return panel_.settings.graphMode == panel::GraphMode::Spectrum;
}

double Sweep::stopFreq() const {
    return panel_.settings.sweepStop;
}

// --- Commands ---

std::string Sweep::refusal() const {
    const panel::PanelSettings& s = panel_.settings;
    const int n = s.stepCount;
    switch (s.stepMode) {
    case 1:
        if (n < 1) return "Even Step needs at least 1 step. Set the step count to 1 or more.";
        if (n >= common::kMaxRows)
            return "Even Step with " + std::to_string(n) + " steps measures " +
                   std::to_string(n + 1) + " points, but a sweep holds at most 200. " +
                   "Set the step count to 199 or less.";
        return {};
    case 2:
        if (panel_.sweepData.predefCount < 1)
            return "The predefined points file has no rows. Choose a user sweep file with at "
                   "least one point.";
        if (panel_.sweepData.predefCount > common::kMaxRows)
            return "The predefined points file has more than 200 points.";
        return {};
    default:
        if (n < 2) return "Octave Step needs at least 2 steps. Set the step count to 2 or more.";
        if (n > common::kMaxRows)
            return "A sweep holds at most 200 points. Set the step count to 200 or less.";
        return {};
    }
}

void Sweep::SweepStart_Click() {
    setLamp("plotLED", panel::colour::Green);
    if (driver_.captureOpen()) {
        driver_.DoStop();
        loop_.post([this] { startSweep(); }, kDeferredStartMs);
        return;
    }
    startSweep();
}

void Sweep::startSweep() {
    panel::Controls& c = panel_.controls();
    panel::PanelSettings& s = panel_.settings;
    // Settings that cannot sweep are refused before anything changes.
    panel_.Update2();
    if (const std::string why = refusal(); !why.empty()) {
        setLamp("plotLED", panel::colour::DarkCyan);
        dialogs_.message(kSweepMessageTitle, why);
        return;
    }

    for (std::string& line : sweepNotes())
        notes_.push_back(std::move(line));
    silentPoints_.clear();
    unjudgedPoints_.clear();
    uncorrectedPoints_.clear();
    sweepStarted_ = true;
    sweepComplete_ = false;

    c["Text1"].setText("");
    c["sweepview"].setText("");
    driver_.resetStepCounters();

    panel_.sweepData.pointCount = 0;
    blockCount = 0;
    panel_.updating = false;
    driver_.DoStop();

    if (s.graphMode == panel::GraphMode::Spectrum) {
        s.graphMode = panel::GraphMode::Sweep;
        c["mnuSR"].setChecked(true);
        c["mnuSa"].setChecked(false);
        c["mnuScope"].setChecked(false);
    }
    panel_.Update2();
    panel_.pumpEvents();

    if (s.appendMode == 0) {
        graph_.GraphBox().clear();
        graph_.GraphBox().setBackground(graph_.nullscope().takeImage());
        graph_.scaleme();
    }
    setLamp("PFLED", panel::colour::DarkCyan);

    sweepState = 1;
    firstPoint = true;

    const common::SweepData& d = panel_.sweepData;
    if (s.stepMode == 2) {
        s.stepCount = d.predefCount;
        s.sweepStart = d.predefFreq[1];
        s.sweepStop = d.predefFreq[at(d.predefCount)];
        c["SweepStartFreq"].setText(common::displayText(s.sweepStart));
        c["SweepStopFreq"].setText(common::displayText(s.sweepStop));
        c["SweepStepCount"].setText(std::to_string(s.stepCount));
    }

    sweepPoints_ = plannedPoints();
    driver_.enableSwitchOffTimer();
    sweepFreq = s.sweepStart;
    c["GenFreq1"].setText(common::displayText(sweepFreq));

    panel_.pumpEvents();
    settleBlocks = 10;
    driver_.Gen_On_Click();
}

void Sweep::SweepStop_Click() {
    setLamp("GenOnLED", panel::colour::DarkCyan);
    resweepCount = 0;
    if (panel::Control* b = panel_.controls().find("AutoResweep_cmd")) b->setCaption("RPT");
    panel_.settings.genOn = 0;
    driver_.StopPlayback();
    driver_.DoStop();
    setLamp("plotLED", panel::colour::DarkCyan);
    sweepState = 0;
    firstPoint = false;
}

void Sweep::AutoResweep_cmd_Click() {
    autoResweep = !autoResweep;
    setLamp("AutoResweep_cmd", autoResweep ? panel::colour::Green : kButtonFaceColour);
}

void Sweep::endSweep(bool allowResweep) {
    sweepComplete_ = true;
    graphdata();
    panel_.settings.genOn = 0;
    sweepState = 0;
    firstPoint = false;
    setLamp("plotLED", panel::colour::DarkCyan);
    setLamp("GenOnLED", panel::colour::DarkCyan);
    driver_.StopPlayback();
    driver_.DoStop();
    if (allowResweep && autoResweep) {
        ++resweepCount;
        if (panel::Control* b = panel_.controls().find("AutoResweep_cmd"))
            b->setCaption(std::to_string(resweepCount));
        loop_.post([this] { SweepStart_Click(); }, kDeferredStartMs);
    }
}

// --- The per-block step ---

void Sweep::beforeMeasurement() {
    const panel::PanelSettings& s = panel_.settings;
    if (blockCount >= 10) settleBlocks = 3;
    if (settleBlocks != 10) settleBlocks = blocksForSettleMode(s.settleMode, sweepFreq);

    // The last frequency waits its settle count once more before the end.
    if (sweepState == 2) {
        if (blockCount < settleBlocks + 1) {
            ++settleBlocks;
            ++blockCount;
            if (blockCount > settleBlocks) blockCount = 1;
        } else {
            endSweep(true);
            return;
        }
    }

    if (sweepState == 1) {
        ++blockCount;
        if (blockCount > settleBlocks) blockCount = 1;
    }
    if (blockCount == 1 && sweepState == 1) stepFrequency();
    // The cycle re-reads the panel right after this step.
}

void Sweep::setPredefPoint(int k) {
    if (!validPoint(k)) return;
    panel::Controls& c = panel_.controls();
    const common::SweepData& d = panel_.sweepData;
    panel_.updating = true;
    c["LeftGenLevel"].setText(common::shortestText(d.predefLeft[at(k)]));
    c["RightGenLevel"].setText(common::shortestText(d.predefRight[at(k)]));
    panel_.settings.LeftGenLevel = d.predefLeft[at(k)];
    panel_.settings.RightGenLevel = d.predefRight[at(k)];
    sweepFreq = d.predefFreq[at(k)];
    panel_.pumpEvents();
    panel_.updating = false;
}

void Sweep::stepFrequency() {
    const panel::PanelSettings& s = panel_.settings;
    common::SweepData& d = panel_.sweepData;
    const double start = s.sweepStart;
    const double stop = s.sweepStop;
    const double n = s.stepCount;

    if (sweepFreq == start && firstPoint) {
        d.pointCount = 1;
        sweepFreq = start;
    }
    const int k = d.pointCount;
    if (!rateSwitching) {
        if (s.stepMode == 1 && !firstPoint) {
            if (n != 0) sweepFreq += (stop - start) / n;
        } else if (s.stepMode == 2) {
            setPredefPoint(k);
        } else if (n != 0 && n != 1) {
            sweepFreq = start + (stop - start) * (k - 1) / (n - 1) * k / n;
        }
    }
    if (s.settleMode == 3 && settleBlocks != 10) settleBlocks = sweepFreq >= 200 ? 4 : 7;
    if (validPoint(k)) d.freq[at(k)] = sweepFreq;

    if (sweepFreq >= stop) {
        sweepFreq = stop;
        if (s.stepMode == 2) setPredefPoint(d.predefCount);
        if (validPoint(k)) d.freq[at(k)] = sweepFreq;
        blockCount = 2;
        sweepState = 2;
    }

    if (s.bestFitSampleRate == 1 && !rateSwitching && !followSampleRate()) return;
    retune();
}

// Returns whether the step goes on to retune the generator.
bool Sweep::followSampleRate() {
    panel::PanelSettings& s = panel_.settings;
    const double f = sweepFreq;
    std::int32_t rate = 0;
    if (f > 80 && f < 201 && s.SampleRate != 22050)
        rate = 22050;
    else if (f < 81 && s.SampleRate != 11025)
        rate = 11025;
    else if (f > 200 && s.SampleRate != 44100)
        rate = 44100;
    if (rate == 0) return true;

    driver_.showSampleRate(rate);
    s.SampleRate = rate;
    driver_.StopPlayback();
    rateSwitching = true;
    // The capture at the new rate runs inside this step; its first block
    // retunes the generator. It returns only when capture stops.
    driver_.restartCapture();
    if (rate == 22050) return false;
    // Capture has stopped (the sweep ended or was stopped): nothing to play.
    return sweepState != 0 && driver_.captureOpen();
}

void Sweep::retune() {
    firstPoint = false;
    panel_.controls()["GenFreq1"].setText(common::displayText(common::roundHalfEven(sweepFreq)));
    driver_.StopPlayback();
    driver_.playFrequency(sweepFreq);
    rateSwitching = false;
}

void Sweep::afterHarmonics() {
    if (blockCount >= settleBlocks && panel_.sweepData.pointCount > 0 &&
        panel_.settings.thdSweep == 1)
        storeThdPoint();
}

void Sweep::afterLevels() {
    driver_.levelStep(settleBlocks, sweepFreq);
}

void Sweep::afterMeasurement() {
    if (sweepState > 0 && blockCount >= settleBlocks && panel_.sweepData.pointCount > 0)
        storePoint();
}

// --- Storing and judging ---

void Sweep::storeThdPoint() {
    driver_.thdStep(sweepFreq);
    graphdata();
    panel_.pumpEvents();
    const StepReadings r = driver_.readings();
    noteSilence(r);
    appendSweepview(r.thdLeft, r.thdRight);
    if (sweepState == 2) {
        // The last point ends a THD sweep here, so it is judged here.
        if (panel_.settings.limitCurveOn == 1) judgeStoredPoint();
        endSweep(false);
    }
}

void Sweep::storePoint() {
    panel::PanelSettings& s = panel_.settings;
    common::SweepData& d = panel_.sweepData;
    const int k = d.pointCount;
    if (!validPoint(k)) return;
    const StepReadings r = driver_.readings();
    noteSilence(r);
    double left = common::leadingNumber(r.levelDbLeft);
    double right = common::leadingNumber(r.levelDbRight);
    if (s.useReverseCal == 1) {
        if (!reverseCalError_.empty() || k > panel_.reverseCal.revcalCount)
            addPoint(uncorrectedPoints_, k);
        left -= panel_.reverseCal.revcalLeft[at(k)];
        right -= panel_.reverseCal.revcalRight[at(k)];
    }
    if (s.separationSweep == 1) left = right = -std::abs(left - right);
    d.levelLeft[at(k)] = static_cast<float>(left);
    d.levelRight[at(k)] = static_cast<float>(right);

    // A THD sweep has listed the point already, with its THD values.
    if (s.thdSweep != 1) appendSweepview(r.levelDbLeft, r.levelDbRight);
    graphdata();
    if (s.limitCurveOn == 1) judgeStoredPoint();

    if (blockCount == settleBlocks && sweepState == 1) {
        if (k >= common::kMaxRows) {
            // SweepData is full: the sweep ends on this point.
            endSweep(true);
            return;
        }
        ++d.pointCount;
        driver_.resetStepCounters();
    }
}

void Sweep::judgeStoredPoint() {
    const common::SweepData& d = panel_.sweepData;
    const int k = d.pointCount;
    if (!validPoint(k) || blockCount < settleBlocks) return;
    const bool thd = panel_.settings.thdSweep == 1;
    const LimitVerdict verdict =
        judgePoint(panel_.limits, k, thd ? d.thdLeft[at(k)] : d.levelLeft[at(k)],
                   thd ? d.thdRight[at(k)] : d.levelRight[at(k)]);
    if (!verdict.judged) addPoint(unjudgedPoints_, k);
    // A point measured on a silent input has no level to judge: it fails.
    const StepReadings r = driver_.readings();
    if (verdict.fails() || r.silentLeft || r.silentRight) setLamp("PFLED", panel::colour::Red);
}

void Sweep::noteSilence(const StepReadings& r) {
    const int k = panel_.sweepData.pointCount;
    if ((r.silentLeft || r.silentRight) && validPoint(k)) addPoint(silentPoints_, k);
}

void Sweep::addPoint(std::vector<int>& points, int k) {
    if (std::find(points.begin(), points.end(), k) == points.end()) points.push_back(k);
}

// "point 3 (1352 Hz)", or "points 1 (20 Hz), 2 (125.2 Hz), 3 (335.5 Hz) and 17 more".
std::string Sweep::pointsText(const std::vector<int>& points) const {
    constexpr std::size_t kShown = 3;
    std::string text = points.size() == 1 ? "point " : "points ";
    for (std::size_t i = 0; i < points.size() && i < kShown; ++i) {
        if (i > 0) text += ", ";
        const double f = panel_.sweepData.freq[at(points[i])];
        text += std::to_string(points[i]) + " (" + common::displayText(std::round(f * 10) / 10) +
                " Hz)";
    }
    if (points.size() > kShown) text += " and " + std::to_string(points.size() - kShown) + " more";
    return text;
}

std::vector<std::string> Sweep::sweepNotes() const {
    auto rows = [](int n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); };
    std::vector<std::string> lines;
    if (!silentPoints_.empty()) lines.push_back("no signal at " + pointsText(silentPoints_));
    if (!unjudgedPoints_.empty())
        lines.push_back("no limit row for sweep " + pointsText(unjudgedPoints_) +
                        ": the limit curve " + panel_.settings.LimitCurveFile + " has " +
                        rows(panel_.limits.limitCount));
    if (!uncorrectedPoints_.empty())
        lines.push_back(
            "no reverse calibration for sweep " + pointsText(uncorrectedPoints_) + ": " +
            (reverseCalError_.empty()
                 ? std::string(kReverseCalFile) + " has " + rows(panel_.reverseCal.revcalCount)
                 : reverseCalError_));
    if (sweepStarted_ && !sweepComplete_) lines.push_back(stopNote());
    return lines;
}

int Sweep::plannedPoints() const {
    const panel::PanelSettings& s = panel_.settings;
    switch (s.stepMode) {
    case 1:
        return s.stepCount + 1;
    case 2:
        return panel_.sweepData.predefCount;
    default:
        return s.stepCount;
    }
}

std::string Sweep::stopNote() const {
    return "the sweep stopped at point " + std::to_string(panel_.sweepData.pointCount) + " of " +
           std::to_string(sweepPoints_);
}

std::vector<std::string> Sweep::shortcomings() const {
    std::vector<std::string> lines = notes_;
    for (std::string& line : sweepNotes())
        lines.push_back(std::move(line));
    return lines;
}

void Sweep::appendSweepview(std::string_view valueLeft, std::string_view valueRight) {
    const common::SweepData& d = panel_.sweepData;
    const int k = d.pointCount;
    if (!validPoint(k)) return;
    panel::Control& view = panel_.controls()["sweepview"];
    std::string text = view.text();
    text += std::to_string(k) + "   " + common::Format(d.freq[at(k)], "####.##") + " Hz   L = ";
    text += valueLeft;
    text += "   R = ";
    text += valueRight;
    text += "\r\n";
    view.setText(text);
}

// --- Plots ---

void Sweep::graphdata() {
    if (panel_.settings.graphMode != panel::GraphMode::Sweep) return;
    const int count = std::min<int>(panel_.sweepData.pointCount, common::kMaxRows);
    if (count > 0) {
        for (int i = 1; i <= count; ++i)
            plotPoint(i);
        if (count >= panel_.settings.stepCount && sweepState == 0) plotPoint(count);
    }
    graph_.GraphBox().setPenWidth(1);
}

void Sweep::plotPoint(int i) {
    const panel::PanelSettings& s = panel_.settings;
    const common::SweepData& d = panel_.sweepData;
    const auto k = at(i);
    const auto prev = at(i > 1 ? i - 1 : i);
    plotYLeft_[k] = -10.0 * d.levelLeft[k];
    plotYRight_[k] = -10.0 * d.levelRight[k];
    if (s.linearAxis == 1) {
        if (auto x = linearFrequencyX(d.freq[k], s.sweepStart, s.sweepStop)) plotX_[k] = *x;
    } else {
        logFrequencyX(d.freq[k], plotX_[k]);
    }

    if (s.thdSweep == 1) {
        // A THD of 0 % or below has no place on the percent axis: no segment
        // is drawn to or from that point.
        const float values[4] = {d.thdLeft[prev], d.thdRight[prev], d.thdLeft[k], d.thdRight[k]};
        for (float v : values)
            if (!(v > 0)) return;
        for (std::size_t j = 0; j < 4; ++j)
            segY_[j] = static_cast<float>(percentY(values[j]));
    } else {
        const double span = graph_.scales.scaleSpan;
        const double top = graph_.scales.scaleTopDrawn;
        if (span != 0) {
            const double values[4] = {plotYLeft_[prev], plotYRight_[prev], plotYLeft_[k],
                                      plotYRight_[k]};
            for (std::size_t j = 0; j < 4; ++j)
                segY_[j] = static_cast<float>(values[j] * (40 / span) + (40 / span) * top * 10);
        }
    }
    for (float& y : segY_)
        y = std::clamp(y, 0.0f, 400.0f);

    GraphSurface& box = graph_.GraphBox();
    box.setPenWidth(1);
    const Rgb leftColour = graph_.exportRendering ? colours::Export : colours::LeftTrace;
    const Rgb rightColour = graph_.exportRendering ? colours::Export : colours::RightTrace;
    if (i > 1) {
        if (s.channelSelect == 0 || s.channelSelect == 2)
            box.line(plotX_[prev], segY_[0], plotX_[k], segY_[2], leftColour);
        if (s.channelSelect == 1 || s.channelSelect == 2)
            box.line(plotX_[prev], segY_[1], plotX_[k], segY_[3], rightColour);
    }
}

void Sweep::drawLimitCurve() {
    const panel::PanelSettings& s = panel_.settings;
    LimitCurveGeometry g;
    g.thdSweep = s.thdSweep == 1;
    g.linearAxis = s.linearAxis == 1;
    g.startHz = s.sweepStart;
    g.stopHz = s.sweepStop;
    g.scales = graph_.scales;
    views::drawLimitCurve(graph_.GraphBox(), panel_.limits, g, plotX_, segY_);
}

void Sweep::loadReverseCal() {
    reverseCalError_ = views::loadReverseCal(kReverseCalFile, panel_.reverseCal);
}

// --- Smoothing ---

void Sweep::SweepSmooth_Click() {
    if (inSpectrumMode()) return;
    const panel::PanelSettings& s = panel_.settings;
    common::SweepData& d = panel_.sweepData;
    const int n = std::min<int>(d.pointCount, common::kMaxRows);
    const bool both = s.channelSelect == 2;
    std::vector<double> smoothed;
    auto smooth = [&](std::array<float, common::kTableSize>& curve) {
        SavGolSmooth(curve.data(), n, kSmoothHalfWidth, smoothTable_, smoothed);
        for (int i = 1; i <= n; ++i)
            curve[at(i)] = static_cast<float>(smoothed[at(i)]);
    };
    bool levels = true;
    if (s.thdSweep == 1) {
        smooth(d.thdLeft);
        if (both)
            smooth(d.thdRight);
        else
            levels = false;
    }
    if (levels) {
        smooth(d.levelLeft);
        if (both) smooth(d.levelRight);
    }

    graph_.scaleme();
    if (s.limitCurveOn == 1) drawLimitCurve();
    if (d.pointCount > 1) graphdata();
}

// --- Files ---

void Sweep::Browse_Predef_Click() {
    const auto chosen = platform::chooseFile(dialogs_, false, kUserSweepFilter,
                                             panel_.settings.defaultDataDirectory);
    if (!chosen || chosen->empty()) return;
    panel_.controls()["PredefStepFile"].setText(*chosen);
    editor::TableFile table;
    try {
        editor::readTableFile(*chosen, table);
    } catch (const common::VbError& e) {
        dialogs_.message(kSweepMessageTitle, "The user sweep file was not loaded: " +
                                                 common::fileErrorText(*chosen, e) +
                                                 ". The predefined points are unchanged.");
        return;
    }
    editor::toPredefPoints(table, panel_.sweepData);
}

void Sweep::Browse_Limits_Click() {
    const auto chosen = platform::chooseFile(dialogs_, false, kLimitFileFilter,
                                             panel_.settings.defaultDataDirectory);
    if (!chosen || chosen->empty()) return;
    panel_.controls()["LimitCurveFile"].setText(*chosen);
    // A file that cannot be read leaves the rows read so far, and says why.
    try {
        editor::readTableFile(*chosen, limitWork_);
    } catch (const common::VbError& e) {
        dialogs_.message(kSweepMessageTitle, "The limit file was not read whole: " +
                                                 common::fileErrorText(*chosen, e) + ".");
    }
    editor::toLimitTable(limitWork_, panel_.limits);
    if (inSpectrumMode()) return;
    graph_.GraphBox().setBackground(graph_.nullscope().takeImage());
    graph_.scaleme();
    drawLimitCurve();
}

// --- Controls ---

void Sweep::attach() {
    panel::Controls& c = panel_.controls();
    c["SweepStart"].onClick([this] { SweepStart_Click(); });
    c["SweepStop"].onClick([this] { SweepStop_Click(); });
    c["AutoResweep_cmd"].setColour(kButtonFaceColour);
    c["AutoResweep_cmd"].onClick([this] { AutoResweep_cmd_Click(); });
    c["SweepSmooth"].onClick([this] { SweepSmooth_Click(); });
    c["Browse_Predef"].onClick([this] { Browse_Predef_Click(); });
    c["Browse_Limits"].onClick([this] { Browse_Limits_Click(); });
    bindChangeHandlers();
}

void Sweep::redrawScaleClearing() {
    panel::PanelSettings& s = panel_.settings;
    const std::int16_t append = s.appendMode;
    s.appendMode = 0;
    graph_.scaleme();
    s.appendMode = append;
}

void Sweep::bindChangeHandlers() {
    panel::Controls& c = panel_.controls();
    auto plotIfPoints = [this] {
        if (panel_.sweepData.pointCount > 0) graphdata();
    };
    auto bind = [&](std::initializer_list<const char*> names, std::function<void()> action) {
        for (const char* name : names)
            if (panel::Control* control = c.find(name))
                control->onChange([this, action] {
                    if (panel_.updating || inSpectrumMode()) return;
                    action();
                });
    };
    bind({"SweepStartFreq", "SweepStopFreq"}, [this] {
        panel_.Update2();
        redrawScaleClearing();
    });
    bind({"SweepScaleTop", "SweepScaleBtm"}, [this, plotIfPoints] {
        panel_.Update2();
        redrawScaleClearing();
        plotIfPoints();
    });
    bind({"LeftGraphCheck", "RightGraphCheck", "SweepDataUnits", "RefLevel"}, [this, plotIfPoints] {
        panel_.Update2();
        plotIfPoints();
    });
    bind({"SweepMode"}, [this] {
        if (panel_.settings.graphMode == panel::GraphMode::Scope) return;
        panel_.Update2();
        graph_.scaleme();
    });
    bind({"SweepStepCount", "GraphOverCheck", "PredefStepFile", "LimitCurveCheck", "LimitCurveFile",
          "ZRef", "UseReverseCal"},
         [this] { panel_.Update2(); });

    // Boxes that behave as one choice: a click ticks the box (a ticked box
    // stays ticked) and unticks the others.
    auto exclusive = [&](std::vector<const char*> names, std::function<void(std::size_t)> chosen) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            panel::Control* control = c.find(names[i]);
            if (!control) continue;
            control->onChange([this, names, i, chosen] {
                if (panel_.updating || inSpectrumMode()) return;
                panel::Controls& controls = panel_.controls();
                panel_.updating = true;
                controls[names[i]].setChecked(true);
                for (std::size_t j = 0; j < names.size(); ++j)
                    if (j != i)
                        if (panel::Control* other = controls.find(names[j]))
                            other->setChecked(false);
                panel_.updating = false;
                chosen(i);
            });
        }
    };
    exclusive({"LogCheck", "LinCheck"}, [this, plotIfPoints](std::size_t i) {
        panel_.settings.linearAxis = i == 1 ? 1 : 0;
        redrawScaleClearing();
        plotIfPoints();
    });
    exclusive({"OctaveStepCheck", "EvenStepCheck", "PredefStepCheck"},
              [this](std::size_t) { panel_.Update2(); });
}

} // namespace views

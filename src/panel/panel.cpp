#include "panel/panel.h"

#include "common/read_error.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/files.h"

#include <cmath>
#include <string>

namespace panel {

namespace {

std::vector<std::string> toItems(auto const& list) {
    return std::vector<std::string>(list.begin(), list.end());
}

std::string slotName(std::string_view prefix, int slot) {
    return std::string(prefix) + std::to_string(slot);
}

// Integer fields keep their previous value when the text does not fit.
void assignInt16(std::int16_t& target, std::string_view text) {
    try {
        target = common::toInt16(common::leadingNumber(text));
    } catch (const common::VbError&) {
    }
}

void assignInt32(std::int32_t& target, std::string_view text) {
    try {
        target = common::toInt32(common::leadingNumber(text));
    } catch (const common::VbError&) {
    }
}

std::int16_t flag(bool on) {
    return on ? 1 : 0;
}

// The dB units of the level modes: relative to the reference, to 1 V, to
// 0.775 V and to digital full scale.
bool isLevelDbUnit(std::string_view unit) {
    return unit == "dBr" || unit == "dBV" || unit == "dBu" || unit == "dBFS";
}

} // namespace

std::string panelFileCaption(std::string_view path) {
    return "QEX ARV-1   " + std::string(path);
}

Panel::Panel(platform::EventLoop& loop, platform::Dialogs& dialogs, PanelHooks* hooks)
    : loop_(loop), dialogs_(dialogs), hooks_(hooks ? hooks : &defaultHooks_) {
    createControls();
}

void Panel::setHooks(PanelHooks* hooks) {
    hooks_ = hooks ? hooks : &defaultHooks_;
}

const std::string& Panel::caption() const {
    return controls_["MainPanel"].caption();
}

void Panel::pumpEvents() {
    loop_.pumpEvents();
}

// The controls with their initial values, which are the first-start defaults.
void Panel::createControls() {
    Controls& c = controls_;
    using K = ControlKind;
    auto combo = [&](const char* name, auto const& list, std::string_view text) {
        Control& control = c.add(name, K::ComboBox);
        control.setItems(toItems(list));
        control.setText(text);
    };
    auto text = [&](const char* name, std::string_view value) {
        c.add(name, K::TextBox).setText(value);
    };
    auto check = [&](const char* name, bool ticked) {
        c.add(name, K::CheckBox).setChecked(ticked);
    };

    c.add("MainPanel", K::Label).setCaption(kStartCaption);

    // Generator
    combo("Wavetype1", lists::Wavetype, "Sine");
    c.add("Left_gen_option", K::OptionButton, "genRouting");
    c.add("Right_gen_option", K::OptionButton, "genRouting");
    c.add("LplusR_gen_option", K::OptionButton, "genRouting").setChecked(true);
    c.add("LminusR_gen_option", K::OptionButton, "genRouting");
    text("LeftGenLevel", "0");
    text("RightGenLevel", "0");
    combo("LevelUnits", lists::LevelUnits, "dBr");
    combo("SampleRate", lists::SampleRate, "44100");
    text("GenFreq1", "1000");
    text("GenFreq2", "1000");
    text("DeltaPhase", "0");
    check("FastCheck", false);
    text("BurstOnLevel", "0");
    text("BurstOffLevel", "-20");
    text("BurstOnTime", "20");
    text("BurstOffTime", "480");
    combo("BurstLevelUnits", lists::BurstLevelUnits, "dBr");
    combo("BurstTimeUnits", lists::BurstTimeUnits, "ms");
    text("WAVfilename", "None");
    check("usewav_Check", false);
    c.add("Gen_On", K::Button).setCaption("ON");
    c.add("Gen_Off", K::Button).setCaption("OFF");
    c.add("GenOnLED", K::Label).setColour(colour::DarkCyan);
    c.add("MuteOscCheck", K::CheckBox).setCaption("Mute Osc");
    c.add("EXTWAV_Browse", K::Button).setCaption("...");

    // Analyzer
    combo("SampleSize", lists::SampleSize, "16384");
    text("RefLevel", "0");
    text("ZRef", "8");
    c.add("mnuNBdetect", K::Menu).setCaption("NB Detect");
    combo("ThdnBand", lists::ThdnBand, lists::ThdnBand[0]);

    // Readouts
    const PanelSettings defaults;
    for (int i = 1; i <= kReadoutSlots; ++i) {
        const ReadoutSlot& slot = defaults.readouts[static_cast<std::size_t>(i - 1)];
        c.add(slotName("Readout", i), K::Label).setCaption("1");
        Control& channel = c.add(slotName("Readoutch", i), K::ComboBox);
        channel.setItems(toItems(lists::ReadoutChannel));
        channel.setValue(slot.channel);
        combo(slotName("Readoutun", i).c_str(), lists::ReadoutUnit, slot.unit);
        c.add(slotName("ReadoutOn", i), K::Button);
        c.add(slotName("ReadoutLED", i), K::Label).setColour(colour::DarkCyan);
        combo(slotName("Readoutmd", i).c_str(), lists::ReadoutMode, slot.mode);
    }

    // Shown beside the readouts while the input carries no signal.
    c.add("NoSignal", K::Label).setCaption("NO SIGNAL");
    c["NoSignal"].setVisible(false);

    // Sweep and graph
    combo("SweepMode", lists::SweepMode, "Level vs Frequency");
    text("SweepStartFreq", "20");
    text("SweepStopFreq", "20000");
    text("SweepStepCount", "20");
    check("OctaveStepCheck", true);
    check("EvenStepCheck", false);
    check("PredefStepCheck", false);
    text("PredefStepFile", "None");
    text("SweepScaleTop", "20");
    text("SweepScaleBtm", "-20");
    combo("SweepDataUnits", lists::SweepDataUnits, "dBr");
    combo("SweepStepUnits", lists::SweepStepUnits, "Hz");
    check("LeftGraphCheck", true);
    check("RightGraphCheck", true);
    check("LogCheck", true);
    check("LinCheck", false);
    check("UseReverseCal", false);
    check("GraphOverCheck", false);
    check("LimitCurveCheck", false);
    text("LimitCurveFile", "None");
    Control& sweepMenu = c.add("mnuSR", K::Menu);
    sweepMenu.setCaption("Sweep Response");
    sweepMenu.setChecked(true);
    c.add("mnuSa", K::Menu).setCaption("Spectrum Analyzer");
    c.add("mnuScope", K::Menu).setCaption("Oscilloscope");
    text("sweepview", "");
    text("Text1", "");
    c.add("PFLED", K::Label).setColour(colour::DarkCyan);
    c.add("SweepStart", K::Button).setCaption("START");
    c.add("SweepStop", K::Button).setCaption("STOP");
    c.add("AutoResweep_cmd", K::Button).setCaption(" RPT");
    c.add("SweepSmooth", K::Button).setCaption("Smooth");
    c.add("Browse_Predef", K::Button).setCaption("...");
    c.add("Browse_Limits", K::Button).setCaption("...");
    c.add("plotLED", K::Label).setColour(colour::DarkCyan);
    c.add("Clear_graph", K::Button).setCaption("Clear");
    c.add("SweepFullView", K::Button).setCaption("Full Screen");
    c.add("Ylabel", K::Label).setCaption("dBr");
    c.add("Xlabel", K::Label).setCaption("Hz");
    c.add("mnuSaveSA", K::Menu).setCaption("Save SA Test Data");
    c.add("mnuLoadSA", K::Menu).setCaption("Load SA Test Data");

    // Printing and export
    c.add("mnuPrintSetup", K::Menu).setCaption("Page Setup");
    c.add("mnuPrintTestResult", K::Menu).setCaption("Print Test Data");
    c.add("mnuPrintgraph", K::Menu).setCaption("Print Graph");
    c.add("mnuSavegraph", K::Menu).setCaption("Save Graph as BMP");
    c.add("mnuCopygraph", K::Menu).setCaption("Copy Graph to Clipboard");
    c.add("mnuSaveReport", K::Menu).setCaption("Save Test Report (PDF)");
    c.add("mnuExportSweep", K::Menu).setCaption("Export Sweep (CSV)");
    c.add("mnuExportSpectrum", K::Menu).setCaption("Export Spectrum (CSV)");

    // Test sequencer
    c.add("Status", K::Label).setCaption("Status - OK");
    c.add("SeqLED", K::Label).setColour(colour::DarkCyan);
    c.add("Splashwindow", K::Label).setVisible(false);
    c.add("SeqRun", K::Button).setCaption("RUN");
    c.add("SeqEnd", K::Button).setCaption("END");
    c.add("mnuLoadSeq", K::Menu).setCaption("Load Test Sequence");
    c.add("mnuLog", K::Menu).setCaption("Log Now");
    c.add("mnuLogview", K::Menu).setCaption("Log Viewer");

    // Spectrum analyzer and oscilloscope
    c.add("SA_LR", K::Button);
    c.add("LRlabel", K::Label).setCaption("L");
    text("avetext", "3");
    c.add("SA_ave_cmd", K::Button).setCaption("SA average");
    c.add("SAaveLED", K::Label).setColour(colour::DarkCyan);
    c.add("mnuNotrig", K::Menu).setCaption("Scope Manual Control");
    c.add("mnuLocktrig", K::Menu).setCaption("Lock to L Trigger");
    c.add("mnuScalelight", K::Menu).setCaption("High Scalelight");
    c.add("ScopeFrame", K::Label).setVisible(false);
    c.add("TimebaseScroll", K::ScrollBar).setValue(50);
    text("TbaseReadout", "50");
    c.add("LGainScroll", K::ScrollBar).setValue(1);
    c.add("RGainScroll", K::ScrollBar).setValue(1);
    c.add("LgainReadout", K::Label).setCaption("1");
    c.add("RgainReadout", K::Label).setCaption("1");
    check("SplitCheck", false);
    check("LockCheck", false);

    // File menu: panels, favourites, exit.
    auto menu = [&](const char* name, std::string_view caption) -> Control& {
        Control& item = c.add(name, K::Menu);
        item.setCaption(caption);
        return item;
    };
    menu("mnuLoadTest", "Load Test Panel").onClick([this] { mnuLoadTest_Click(); });
    menu("mnuSavePanel", "Save Test Panel").onClick([this] { mnuSavePanel_Click(); });
    for (int slot = 1; slot <= kFavouriteSlots; ++slot)
        menu(slotName("mnuFav", slot).c_str(), std::to_string(slot)).onClick([this, slot] {
            mnuFav_Click(slot);
        });
    menu("mnuReset", "Reset INI and Exit").onClick([this] { mnuReset_Click(); });
    menu("mnuExit", "Exit").onClick([this] { mnuExit_Click(); });
    // Items that open a window of their own; the front end binds them.
    menu("mnuDataEditor", "Data/Limit Editor");
    menu("mnuSeqEditor", "Test Sequence Editor");
    menu("mnuSettling", "Settling Editor");
    menu("mnuGraphSetup", "Graph Setup");
    menu("mnuSoundcard", "Soundcard Setup");
    menu("mnuHotkey", "Hotkey Setup");
    menu("mnuHelp", "Help");
    menu("mnuWidebody", "Wide Body Form");

    // A changed analysis size switches the generator off (which also stops
    // capture) and re-reads the panel, even while the program writes it.
    c["SampleSize"].onChange([this] { onSampleSizeChange(); });
}

void Panel::onSampleSizeChange() {
    hooks_->Gen_Off_Click();
    pumpEvents();
    Update2();
}

// N is 16384 or 32768; anything else becomes 16384. The text shows N.
void Panel::applyValidatedSampleSize() {
    std::int32_t n = 16384;
    try {
        n = common::toInt32(common::leadingNumber(controls_["SampleSize"].text()));
    } catch (const common::VbError&) {
    }
    if (n != 16384 && n != 32768) n = 16384;
    settings.SampleSize = n;
    settings.FftBits = n == 16384 ? 14 : 15;
    controls_["SampleSize"].setText(std::to_string(n));
}

void Panel::Update2() {
    Controls& c = controls_;
    PanelSettings& s = settings;
    using common::leadingNumber;

    s.scopeLockGains = flag(c["LockCheck"].checked());
    s.scopeSplit = flag(c["SplitCheck"].checked());

    applyValidatedSampleSize();

    assignInt32(s.SampleRate, c["SampleRate"].text());
    hooks_->InitGetData();

    s.RefLevel = leadingNumber(c["RefLevel"].text());
    s.refFactorLeft = s.refFactorRight = std::pow(10.0, s.RefLevel / 20.0);

    s.thdnSweep = flag(c["SweepMode"].text() == "THD+N vs Frequency");
    s.thdSweep = flag(c["SweepMode"].text() == "THD vs Frequency" || s.thdnSweep == 1);

    c["LRlabel"].setCaption(s.saChannel == 0 ? "L" : s.saChannel == 2 ? "LR" : "R");

    assignInt16(s.saAverageCount, c["avetext"].text());
    if (s.saAverageCount < 1) s.saAverageCount = 1;

    for (int i = 1; i <= kReadoutSlots; ++i) {
        const std::string& mode = c[slotName("Readoutmd", i)].text();
        Control& unit = c[slotName("Readoutun", i)];
        if (mode == "Power") unit.setText("W");
        if (mode == "IHF IMD" || mode == "CCIF IMD" || mode == "THD") unit.setText("%");
        if ((mode == "Level A-wt" || mode == "Level") && !isLevelDbUnit(unit.text()))
            unit.setText("V");
        if (mode == "Frequency") unit.setText("Hz");
        // The precision modes: % or dB where both apply, else their one unit.
        if ((mode == "THD+N" || mode == "THD (RSS)") && unit.text() != "dB") unit.setText("%");
        if (mode == "SINAD" || mode == "SNR" || mode == "H2" || mode == "H3") unit.setText("dB");
        if (mode == "Freq (fine)") unit.setText("Hz");
        if (mode == "Phase L-R") unit.setText("deg");
    }
    if (c["ThdnBand"].text() == lists::ThdnBand[1])
        s.reservedInts[0] = kWideThdnBand;
    else if (wideThdnBand(s))
        s.reservedInts[0] = 0;

    s.separationSweep = flag(c["SweepMode"].text() == "Separation vs Frequency");

    // Generator
    s.FastCheck = flag(c["FastCheck"].checked());
    s.Wavetype1 = c["Wavetype1"].text();
    for (auto [level, name] : {std::pair{&s.LeftGenLevel, "LeftGenLevel"},
                               std::pair{&s.RightGenLevel, "RightGenLevel"}}) {
        *level = leadingNumber(c[name].text());
        if (*level > 0) {
            *level = 0;
            c[name].setText("0");
        }
    }
    s.GenFreq1 = leadingNumber(c["GenFreq1"].text());
    s.GenFreq2 = leadingNumber(c["GenFreq2"].text());
    s.DeltaPhase = leadingNumber(c["DeltaPhase"].text());
    s.LevelUnits = c["LevelUnits"].text();
    s.BurstOnLevel = leadingNumber(c["BurstOnLevel"].text());
    s.BurstOffLevel = leadingNumber(c["BurstOffLevel"].text());
    s.BurstOnTime = leadingNumber(c["BurstOnTime"].text());
    s.BurstOffTime = leadingNumber(c["BurstOffTime"].text());
    s.BurstLevelUnits = c["BurstLevelUnits"].text();
    s.BurstTimeUnits = c["BurstTimeUnits"].text();

    // Readouts
    for (int i = 1; i <= kReadoutSlots; ++i) {
        ReadoutSlot& slot = s.readouts[static_cast<std::size_t>(i - 1)];
        slot.value = leadingNumber(c[slotName("Readout", i)].caption());
        const int channel = c[slotName("Readoutch", i)].value();
        if (channel == 0 || channel == 1) slot.channel = static_cast<std::int16_t>(channel);
        slot.unit = c[slotName("Readoutun", i)].text();
        slot.mode = c[slotName("Readoutmd", i)].text();
    }

    // Sweep
    s.SweepMode = c["SweepMode"].text();
    s.stepCountText = c["SweepStepCount"].text();
    s.SweepDataUnits = c["SweepDataUnits"].text();
    s.sweepStart = leadingNumber(c["SweepStartFreq"].text());
    s.sweepStop = leadingNumber(c["SweepStopFreq"].text());
    assignInt16(s.stepCount, s.stepCountText);
    s.SweepScaleTop = leadingNumber(c["SweepScaleTop"].text());
    s.SweepScaleBtm = leadingNumber(c["SweepScaleBtm"].text());
    s.ZRef = leadingNumber(c["ZRef"].text());
    s.PredefStepFile = c["PredefStepFile"].text();
    s.LimitCurveFile = c["LimitCurveFile"].text();

    const bool left = c["LeftGraphCheck"].checked();
    const bool right = c["RightGraphCheck"].checked();
    if (left)
        s.channelSelect = right ? 2 : 0;
    else if (right)
        s.channelSelect = 1;

    s.linearAxis = flag(!c["LogCheck"].checked());

    s.useReverseCal = flag(c["UseReverseCal"].checked());
    if (s.useReverseCal == 1) hooks_->loadReverseCal();

    s.appendMode = flag(c["GraphOverCheck"].checked());
    s.limitCurveOn = flag(c["LimitCurveCheck"].checked());

    if (c["OctaveStepCheck"].checked()) s.stepMode = 0;
    if (c["EvenStepCheck"].checked()) s.stepMode = 1;
    if (c["PredefStepCheck"].checked()) s.stepMode = 2;
    if (s.stepMode == 2) {
        const int count = sweepData.predefCount;
        c["SweepStartFreq"].setText(common::displayText(sweepData.predefFreq[1]));
        if (count < common::kTableSize)
            c["SweepStopFreq"].setText(common::displayText(
                sweepData.predefFreq[static_cast<std::size_t>(std::max(count, 0))]));
        c["SweepStepCount"].setText(std::to_string(count));
    }

    if (s.appendMode == 0 && s.genOn == 0) {
        if (s.graphMode == GraphMode::Spectrum)
            hooks_->scaleme2();
        else if (s.graphMode == GraphMode::Sweep)
            hooks_->scaleme();
    }

    if (sweepData.pointCount > 0 && s.graphMode != GraphMode::Scope && !hooks_->sweepAtFinalPoint())
        hooks_->graphdata();

    s.WAVfilename = c["WAVfilename"].text();
    s.usewav_Check = flag(c["usewav_Check"].checked());

    if (c["Left_gen_option"].checked()) s.genRouting = 0;
    if (c["Right_gen_option"].checked()) s.genRouting = 1;
    if (c["LplusR_gen_option"].checked()) s.genRouting = 2;
    if (c["LminusR_gen_option"].checked()) s.genRouting = 3;
}

// Reads a user sweep or limit file named by the panel into its table. A file
// that cannot be read leaves its table unchanged and says why; "None" names
// no file.
void Panel::readTableInto(std::string_view path, bool limitFile) {
    if (path.empty() || path == kNoFile) return;
    try {
        editor::readTableFile(path, tableWork_);
    } catch (const common::VbError& e) {
        dialogs_.message("", std::string(limitFile ? "The limit file" : "The user sweep file") +
                                 " was not loaded: " + common::fileErrorText(path, e) + ".");
        return;
    }
    if (limitFile)
        editor::toLimitTable(tableWork_, limits);
    else
        editor::toPredefPoints(tableWork_, sweepData);
}

void Panel::Update1() {
    Controls& c = controls_;
    PanelSettings& s = settings;
    using common::displayText;

    c["FastCheck"].setChecked(s.FastCheck == 1);
    c["mnuLocktrig"].setChecked(s.lockToLeftTrigger == 1);
    c["mnuScalelight"].setChecked(s.highScalelight == 1);

    c["Wavetype1"].setText(s.Wavetype1);
    c["LRlabel"].setCaption(s.saChannel == 0 ? "L" : s.saChannel == 2 ? "LR" : "R");

    if (s.saAverageCount < 1) s.saAverageCount = 1;
    c["avetext"].setText(std::to_string(s.saAverageCount));
    c["SAaveLED"].setColour(s.saAveraging == 1 ? colour::Green : colour::DarkCyan);

    static constexpr const char* routingOptions[] = {"Left_gen_option", "Right_gen_option",
                                                     "LplusR_gen_option", "LminusR_gen_option"};
    const int routing = s.genRouting >= 0 && s.genRouting <= 3 ? s.genRouting : 2;
    c[routingOptions[routing]].setChecked(true);

    c["LeftGenLevel"].setText(displayText(s.LeftGenLevel));
    c["RightGenLevel"].setText(displayText(s.RightGenLevel));
    c["GenFreq1"].setText(displayText(s.GenFreq1));
    c["GenFreq2"].setText(displayText(s.GenFreq2));
    c["DeltaPhase"].setText(displayText(s.DeltaPhase));
    c["LevelUnits"].setText(s.LevelUnits);
    c["SampleRate"].setText(std::to_string(s.SampleRate));
    c["BurstOnLevel"].setText(displayText(s.BurstOnLevel));
    c["BurstOffLevel"].setText(displayText(s.BurstOffLevel));
    c["BurstOnTime"].setText(displayText(s.BurstOnTime));
    c["BurstOffTime"].setText(displayText(s.BurstOffTime));
    c["BurstLevelUnits"].setText(s.BurstLevelUnits);
    c["BurstTimeUnits"].setText(s.BurstTimeUnits);

    for (int i = 1; i <= kReadoutSlots; ++i) {
        const ReadoutSlot& slot = s.readouts[static_cast<std::size_t>(i - 1)];
        c[slotName("Readout", i)].setCaption(displayText(slot.value));
        if (slot.channel == 0 || slot.channel == 1)
            c[slotName("Readoutch", i)].setValue(slot.channel);
        c[slotName("Readoutun", i)].setText(slot.unit);
        c[slotName("Readoutmd", i)].setText(slot.mode);
        c[slotName("ReadoutLED", i)].setColour(slot.on == 1 ? colour::Green : colour::DarkCyan);
    }

    c["SweepMode"].setText(s.SweepMode);
    if (s.SweepMode == "THD vs Frequency" || s.SweepMode == "THD+N vs Frequency") s.thdSweep = 1;
    if (s.SweepMode == "THD+N vs Frequency") s.thdnSweep = 1;
    c["ThdnBand"].setText(lists::ThdnBand[wideThdnBand(s) ? 1 : 0]);

    c["SweepStepCount"].setText(s.stepCountText);
    c["SweepDataUnits"].setText(s.SweepDataUnits);
    c["SweepStartFreq"].setText(displayText(s.sweepStart));
    c["SweepStopFreq"].setText(displayText(s.sweepStop));
    c["SweepStepCount"].setText(std::to_string(s.stepCount));
    c["SweepScaleTop"].setText(displayText(s.SweepScaleTop));
    c["SweepScaleBtm"].setText(displayText(s.SweepScaleBtm));
    c["RefLevel"].setText(displayText(s.RefLevel));
    c["ZRef"].setText(displayText(s.ZRef));
    c["PredefStepFile"].setText(s.PredefStepFile);
    c["LimitCurveFile"].setText(s.LimitCurveFile);
    s.refFactorLeft = s.refFactorRight = std::pow(10.0, s.RefLevel / 20.0);

    c["OctaveStepCheck"].setChecked(s.stepMode == 0);
    c["EvenStepCheck"].setChecked(s.stepMode == 1);
    c["PredefStepCheck"].setChecked(s.stepMode == 2);
    c["LeftGraphCheck"].setChecked(s.channelSelect != 1);
    c["RightGraphCheck"].setChecked(s.channelSelect != 0);
    c["LogCheck"].setChecked(s.linearAxis == 0);
    c["LinCheck"].setChecked(s.linearAxis != 0);
    c["UseReverseCal"].setChecked(s.useReverseCal == 1);
    c["GraphOverCheck"].setChecked(s.appendMode == 1);
    c["LimitCurveCheck"].setChecked(s.limitCurveOn == 1);

    readTableInto(s.PredefStepFile, false);
    readTableInto(s.LimitCurveFile, true);

    hooks_->loadReverseCal();

    hooks_->clearGraphForView(s.graphMode);
    c["mnuSR"].setChecked(s.graphMode == GraphMode::Sweep);
    c["mnuSa"].setChecked(s.graphMode == GraphMode::Spectrum);
    c["mnuScope"].setChecked(s.graphMode == GraphMode::Scope);
    switch (s.graphMode) {
    case GraphMode::Spectrum:
        hooks_->scaleme2();
        c["sweepview"].setText("    Spectrum Analyzer Mode");
        break;
    case GraphMode::Sweep:
        hooks_->scaleme();
        c["sweepview"].setText("    Frequency Sweep Mode");
        break;
    case GraphMode::Scope:
        hooks_->drawScopeGrid();
        c["sweepview"].setText("    Oscilloscope Mode");
        break;
    }

    if (s.limitCurveOn == 1) hooks_->drawLimitCurve();
    if (sweepData.pointCount > 1) hooks_->graphdata();

    c["WAVfilename"].setText(s.WAVfilename);
    c["usewav_Check"].setChecked(s.usewav_Check == 1);
    c["SampleSize"].setText(std::to_string(s.SampleSize));
    applyValidatedSampleSize();

    c["mnuNotrig"].setChecked(s.scopeManual == 1);
    if (s.scopeManual == 1 && s.graphMode == GraphMode::Scope) {
        c["ScopeFrame"].setVisible(true);
        if (s.scopeTimebase < 1 || s.scopeTimebase > 100) s.scopeTimebase = 50;
        c["TimebaseScroll"].setValue(s.scopeTimebase);
        c["SplitCheck"].setChecked(s.scopeSplit == 1);
        if (s.scopeLockGains == 1) {
            s.scopeGainRight = s.scopeGainLeft;
            c["LockCheck"].setChecked(true);
        }
        for (auto [gain, scroll, readout] :
             {std::tuple{&s.scopeGainLeft, "LGainScroll", "LgainReadout"},
              std::tuple{&s.scopeGainRight, "RGainScroll", "RgainReadout"}}) {
            if (*gain < 1 || *gain > 1000) *gain = 1;
            c[scroll].setValue(*gain);
            c[readout].setCaption(std::to_string(*gain));
        }
    }

    if (restoreGenOn == 1 && !startingUp) hooks_->Gen_On_Click();

    updating = false;
    startingUp = false;
}

} // namespace panel

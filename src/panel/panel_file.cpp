// The test panel file and the start-up file: one reader and one writer over
// the same field order, one value per line.

#include "common/read_error.h"
#include "common/seqfile.h"
#include "common/vb_error.h"
#include "panel/panel.h"
#include "platform/dialogs.h"
#include "platform/files.h"

#include <algorithm>

namespace panel {

namespace {

// Reads each field into its target, in file order; `name` says which field
// a refusal is about.
struct FieldReader {
    static constexpr bool reading = true;
    common::SeqReader& in;
    void text(std::string& v, std::string_view name) { v = in.readText(name); }
    void real(double& v, std::string_view name) { v = in.readDouble(name); }
    void single(float& v, std::string_view name) { v = in.readSingle(name); }
    void int16(std::int16_t& v, std::string_view name) { v = in.readInt16(name); }
    void int32(std::int32_t& v, std::string_view name) { v = in.readInt32(name); }
    void byte(std::uint8_t& v, std::string_view name) { v = in.readByte(name); }
};

// Writes each field, in file order.
struct FieldWriter {
    static constexpr bool reading = false;
    common::SeqWriter& out;
    void text(std::string& v, std::string_view) { out.writeText(v); }
    void real(double& v, std::string_view) { out.writeNumber(v); }
    void single(float& v, std::string_view) { out.writeSingle(v); }
    void int16(std::int16_t& v, std::string_view) { out.writeInteger(v); }
    void int32(std::int32_t& v, std::string_view) { out.writeInteger(v); }
    void byte(std::uint8_t& v, std::string_view) { out.writeInteger(v); }
};

// A 16-bit flag field that stands for a two-valued setting.
template <class IO> void modeFlag(IO& io, GraphMode& mode, GraphMode value, std::string_view name) {
    std::int16_t on = mode == value ? 1 : 0;
    io.int16(on, name);
    if constexpr (IO::reading) {
        if (on == 1)
            mode = value;
        else if (mode == value)
            mode = GraphMode::Sweep;
    }
}

template <class IO> void sweepPoint(IO& io, common::SweepData& sweep, int k) {
    const auto i = static_cast<std::size_t>(k);
    io.real(sweep.freq[i], "a sweep point's frequency");
    io.single(sweep.levelLeft[i], "a sweep point's left level");
    io.single(sweep.levelRight[i], "a sweep point's right level");
    io.single(sweep.thdLeft[i], "a sweep point's left THD");
    io.single(sweep.thdRight[i], "a sweep point's right THD");
}

// The whole file in order. A reader stops at the first error it throws.
template <class IO>
void panelFields(IO& io, PanelSettings& s, common::SweepData& sweep, std::int16_t& runningFlag) {
    io.text(s.defaultDataDirectory, "the default data directory");
    for (ReadoutSlot& slot : s.readouts) {
        io.real(slot.value, "a readout value");
        io.int16(slot.channel, "a readout channel");
        io.text(slot.unit, "a readout unit");
        io.int16(slot.on, "a readout on flag");
        io.text(slot.mode, "a readout mode");
    }
    io.text(s.Wavetype1, "Wavetype1");
    io.int16(s.genRouting, "genRouting");
    io.real(s.LeftGenLevel, "LeftGenLevel");
    io.real(s.RightGenLevel, "RightGenLevel");
    io.text(s.LevelUnits, "LevelUnits");
    io.int32(s.SampleRate, "SampleRate");
    io.text(s.reservedText, "the reserved text");
    io.int16(s.reservedInt, "the reserved integer");
    io.real(s.GenFreq1, "GenFreq1");
    io.real(s.GenFreq2, "GenFreq2");
    io.int16(runningFlag,
             "the generator running flag"); // written from genOn, read into restoreGenOn
    io.real(s.DeltaPhase, "DeltaPhase");
    io.real(s.BurstOnLevel, "BurstOnLevel");
    io.real(s.BurstOffLevel, "BurstOffLevel");
    io.real(s.BurstOnTime, "BurstOnTime");
    io.real(s.BurstOffTime, "BurstOffTime");
    io.text(s.BurstTimeUnits, "BurstTimeUnits");
    io.text(s.BurstLevelUnits, "BurstLevelUnits");
    io.text(s.SweepMode, "SweepMode");
    io.real(s.sweepStart, "SweepStartFreq");
    io.real(s.sweepStop, "SweepStopFreq");
    io.text(s.stepCountText, "SweepStepCount");
    io.int16(s.stepCount, "the step count");
    io.int16(s.stepMode, "the step mode");
    io.text(s.PredefStepFile, "PredefStepFile");
    io.real(s.SweepScaleTop, "SweepScaleTop");
    io.real(s.SweepScaleBtm, "SweepScaleBtm");
    io.text(s.SweepDataUnits, "SweepDataUnits");
    io.real(s.RefLevel, "RefLevel");
    io.int16(s.channelSelect, "the graph channels");
    io.int16(s.linearAxis, "the linear axis flag");
    io.int16(s.useReverseCal, "UseReverseCal");
    io.int16(s.appendMode, "GraphOverCheck");
    io.int16(s.limitCurveOn, "LimitCurveCheck");
    io.text(s.LimitCurveFile, "LimitCurveFile");
    io.real(s.ZRef, "ZRef");

    std::int16_t points = sweep.pointCount;
    io.int16(points, "the number of sweep points");
    if constexpr (IO::reading) {
        // The arrays hold 200 points: a larger count ends the read after the
        // last point that fits, a negative one at once.
        const int countLine = io.in.lastLine();
        auto refuseCount = [&] {
            throw common::ReadError(common::err::SubscriptOutOfRange, io.in.fileName(), countLine,
                                    "the number of sweep points, 0 to 200", std::to_string(points));
        };
        if (points < 0) {
            sweep.pointCount = 0;
            refuseCount();
        }
        // Never more than the arrays hold, even when the file ends early.
        sweep.pointCount = std::min<std::int16_t>(points, common::kMaxRows);
        for (int k = 1; k <= points; ++k) {
            if (k > common::kMaxRows) {
                sweep.pointCount = common::kMaxRows;
                refuseCount();
            }
            sweepPoint(io, sweep, k);
        }
    } else {
        for (int k = 1; k <= std::min<int>(points, common::kMaxRows); ++k)
            sweepPoint(io, sweep, k);
    }

    io.text(s.graphTitle, "the graph title");
    io.int16(s.graphColour, "the graph colour");
    io.int16(s.graphLineWidth, "the graph line width");
    io.int16(s.graphTimeStamp, "the graph time stamp");
    for (std::string& legend : s.graphLegends)
        io.text(legend, "a graph legend");
    io.int16(s.settleMode, "the settle mode");
    io.text(s.logFilePath, "logFilePath");
    io.text(s.WAVfilename, "WAVfilename");
    io.int16(s.usewav_Check, "usewav_Check");
    io.int16(s.saAverageCount, "saAverageCount");
    io.int16(s.saAveraging, "saAveraging");
    modeFlag(io, s.graphMode, GraphMode::Spectrum, "the spectrum flag");
    io.int16(s.saChannel, "the analyzer channel");
    io.int16(s.highScalelight, "the scale light flag");
    modeFlag(io, s.graphMode, GraphMode::Scope, "the scope flag");
    io.int16(s.logTime, "the log time flag");
    io.int16(s.logLevels, "the log levels flag");
    io.int16(s.logThd, "the log THD flag");
    io.int32(s.SampleSize, "SampleSize");
    io.byte(s.FftBits, "FftBits");
    io.int16(s.FastCheck, "FastCheck");
    io.int16(s.lockToLeftTrigger, "the trigger lock flag");
    io.int16(s.readingMode, "the reading mode");
    io.int16(s.rmsDetector, "the RMS detector flag");
    io.int16(s.peakDetector, "the peak detector flag");
    io.int16(s.engineFlag, "the engine flag");
    for (double& offset : s.rateOffsets)
        io.real(offset, "a per-rate offset");
    io.int16(s.bestFitSampleRate, "the best-fit sample rate flag");
    io.int16(s.scopeManual, "scopeManual");
    io.int16(s.scopeLockGains, "scopeLockGains");
    io.int16(s.scopeSplit, "scopeSplit");
    io.int16(s.DiscardCheck, "DiscardCheck");
    for (std::int16_t& reserved : s.reservedInts)
        io.int16(reserved, "a reserved integer");
    io.int32(s.scopeGainLeft, "scopeGainLeft");
    io.int32(s.scopeGainRight, "scopeGainRight");
    io.int32(s.scopeTimebase, "scopeTimebase");
    io.int32(s.OutputDeviceId, "OutputDeviceId");
    io.int32(s.InputDeviceId, "InputDeviceId");
    for (double& reserved : s.reservedReals)
        io.real(reserved, "a reserved real");
}

} // namespace

void Panel::setPanelFileCaptionIfNotStartup() {
    if (!platform::samePath(testPanelPath, kStartupFile))
        controls_["MainPanel"].setCaption(panelFileCaption(testPanelPath));
}

void Panel::ReadData() {
    updating = true;
    try {
        setPanelFileCaptionIfNotStartup();
        common::SeqReader reader(platform::readFileBytes(testPanelPath), testPanelPath);
        reader.setOneValuePerLine(true);
        limits = common::LimitTable{};
        FieldReader io{reader};
        panelFields(io, settings, sweepData, restoreGenOn);
        reader.expectEnd();
        Update1();
        pumpEvents();
    } catch (const common::VbError& e) {
        // The record keeps what was read so far; the controls are not
        // updated from the file and are captured again below. The first
        // start has no start-up file, which is no error.
        const bool firstStart = e.number() == common::err::FileNotFound &&
                                platform::samePath(testPanelPath, kStartupFile);
        if (!firstStart)
            dialogs_.message(
                "", "The test panel was not loaded: " + common::fileErrorText(testPanelPath, e) +
                        ". The panel keeps its previous settings.");
    }
    Update2();
    updating = false;
    startingUp = false;
    pumpEvents();
}

void Panel::WritePanelFile() {
    Update2();
    favourites_.WriteFav();
    common::SeqWriter writer;
    FieldWriter io{writer};
    std::int16_t running = settings.genOn;
    panelFields(io, settings, sweepData, running);
    try {
        platform::writeFileAtomic(testPanelPath, writer.bytes());
    } catch (const common::VbError& e) {
        // The file is not written (an older one stays as it was).
        const bool startup = platform::samePath(testPanelPath, kStartupFile);
        dialogs_.message("", std::string(startup ? "The start-up file" : "The test panel") +
                                 " was not saved: " + common::fileErrorText(testPanelPath, e) +
                                 ".");
    }
}

} // namespace panel

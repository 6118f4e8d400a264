// The test panel file and the start-up file: one reader and one writer over
// the same field order, one value per line.

#include "common/seqfile.h"
#include "common/vb_error.h"
#include "panel/panel.h"
#include "platform/files.h"

namespace panel {

namespace {

// Reads each field into its target, in file order.
struct FieldReader {
    static constexpr bool reading = true;
    common::SeqReader& in;
    void text(std::string& v) { v = in.readText(); }
    void real(double& v) { v = in.readDouble(); }
    void single(float& v) { v = in.readSingle(); }
    void int16(std::int16_t& v) { v = in.readInt16(); }
    void int32(std::int32_t& v) { v = in.readInt32(); }
    void byte(std::uint8_t& v) { v = in.readByte(); }
};

// Writes each field, in file order.
struct FieldWriter {
    static constexpr bool reading = false;
    common::SeqWriter& out;
    void text(std::string& v) { out.writeText(v); }
    void real(double& v) { out.writeNumber(v); }
    void single(float& v) { out.writeSingle(v); }
    void int16(std::int16_t& v) { out.writeInteger(v); }
    void int32(std::int32_t& v) { out.writeInteger(v); }
    void byte(std::uint8_t& v) { out.writeInteger(v); }
};

// A 16-bit flag field that stands for a two-valued setting.
template <class IO> void modeFlag(IO& io, GraphMode& mode, GraphMode value) {
    std::int16_t on = mode == value ? 1 : 0;
    io.int16(on);
    if constexpr (IO::reading) {
        if (on == 1)
            mode = value;
        else if (mode == value)
            mode = GraphMode::Sweep;
    }
}

// The whole file in order. A reader stops at the first error it throws.
template <class IO>
void panelFields(IO& io, PanelSettings& s, common::SweepData& sweep, std::int16_t& runningFlag) {
    io.text(s.defaultDataDirectory);
    for (ReadoutSlot& slot : s.readouts) {
        io.real(slot.value);
        io.int16(slot.channel);
        io.text(slot.unit);
        io.int16(slot.on);
        io.text(slot.mode);
    }
    io.text(s.Wavetype1);
    io.int16(s.genRouting);
    io.real(s.LeftGenLevel);
    io.real(s.RightGenLevel);
    io.text(s.LevelUnits);
    io.int32(s.SampleRate);
    io.text(s.reservedText);
    io.int16(s.reservedInt);
    io.real(s.GenFreq1);
    io.real(s.GenFreq2);
    io.int16(runningFlag); // written from genOn, read into restoreGenOn
    io.real(s.DeltaPhase);
    io.real(s.BurstOnLevel);
    io.real(s.BurstOffLevel);
    io.real(s.BurstOnTime);
    io.real(s.BurstOffTime);
    io.text(s.BurstTimeUnits);
    io.text(s.BurstLevelUnits);
    io.text(s.SweepMode);
    io.real(s.sweepStart);
    io.real(s.sweepStop);
    io.text(s.stepCountText);
    io.int16(s.stepCount);
    io.int16(s.stepMode);
    io.text(s.PredefStepFile);
    io.real(s.SweepScaleTop);
    io.real(s.SweepScaleBtm);
    io.text(s.SweepDataUnits);
    io.real(s.RefLevel);
    io.int16(s.channelSelect);
    io.int16(s.linearAxis);
    io.int16(s.useReverseCal);
    io.int16(s.appendMode);
    io.int16(s.limitCurveOn);
    io.text(s.LimitCurveFile);
    io.real(s.ZRef);

    std::int16_t points = sweep.pointCount;
    io.int16(points);
    if constexpr (IO::reading) {
        // The arrays hold 200 points: a larger count ends the read after the
        // last point that fits, a negative one at once.
        if (points < 0) {
            sweep.pointCount = 0;
            common::raise(common::err::SubscriptOutOfRange);
        }
        sweep.pointCount = points;
    }
    for (int k = 1; k <= points; ++k) {
        if (k > common::kMaxRows) {
            sweep.pointCount = common::kMaxRows;
            common::raise(common::err::SubscriptOutOfRange);
        }
        const auto i = static_cast<std::size_t>(k);
        io.real(sweep.freq[i]);
        io.single(sweep.levelLeft[i]);
        io.single(sweep.levelRight[i]);
        io.single(sweep.thdLeft[i]);
        io.single(sweep.thdRight[i]);
    }

    io.text(s.graphTitle);
    io.int16(s.graphColour);
    io.int16(s.graphLineWidth);
    io.int16(s.graphTimeStamp);
    for (std::string& legend : s.graphLegends)
        io.text(legend);
    io.int16(s.settleMode);
    io.text(s.logFilePath);
    io.text(s.WAVfilename);
    io.int16(s.usewav_Check);
    io.int16(s.saAverageCount);
    io.int16(s.saAveraging);
    modeFlag(io, s.graphMode, GraphMode::Spectrum);
    io.int16(s.saChannel);
    io.int16(s.highScalelight);
    modeFlag(io, s.graphMode, GraphMode::Scope);
    io.int16(s.logTime);
    io.int16(s.logLevels);
    io.int16(s.logThd);
    io.int32(s.SampleSize);
    io.byte(s.FftBits);
    io.int16(s.FastCheck);
    io.int16(s.lockToLeftTrigger);
    io.int16(s.readingMode);
    io.int16(s.rmsDetector);
    io.int16(s.peakDetector);
    io.int16(s.engineFlag);
    for (double& offset : s.rateOffsets)
        io.real(offset);
    io.int16(s.bestFitSampleRate);
    io.int16(s.scopeManual);
    io.int16(s.scopeLockGains);
    io.int16(s.scopeSplit);
    io.int16(s.DiscardCheck);
    for (std::int16_t& reserved : s.reservedInts)
        io.int16(reserved);
    io.int32(s.scopeGainLeft);
    io.int32(s.scopeGainRight);
    io.int32(s.scopeTimebase);
    io.int32(s.OutputDeviceId);
    io.int32(s.InputDeviceId);
    for (double& reserved : s.reservedReals)
        io.real(reserved);
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
        common::SeqReader reader(platform::readFileBytes(testPanelPath));
        limits = common::LimitTable{};
        FieldReader io{reader};
        panelFields(io, settings, sweepData, restoreGenOn);
        Update1();
        pumpEvents();
    } catch (const common::VbError&) {
        // The record keeps what was read so far; the controls are not
        // updated from the file and are captured again below.
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
    } catch (const common::VbError&) {
        // A file that cannot be created is simply not written.
    }
}

} // namespace panel

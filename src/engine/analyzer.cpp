#include "engine/analyzer.h"

#include "common/text.h"
#include "engine/levels.h"
#include "panel/panel.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace engine {

namespace {

constexpr double kBinWidth = 2.6916; // Hz per bin at 44100 Hz, N = 16384
constexpr const char* kLineBreak = "\r\n";

// An assignment that fails (not a finite number) leaves its target as it was.
void assignFinite(double& target, double value) {
    if (std::isfinite(value)) target = value;
}

bool fitsSingle(double v) {
    return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max();
}

} // namespace

int blocksPerStep(int settleMode, double sweepFreq) {
    switch (settleMode) {
    case 1:
        return 5;
    case 2:
        return 7;
    case 3:
        return sweepFreq >= 200 ? 4 : 7;
    default:
        return 4;
    }
}

Analyzer::Analyzer(platform::EventLoop& loop, platform::Dialogs& dialogs, panel::Panel& panel,
                   platform::AudioInput& input)
    : loop_(loop), dialogs_(dialogs), panel_(panel), input_(input), winLeft_(kSampleArraySize),
      winRight_(kSampleArraySize), spectrumLeft_(kSampleArraySize),
      spectrumRight_(kSampleArraySize) {
    timer2_ = loop_.createTimer(kCaptureStartDelayMs, [this] { Timer2_Timer(); });
    fft_.buildTables(n_);
    cacheControls();
}

Analyzer::~Analyzer() = default;

void Analyzer::cacheControls() {
    panel::Controls& c = panel_.controls();
    for (int i = 1; i <= panel::kReadoutSlots; ++i) {
        SlotControls& slot = slotControls_[static_cast<std::size_t>(i - 1)];
        const std::string suffix = std::to_string(i);
        slot.caption = &c["Readout" + suffix];
        slot.unit = &c["Readoutun" + suffix];
        slot.lamp = &c["ReadoutLED" + suffix];
        c["ReadoutOn" + suffix].onClick([this, i] { ReadoutOn_Click(i); });
    }
    text1_ = &c["Text1"];
    noSignal_ = &c["NoSignal"];
    nbMenu_ = &c["mnuNBdetect"];
    nbMenu_->onClick([this] { mnuNBdetect_Click(); });
}

void Analyzer::setSweepSteps(SweepSteps* steps) {
    sweepSteps_ = steps ? steps : &defaultSweep_;
}
void Analyzer::setViews(CycleViews* views) {
    views_ = views ? views : &defaultViews_;
}

// --- Capture ---

bool Analyzer::InitDevices() {
    const int count = input_.deviceCount();
    deviceNames_.clear();
    for (int i = 0; i < count; ++i)
        if (auto name = input_.deviceName(i)) deviceNames_.push_back(std::move(*name));
    devicesListed_ = true;
    if (count > 0) return true;
    if (!ending_) {
        ending_ = true;
        dialogs_.message("", kNoInputDevicesMessage);
        if (endProgram_) endProgram_();
    }
    return false;
}

void Analyzer::InitGetData() {
    panel::PanelSettings& s = panel_.settings;
    const std::int32_t n = s.SampleSize == kLargeFft ? kLargeFft : kSmallFft;
    if (!devicesListed_ || hWaveIn_ == 0) InitDevices();
    if (n != n_) {
        // Window positions the new size does not write read as zero.
        std::fill(winLeft_.begin(), winLeft_.end(), std::int16_t{0});
        std::fill(winRight_.begin(), winRight_.end(), std::int16_t{0});
    }
    n_ = n;
    fft_.buildTables(n_);
    bounds_ = analysisBounds(n_);
    s.engineFlag = 0;
    if (s.peakDetector != 1) s.rmsDetector = 1;
}

void Analyzer::GetData() {
    const panel::PanelSettings& s = panel_.settings;
    format_ = platform::CaptureFormat::stereo16(s.SampleRate);
    if (hWaveIn_ == 0) {
        hWaveIn_ = input_.open(s.InputDeviceId, format_);
        if (hWaveIn_ == 0) {
            dialogs_.message("Error", kInputDidNotOpenMessage);
            return;
        }
    }
    input_.start(hWaveIn_);
    nextFrame_ = -1;
    snrSlots_ = {};
    precision_.captureStarted();
    views_->captureStarted();
    sweepSteps_->captureStarted();
    panel_.controls()["sweepview"].setText("");
    Visualize();
}

std::int64_t Analyzer::stallTimeoutMs() const {
    if (stallBlocks_ <= 0 || format_.samplesPerSecond <= 0) return kBlockTimeoutMs;
    const std::int64_t frames = header_.bufferLength / 4;
    return std::max<std::int64_t>(stallMinimumMs_,
                                  (stallBlocks_ * frames * 1000 + format_.samplesPerSecond - 1) /
                                      format_.samplesPerSecond);
}

void Analyzer::Visualize() {
    if (hWaveIn_ == 0 || blockQueued_) return;
    const panel::PanelSettings& s = panel_.settings;
    header_.data = block_.Raw.data();
    header_.bufferLength =
        static_cast<std::uint32_t>(blockBytes(s.SampleSize, s.DiscardCheck == 1));
    header_.bytesRecorded = 0;
    header_.flags = 0;
    header_.onDone = [this] { blockDone(); };
    input_.prepareHeader(hWaveIn_, header_);
    input_.addBuffer(hWaveIn_, header_);
    blockQueued_ = true;

    // A block that does not arrive in time stops capture with a message.
    const std::uint64_t queued = ++queuedBlock_;
    std::weak_ptr<bool> alive = alive_;
    loop_.post(
        [this, alive, queued] {
            if (alive.expired() || queued != queuedBlock_ || hWaveIn_ == 0 || header_.done())
                return;
            DoStop();
            dialogs_.message("Error", kInputStalledMessage);
        },
        static_cast<int>(stallTimeoutMs()));
}

void Analyzer::blockDone() {
    ++queuedBlock_; // the stall check of this block has nothing left to do
    blockQueued_ = false;
    if (hWaveIn_ == 0) return;
    input_.unprepareHeader(hWaveIn_, header_);

    // Positions beyond the recorded bytes read as zero.
    const std::uint32_t recorded = std::min(header_.bytesRecorded, header_.bufferLength);
    if (recorded < recordedHighWater_)
        std::fill(block_.Raw.begin() + recorded / 2, block_.Raw.begin() + recordedHighWater_ / 2,
                  std::int16_t{0});
    recordedHighWater_ = recorded;

    pendingFrames_ = static_cast<int>(recorded / 4);
    pendingContiguous_ = header_.firstFrame >= 0 && header_.firstFrame == nextFrame_;
    nextFrame_ = header_.firstFrame >= 0 ? header_.firstFrame + pendingFrames_ : -1;
    DisplayFreq();
    pendingFrames_ = 0;
    ++blockNumber_;
    if (blockObserver_) blockObserver_(blockNumber_);
    // The cycle may have stopped capture, or restarted it (which queued a
    // block already).
    if (!blockQueued_) Visualize();
}

void Analyzer::DoStop() {
    precision_.captureStopped();
    blockQueued_ = false;
    if (hWaveIn_ != 0) {
        input_.reset(hWaveIn_);
        input_.close(hWaveIn_);
    }
    hWaveIn_ = 0;
    showNoSignal(false, false);
}

void Analyzer::restartCapture() {
    DoStop();
    GetData();
}

void Analyzer::startCaptureTimer() {
    timer2Ticks_ = 0;
    timer2_->setEnabled(true);
}

bool Analyzer::timer2Enabled() const {
    return timer2_->enabled();
}

void Analyzer::Timer2_Timer() {
    // The counter stops at its maximum: only the first tick starts capture.
    if (timer2Ticks_ < std::numeric_limits<std::int16_t>::max()) ++timer2Ticks_;
    if (timer2Ticks_ != 1) return;
    if (hWaveIn_ == 0) GetData();
    timer2_->setEnabled(false);
}

// --- Measurement cycle ---

void Analyzer::DisplayFreq() {
    sweepSteps_->beforeMeasurement(*this);
    panel_.Update2();
    bounds_ = analysisBounds(n_);

    runPrecision();
    removeDcAndTrackPeaks();
    transformBlock();

    const panel::PanelSettings& s = panel_.settings;
    if (s.graphMode == panel::GraphMode::Spectrum)
        views_->spectrumView(*this);
    else if (s.graphMode == panel::GraphMode::Scope)
        views_->scopeView(*this);

    findFrequencies();
    analyseHarmonics();
    if (sweepSteps_->running()) sweepSteps_->afterHarmonics(*this);

    Readings& r = readings_;
    r.ReadoutFL = common::Format(r.FreqL, "###.#");
    r.ReadoutFR = common::Format(r.FreqR, "###.#");

    // The peak trackers of the next block start from half this block's peak-to-peak.
    r.HalfPeakL = static_cast<std::int32_t>(std::nearbyint(r.PeakPeakL / 2.0));
    r.MaxL = r.MinL = r.HalfPeakL;
    r.HalfPeakR = static_cast<std::int32_t>(std::nearbyint(r.PeakPeakR / 2.0));
    r.MaxR = r.MinR = r.HalfPeakR;

    convertLevels();
    if (sweepSteps_->running()) sweepSteps_->afterLevels(*this);

    if (s.ZRef != 0) {
        const double powerL = r.LevelL * r.LevelL / s.ZRef;
        const double powerR = r.LevelR * r.LevelR / s.ZRef;
        if (std::isfinite(powerL)) r.ReadoutPWRL = common::Format(powerL, "###.##");
        if (std::isfinite(powerR)) r.ReadoutPWRR = common::Format(powerR, "###.##");
    }

    formatLevelTexts();
    if (narrowband_) runNarrowband();
    updateReadouts();
    sweepSteps_->afterMeasurement(*this);
}

void Analyzer::removeDcAndTrackPeaks() {
    const int M = bounds_.M;
    const std::int16_t* raw = block_.Raw.data();
    std::int32_t* left = block_.Left.data();
    std::int32_t* right = block_.Right.data();
    for (int i = 0; i <= M; ++i) {
        left[i] = raw[2 * i];
        right[i] = raw[2 * i + 1];
    }

    // The sum starts at 1, not 0.
    double sumL = 1.0;
    double sumR = 1.0;
    for (int i = 1000; i <= M - 4000; ++i) {
        sumL += left[i];
        sumR += right[i];
    }
    Readings& r = readings_;
    r.DcL = sumL / (M - 5000);
    r.DcR = sumR / (M - 5000);
    for (int i = 0; i <= M; ++i) {
        left[i] = static_cast<std::int32_t>(std::nearbyint(left[i] - r.DcL));
        right[i] = static_cast<std::int32_t>(std::nearbyint(right[i] - r.DcR));
    }

    const int last = M - 5000;
    for (int j = 1; j <= last; ++j) {
        r.MaxL = std::max(r.MaxL, left[j]);
        r.MinL = std::min(r.MinL, left[j]);
        r.MaxR = std::max(r.MaxR, right[j]);
        r.MinR = std::min(r.MinR, right[j]);
    }
    r.PeakPeakL = r.MaxL - r.MinL;
    r.PeakPeakR = r.MaxR - r.MinR;

    double restL = 0, restR = 0, squaresL = 0, squaresR = 0;
    for (int j = 1; j <= last; ++j) {
        restL += left[j];
        restR += right[j];
        squaresL += static_cast<double>(left[j]) * left[j];
        squaresR += static_cast<double>(right[j]) * right[j];
    }
    if (panel_.settings.rmsDetector == 1) {
        r.RmsL = std::sqrt(squaresL / last);
        r.RmsR = std::sqrt(squaresR / last);
    }
    // Silence: the RMS of what varies (the offset left by the DC removal
    // does not count) below the floor.
    static const double floorCounts =
        32767 / std::numbers::sqrt2 * std::pow(10.0, kSilenceFloorDbfs / 20);
    auto silent = [last](double sum, double squares) {
        const double mean = sum / last;
        return !(std::sqrt(std::max(0.0, squares / last - mean * mean)) >= floorCounts);
    };
    r.SilentL = silent(restL, squaresL);
    r.SilentR = silent(restR, squaresR);
    showNoSignal(r.SilentL, r.SilentR);
}

// The "NO SIGNAL" indication beside the readouts: which channels are silent.
void Analyzer::showNoSignal(bool left, bool right) {
    const char* caption = left && right ? "NO SIGNAL" : left ? "NO SIGNAL L" : "NO SIGNAL R";
    if (left || right) noSignal_->setCaption(caption);
    noSignal_->setVisible(left || right);
}

void Analyzer::transformBlock() {
    const panel::PanelSettings& s = panel_.settings;
    fft_.windowBlock(block_.Raw.data(), winLeft_.data(), winRight_.data(), s.DiscardCheck == 1);
    fft_.FFT(winLeft_.data(), spectrumLeft_.data());
    fft_.FFT(winRight_.data(), spectrumRight_.data());
    average_.update(spectrumLeft_.data(), spectrumRight_.data(), bounds_.M2, s.saAveraging == 1,
                    s.saAverageCount);
}

void Analyzer::findFrequencies() {
    const int M2 = bounds_.M2;
    const double rate = panel_.settings.SampleRate;
    const double sizeFactor = 16384.0 / n_;
    Readings& r = readings_;
    auto search = [&](const std::vector<double>& spectrum, std::int16_t& bin, double& peak,
                      double& freq) {
        double best = 0;
        for (int k = 2; k <= M2; ++k) {
            if (spectrum[static_cast<std::size_t>(k)] > best) {
                best = spectrum[static_cast<std::size_t>(k)];
                bin = static_cast<std::int16_t>(k);
            }
        }
        peak = best;
        freq = bin * kBinWidth * sizeFactor * rate / 44100;
    };
    search(spectrumLeft_, r.FundBinL, r.FundPeakL, r.FreqL);
    search(spectrumRight_, r.FundBinR, r.FundPeakR, r.FreqR);
}

void Analyzer::analyseHarmonics() {
    Readings& r = readings_;
    const int M2 = bounds_.M2;
    harmonicsLeft_.analyse(average_.accLeft.data(), M2, r.ThdL);
    harmonicsRight_.analyse(average_.accRight.data(), M2, r.ThdR);

    // The THD is kept at the current sweep step's index; in a THD+N sweep
    // the THD+N takes its place.
    float thdL = r.ThdL, thdR = r.ThdR;
    if (panel_.settings.thdnSweep == 1 && precisionRan_) {
        thdL = static_cast<float>(precision_.thdnPercent(false));
        thdR = static_cast<float>(precision_.thdnPercent(true));
    }
    common::SweepData& data = panel_.sweepData;
    if (data.pointCount >= 0 && data.pointCount < common::kTableSize) {
        data.thdLeft[static_cast<std::size_t>(data.pointCount)] = thdL;
        data.thdRight[static_cast<std::size_t>(data.pointCount)] = thdR;
    }

    if (!sweepSteps_->running()) {
        r.ReadoutTHDL = common::FormatSingle(r.ThdL, "###.###");
        r.ReadoutTHDR = common::FormatSingle(r.ThdR, "###.###");
        return;
    }

    // During a sweep the block's THD goes to the step's buffer instead.
    SweepBuffers& b = sweep_;
    if (b.thdCount == 0) appendText1(kLineBreak);
    ++b.thdCount;
    if (b.thdCount < static_cast<int>(b.thdLeft.size())) {
        b.thdLeft[static_cast<std::size_t>(b.thdCount)] = thdL;
        b.thdRight[static_cast<std::size_t>(b.thdCount)] = thdR;
    }
    if (panel_.settings.thdSweep == 1)
        appendText1("T" + std::to_string(b.thdCount) + "  " +
                    common::FormatSingle(thdL, "###.###") + "  " +
                    common::FormatSingle(thdR, "###.###") + kLineBreak);
    if (b.thdCount > 11) {
        text1_->setText("");
        b.thdCount = 0;
    }
}

void Analyzer::convertLevels() {
    const panel::PanelSettings& s = panel_.settings;
    Readings& r = readings_;
    const double* offset = rateOffset(s);
    auto convert = [&](double& level, std::int32_t peakPeak, double rms, double refFactor) {
        assignFinite(level, s.peakDetector == 1 ? peakPeak / kPeakCountsPerVolt
                                                : kRmsFactor * rms / kRmsCountsPerVolt);
        if (refFactor != 0) assignFinite(level, level / refFactor);
        if (offset && level > 0)
            assignFinite(level, std::pow(10.0, (20 * std::log10(level) + *offset) / 20));
    };
    convert(r.LevelL, r.PeakPeakL, r.RmsL, s.refFactorLeft);
    convert(r.LevelR, r.PeakPeakR, r.RmsR, s.refFactorRight);
}

void Analyzer::formatLevelTexts() {
    Readings& r = readings_;
    auto format = [](double& level, std::int16_t& milli, double& levelDb, std::string& voltsText,
                     std::string& dbText) {
        if (level < 1) {
            milli = 1;
            level *= 1000;
            voltsText = common::Format(level, "###.#");
        } else {
            milli = 0;
            voltsText = common::Format(level, "#.###");
        }
        const double volts = milli == 1 ? level / 1000 : level;
        if (volts > 0) assignFinite(levelDb, 20 * std::log10(volts));
        dbText = common::Format(levelDb, "#.##");
        addLeadingZero(voltsText);
        addLeadingZero(dbText);
    };
    format(r.LevelL, r.MilliL, r.LevelDbL, r.ReadoutAL, r.ReadoutALdb);
    format(r.LevelR, r.MilliR, r.LevelDbR, r.ReadoutAR, r.ReadoutARdb);
}

void Analyzer::runNarrowband() {
    const panel::PanelSettings& s = panel_.settings;
    Readings& r = readings_;
    const double* offset = rateOffset(s);
    const double offsetDb = offset ? *offset : 0;
    narrowbandDetector_.measure(block_.Right.data(), s.GenFreq1, s.SampleRate, n_, offsetDb,
                                r.MilliR == 1, r.ReadoutARdb, r.ReadoutAR);
    narrowbandDetector_.measure(block_.Left.data(), s.GenFreq1, s.SampleRate, n_, offsetDb,
                                r.MilliL == 1, r.ReadoutALdb, r.ReadoutAL);
}

// The precision analysis of the block, when something shows or uses it. It
// reads the recorded samples only and changes no classic reading.
void Analyzer::runPrecision() {
    const panel::PanelSettings& s = panel_.settings;
    bool wanted = sweepSteps_->running() && s.thdnSweep == 1;
    bool twinTone = false;
    for (std::size_t i = 0; i < s.readouts.size(); ++i) {
        const panel::ReadoutSlot& slot = s.readouts[i];
        const bool on = slot.on == 1;
        const bool snr = on && slot.mode == "SNR";
        // A slot that starts to show SNR asks for a measurement (not during a sweep).
        if (snr && !snrSlots_[i] && !sweepSteps_->running()) precision_.requestSnr();
        snrSlots_[i] = snr;
        if (!on) continue;
        const std::string& unit = slotControls_[i].unit->text();
        if ((isPrecisionMode(slot.mode) && !snr) ||
            (slot.mode == "Level" && isPrecisionLevelUnit(unit)))
            wanted = true;
        if (slot.mode == "IHF IMD" || slot.mode == "CCIF IMD") twinTone = true;
    }
    wanted = wanted || precision_.snrRunning();
    precisionRan_ = wanted;
    if (!wanted) return;
    const int frames =
        pendingFrames_ > 0 ? pendingFrames_ : blockBytes(s.SampleSize, s.DiscardCheck == 1) / 4;
    precision_.analyse(block_.Raw.data(), frames, pendingFrames_ > 0 && pendingContiguous_, s,
                       twinTone);
    precision_.snrStep();
    if (twinTone) {
        Readings& r = readings_;
        r.ReadoutIHFIMDL = precision_.smpteText(false);
        r.ReadoutIHFIMDR = precision_.smpteText(true);
        r.ReadoutCCIFIMDL = precision_.ccifText(false);
        r.ReadoutCCIFIMDR = precision_.ccifText(true);
    }
}

void Analyzer::updateReadouts() {
    const panel::PanelSettings& s = panel_.settings;
    const Readings& r = readings_;
    for (std::size_t i = 0; i < slotControls_.size(); ++i) {
        const panel::ReadoutSlot& slot = s.readouts[i];
        if (slot.on != 1) continue;
        const SlotControls& c = slotControls_[i];
        const bool right = slot.channel != 0;
        std::string& caption = captionScratch_;
        if (precisionRan_ || slot.mode == "SNR") {
            const std::string unit = c.unit->text();
            if (precision_.caption(slot.mode, unit, right, s, caption)) {
                c.caption->setCaption(caption);
                continue;
            }
        }
        if (slot.mode == "Level") {
            if (c.unit->text() != "V") {
                caption.assign(right ? r.ReadoutARdb : r.ReadoutALdb).append(" dBr");
            } else {
                const bool milli = (right ? r.MilliR : r.MilliL) == 1;
                caption.assign(right ? r.ReadoutAR : r.ReadoutAL).append(milli ? " mV" : " V");
            }
        } else if (slot.mode == "Frequency") {
            c.unit->setText("Hz");
            caption.assign(right ? r.ReadoutFR : r.ReadoutFL).append(" Hz");
        } else if (slot.mode == "Power") {
            c.unit->setText("W");
            caption.assign(right ? r.ReadoutPWRR : r.ReadoutPWRL).append(" W");
        } else if (slot.mode == "THD") {
            c.unit->setText("%");
            caption.assign(right ? r.ReadoutTHDR : r.ReadoutTHDL);
        } else if (slot.mode == "IHF IMD") {
            c.unit->setText("%");
            caption.assign(right ? r.ReadoutIHFIMDR : r.ReadoutIHFIMDL);
        } else if (slot.mode == "CCIF IMD") {
            c.unit->setText("%");
            caption.assign(right ? r.ReadoutCCIFIMDR : r.ReadoutCCIFIMDL);
        } else {
            continue;
        }
        c.caption->setCaption(caption);
    }
}

// --- Readouts ---

void Analyzer::ReadoutOn_Click(int slot) {
    if (slot < 1 || slot > panel::kReadoutSlots) return;
    std::int16_t& on = panel_.settings.readouts[static_cast<std::size_t>(slot - 1)].on;
    panel::Control& lamp = *slotControls_[static_cast<std::size_t>(slot - 1)].lamp;
    if (on == 1) {
        on = 0;
        lamp.setColour(panel::colour::DarkCyan);
    } else {
        lamp.setColour(panel::colour::Green);
        on = 1;
    }
}

// --- Narrowband switch and sweep averaging ---

void Analyzer::setNarrowband(bool on) {
    narrowband_ = on;
    nbMenu_->setChecked(on);
}

void Analyzer::appendText1(std::string_view line) {
    std::string text = text1_->text();
    text.append(line);
    text1_->setText(text);
}

void Analyzer::sweepLevelStep(int settleBlocks, double stepFrequency) {
    const panel::PanelSettings& s = panel_.settings;
    Readings& r = readings_;
    SweepBuffers& b = sweep_;
    ++b.levelCount;
    if (b.levelCount < static_cast<int>(b.levelLeft.size()) && fitsSingle(r.LevelL) &&
        fitsSingle(r.LevelR)) {
        b.levelLeft[static_cast<std::size_t>(b.levelCount)] = static_cast<float>(r.LevelL);
        b.levelRight[static_cast<std::size_t>(b.levelCount)] = static_cast<float>(r.LevelR);
    }
    if (s.SweepMode == "Level vs Frequency" || s.SweepMode == "Separation vs Frequency")
        appendText1("L" + std::to_string(b.levelCount) + "  " + common::displayText(r.LevelL) +
                    "  " + common::displayText(r.LevelR) + kLineBreak);
    if (b.levelCount > 11) {
        text1_->setText("");
        b.levelCount = 0;
    }
    if (b.levelCount == settleBlocks) avediddle2(stepFrequency);
}

namespace {

// The buffered blocks that count for a step of c blocks: the first ones are
// settling and are discarded.
int firstSettledEntry(int c) {
    return c >= 8 ? 6 : 3;
}

} // namespace

void Analyzer::avediddle2(double stepFrequency) {
    const int c = sweep_.levelCount;
    if (c < 3) return;
    const int first = firstSettledEntry(c);
    const int last = std::min(c - 1, static_cast<int>(sweep_.levelLeft.size()) - 1);
    double sumL = 0;
    double sumR = 0;
    for (int i = first; i <= last; ++i) {
        sumL += sweep_.levelLeft[static_cast<std::size_t>(i)];
        sumR += sweep_.levelRight[static_cast<std::size_t>(i)];
    }
    Readings& r = readings_;
    r.LevelL = sumL / (c - first);
    r.LevelR = sumR / (c - first);
    const std::string& mode = panel_.settings.SweepMode;
    if (mode == "Level vs Frequency" || mode == "Separation vs Frequency")
        appendText1("LVL ave  " + common::Format(r.LevelL, "###.###") + "  " +
                    common::Format(r.LevelR, "###.###") +
                    "   Freq = " + common::Format(stepFrequency, "####.##") + kLineBreak);
}

void Analyzer::avediddle(double stepFrequency) {
    const int c = sweep_.thdCount;
    if (c < 3) return;
    const int first = firstSettledEntry(c);
    const int last = std::min(c - 1, static_cast<int>(sweep_.thdLeft.size()) - 1);
    double sumL = 0, sumR = 0;
    double minL = 100, minR = 100;
    for (int i = first; i <= last; ++i) {
        const double l = sweep_.thdLeft[static_cast<std::size_t>(i)];
        const double rr = sweep_.thdRight[static_cast<std::size_t>(i)];
        sumL += l;
        sumR += rr;
        minL = std::min(minL, l);
        minR = std::min(minR, rr);
    }
    const bool minimum = panel_.settings.readingMode == 1;
    const double thdL = minimum ? minL : sumL / (c - first);
    const double thdR = minimum ? minR : sumR / (c - first);
    Readings& r = readings_;
    if (fitsSingle(thdL)) r.ThdL = static_cast<float>(thdL);
    if (fitsSingle(thdR)) r.ThdR = static_cast<float>(thdR);
    common::SweepData& data = panel_.sweepData;
    if (data.pointCount >= 0 && data.pointCount < common::kTableSize) {
        data.thdLeft[static_cast<std::size_t>(data.pointCount)] = r.ThdL;
        data.thdRight[static_cast<std::size_t>(data.pointCount)] = r.ThdR;
    }
    r.ReadoutTHDL = common::FormatSingle(r.ThdL, "###.###");
    r.ReadoutTHDR = common::FormatSingle(r.ThdR, "###.###");
    if (panel_.settings.thdSweep == 1)
        appendText1("Tave  " + r.ReadoutTHDL + "  " + r.ReadoutTHDR + kLineBreak + "# " +
                    std::to_string(data.pointCount) + "  " +
                    common::Format(stepFrequency, "####.##") + kLineBreak);
}

} // namespace engine

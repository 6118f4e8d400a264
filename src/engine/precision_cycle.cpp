#include "engine/precision_cycle.h"

#include "common/text.h"
#include "engine/harmonics.h"
#include "engine/levels.h"
#include "panel/panel_settings.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace engine {

namespace {

double db(double ratio) {
    return 20 * std::log10(ratio);
}

// A percentage with about four significant digits.
std::string percentText(double ratio) {
    const double v = 100 * ratio;
    const char* pattern = v >= 10     ? "0.00"
                          : v >= 1    ? "0.000"
                          : v >= 0.1  ? "0.0000"
                          : v >= 0.01 ? "0.00000"
                                      : "0.000000";
    return common::Format(v, pattern);
}

// A number with two decimals and its unit, or the no-reading text.
std::string withUnit(double value, std::string_view unit) {
    if (!std::isfinite(value)) return std::string(kNoReading);
    return common::Format(value, "0.00") + " " + std::string(unit);
}

} // namespace

bool isPrecisionMode(std::string_view mode) {
    return mode == "THD+N" || mode == "SINAD" || mode == "THD (RSS)" || mode == "H2" ||
           mode == "H3" || mode == "Freq (fine)" || mode == "Phase L-R" || mode == "SNR" ||
           mode == "IHF IMD" || mode == "CCIF IMD" || mode == "Level A-wt";
}

bool isPrecisionLevelUnit(std::string_view unit) {
    return unit == "dBV" || unit == "dBu" || unit == "dBFS";
}

PrecisionCycle::PrecisionCycle() : history_(2 * static_cast<std::size_t>(kPrecisionMaxFrames)) {}

void PrecisionCycle::captureStarted() {
    historyFrames_ = 0;
}

void PrecisionCycle::captureStopped() {
    historyFrames_ = 0;
    if (snrPhase_ == SnrPhase::Muted && mute_) mute_(false);
    snrPhase_ = SnrPhase::Idle;
}

void PrecisionCycle::analyse(const std::int16_t* raw, int frames, bool contiguous,
                             const panel::PanelSettings& s, bool twinTone) {
    const double rate = s.SampleRate;
    frames = std::clamp(frames, 0, kPrecisionMaxFrames);
    if (!contiguous || rate != historyRate_) historyFrames_ = 0;
    historyRate_ = rate;
    if (historyFrames_ + frames > kPrecisionMaxFrames) {
        const int drop = historyFrames_ + frames - kPrecisionMaxFrames;
        std::memmove(history_.data(), history_.data() + 2 * drop,
                     sizeof(std::int16_t) * 2 * static_cast<std::size_t>(historyFrames_ - drop));
        historyFrames_ -= drop;
    }
    std::memcpy(history_.data() + 2 * historyFrames_, raw,
                sizeof(std::int16_t) * 2 * static_cast<std::size_t>(frames));
    historyFrames_ += frames;

    const PrecisionBand band{20, panel::wideThdnBand(s) ? 80000.0 : 20000.0};
    analysis_.analyse(raw, frames, rate, band, twinTone);

    // A low fundamental: the span of contiguous blocks that holds enough cycles.
    double lowest = std::numeric_limits<double>::infinity();
    for (int ch = 0; ch < 2; ++ch)
        if (analysis_.channel(ch).valid)
            lowest = std::min(lowest, analysis_.channel(ch).frequencyHz);
    if (!std::isfinite(lowest) || lowest * frames / rate >= kSpanCycles || historyFrames_ <= frames)
        return;
    const int wanted =
        std::min(historyFrames_, static_cast<int>(std::ceil(kSpanCycles * rate / lowest)));
    if (wanted <= frames) return;
    const std::array<double, 2> blockFrequency = {analysis_.channel(0).frequencyHz,
                                                  analysis_.channel(1).frequencyHz};
    analysis_.analyse(history_.data() + 2 * (historyFrames_ - wanted), wanted, rate, band,
                      twinTone);
    // A span in which the signal changed (a new sweep step, a retuned
    // generator) does not agree with its last block: the block stands alone.
    const double binHz = rate / frames;
    for (int ch = 0; ch < 2; ++ch)
        if (analysis_.channel(ch).valid &&
            std::fabs(analysis_.channel(ch).frequencyHz -
                      blockFrequency[static_cast<std::size_t>(ch)]) > 0.1 * binHz) {
            analysis_.analyse(raw, frames, rate, band, twinTone);
            return;
        }
}

double PrecisionCycle::thdnPercent(bool right) const {
    const ChannelPrecision& c = analysis_.channel(right ? 1 : 0);
    return c.valid && c.amplitude > 0 ? 100 * c.thdN : 100;
}

std::string PrecisionCycle::smpteText(bool right) const {
    const ChannelPrecision& c = analysis_.channel(right ? 1 : 0);
    return c.twinTone ? percentText(c.smpteImd) + " %" : std::string();
}

std::string PrecisionCycle::ccifText(bool right) const {
    const ChannelPrecision& c = analysis_.channel(right ? 1 : 0);
    return c.twinTone ? percentText(c.ccifImd) + " %" : std::string();
}

bool PrecisionCycle::caption(std::string_view mode, std::string_view unit, bool right,
                             const panel::PanelSettings& s, std::string& out) const {
    const bool levelMode = mode == "Level" || mode == "Level A-wt";
    if (!(isPrecisionMode(mode) && mode != "IHF IMD" && mode != "CCIF IMD") &&
        !(mode == "Level" && isPrecisionLevelUnit(unit)))
        return false;
    if (mode == "SNR") {
        out = snrText_[right ? 1 : 0];
        return true;
    }
    const ChannelPrecision& c = analysis_.channel(right ? 1 : 0);
    const bool fundamental = analysis_.frames() > 0 && c.valid && c.amplitude > 0;
    out.assign(kNoReading);
    if (!fundamental) return true;

    auto ratioText = [&](double ratio) {
        if (unit == "dB") return withUnit(db(ratio), "dB");
        return percentText(ratio) + " %";
    };
    if (mode == "THD+N") {
        out = ratioText(c.thdN);
    } else if (mode == "THD (RSS)") {
        out = ratioText(c.thd);
    } else if (mode == "SINAD") {
        out = withUnit(c.sinadDb, "dB");
    } else if (mode == "H2" || mode == "H3") {
        const double h = c.harmonic[mode == "H2" ? 2 : 3];
        if (h > 0) out = withUnit(db(h / c.amplitude), "dB");
    } else if (mode == "Freq (fine)") {
        out = withUnit(c.frequencyHz, "Hz");
    } else if (mode == "Phase L-R") {
        const ChannelPrecision& other = analysis_.channel(right ? 0 : 1);
        if (other.valid && other.amplitude > 0)
            out = withUnit(analysis_.phaseLeftMinusRightDeg(), "deg");
    } else if (levelMode) {
        const double counts = mode == "Level A-wt" ? c.aWeightedRms : c.rms;
        const double* offset = rateOffset(s);
        // Volts as the classic level has them: the RMS detector's
        // calibration and the rate's offset.
        const double volts =
            kRmsFactor * counts / kRmsCountsPerVolt * (offset ? std::pow(10.0, *offset / 20) : 1.0);
        if (unit == "dBFS") {
            out = withUnit(db(counts / kFullScaleRms), "dBFS");
        } else if (unit == "dBV") {
            out = withUnit(db(volts), "dBV");
        } else if (unit == "dBu") {
            out = withUnit(db(volts / kDbuVolts), "dBu");
        } else {
            const double ref = right ? s.refFactorRight : s.refFactorLeft;
            const double level = ref != 0 ? volts / ref : volts;
            if (!(level > 0) || !std::isfinite(level)) return true;
            if (unit == "dBr") {
                out = common::Format(db(level), "#.##");
                addLeadingZero(out);
                out += " dBr";
            } else if (level < 1) {
                out = common::Format(level * 1000, "###.#");
                addLeadingZero(out);
                out += " mV";
            } else {
                out = common::Format(level, "#.###");
                addLeadingZero(out);
                out += " V";
            }
        }
    }
    return true;
}

void PrecisionCycle::requestSnr() {
    if (snrPhase_ != SnrPhase::Idle) return;
    snrPhase_ = SnrPhase::Signal;
    snrBlock_ = 0;
    snrSignal_ = {};
    snrNoise_ = {};
}

void PrecisionCycle::snrStep() {
    if (snrPhase_ == SnrPhase::Idle) return;
    if (snrBlock_ >= kSnrSettleBlocks) {
        std::array<double, 2>& sum = snrPhase_ == SnrPhase::Signal ? snrSignal_ : snrNoise_;
        for (int ch = 0; ch < 2; ++ch) {
            const double band = analysis_.channel(ch).bandRms;
            sum[static_cast<std::size_t>(ch)] += band * band;
        }
    }
    if (++snrBlock_ < kSnrSettleBlocks + kSnrMeasureBlocks) return;
    if (snrPhase_ == SnrPhase::Signal) {
        snrPhase_ = SnrPhase::Muted;
        snrBlock_ = 0;
        if (mute_) mute_(true);
        return;
    }
    finishSnr();
}

void PrecisionCycle::finishSnr() {
    snrPhase_ = SnrPhase::Idle;
    if (mute_) mute_(false);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        const double ratio = snrSignal_[ch] / snrNoise_[ch];
        snrText_[ch] = snrSignal_[ch] > 0 && snrNoise_[ch] > 0
                           ? withUnit(10 * std::log10(ratio), "dB")
                           : std::string(kNoReading);
    }
}

} // namespace engine

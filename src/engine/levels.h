#pragma once
// The instrument's level calibration, shared by the classic level readings
// and the precision ones.

#include "panel/panel_settings.h"

#include <cmath>

namespace engine {

// The RMS detector: volts = 0.707 x RMS counts / 24024.
inline constexpr double kRmsCountsPerVolt = 24024;
inline constexpr double kRmsFactor = 0.707;
// The peak detector: volts = peak-to-peak counts / 48048.
inline constexpr double kPeakCountsPerVolt = 48048;
// The RMS of a sine whose peak is digital full scale (AES17's 0 dBFS).
inline const double kFullScaleRms = 32767 / std::sqrt(2.0);
// 0 dBu: the voltage of 1 mW in 600 ohms.
inline const double kDbuVolts = std::sqrt(0.6);

// The rate's level offset in dB, when the rate carries one.
inline const double* rateOffset(const panel::PanelSettings& s) {
    for (std::size_t i = 0; i < panel::kOffsetRates.size(); ++i)
        if (panel::kOffsetRates[i] == s.SampleRate) return &s.rateOffsets[i];
    return nullptr;
}

} // namespace engine

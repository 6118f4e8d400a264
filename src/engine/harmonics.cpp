#include "engine/harmonics.h"

#include "common/text.h"
#include "engine/capture_block.h"

#include <cmath>
#include <limits>

namespace engine {

namespace {

bool fitsSingle(double v) {
    return std::isfinite(v) && std::fabs(v) <= std::numeric_limits<float>::max();
}

// Nearest integer, halves to even, when it fits 32 bits.
bool nearestInt32(double v, std::int32_t& out) {
    const double r = std::nearbyint(v);
    if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0) return false;
    out = static_cast<std::int32_t>(r);
    return true;
}

} // namespace

void Harmonics::analyse(const double* acc, int M2, float& thd) {
    for (int h = 1; h <= 20; ++h)
        HarmBin[static_cast<std::size_t>(h)] = 0;

    double best = 0;
    for (int k = 2; k <= M2; ++k) {
        if (acc[k] > best) {
            best = acc[k];
            FundBinTHD = k;
        }
    }
    const double F = FundBinTHD;

    for (int h = 1; h <= 20; ++h) {
        const double centre = h * F;
        if (centre + 4 >= kHarmonicBinLimit || centre - 4 <= 0) continue;
        for (int d = -4; d <= 4; ++d) {
            const auto b = static_cast<int>(std::nearbyint(centre + d));
            if (acc[b] > HarmAmp[0]) {
                HarmAmp[0] = acc[b];
                HarmBin[static_cast<std::size_t>(h)] = static_cast<std::int16_t>(b);
            }
        }
        HarmAmp[0] = 0;
    }

    for (int h = 2; h <= 15; ++h) {
        const int bin = HarmBin[static_cast<std::size_t>(h)];
        if (bin != 0 && bin < M2) HarmCount = static_cast<std::int16_t>(h);
    }

    for (int h = 1; h <= HarmCount; ++h) {
        auto& amp = HarmAmp[static_cast<std::size_t>(h)];
        amp = 0;
        if (h * F < M2) amp = std::fabs(acc[HarmBin[static_cast<std::size_t>(h)]]);
    }

    HarmSum = 0;
    for (int h = 2; h <= HarmCount; ++h)
        HarmSum += HarmAmp[static_cast<std::size_t>(h)];

    if (HarmAmp[1] != 0) {
        const double value = 50 * HarmSum / HarmAmp[1];
        if (fitsSingle(value)) thd = static_cast<float>(value);
    }
}

NarrowbandDetector::NarrowbandDetector() : refSign_(16381), inPhase_(65521), quadrature_(65521) {}

void NarrowbandDetector::buildReference(double genFreq, double sampleRate, std::int32_t n) {
    if (genFreq == refFreq_ && sampleRate == refRate_ && n == refN_) return;
    refFreq_ = genFreq;
    refRate_ = sampleRate;
    refN_ = n;
    const double s = n / 16384.0;
    const auto last = static_cast<int>(std::nearbyint(8190 * s));
    for (int i = 0; i <= last; ++i) {
        const double ref =
            32767 * std::sin(genFreq * 6.28318530717958 / 44100 * i * 44100 / sampleRate);
        // A failed evaluation (a rate of 0) leaves a zero reference.
        refSign_[static_cast<std::size_t>(i)] = !std::isfinite(ref) ? 0
                                                : ref > 0           ? 1
                                                : ref < 0           ? -1
                                                                    : 0;
    }
}

void NarrowbandDetector::measure(const std::int32_t* samples, double genFreq, double sampleRate,
                                 std::int32_t n, double rateOffsetDb, bool milli,
                                 std::string& dbText, std::string& voltsText) {
    const double s = n / 16384.0;
    buildReference(genFreq, sampleRate, n);

    std::int32_t q = 0;
    if (!nearestInt32(0.25 * 44100 / genFreq * sampleRate / 44100, q)) q = 0;

    double sumI = 0;
    double sumQ = 0;
    const auto last = static_cast<int>(std::nearbyint(8190 * s - 500));
    constexpr std::int64_t sampleCount = kSampleArraySize;
    for (int i = 500; i <= last; ++i) {
        const int sign = refSign_[static_cast<std::size_t>(i)];
        inPhase_[static_cast<std::size_t>(i)] = sign * samples[i];
        const std::int64_t lagged = static_cast<std::int64_t>(i) - q;
        if (lagged >= 0 && lagged < sampleCount)
            quadrature_[static_cast<std::size_t>(i)] = sign * samples[lagged];
        sumI += inPhase_[static_cast<std::size_t>(i)];
        sumQ += quadrature_[static_cast<std::size_t>(i)];
    }
    sumI /= 8190 * s - 1001;
    sumQ /= 8190 * s - 1001;

    double a = std::sqrt(sumI * sumI + sumQ * sumQ) / (n == 16384 ? 24024 * 0.68 : 24024 * 0.593);
    if (a == 0) a = 1e-12;
    lastAmplitude_ = a;
    const double aDb = 20 * std::log10(a) + rateOffsetDb;
    if (std::isfinite(aDb)) dbText = common::Format(aDb, "##.00");
    a = std::pow(10.0, aDb / 20);
    if (milli) a *= 1000;
    if (std::isfinite(a)) voltsText = common::Format(a, milli ? "###.0" : "##0.0##");
}

void addLeadingZero(std::string& text) {
    if (!text.empty() && text[0] == '.')
        text.insert(text.begin(), '0');
    else if (text.size() > 1 && text[0] == '-' && text[1] == '.')
        text.insert(text.begin() + 1, '0');
}

} // namespace engine

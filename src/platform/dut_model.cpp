#include "platform/dut_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace platform {

namespace {

constexpr double kFullScale = 32767;

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A uniform number in (0, 1] from a hash.
double unitFromHash(std::uint64_t h) {
    return (static_cast<double>(h >> 11) + 1) / 9007199254740992.0;
}

bool isOff(double db) {
    return std::isinf(db) && db < 0;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::optional<double> number(std::string_view text) {
    double v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

std::optional<DutParams> dutPreset(std::string_view name) {
    if (name == "wire") return DutParams{};
    if (name == "amplifier") {
        DutParams p;
        // A small gain that still leaves the generator's 0 dBr below clipping.
        p.gainLeftDb = 0.05;
        p.gainRightDb = 0.03;
        p.highPassHz = 10;
        p.lowPassHz = 40000;
        // 0.007 % each, 0.01 % together.
        p.harmonic2Db = -83;
        p.harmonic3Db = -83;
        p.noiseDbfs = -100;
        p.crosstalkDb = -70;
        p.latencyMs = 5;
        return p;
    }
    return std::nullopt;
}

DutParseResult parseDutSpec(std::string_view text) {
    DutParseResult result;
    text = trim(text);
    std::size_t pos = 0;
    bool first = true;
    result.params = DutParams{};
    while (pos <= text.size()) {
        const std::size_t comma = std::min(text.find(',', pos), text.size());
        const std::string_view item = trim(text.substr(pos, comma - pos));
        pos = comma + 1;
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) {
            const auto preset = dutPreset(item);
            if (!first || !preset) {
                result.error = "unknown device-under-test preset \"" + std::string(item) +
                               "\" (use wire, amplifier or key=value,...)";
                return result;
            }
            result.params = *preset;
            first = false;
            continue;
        }
        first = false;
        const std::string_view key = trim(item.substr(0, eq));
        const std::string_view value = trim(item.substr(eq + 1));
        const bool off = value == "off";
        const auto v = number(value);
        auto bad = [&] {
            result.error = "bad value \"" + std::string(value) + "\" for " + std::string(key);
            return result;
        };
        DutParams& p = result.params;
        if (key == "gain" || key == "gainl" || key == "gainr") {
            if (!v) return bad();
            if (key != "gainr") p.gainLeftDb = *v;
            if (key != "gainl") p.gainRightDb = *v;
        } else if (key == "hp" || key == "lp") {
            if (!off && (!v || *v < 0)) return bad();
            (key == "hp" ? p.highPassHz : p.lowPassHz) = off ? 0 : *v;
        } else if (key == "h2" || key == "h3" || key == "noise" || key == "crosstalk") {
            if (!off && !v) return bad();
            double& target = key == "h2"      ? p.harmonic2Db
                             : key == "h3"    ? p.harmonic3Db
                             : key == "noise" ? p.noiseDbfs
                                              : p.crosstalkDb;
            target = off ? DutParams::kOff : *v;
        } else if (key == "latency") {
            if (!v || *v < 0 || *v > 10000) return bad();
            p.latencyMs = *v;
        } else if (key == "seed") {
            if (!v || *v < 0) return bad();
            p.noiseSeed = static_cast<std::uint64_t>(*v);
        } else {
            result.error = "unknown device-under-test setting \"" + std::string(key) + "\"";
            return result;
        }
    }
    result.ok = true;
    return result;
}

double DutModel::Biquad::run(double x, int c) {
    const double y = b0 * x + z1[c];
    z1[c] = b1 * x - a1 * y + z2[c];
    z2[c] = b2 * x - a2 * y;
    return y;
}

DutModel::DutModel(const DutParams& params, int sampleRate) : params_(params) {
    const double fs = sampleRate > 0 ? sampleRate : 44100;
    gainL_ = std::pow(10.0, params.gainLeftDb / 20);
    gainR_ = std::pow(10.0, params.gainRightDb / 20);
    // Normalised so that a full-scale sine shows exactly the given levels.
    h2_ = isOff(params.harmonic2Db) ? 0 : 2 * std::pow(10.0, params.harmonic2Db / 20);
    h3_ = isOff(params.harmonic3Db) ? 0 : 4 * std::pow(10.0, params.harmonic3Db / 20);
    noiseRms_ = isOff(params.noiseDbfs)
                    ? 0
                    : kFullScale / std::numbers::sqrt2 * std::pow(10.0, params.noiseDbfs / 20);
    crosstalk_ = isOff(params.crosstalkDb) ? 0 : std::pow(10.0, params.crosstalkDb / 20);

    // Bilinear transform of the analog Butterworth sections, pre-warped so
    // that the digital response equals the analog one at one frequency: the
    // corner itself (-3 dB exactly there) when it lies well below Nyquist,
    // else 0.4 x the rate, so that a corner near or above Nyquist still shows
    // about the in-band droop of the analog filter.
    auto design = [fs](double cornerHz, bool highPass) {
        const double k = 2 * fs;
        const double matchHz = std::min(cornerHz, 0.4 * fs);
        const double w = k * std::tan(std::numbers::pi * matchHz / fs) * cornerHz / matchHz;
        const double d = k * k + std::numbers::sqrt2 * w * k + w * w;
        Biquad q;
        const double g = highPass ? k * k : w * w;
        q.b0 = g / d;
        q.b1 = (highPass ? -2 : 2) * g / d;
        q.b2 = g / d;
        q.a1 = (2 * w * w - 2 * k * k) / d;
        q.a2 = (k * k - std::numbers::sqrt2 * w * k + w * w) / d;
        return q;
    };
    // The bilinear low-pass has a zero at Nyquist, which a real analog path
    // does not: its numerator is refitted so that the magnitude equals the
    // analog one at DC, at Nyquist and at the matching frequency. A corner
    // above Nyquist, such as an amplifier's 40 kHz sampled at 44.1 kHz, then
    // shows the analog in-band droop and no notch.
    auto refitLowPass = [fs](Biquad f, double cornerHz) {
        auto analog2 = [cornerHz](double hz) {
            const double r = hz / cornerHz;
            return 1 / (1 + r * r * r * r);
        };
        const double matchHz = std::min(cornerHz, 0.45 * fs);
        const double wm = 2 * std::numbers::pi * matchHz / fs;
        const double phi1 = std::sin(wm / 2) * std::sin(wm / 2);
        const double phi0 = 1 - phi1;
        const double phi2 = 4 * phi0 * phi1;
        const double a0 = (1 + f.a1 + f.a2) * (1 + f.a1 + f.a2);
        const double a1 = (1 - f.a1 + f.a2) * (1 - f.a1 + f.a2);
        const double a2 = -4 * f.a2;
        // |H|^2 = (B0 phi0 + B1 phi1 + B2 phi2) / (A0 phi0 + A1 phi1 + A2 phi2)
        const double b0sq = a0;
        const double b1sq = analog2(fs / 2) * a1;
        const double b2 =
            (analog2(matchHz) * (a0 * phi0 + a1 * phi1 + a2 * phi2) - b0sq * phi0 - b1sq * phi1) /
            phi2;
        const double w = std::sqrt(b0sq), v = std::sqrt(b1sq);
        const double sum = (w + v) / 2, product = -b2 / 4;
        const double disc = sum * sum - 4 * product;
        if (disc < 0) return f; // keep the bilinear numerator
        f.b1 = (w - v) / 2;
        f.b0 = (sum + std::sqrt(disc)) / 2;
        f.b2 = (sum - std::sqrt(disc)) / 2;
        return f;
    };
    hpOn_ = params.highPassHz > 0;
    lpOn_ = params.lowPassHz > 0;
    if (hpOn_) hp_ = design(params.highPassHz, true);
    if (lpOn_) lp_ = refitLowPass(design(params.lowPassHz, false), params.lowPassHz);
    wire_ = gainL_ == 1 && gainR_ == 1 && !hpOn_ && !lpOn_ && h2_ == 0 && h3_ == 0 &&
            noiseRms_ == 0 && crosstalk_ == 0;
}

void DutModel::resetState() {
    for (Biquad* q : {&hp_, &lp_})
        for (int c = 0; c < 2; ++c)
            q->z1[c] = q->z2[c] = 0;
}

void DutModel::process(double left, double right, std::uint64_t noiseIndex, std::int16_t* out) {
    double v[2] = {left * gainL_, right * gainR_};
    for (int c = 0; c < 2; ++c) {
        if (hpOn_) v[c] = hp_.run(v[c], c);
        if (lpOn_) v[c] = lp_.run(v[c], c);
        if (h2_ != 0 || h3_ != 0) {
            const double u = v[c] / kFullScale;
            v[c] += kFullScale * (h2_ * u * u + h3_ * u * u * u);
        }
    }
    if (crosstalk_ != 0) {
        const double l = v[0];
        v[0] += crosstalk_ * v[1];
        v[1] += crosstalk_ * l;
    }
    if (noiseRms_ != 0) {
        const std::uint64_t h = mix(params_.noiseSeed ^ mix(noiseIndex));
        const double u1 = unitFromHash(mix(h));
        const double u2 = unitFromHash(mix(h + 1));
        const double radius = noiseRms_ * std::sqrt(-2 * std::log(u1));
        v[0] += radius * std::cos(2 * std::numbers::pi * u2);
        v[1] += radius * std::sin(2 * std::numbers::pi * u2);
    }
    for (int c = 0; c < 2; ++c)
        out[c] = static_cast<std::int16_t>(std::clamp(std::nearbyint(v[c]), -32768.0, 32767.0));
}

} // namespace platform

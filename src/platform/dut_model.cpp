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
    // Scaled so that a full-scale sine shows exactly the declared ratios,
    // allowing for the fundamental that the cubic term adds.
    const double r2 = isOff(params.harmonic2Db) ? 0 : std::pow(10.0, params.harmonic2Db / 20);
    const double r3 = isOff(params.harmonic3Db) ? 0 : std::pow(10.0, params.harmonic3Db / 20);
    h2_ = 2 * r2 / (1 - 3 * r3);
    h3_ = 4 * r3 / (1 - 3 * r3);
    noiseRms_ = isOff(params.noiseDbfs)
                    ? 0
                    : kFullScale / std::numbers::sqrt2 * std::pow(10.0, params.noiseDbfs / 20);
    crosstalk_ = isOff(params.crosstalkDb) ? 0 : std::pow(10.0, params.crosstalkDb / 20);

    // The high-pass: the bilinear transform of the analog Butterworth,
    // pre-warped so that the corner is -3 dB exactly.
    auto highPass = [fs](double cornerHz) {
        const double k = 2 * fs;
        const double matchHz = std::min(cornerHz, 0.4 * fs);
        const double w = k * std::tan(std::numbers::pi * matchHz / fs) * cornerHz / matchHz;
        const double d = k * k + std::numbers::sqrt2 * w * k + w * w;
        Biquad q;
        q.b0 = k * k / d;
        q.b1 = -2 * k * k / d;
        q.b2 = k * k / d;
        q.a1 = (2 * w * w - 2 * k * k) / d;
        q.a2 = (k * k - std::numbers::sqrt2 * w * k + w * w) / d;
        return q;
    };
    // The low-pass: the zero-phase impulse response of the analog magnitude,
    // from its samples on a fine grid (frequency sampling), taps -M..M.
    auto lowPass = [fs](double cornerHz) {
        constexpr int kGrid = 4096;
        constexpr int M = kLowPassDelayFrames;
        std::vector<double> magnitude(kGrid / 2 + 1), cosine(kGrid);
        for (int k = 0; k <= kGrid / 2; ++k) {
            const double r = k * fs / kGrid / cornerHz;
            magnitude[static_cast<std::size_t>(k)] = 1 / std::sqrt(1 + r * r * r * r);
        }
        for (int k = 0; k < kGrid; ++k)
            cosine[static_cast<std::size_t>(k)] = std::cos(2 * std::numbers::pi * k / kGrid);
        LowPass f;
        f.taps.resize(M + 1);
        for (int n = 0; n <= M; ++n) {
            // Both halves of the grid; the magnitude is even about DC and Nyquist.
            double sum = magnitude[0] + magnitude[kGrid / 2] * (n % 2 == 0 ? 1 : -1);
            for (int k = 1; k < kGrid / 2; ++k)
                sum += 2 * magnitude[static_cast<std::size_t>(k)] *
                       cosine[static_cast<std::size_t>((static_cast<long>(k) * n) % kGrid)];
            f.taps[static_cast<std::size_t>(n)] = sum / kGrid;
        }
        for (auto& h : f.history)
            h.assign(2 * (2 * M + 1), 0.0);
        return f;
    };
    hpOn_ = params.highPassHz > 0;
    lpOn_ = params.lowPassHz > 0;
    if (hpOn_) hp_ = highPass(params.highPassHz);
    if (lpOn_) lp_ = lowPass(params.lowPassHz);
    wire_ = gainL_ == 1 && gainR_ == 1 && !hpOn_ && !lpOn_ && h2_ == 0 && h3_ == 0 &&
            noiseRms_ == 0 && crosstalk_ == 0;
}

double DutModel::LowPass::run(double x, int c) {
    const int length = static_cast<int>(taps.size()) * 2 - 1;
    std::vector<double>& h = history[c];
    int& at = position[c];
    at = at == 0 ? length - 1 : at - 1;
    h[static_cast<std::size_t>(at)] = h[static_cast<std::size_t>(at + length)] = x;
    // The window h[at .. at + 2M], newest first; the centre tap pairs the
    // samples at equal distances on either side.
    const double* w = h.data() + at;
    const int m = static_cast<int>(taps.size()) - 1;
    double y = taps[0] * w[m];
    for (int k = 1; k <= m; ++k)
        y += taps[static_cast<std::size_t>(k)] * (w[m - k] + w[m + k]);
    return y;
}

void DutModel::resetState() {
    for (int c = 0; c < 2; ++c)
        hp_.z1[c] = hp_.z2[c] = 0;
    for (auto& h : lp_.history)
        std::fill(h.begin(), h.end(), 0.0);
    lp_.position[0] = lp_.position[1] = 0;
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

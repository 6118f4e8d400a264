#include "generator/synthesis.h"

#include "common/text.h"
#include "common/vb_error.h"
#include "generator/wav_file.h"
#include "platform/files.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <numeric>
#include <random>

namespace generator {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// A file image beyond this is refused as out of memory.
constexpr std::int64_t kMaxDataBytes = std::int64_t{1} << 28;

double gain(double levelDb) {
    return std::pow(10.0, levelDb / 20);
}

// The triangle as 14 odd harmonics with alternating signs, falling as 1/n^2.
double triangle(double x) {
    double sum = 0;
    for (int n = 1; n <= 27; n += 2) {
        const double sign = ((n - 1) / 2) % 2 == 0 ? 1.0 : -1.0;
        sum += sign * std::sin(n * x) / (n * n);
    }
    return 0.8 * sum;
}

void appendSample(std::string& out, std::int16_t v) {
    const auto u = static_cast<std::uint16_t>(v);
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
}

bool isListedRate(std::int32_t rate) {
    switch (rate) {
    case 11025:
    case 22050:
    case 32000:
    case 44100:
    case 48000:
    case 88000:
    case 96000:
        return true;
    default:
        return false;
    }
}

void replaceFile(std::string_view path, const std::string& image) {
    platform::removeFile(path);
    platform::writeFileAtomic(path, image);
}

} // namespace

std::int64_t blockFrames(std::int64_t f, std::int32_t rate) {
    const int cycles = f > 1000 ? 10 : 1;
    return static_cast<std::int64_t>(
        common::roundHalfEven(static_cast<double>(cycles) * rate / static_cast<double>(f)));
}

std::string RepeatingBlockSynth::fileImage(SynthesisInputs& in) {
    channelMode_ = "ST L+R";
    switch (in.routing) {
    case 0:
        channelMode_ = "ST L";
        in.rightLevelDb = kMutedLevelDb;
        break;
    case 1:
        channelMode_ = "ST R";
        in.leftLevelDb = kMutedLevelDb;
        break;
    case 3:
        channelMode_ = "ST L-R";
        in.deltaPhaseDeg = 180;
        break;
    default:
        break;
    }
    if (in.waveType == "Sine")
        shape_ = Shape::Plain;
    else if (in.waveType == "Square")
        shape_ = Shape::Square;
    else if (in.waveType == "Triangle")
        shape_ = Shape::Triangle;

    std::int64_t f = common::toInt32(in.frequencyHz);
    if (f == 0) f = 1000;
    const double gL = gain(in.leftLevelDb);
    const double gR = gain(in.rightLevelDb);
    const std::int32_t rate = in.sampleRate == 0 ? 44100 : in.sampleRate;

    const int cycles = f > 1000 ? 10 : 1;
    const std::int64_t n = blockFrames(f, rate);
    if (n <= 0) common::raise(11); // the phase step divides by the block length
    const std::int64_t dataSize = n * 4 * f;
    if (dataSize > kMaxDataBytes) common::raise(7);

    const double step = kTwoPi * cycles / static_cast<double>(n);
    const double phaseShift = kTwoPi * in.deltaPhaseDeg / 360;
    const bool left = channelMode_ != "ST R";
    const bool right = channelMode_ != "ST L";
    const bool rightFromLeft = channelMode_ == "ST R";
    auto toSample = [](double v) {
        return common::toInt16(kBlockScaleNumerator * v / kBlockScaleDenominator);
    };

    std::string block;
    block.reserve(static_cast<std::size_t>(4 * n));
    for (std::int64_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) * step;
        double l = std::cos(x);
        double r = std::cos(x + phaseShift);
        if (shape_ == Shape::Square) {
            l = r = std::cos(x) > 0 ? 1.0 : -1.0;
        } else if (shape_ == Shape::Triangle) {
            l = r = triangle(x);
        }
        appendSample(block, toSample(left ? l * gL : 0.0));
        appendSample(block, toSample(!right ? 0.0 : rightFromLeft ? l * gR : r * gR));
    }

    const std::uint32_t rateField = isListedRate(rate) ? static_cast<std::uint32_t>(rate) : 0;
    lastHeader_ = wavHeader(rateField, static_cast<std::uint32_t>(2 * rate * 2),
                            static_cast<std::uint32_t>(dataSize));
    std::string image;
    image.reserve(static_cast<std::size_t>(kWavHeaderBytes + dataSize));
    image = lastHeader_;
    for (std::int64_t k = 0; k < f; ++k)
        image += block;
    return image;
}

void RepeatingBlockSynth::MakeBetterWavFile(SynthesisInputs& inputs, std::string_view path) {
    const std::string image = fileImage(inputs);
    replaceFile(path, image);
    if (!silenceWritten_) {
        // Same header fields, 22050 silent data bytes.
        std::string silence = lastHeader_.substr(0, 40);
        silence[4] = static_cast<char>(22086 & 0xFF);
        silence[5] = static_cast<char>(22086 >> 8);
        silence[6] = silence[7] = 0;
        silence += std::string("\x22\x56\x00\x00", 4);
        silence.append(22050, '\0');
        // Nothing reads the silence file: a failure to write it is no failure
        // of the generator.
        try {
            replaceFile(kSilenceFile, silence);
        } catch (const common::VbError&) {
        }
        silenceWritten_ = true;
    }
}

std::string fixedLengthImage(SynthesisInputs& in, double duration, std::uint64_t noiseSeed) {
    if (in.deltaPhaseDeg < 0 || in.deltaPhaseDeg > 360) in.deltaPhaseDeg = 0;
    if (in.routing < 0 || in.routing > 3) in.routing = 2;
    if (in.routing == 0) in.rightLevelDb = kMutedLevelDb;
    if (in.routing == 1) in.leftLevelDb = kMutedLevelDb;
    if (in.routing == 3) in.deltaPhaseDeg = 180;
    if (in.frequencyHz == 0) in.frequencyHz = 1000;
    if (duration < 0.1 || duration > 120) duration = 10.0;
    const bool burst = in.waveType == "Burst";
    if (burst) duration = (in.burstOffTimeMs + in.burstOnTimeMs) / 1000;
    if (in.leftLevelDb > 0) in.leftLevelDb = 0;
    if (in.rightLevelDb > 0) in.rightLevelDb = 0;

    std::int32_t rate = in.sampleRate;
    if (rate < 11025 || rate > 96000 || burst) rate = 44100;
    const double gL = gain(in.leftLevelDb);
    const double gR = gain(in.rightLevelDb);

    const double lastIndex = common::roundHalfEven(2.0 * rate * duration - 1);
    if (!(lastIndex >= 0)) common::raise(9); // no room for a single value
    if (lastIndex + 1 > static_cast<double>(kMaxDataBytes / 2)) common::raise(7);
    const auto m = static_cast<std::int64_t>(lastIndex) + 1;
    std::vector<std::int16_t> values(static_cast<std::size_t>(m), 0);

    const double step = kTwoPi * in.frequencyHz / rate;
    const double phaseShift = in.deltaPhaseDeg * 6.28318 / 360;
    constexpr double a = kFixedFullScale;
    std::mt19937_64 random(noiseSeed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double burstOnGain = gain(in.burstOnLevelDb);
    const double burstOffGain = gain(in.burstOffLevelDb);
    const double burstOnFrames = in.burstOnTimeMs * 44.1;

    enum class Kind { Sine, Noise, Square, Triangle, Burst, Other };
    const Kind kind = in.waveType == "Sine"          ? Kind::Sine
                      : in.waveType == "White Noise" ? Kind::Noise
                      : in.waveType == "Square"      ? Kind::Square
                      : in.waveType == "Triangle"    ? Kind::Triangle
                      : burst                        ? Kind::Burst
                                                     : Kind::Other;
    for (std::int64_t k = 0; k < m / 2; ++k) {
        const double t = static_cast<double>(k) * step;
        double left = 0;
        double right = 0;
        switch (kind) {
        case Kind::Sine:
            left = a * gL * std::sin(t);
            right = a * gR * std::sin(t + phaseShift);
            break;
        case Kind::Noise: {
            const double u1 = unit(random);
            const double u2 = unit(random);
            left = a * gL * u1;
            right = a * gR * u2;
            break;
        }
        case Kind::Square:
            left = std::sin(t) > 0 ? a * gL : -a * gL;
            right = std::sin(t) > 0 ? a * gR : -a * gR;
            break;
        case Kind::Triangle: {
            const double w = triangle(t - 1);
            left = a * gL * w;
            right = a * gR * w;
            break;
        }
        case Kind::Burst: {
            const double gB = static_cast<double>(k) < burstOnFrames ? burstOnGain : burstOffGain;
            const double leftGain = in.routing == 1 ? 0 : gB;
            const double rightGain = in.routing == 0 ? 0 : gB;
            left = a * leftGain * std::sin(t);
            right = a * rightGain * std::sin(t + phaseShift);
            break;
        }
        case Kind::Other:
            break;
        }
        values[static_cast<std::size_t>(2 * k)] = common::toInt16(left);
        values[static_cast<std::size_t>(2 * k + 1)] = common::toInt16(right);
    }

    const auto dataSize = static_cast<std::uint32_t>(2 * m);
    std::string image =
        wavHeader(static_cast<std::uint32_t>(rate), static_cast<std::uint32_t>(rate) * 4, dataSize);
    image.reserve(kWavHeaderBytes + dataSize);
    for (std::int16_t v : values)
        appendSample(image, v);
    return image;
}

bool isTwinTone(std::string_view waveType) {
    return waveType == "SMPTE IMD" || waveType == "CCIF IMD";
}

std::string twinToneImage(SynthesisInputs& in, double secondFrequencyHz) {
    if (in.routing < 0 || in.routing > 3) in.routing = 2;
    if (in.routing == 0) in.rightLevelDb = kMutedLevelDb;
    if (in.routing == 1) in.leftLevelDb = kMutedLevelDb;
    const std::int32_t rate = in.sampleRate == 0 ? 44100 : in.sampleRate;
    std::int64_t f1 = common::toInt32(in.frequencyHz);
    std::int64_t f2 = common::toInt32(secondFrequencyHz);
    if (f1 == 0) f1 = 1000;
    if (f2 == 0) f2 = 1000;
    if (rate <= 0 || f1 < 0 || f2 < 0 || 2 * f1 >= rate || 2 * f2 >= rate) common::raise(5);
    // SMPTE RP120 and DIN 45403: low to high 4:1; IEC 60268-3: 1:1.
    const bool smpte = in.waveType == "SMPTE IMD";
    const double a1 = smpte ? 0.8 : 0.5, a2 = smpte ? 0.2 : 0.5;
    const double gL = in.routing == 1 ? 0 : gain(in.leftLevelDb);
    const double gR = in.routing == 0 ? 0 : gain(in.rightLevelDb) * (in.routing == 3 ? -1 : 1);

    // The block that holds whole cycles of both tones: rate / gcd frames.
    const std::int64_t g = std::gcd(std::gcd(f1, f2), static_cast<std::int64_t>(rate));
    const std::int64_t frames = rate / g;
    std::string block;
    block.reserve(static_cast<std::size_t>(4 * frames));
    for (std::int64_t n = 0; n < frames; ++n) {
        // The phases from whole cycles, exact at every frame.
        const double p1 = kTwoPi * static_cast<double>((f1 * n) % rate) / rate;
        const double p2 = kTwoPi * static_cast<double>((f2 * n) % rate) / rate;
        const double v = a1 * std::cos(p1) + a2 * std::cos(p2);
        appendSample(block,
                     common::toInt16(kBlockScaleNumerator * v * gL / kBlockScaleDenominator));
        appendSample(block,
                     common::toInt16(kBlockScaleNumerator * v * gR / kBlockScaleDenominator));
    }
    const auto dataSize = static_cast<std::uint32_t>(4 * rate);
    std::string image =
        wavHeader(static_cast<std::uint32_t>(rate), static_cast<std::uint32_t>(4 * rate), dataSize);
    image.reserve(kWavHeaderBytes + dataSize);
    for (std::int64_t k = 0; k < g; ++k)
        image += block;
    return image;
}

void MakeTwinToneFile(SynthesisInputs& inputs, double secondFrequencyHz, std::string_view path) {
    replaceFile(path, twinToneImage(inputs, secondFrequencyHz));
}

void MakeWavfile(SynthesisInputs& inputs, double durationSeconds, std::string_view path) {
    const auto seed = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    replaceFile(path, fixedLengthImage(inputs, durationSeconds, seed));
}

} // namespace generator

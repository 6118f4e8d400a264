#pragma once
// A model of the device under test between the simulated output and input,
// with every stage exactly what it declares, in this order per channel:
// - gain (dB);
// - a high-pass: the second-order Butterworth by the bilinear transform,
//   pre-warped to the corner; its magnitude is the analog one's at
//   (rate / pi) tan(pi f / rate), within 0.001 dB of it for corners up to
//   1 kHz;
// - a low-pass with the magnitude of the analog second-order Butterworth,
//   1 / sqrt(1 + (f / corner)^4), up to the Nyquist frequency: a linear-phase
//   FIR of 257 taps, within 0.002 dB of it from DC to 0.95 of the Nyquist
//   frequency and 0.03 dB at it, for corners from 1 kHz up (corners above the
//   Nyquist frequency included). Its delay of kLowPassDelayFrames is taken
//   out again by the loopback, which feeds the model that much ahead;
// - second and third harmonic distortion, y = x + F (c2 u^2 + c3 u^3) with
//   u = x / F and F = 32767, scaled so that a full-scale sine there shows
//   exactly the declared H2 and H3 relative to its fundamental. A sine of
//   amplitude a F shows the fundamental a (1 + 3 c3 a^2 / 4), H2 c2 a^2 / 2,
//   H3 c3 a^3 / 4 (times F) and a DC offset of c2 a^2 / 2, with
//   c3 = 4 r3 / (1 - 3 r3) and c2 = 2 r2 / (1 - 3 r3) for the declared ratios
//   r2, r3: H2 falls 1 dB and H3 2 dB per dB below full scale, as in a real
//   stage;
// - crosstalk (dB) from each channel into the other;
// - noise: Gaussian, of the declared RMS relative to a full-scale sine,
//   the same for the same frame index;
// - rounding to 16 bits (which adds its own 1/12 LSB^2 of noise whenever a
//   stage above is on) and clipping at full scale.
// A corner, harmonic, noise or crosstalk setting of "off" (infinite, or 0 Hz
// for a corner) removes that stage; the "wire" preset removes all of them and
// passes the samples through unchanged.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DutParams {
    static constexpr double kOff = -std::numeric_limits<double>::infinity();

    double gainLeftDb = 0;
    double gainRightDb = 0;
    double highPassHz = 0; // -3 dB corner; 0: none
    double lowPassHz = 0;  // -3 dB corner; 0: none
    double harmonic2Db = kOff;
    double harmonic3Db = kOff;
    double noiseDbfs = kOff;
    double crosstalkDb = kOff;
    double latencyMs = 0; // output to input delay
    std::uint64_t noiseSeed = 1;

    bool operator==(const DutParams&) const = default;
};

// The named presets: "wire" (exact passthrough, no noise) and "amplifier"
// (a power amplifier measured through a matching attenuator).
std::optional<DutParams> dutPreset(std::string_view name);

struct DutParseResult {
    bool ok = false;
    DutParams params;
    std::string error;
};

// Parses a preset name, or "key=value,..." applied to the wire preset, or a
// preset name followed by ",key=value,...". Keys: gain (both channels),
// gainl, gainr, hp, lp, h2, h3, noise, crosstalk, latency, seed; "off" is a
// value for hp, lp, h2, h3, noise and crosstalk.
DutParseResult parseDutSpec(std::string_view text);

// The model at one sample rate, with the filters' state.
class DutModel {
public:
    DutModel(const DutParams& params, int sampleRate);

    // True when the model passes every sample through unchanged.
    bool isWire() const { return wire_; }
    // True when the model remembers earlier samples (it has a filter).
    bool hasMemory() const { return hpOn_ || lpOn_; }
    // Frames by which the output lags the input beyond the declared stages:
    // the low-pass's delay, or 0.
    int delayFrames() const { return lpOn_ ? kLowPassDelayFrames : 0; }
    void resetState();

    static constexpr int kLowPassDelayFrames = 128;

    // One frame in sample counts; noiseIndex selects the noise values, so the
    // same index gives the same noise. Writes the rounded, clipped samples.
    void process(double left, double right, std::uint64_t noiseIndex, std::int16_t* out);

private:
    struct Biquad {
        double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
        double z1[2] = {0, 0};
        double z2[2] = {0, 0};
        double run(double x, int channel);
    };

    // The linear-phase low-pass: taps h[0..M] of the symmetric response, and
    // each channel's last 2M + 1 inputs, stored twice so that a window of
    // them is always contiguous.
    struct LowPass {
        std::vector<double> taps;
        std::vector<double> history[2];
        int position[2] = {0, 0};
        double run(double x, int channel);
    };

    DutParams params_;
    bool wire_ = true;
    bool hpOn_ = false;
    bool lpOn_ = false;
    double gainL_ = 1;
    double gainR_ = 1;
    double h2_ = 0;
    double h3_ = 0;
    double noiseRms_ = 0;
    double crosstalk_ = 0;
    Biquad hp_;
    LowPass lp_;
};

} // namespace platform

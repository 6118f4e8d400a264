#pragma once
// A model of the device under test between the simulated output and input:
// per-channel gain, a second-order Butterworth high-pass and low-pass,
// second and third harmonic distortion, crosstalk between the channels, a
// noise floor and clipping at 16-bit full scale.
//
// Levels are in dB. Harmonic levels are relative to the fundamental of a
// full-scale sine (they fall with the signal level, as in a real stage). The
// noise floor is the RMS of Gaussian noise relative to a full-scale sine.
// A corner, harmonic, noise or crosstalk setting of "off" (infinite, or 0 Hz
// for a corner) removes that stage; the "wire" preset removes all of them and
// passes the samples through unchanged.

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

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
    void resetState();

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
    Biquad lp_;
};

} // namespace platform

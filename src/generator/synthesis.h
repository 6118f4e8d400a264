#pragma once
// Synthesis of the test signal into a WAV file. Two modules with different
// trade-offs:
// - the repeating-block module (MakeBetterWavFile) computes one block holding
//   a whole number of cycles and writes it many times, so the loop seam falls
//   on a cycle boundary; the price is a frequency quantised to
//   cycles x rate / frames-in-block;
// - the fixed-length module (MakeWavfile) computes every frame of the file at
//   the exact frequency (10 s, or one burst period), and is the only one that
//   makes white noise and bursts.
// Both return the whole file image, or throw common::VbError when a value
// does not fit (a division by zero, a sample beyond 16 bits, a file too big);
// then nothing is written.
//
// Thread: the instrument's thread only.

#include <cstdint>
#include <string>
#include <string_view>

namespace generator {

inline constexpr std::string_view kSilenceFile = "c:\\QEX_ARV1files\\stop.wav";

// Full scale of the repeating-block module: a sample is v x 65535 / 2.02.
inline constexpr double kBlockScaleNumerator = 65535;
inline constexpr double kBlockScaleDenominator = 2.02;
// Full scale of the fixed-length module.
inline constexpr double kFixedFullScale = 32767;
// A level that rounds every sample to 0.
inline constexpr double kMutedLevelDb = -140;

// The generator settings a synthesis reads. The modules correct some of them
// in place (forced levels and phase of a routing, an out-of-range routing);
// the caller decides which corrections it keeps.
struct SynthesisInputs {
    double frequencyHz = 1000;
    double leftLevelDb = 0;
    double rightLevelDb = 0;
    double deltaPhaseDeg = 0;
    std::string waveType = "Sine";
    std::int32_t sampleRate = 44100;
    std::int16_t routing = 2; // 0 left, 1 right, 2 left + right, 3 left - right
    double burstOnLevelDb = 0;
    double burstOffLevelDb = -20;
    double burstOnTimeMs = 20;
    double burstOffTimeMs = 480;
};

// The repeating-block module with its state between runs: the shape of the
// last run (kept for wave types it does not know), the channel mode, and
// whether the silence file was written in this run of the program.
class RepeatingBlockSynth {
public:
    enum class Shape { Plain, Square, Triangle };

    // The file image for the inputs. Remembers the shape and channel mode.
    std::string fileImage(SynthesisInputs& inputs);

    // Writes the file image to `path` (an existing file is deleted first);
    // the first time, also the silence file, with the same header fields and
    // 22050 zero data bytes.
    void MakeBetterWavFile(SynthesisInputs& inputs, std::string_view path);

    Shape shape() const { return shape_; }
    const std::string& channelMode() const { return channelMode_; }
    bool silenceWritten() const { return silenceWritten_; }

private:
    Shape shape_ = Shape::Plain;
    std::string channelMode_ = "ST L+R";
    std::string lastHeader_;
    bool silenceWritten_ = false;
};

// The fixed-length module: the file image for the inputs and a duration in
// seconds (corrected to 10 s outside 0.1..120 s, replaced by the burst period
// for a burst). White noise uses a generator seeded with `noiseSeed`.
std::string fixedLengthImage(SynthesisInputs& inputs, double durationSeconds,
                             std::uint64_t noiseSeed);

// Computes the image with a seed from the clock and writes it to `path` (an
// existing file is deleted first).
void MakeWavfile(SynthesisInputs& inputs, double durationSeconds, std::string_view path);

// The twin tones of intermodulation tests, wave types "SMPTE IMD" (the first
// frequency low and the second high, at 4:1) and "CCIF IMD" (the two at 1:1).
bool isTwinTone(std::string_view waveType);

// The twin tone's file image, with the inputs' frequency as the first tone
// and secondFrequencyHz as the second, both rounded to whole hertz (0 means
// 1000). The block holds a whole number of cycles of both tones, so the loop
// seam is gapless; the file lasts one second. The composite's peak is the
// channel's level, full scale as the repeating-block module's. Routing as
// there: one channel only, or the right one inverted for left - right.
// Throws common::VbError when a tone lies at or above half the rate.
std::string twinToneImage(SynthesisInputs& inputs, double secondFrequencyHz);

// Computes the twin tone and writes it to `path` (an existing file is
// deleted first).
void MakeTwinToneFile(SynthesisInputs& inputs, double secondFrequencyHz, std::string_view path);

// The number of frames in the repeating block for a rounded frequency f > 0
// and a rate: 10 cycles above 1000 Hz, else 1, in round(cycles x rate / f)
// frames. The generated frequency is cycles x rate / frames.
std::int64_t blockFrames(std::int64_t f, std::int32_t rate);

} // namespace generator

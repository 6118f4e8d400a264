// The synthesised files against a reference computed here from the written
// formulas: its own header assembly, its own sample loops and the C library's
// round-to-nearest-even.

#include "common/vb_error.h"
#include "gen_fixture.h"
#include "generator/synthesis.h"

#include <bit>
#include <cmath>
#include <numbers>

namespace {

using generator::SynthesisInputs;
static_assert(std::endian::native == std::endian::little);

#pragma pack(push, 1)
struct RefHeader {
    char riff[4] = {'R', 'I', 'F', 'F'};
    std::uint32_t riffSize = 0;
    char waveFmt[8] = {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    std::uint32_t fmtSize = 16;
    std::uint16_t tag = 1, channels = 2;
    std::uint32_t rate = 0, byteRate = 0;
    std::uint16_t align = 4, bits = 16;
    char data[4] = {'d', 'a', 't', 'a'};
    std::uint32_t dataSize = 0;
};
#pragma pack(pop)

std::string refFile(std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    RefHeader h;
    h.rate = rate;
    h.byteRate = rate * 4;
    h.dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    h.riffSize = h.dataSize + 36;
    std::string out(sizeof h + samples.size() * 2, '\0');
    std::memcpy(out.data(), &h, sizeof h);
    std::memcpy(out.data() + sizeof h, samples.data(), samples.size() * 2);
    return out;
}

std::int16_t near16(double v) {
    return static_cast<std::int16_t>(std::nearbyint(v));
}

double tri(double x) {
    double sum = 0;
    for (int k = 0; k < 14; ++k)
        sum += (k % 2 ? -1 : 1) * std::sin((2 * k + 1) * x) / ((2 * k + 1) * (2 * k + 1));
    return 0.8 * sum;
}

// One block of whole cycles, repeated f times; full scale 65535 / 2.02.
std::string refBlockFile(const SynthesisInputs& in) {
    long f = std::lround(std::nearbyint(in.frequencyHz));
    if (f == 0) f = 1000;
    const int routing = in.routing;
    const double gl = std::pow(10.0, (routing == 1 ? -140 : in.leftLevelDb) / 20);
    const double gr = std::pow(10.0, (routing == 0 ? -140 : in.rightLevelDb) / 20);
    const double phase = routing == 3 ? 180 : in.deltaPhaseDeg;
    const int cycles = f > 1000 ? 10 : 1;
    const long n = std::lround(std::nearbyint(double(cycles) * in.sampleRate / double(f)));
    std::vector<std::int16_t> block;
    for (long i = 0; i < n; ++i) {
        const double x = double(i) * (2 * std::numbers::pi * cycles / double(n));
        double l = std::cos(x), r = std::cos(x + 2 * std::numbers::pi * phase / 360);
        if (in.waveType == "Square") l = r = std::cos(x) > 0 ? 1 : -1;
        if (in.waveType == "Triangle") l = r = tri(x);
        const double left = routing == 1 ? 0 : l * gl;
        const double right = routing == 0 ? 0 : routing == 1 ? l * gr : r * gr;
        block.push_back(near16(left * 65535 / 2.02));
        block.push_back(near16(right * 65535 / 2.02));
    }
    std::vector<std::int16_t> all;
    for (long k = 0; k < f; ++k)
        all.insert(all.end(), block.begin(), block.end());
    return refFile(static_cast<std::uint32_t>(in.sampleRate), all);
}

// Every frame at the exact frequency; full scale 32767.
std::string refFixedFile(const SynthesisInputs& in, double seconds, int rate) {
    const long m = std::lround(std::nearbyint(2.0 * rate * seconds - 1)) + 1;
    std::vector<std::int16_t> v(static_cast<std::size_t>(m), 0);
    for (long k = 0; k < m / 2; ++k) {
        const double t = double(k) * (2 * std::numbers::pi * in.frequencyHz / rate);
        double gl = std::pow(10.0, in.leftLevelDb / 20), gr = std::pow(10.0, in.rightLevelDb / 20);
        if (in.waveType == "Burst")
            gl = gr = std::pow(
                10.0, (k < in.burstOnTimeMs * 44.1 ? in.burstOnLevelDb : in.burstOffLevelDb) / 20);
        v[2 * k] = near16(32767 * gl * std::sin(t));
        v[2 * k + 1] = near16(32767 * gr * std::sin(t + in.deltaPhaseDeg * 6.28318 / 360));
    }
    return refFile(static_cast<std::uint32_t>(rate), v);
}

SynthesisInputs inputs(double freq, const std::string& wave, int routing, double leftDb = 0,
                       double rightDb = 0, int rate = 44100) {
    SynthesisInputs in;
    in.frequencyHz = freq;
    in.waveType = wave;
    in.routing = static_cast<std::int16_t>(routing);
    in.leftLevelDb = leftDb;
    in.rightLevelDb = rightDb;
    in.sampleRate = rate;
    return in;
}

struct BlockCase {
    const char* name;
    SynthesisInputs in;
    long frames; // N
};

class RepeatingBlock : public DataDirTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(RepeatingBlock, FileMatchesTheReferenceByteForByte) {
    SynthesisInputs in = GetParam().in;
    generator::RepeatingBlockSynth().MakeBetterWavFile(in, "C:/QEX_ARV1files/testwav.wav");
    const std::string file = slurp(dir / "testwav.wav");
    const std::string expected = refBlockFile(GetParam().in);
    ASSERT_EQ(file.size(), expected.size());
    EXPECT_TRUE(file == expected);
    const long f = std::lround(std::nearbyint(GetParam().in.frequencyHz));
    EXPECT_EQ(u32At(file, 40), static_cast<std::uint32_t>(GetParam().frames * 4 * f));
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RepeatingBlock,
    ::testing::Values(BlockCase{"Sine1000", inputs(1000, "Sine", 2), 44},
                      BlockCase{"Sine1001", inputs(1001, "Sine", 2), 441},
                      BlockCase{"SquareRight", inputs(1000, "Square", 1, 0, -6), 44},
                      BlockCase{"SineLminusR", inputs(1001, "Sine", 3, -3, -3), 441},
                      BlockCase{"TriangleLminusR", inputs(440, "Triangle", 3, 0, -1), 100},
                      BlockCase{"HalfToEvenLeftOnly", inputs(250.5, "Sine", 0, -10), 176},
                      BlockCase{"Sine48k", inputs(1000, "Sine", 2, 0, 0, 48000), 48}),
    [](const auto& info) { return std::string(info.param.name); });

class Synthesis : public DataDirTest {};

TEST_F(Synthesis, ExamplesHaveTheDocumentedShape) {
    SynthesisInputs def = inputs(1000, "Sine", 2);
    const std::string file = generator::RepeatingBlockSynth().fileImage(def);
    EXPECT_EQ(file.size(), 176044u);
    EXPECT_EQ(u32At(file, 4), 176036u);
    EXPECT_EQ(u32At(file, 28), 176400u);
    EXPECT_EQ(s16At(file, 44), 32443); // the block starts at the positive peak

    SynthesisInputs sq = inputs(1000, "Square", 1, 0, -6);
    const auto square = samplesOf(generator::RepeatingBlockSynth().fileImage(sq));
    EXPECT_EQ(sq.leftLevelDb, -140); // forced for the synthesis
    for (std::size_t i = 0; i < square.size(); i += 2)
        ASSERT_TRUE(square[i] == 0 && std::abs(square[i + 1]) == 16260) << i;

    SynthesisInputs lr = inputs(1001, "Sine", 3);
    const auto inverted = samplesOf(generator::RepeatingBlockSynth().fileImage(lr));
    for (std::size_t i = 0; i < inverted.size(); i += 2)
        ASSERT_LE(std::abs(inverted[i] + inverted[i + 1]), 1) << i;
    SynthesisInputs tr = inputs(1001, "Triangle", 3);
    const auto same = samplesOf(generator::RepeatingBlockSynth().fileImage(tr));
    for (std::size_t i = 0; i < same.size(); i += 2)
        ASSERT_EQ(same[i], same[i + 1]);
}

TEST_F(Synthesis, ModuleStateBetweenRuns) {
    generator::RepeatingBlockSynth synth;
    SynthesisInputs square = inputs(500, "Square", 2, 0, 0, 48000);
    synth.MakeBetterWavFile(square, "C:/QEX_ARV1files/testwav.wav");
    // A wave type the module does not know repeats the previous shape.
    SynthesisInputs burst = inputs(500, "Burst", 2, 0, 0, 48000);
    EXPECT_EQ(synth.fileImage(burst), slurp(dir / "testwav.wav"));

    // The silence file: written with the first file only.
    const std::string stop = slurp(dir / "stop.wav");
    ASSERT_EQ(stop.size(), 44u + 22050u);
    EXPECT_EQ(u32At(stop, 4), 22086u);
    EXPECT_EQ(u32At(stop, 24), 48000u);
    EXPECT_EQ(u32At(stop, 40), 22050u);
    EXPECT_EQ(stop.find_first_not_of('\0', 44), std::string::npos);
    fs::remove(dir / "stop.wav");
    spit(dir / "testwav.wav", std::string(1'000'000, 'x'));
    synth.MakeBetterWavFile(square, "C:/QEX_ARV1files/testwav.wav");
    EXPECT_FALSE(fs::exists(dir / "stop.wav"));
    EXPECT_EQ(fs::file_size(dir / "testwav.wav"), 44u + 96u * 4 * 500); // no tail left
}

TEST_F(Synthesis, FixedLengthFilesMatchTheReference) {
    // Fast, 997 Hz at 48000 Hz: 10 s at the exact frequency.
    SynthesisInputs fast = inputs(997, "Sine", 2, -1, 0, 48000);
    fast.deltaPhaseDeg = 90;
    const std::string file = generator::fixedLengthImage(fast, 10.0, 1);
    ASSERT_EQ(file.size(), 44u + 2u * 960000u);
    EXPECT_TRUE(file == refFixedFile(fast, 10.0, 48000));

    // Burst 20/480 ms: one period at 44100 Hz whatever the rate; 882 frames on.
    SynthesisInputs burst = inputs(1000, "Burst", 2, 0, 0, 96000);
    const std::string bursts = generator::fixedLengthImage(burst, 10.0, 1);
    EXPECT_TRUE(bursts == refFixedFile(burst, 0.5, 44100));
    const auto s = samplesOf(bursts);
    ASSERT_EQ(s.size(), 2u * 22050u);
    int onPeak = 0, offPeak = 0;
    for (std::size_t k = 0; k < 22050; ++k)
        (k < 882 ? onPeak : offPeak) =
            std::max(k < 882 ? onPeak : offPeak, std::abs(int(s[2 * k])));
    EXPECT_GT(onPeak, 32700);
    EXPECT_TRUE(offPeak > 3270 && offPeak <= 3277) << offPeak;
}

TEST_F(Synthesis, WhiteNoiseIsPositiveOnlyAndWithinTheGain) {
    SynthesisInputs in = inputs(1000, "White Noise", 2, 0, -6, 22050);
    const auto samples = samplesOf(generator::fixedLengthImage(in, 10.0, 42));
    ASSERT_EQ(samples.size(), 441000u);
    double sumLeft = 0;
    for (std::size_t i = 0; i < samples.size(); i += 2) {
        ASSERT_TRUE(samples[i] >= 0 && samples[i + 1] >= 0 && samples[i + 1] <= 16422) << i;
        sumLeft += samples[i];
    }
    EXPECT_NEAR(sumLeft / 220500, 32767 / 2.0, 200); // uniform on [0, full scale)
}

TEST_F(Synthesis, InputsAreCorrectedAndImpossibleFilesAreErrors) {
    SynthesisInputs in = inputs(0, "Sine", 7, 3, 0, 200000);
    in.deltaPhaseDeg = 400;
    const std::string file = generator::fixedLengthImage(in, 500, 1);
    EXPECT_TRUE(in.routing == 2 && in.deltaPhaseDeg == 0 && in.frequencyHz == 1000 &&
                in.leftLevelDb == 0);
    EXPECT_EQ(u32At(file, 24), 44100u);       // rate out of range
    EXPECT_EQ(u32At(file, 40), 2u * 882000u); // duration out of range: 10 s

    SynthesisInputs unlisted = inputs(1000, "Sine", 2, 0, 0, 50000);
    EXPECT_EQ(u32At(generator::RepeatingBlockSynth().fileImage(unlisted), 24), 0u);

    generator::RepeatingBlockSynth synth;
    for (double f : {2e6, -1000.0, 1e12}) { // no whole frame, negative, beyond 32 bits
        SynthesisInputs bad = inputs(f, "Sine", 2);
        EXPECT_THROW(synth.fileImage(bad), common::VbError) << f;
    }
    spit(dir / "testwav.wav", "previous");
    SynthesisInputs loud = inputs(1000, "Burst", 2);
    loud.burstOnLevelDb = 1; // beyond 16 bits
    EXPECT_THROW(generator::MakeWavfile(loud, 10, "C:/QEX_ARV1files/testwav.wav"), common::VbError);
    EXPECT_EQ(slurp(dir / "testwav.wav"), "previous");
}

} // namespace

namespace {

TEST_F(Synthesis, TwinTonesHoldWholeCyclesOfBothTonesAtTheirRatio) {
    const struct {
        const char* type;
        double f1, f2, low, high;
        std::int16_t routing;
        std::int32_t rate;
    } cases[] = {{"SMPTE IMD", 60, 7000, 0.8, 0.2, 2, 44100},
                 {"CCIF IMD", 19000, 20000, 0.5, 0.5, 3, 48000},
                 {"CCIF IMD", 13000, 14000.4, 0.5, 0.5, 0, 44100}};
    for (const auto& c : cases) {
        SynthesisInputs in = inputs(c.f1, c.type, c.routing, -3, -6, c.rate);
        const auto samples = samplesOf(generator::twinToneImage(in, c.f2));
        ASSERT_EQ(samples.size(), 2u * static_cast<std::size_t>(c.rate)) << c.type; // one second
        const double f2 = std::nearbyint(c.f2);
        const double gl = std::pow(10.0, -3.0 / 20), gr = std::pow(10.0, -6.0 / 20);
        for (int n = 0; n < c.rate; n += 7) {
            const double v = c.low * std::cos(2 * std::numbers::pi * c.f1 * n / c.rate) +
                             c.high * std::cos(2 * std::numbers::pi * f2 * n / c.rate);
            const double right = c.routing == 0 ? 0 : c.routing == 3 ? -v * gr : v * gr;
            // Whole cycles in the second: the loop seam continues the tones.
            ASSERT_NEAR(samples[2 * static_cast<std::size_t>(n)], 65535 * v * gl / 2.02, 0.51) << n;
            ASSERT_NEAR(samples[2 * static_cast<std::size_t>(n) + 1], 65535 * right / 2.02, 0.51);
        }
    }
    SynthesisInputs high = inputs(19000, "CCIF IMD", 2, 0, 0, 32000);
    EXPECT_THROW(generator::twinToneImage(high, 20000), common::VbError); // beyond Nyquist
}

} // namespace

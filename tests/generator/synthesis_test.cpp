// The synthesised files against a reference computed here from the written
// formulas: its own header assembly, its own sample loops and the C library's
// round-to-nearest-even.

#include "common/vb_error.h"
#include "gen_fixture.h"
#include "generator/synthesis.h"

#include <bit>
#include <cmath>
#include <numbers>

using generator::SynthesisInputs;

namespace {

static_assert(std::endian::native == std::endian::little);

#pragma pack(push, 1)
struct RefHeader {
    char riff[4] = {'R', 'I', 'F', 'F'};
    std::uint32_t riffSize = 0;
    char wave[4] = {'W', 'A', 'V', 'E'};
    char fmt[4] = {'f', 'm', 't', ' '};
    std::uint32_t fmtSize = 16;
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t align = 4;
    std::uint16_t bits = 16;
    char data[4] = {'d', 'a', 't', 'a'};
    std::uint32_t dataSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(RefHeader) == 44);

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
    const int sign[] = {1, -1};
    for (int k = 0; k < 14; ++k) {
        const int n = 2 * k + 1;
        sum += sign[k % 2] * std::sin(n * x) / (n * n);
    }
    return 0.8 * sum;
}

// The repeating-block file: one block of whole cycles, repeated f times.
std::string refBlockFile(double freq, double leftDb, double rightDb, double phaseDeg,
                         const std::string& wave, int rate, int routing) {
    long f = std::lround(std::nearbyint(freq));
    if (f == 0) f = 1000;
    if (routing == 0) rightDb = -140;
    if (routing == 1) leftDb = -140;
    if (routing == 3) phaseDeg = 180;
    const double gl = std::pow(10.0, leftDb / 20), gr = std::pow(10.0, rightDb / 20);
    const int cycles = f > 1000 ? 10 : 1;
    const long n = std::lround(std::nearbyint(double(cycles) * rate / double(f)));
    std::vector<std::int16_t> block;
    for (long i = 0; i < n; ++i) {
        const double x = double(i) * (2 * std::numbers::pi * cycles / double(n));
        double l = std::cos(x), r = std::cos(x + 2 * std::numbers::pi * phaseDeg / 360);
        if (wave == "Square") l = r = std::cos(x) > 0 ? 1 : -1;
        if (wave == "Triangle") l = r = tri(x);
        double left = l * gl, right = r * gr;
        if (routing == 0) right = 0;
        if (routing == 1) left = 0, right = l * gr;
        block.push_back(near16(left * 65535 / 2.02));
        block.push_back(near16(right * 65535 / 2.02));
    }
    std::vector<std::int16_t> all;
    for (long k = 0; k < f; ++k)
        all.insert(all.end(), block.begin(), block.end());
    return refFile(static_cast<std::uint32_t>(rate), all);
}

SynthesisInputs inputs(double freq, const std::string& wave, int routing, int rate = 44100) {
    SynthesisInputs in;
    in.frequencyHz = freq;
    in.waveType = wave;
    in.routing = static_cast<std::int16_t>(routing);
    in.sampleRate = rate;
    return in;
}

struct BlockCase {
    const char* name;
    double freq;
    const char* wave;
    int routing;
    double leftDb, rightDb;
    long expectedFrames; // N
};

class RepeatingBlock : public DataDirTest, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(RepeatingBlock, FileMatchesTheReferenceByteForByte) {
    const BlockCase& c = GetParam();
    SynthesisInputs in = inputs(c.freq, c.wave, c.routing);
    in.leftLevelDb = c.leftDb;
    in.rightLevelDb = c.rightDb;
    generator::RepeatingBlockSynth synth;
    synth.MakeBetterWavFile(in, "C:/QEX_ARV1files/testwav.wav");
    const std::string file = slurp(dir / "testwav.wav");
    const std::string expected =
        refBlockFile(c.freq, c.leftDb, c.rightDb, 0, c.wave, 44100, c.routing);
    ASSERT_EQ(file.size(), expected.size());
    EXPECT_TRUE(file == expected)
        << "first difference at byte "
        << std::mismatch(file.begin(), file.end(), expected.begin()).first - file.begin();
    const long f = std::lround(std::nearbyint(c.freq));
    EXPECT_EQ(u32At(file, 40), static_cast<std::uint32_t>(c.expectedFrames * 4 * f));
    EXPECT_EQ(generator::blockFrames(std::lround(std::nearbyint(c.freq)), 44100), c.expectedFrames);
}

std::string caseName(const ::testing::TestParamInfo<BlockCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, RepeatingBlock,
    ::testing::Values(BlockCase{"Sine1000", 1000, "Sine", 2, 0, 0, 44},
                      BlockCase{"Sine1001", 1001, "Sine", 2, 0, 0, 441},
                      BlockCase{"SquareRight", 1000, "Square", 1, 0, -6, 44},
                      BlockCase{"SineLminusR", 1001, "Sine", 3, -3, -3, 441},
                      BlockCase{"TriangleLminusR", 440, "Triangle", 3, 0, -1, 100},
                      BlockCase{"SineLeftOnly", 250.5, "Sine", 0, -10, 0, 176}),
    caseName);

class Synthesis : public DataDirTest {};

TEST_F(Synthesis, DefaultSineHasTheDocumentedSizesAndStartsAtThePositivePeak) {
    SynthesisInputs in = inputs(1000, "Sine", 2);
    const std::string file = generator::RepeatingBlockSynth().fileImage(in);
    EXPECT_EQ(file.size(), 44u + 176000u);
    EXPECT_EQ(u32At(file, 4), 176036u);
    EXPECT_EQ(u32At(file, 24), 44100u);
    EXPECT_EQ(u32At(file, 28), 176400u);
    EXPECT_EQ(s16At(file, 44), 32443); // full scale is 65535 / 2.02, not 32767
    EXPECT_EQ(s16At(file, 46), 32443);
}

TEST_F(Synthesis, RoutingsShapeTheChannels) {
    // Square on the right only: left silent, right the square at the right gain.
    SynthesisInputs sq = inputs(1000, "Square", 1);
    sq.rightLevelDb = -6;
    const auto square = samplesOf(generator::RepeatingBlockSynth().fileImage(sq));
    const auto peak = near16(std::pow(10.0, -6.0 / 20) * 65535 / 2.02);
    for (std::size_t i = 0; i < square.size(); i += 2) {
        ASSERT_EQ(square[i], 0);
        ASSERT_TRUE(square[i + 1] == peak || square[i + 1] == -peak) << square[i + 1];
    }
    EXPECT_EQ(sq.leftLevelDb, -140); // forced for the synthesis

    // Left - Right: a sine's right channel is the inverted left, a triangle's is not.
    SynthesisInputs sine = inputs(1001, "Sine", 3);
    const auto inverted = samplesOf(generator::RepeatingBlockSynth().fileImage(sine));
    for (std::size_t i = 0; i < inverted.size(); i += 2)
        ASSERT_LE(std::abs(inverted[i] + inverted[i + 1]), 1) << i;
    EXPECT_EQ(sine.deltaPhaseDeg, 180);
    SynthesisInputs tri = inputs(1001, "Triangle", 3);
    const auto same = samplesOf(generator::RepeatingBlockSynth().fileImage(tri));
    for (std::size_t i = 0; i < same.size(); i += 2)
        ASSERT_EQ(same[i], same[i + 1]);
}

TEST_F(Synthesis, AnUnknownWaveTypeRepeatsThePreviousShape) {
    generator::RepeatingBlockSynth synth;
    SynthesisInputs square = inputs(500, "Square", 2);
    const std::string squareFile = synth.fileImage(square);
    SynthesisInputs burst = inputs(500, "Burst", 2);
    EXPECT_EQ(synth.fileImage(burst), squareFile);
    // With no previous run the plain shape is used.
    SynthesisInputs first = inputs(500, "White Noise", 2);
    SynthesisInputs sine = inputs(500, "Sine", 2);
    EXPECT_EQ(generator::RepeatingBlockSynth().fileImage(first),
              generator::RepeatingBlockSynth().fileImage(sine));
}

TEST_F(Synthesis, SilenceFileIsWrittenOncePerRun) {
    generator::RepeatingBlockSynth synth;
    SynthesisInputs in = inputs(1000, "Sine", 2, 48000);
    synth.MakeBetterWavFile(in, "C:/QEX_ARV1files/testwav.wav");
    const std::string stop = slurp(dir / "stop.wav");
    ASSERT_EQ(stop.size(), 44u + 22050u);
    EXPECT_EQ(stop.substr(0, 4), "RIFF");
    EXPECT_EQ(u32At(stop, 4), 22086u);
    EXPECT_EQ(u32At(stop, 24), 48000u);
    EXPECT_EQ(u32At(stop, 28), 192000u);
    EXPECT_EQ(u32At(stop, 40), 22050u);
    EXPECT_EQ(stop.find_first_not_of('\0', 44), std::string::npos);
    std::filesystem::remove(dir / "stop.wav");
    synth.MakeBetterWavFile(in, "C:/QEX_ARV1files/testwav.wav");
    EXPECT_FALSE(std::filesystem::exists(dir / "stop.wav"));
}

TEST_F(Synthesis, ANewFileLeavesNoTailOfALongerOne) {
    spit(dir / "testwav.wav", std::string(1'000'000, 'x'));
    SynthesisInputs in = inputs(1000, "Sine", 2);
    generator::RepeatingBlockSynth().MakeBetterWavFile(in, "C:/QEX_ARV1files/testwav.wav");
    EXPECT_EQ(std::filesystem::file_size(dir / "testwav.wav"), 176044u);
}

TEST_F(Synthesis, UnlistedRateLeavesTheRateFieldEmpty) {
    SynthesisInputs in = inputs(1000, "Sine", 2, 50000);
    const std::string file = generator::RepeatingBlockSynth().fileImage(in);
    EXPECT_EQ(u32At(file, 24), 0u);
    EXPECT_EQ(u32At(file, 28), 200000u);
}

TEST_F(Synthesis, ImpossibleBlocksAreRunTimeErrors) {
    generator::RepeatingBlockSynth synth;
    SynthesisInputs tooHigh = inputs(2e6, "Sine", 2); // no whole frame per block
    EXPECT_THROW(synth.fileImage(tooHigh), common::VbError);
    SynthesisInputs negative = inputs(-1000, "Sine", 2);
    EXPECT_THROW(synth.fileImage(negative), common::VbError);
    SynthesisInputs overflow = inputs(1e12, "Sine", 2);
    EXPECT_THROW(synth.fileImage(overflow), common::VbError);
}

// The fixed-length module's reference: every frame at the exact frequency.
std::vector<std::int16_t> refFixed(const SynthesisInputs& in, double seconds, int rate) {
    const long m = std::lround(std::nearbyint(2.0 * rate * seconds - 1)) + 1;
    std::vector<std::int16_t> v(static_cast<std::size_t>(m), 0);
    const double gl = std::pow(10.0, in.leftLevelDb / 20),
                 gr = std::pow(10.0, in.rightLevelDb / 20);
    for (long k = 0; k < m / 2; ++k) {
        const double t = double(k) * (2 * std::numbers::pi * in.frequencyHz / rate);
        double l = 0, r = 0;
        if (in.waveType == "Sine") {
            l = 32767 * gl * std::sin(t);
            r = 32767 * gr * std::sin(t + in.deltaPhaseDeg * 6.28318 / 360);
        } else if (in.waveType == "Burst") {
            const double g = std::pow(
                10.0, (k < in.burstOnTimeMs * 44.1 ? in.burstOnLevelDb : in.burstOffLevelDb) / 20);
            l = 32767 * g * std::sin(t);
            r = 32767 * g * std::sin(t + in.deltaPhaseDeg * 6.28318 / 360);
        }
        v[2 * k] = near16(l);
        v[2 * k + 1] = near16(r);
    }
    return v;
}

TEST_F(Synthesis, FastSineIsTenSecondsAtTheExactFrequency) {
    SynthesisInputs in = inputs(997, "Sine", 2, 48000);
    in.leftLevelDb = -1;
    in.deltaPhaseDeg = 90;
    const SynthesisInputs used = in;
    const std::string file = generator::fixedLengthImage(in, 10.0, 1);
    const std::string expected = refFile(48000, refFixed(used, 10.0, 48000));
    ASSERT_EQ(file.size(), 44u + 2u * 960000u);
    EXPECT_TRUE(file == expected);
    EXPECT_EQ(u32At(file, 28), 192000u);
}

TEST_F(Synthesis, BurstIsOnePeriodAt44100WhateverTheRate) {
    SynthesisInputs in = inputs(1000, "Burst", 2, 96000);
    const SynthesisInputs used = in;
    const std::string file = generator::fixedLengthImage(in, 10.0, 1);
    const auto samples = samplesOf(file);
    ASSERT_EQ(samples.size(), 2u * 22050u);
    EXPECT_EQ(u32At(file, 24), 44100u);
    EXPECT_TRUE(file == refFile(44100, refFixed(used, 0.5, 44100)));
    // 882 frames at 0 dBr, the rest at -20 dBr.
    auto peak = [&](std::size_t from, std::size_t to) {
        int p = 0;
        for (std::size_t k = from; k < to; ++k)
            p = std::max(p, std::abs(int(samples[2 * k])));
        return p;
    };
    EXPECT_GT(peak(0, 882), 32700);
    EXPECT_LE(peak(882, 22050), 3277);
    EXPECT_GT(peak(882, 22050), 3270);
}

TEST_F(Synthesis, BurstHonoursTheRouting) {
    SynthesisInputs in = inputs(1000, "Burst", 0);
    const auto samples = samplesOf(generator::fixedLengthImage(in, 10.0, 1));
    for (std::size_t i = 1; i < samples.size(); i += 2)
        ASSERT_EQ(samples[i], 0);
}

TEST_F(Synthesis, WhiteNoiseIsPositiveOnlyAndWithinTheGain) {
    SynthesisInputs in = inputs(1000, "White Noise", 2, 22050);
    in.rightLevelDb = -6;
    const auto samples = samplesOf(generator::fixedLengthImage(in, 10.0, 42));
    ASSERT_EQ(samples.size(), 441000u);
    const double rightMax = 32767 * std::pow(10.0, -6.0 / 20);
    double sumLeft = 0;
    for (std::size_t i = 0; i < samples.size(); i += 2) {
        ASSERT_GE(samples[i], 0);
        ASSERT_GE(samples[i + 1], 0);
        ASSERT_LE(samples[i + 1], std::nearbyint(rightMax));
        sumLeft += samples[i];
    }
    EXPECT_NEAR(sumLeft / (samples.size() / 2), 32767 / 2.0, 200); // uniform on [0, full scale)
    EXPECT_NE(generator::fixedLengthImage(in, 10.0, 43), generator::fixedLengthImage(in, 10.0, 42));
}

TEST_F(Synthesis, FixedLengthCorrectsItsInputs) {
    SynthesisInputs in = inputs(0, "Sine", 7, 200000);
    in.deltaPhaseDeg = 400;
    in.leftLevelDb = 3;
    const std::string file = generator::fixedLengthImage(in, 500, 1);
    EXPECT_EQ(in.routing, 2);
    EXPECT_EQ(in.deltaPhaseDeg, 0);
    EXPECT_EQ(in.frequencyHz, 1000);
    EXPECT_EQ(in.leftLevelDb, 0);
    EXPECT_EQ(u32At(file, 24), 44100u);       // rate out of range
    EXPECT_EQ(u32At(file, 40), 2u * 882000u); // 10 s
}

TEST_F(Synthesis, ABurstAboveFullScaleFailsAndKeepsThePreviousFile) {
    spit(dir / "testwav.wav", "previous");
    SynthesisInputs in = inputs(1000, "Burst", 2);
    in.burstOnLevelDb = 1;
    EXPECT_THROW(generator::MakeWavfile(in, 10, "C:/QEX_ARV1files/testwav.wav"), common::VbError);
    EXPECT_EQ(slurp(dir / "testwav.wav"), "previous");
}

} // namespace

// The runner measuring a recording: a generated 1 kHz tone at -6 dBFS with
// its third harmonic at -46 dBFS, fed with --input, readouts printed per
// block and checked against a computation of their formulas made here
// directly from the file's frames (a plain DFT instead of the transform).

#include "app/headless.h"
#include "common/text.h"
#include "expected_readings.h"
#include "platform/wav_pcm16.h"
#include "run_fixture.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <sstream>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

constexpr int kRate = 44100;
using apptest::Expected;
using apptest::kBlockFrames;

platform::WavPcm16 testTone() {
    platform::WavPcm16 wav;
    wav.sampleRate = kRate;
    const double a1 = 32768 * std::pow(10.0, -6 / 20.0);
    const double a3 = 32768 * std::pow(10.0, -46 / 20.0);
    for (int i = 0; i < 3 * kRate; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double v = a1 * std::sin(2 * std::numbers::pi * 1000 * t) +
                         a3 * std::sin(2 * std::numbers::pi * 3000 * t + 0.3);
        const auto s = static_cast<std::int16_t>(std::nearbyint(v));
        wav.samples.push_back(s);
        wav.samples.push_back(s);
    }
    return wav;
}

// The readings of block `block` (1, 2, ...) of the looped file.
Expected expectedFor(const platform::WavPcm16& wav, int block) {
    const int first = (block - 1) * kBlockFrames;
    return apptest::expectedFor([&](int frame) {
        return static_cast<double>(wav.samples[static_cast<std::size_t>(2 * (first + frame))]);
    });
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto at = line.find(" | ", start);
        parts.push_back(line.substr(start, at - start));
        if (at == std::string::npos) return parts;
        start = at + 3;
    }
}

class InputRun : public apptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        ASSERT_TRUE(platform::writeWavPcm16(root / "tone.wav", wav));
    }
    platform::WavPcm16 wav = testTone();
};

TEST_F(InputRun, ReadoutsFollowTheFormulasBlockByBlock) {
    apptest::writeReadoutsPanel(root / "P.atp");
    app::HeadlessOptions options;
    options.dataDir = (root / "data").string();
    options.panelFile = (root / "P.atp").string();
    options.inputWav = (root / "tone.wav").string();
    options.runSeconds = 2;
    options.readouts = true;
    std::ostringstream out, err;
    ASSERT_EQ(app::runHeadless(options, out, err), 0) << err.str();

    std::vector<std::string> lines;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    // Capture starts at 0.5 s; a block holds 104.2 ms of audio: 14 blocks by 2 s.
    ASSERT_EQ(lines.size(), 14u + 1u) << out.str();
    for (int block = 1; block <= 14; ++block) {
        const auto parts = split(lines[static_cast<std::size_t>(block - 1)]);
        ASSERT_EQ(parts.size(), 6u) << lines[static_cast<std::size_t>(block - 1)];
        EXPECT_EQ(parts[0], std::to_string(block));
        const Expected e = expectedFor(wav, block);
        EXPECT_EQ(parts[1], common::Format(e.freqHz, "###.#") + " Hz") << block;
        ASSERT_EQ(parts[2].substr(parts[2].size() - 3), " mV");
        EXPECT_NEAR(common::leadingNumber(parts[2]), e.millivolts, 0.051) << block;
        ASSERT_EQ(parts[3].substr(parts[3].size() - 4), " dBr");
        EXPECT_NEAR(common::leadingNumber(parts[3]), e.db, 0.0051) << block;
        EXPECT_NEAR(common::leadingNumber(parts[4]), e.thd, 0.002) << block;
        EXPECT_GT(common::leadingNumber(parts[4]), 0.3); // the 1 % harmonic, times 50
        EXPECT_EQ(parts[5].substr(parts[5].size() - 2), " W");
    }
}

// What --input is given, and what the runner makes of it: anything but a
// regular 16-bit stereo PCM file is refused before the run, with its reason.
TEST_F(InputRun, InputsThatAreNoRecordingAreRefusedWithTheirReason) {
    using apptest::riffWave;
    const std::string tone = apptest::pcmBytes(wav.samples), none, silence("\x80\x80");
    const struct {
        const char* name;
        std::string bytes; // written to root/name unless the name is a path of its own
        int code;
        const char* says;
    } cases[] = {
        {"/tmp", "", 2, "cannot use input /tmp: not a regular file"},
        {"/dev/zero", "", 2, "cannot use input /dev/zero: not a regular file"},
        {"absent.wav", "", 2, "absent.wav: no such file"},
        {"text.wav", "Frequency, L Level\r\n", 2, "text.wav: not a RIFF WAVE file"},
        {"mono8.wav",
         riffWave(std::string("\x01\0\x01\0\x44\xac\0\0\x44\xac\0\0\x01\0\x08\0", 16), &silence), 2,
         "mono8.wav: not 16-bit stereo PCM"},
        {"nodata.wav", riffWave(apptest::kPcmFormat, &none).substr(0, 36), 2,
         "nodata.wav: no data chunk"},
        {"extensible.wav", riffWave(apptest::kExtensibleFormat, &tone), 0, ""},
    };
    for (const auto& c : cases) {
        fs::path path = c.name;
        if (path.is_relative()) {
            path = root / c.name;
            if (!c.bytes.empty()) std::ofstream(path, std::ios::binary) << c.bytes;
        }
        app::HeadlessOptions options;
        options.dataDir = (root / "data").string();
        options.inputWav = path.string();
        options.runSeconds = 1;
        std::ostringstream out, err;
        EXPECT_EQ(app::runHeadless(options, out, err), c.code) << c.name << ": " << err.str();
        EXPECT_NE(err.str().find(c.says), std::string::npos) << c.name << ": " << err.str();
    }
}

TEST_F(InputRun, AGigabyteRecordingIsStreamedInLittleMemory) {
    const fs::path big = root / "big.wav";
    const std::string none;
    std::ofstream(big, std::ios::binary) << apptest::riffWave(apptest::kPcmFormat, &none);
    // A data chunk of 1 GiB of silence, as a sparse file.
    const std::uint32_t gib = 1u << 30;
    {
        std::fstream f(big, std::ios::binary | std::ios::in | std::ios::out);
        for (std::streamoff at : {std::streamoff(4), std::streamoff(40)}) {
            const std::uint32_t size = at == 4 ? gib + 36 : gib;
            f.seekp(at);
            for (int i = 0; i < 4; ++i)
                f.put(static_cast<char>((size >> (8 * i)) & 0xFF));
        }
    }
    fs::resize_file(big, 44 + std::uintmax_t{gib});
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    app::HeadlessOptions options;
    options.dataDir = (root / "data").string();
    options.inputWav = big.string();
    options.runSeconds = 3;
    std::ostringstream out, err;
    EXPECT_EQ(app::runHeadless(options, out, err), 0) << err.str();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kB more at the peak";
}

} // namespace

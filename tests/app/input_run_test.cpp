// The runner measuring a recording: a generated 1 kHz tone at -6 dBFS with
// its third harmonic at -46 dBFS, fed with --input, readouts printed per
// block and checked against a computation of their formulas made here
// directly from the file's frames (a plain DFT instead of the transform).

#include "app/headless.h"
#include "common/text.h"
#include "expected_readings.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "platform/wav_pcm16.h"

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

// The readings of one block, from their formulas.
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

class InputRun : public ::testing::Test {
protected:
    void SetUp() override {
        // One directory per test: ctest runs the cases of this fixture in parallel.
        root = fs::temp_directory_path() /
               ("arv1-input-run-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root);
        ASSERT_TRUE(platform::writeWavPcm16(root / "tone.wav", wav));
    }
    void TearDown() override { fs::remove_all(root); }

    // A panel with the five readouts on: frequency, V, dBr, THD, power.
    void writePanel() {
        platform::VirtualEventLoop loop;
        platform::ScriptedDialogs dialogs;
        panel::Panel p(loop, dialogs);
        const char* modes[] = {"Frequency", "Level", "Level", "THD", "Power"};
        const char* units[] = {"Hz", "V", "dBr", "%", "W"};
        for (int slot = 1; slot <= 5; ++slot) {
            const std::string s = std::to_string(slot);
            p.controls()["Readoutmd" + s].setText(modes[slot - 1]);
            p.controls()["Readoutun" + s].setText(units[slot - 1]);
            p.controls()["Readoutch" + s].setValue(0);
            p.settings.readouts[static_cast<std::size_t>(slot - 1)].on = 1;
        }
        p.testPanelPath = (root / "P.atp").string();
        p.WritePanelFile();
    }

    platform::WavPcm16 wav = testTone();
    fs::path root;
};

TEST_F(InputRun, ReadoutsFollowTheFormulasBlockByBlock) {
    writePanel();
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

// A RIFF WAVE file of a format chunk body and data bytes.
std::string riffWave(const std::string& format, const std::string& data) {
    auto u32 = [](std::size_t v) {
        std::string b;
        for (int i = 0; i < 4; ++i)
            b += static_cast<char>((v >> (8 * i)) & 0xFF);
        return b;
    };
    const std::string body =
        "WAVEfmt " + u32(format.size()) + format + "data" + u32(data.size()) + data;
    return "RIFF" + u32(body.size()) + body;
}

// 44100 Hz, 16-bit stereo: plain PCM, or the extensible layout holding PCM.
const std::string kPcmFormat("\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0", 16);
const std::string kExtensibleFormat =
    std::string("\xfe\xff", 2) + kPcmFormat.substr(2) + std::string("\x16\0\x10\0\x03\0\0\0", 8) +
    std::string("\x01\0\0\0\0\0\x10\0\x80\0\0\xaa\0\x38\x9b\x71", 16);

// What --input is given, and what the runner makes of it: anything but a
// regular 16-bit stereo PCM file is refused before the run, with its reason.
TEST_F(InputRun, InputsThatAreNoRecordingAreRefusedWithTheirReason) {
    std::string tone;
    for (std::size_t i = 0; i < wav.samples.size(); ++i)
        tone += std::string{static_cast<char>(wav.samples[i] & 0xFF),
                            static_cast<char>((wav.samples[i] >> 8) & 0xFF)};
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
         riffWave(std::string("\x01\0\x01\0\x44\xac\0\0\x44\xac\0\0\x01\0\x08\0", 16), "\x80\x80"),
         2, "mono8.wav: not 16-bit stereo PCM"},
        {"nodata.wav", riffWave(kPcmFormat, "").substr(0, 36), 2, "nodata.wav: no data chunk"},
        {"extensible.wav", riffWave(kExtensibleFormat, tone), 0, ""},
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
    std::ofstream(big, std::ios::binary) << riffWave(kPcmFormat, "");
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

TEST(InputRunArgs, RunInputAndReadoutsOptions) {
    const auto ok =
        app::parseArgs({"--headless", "--input", "t.wav", "--run", "2.5", "--readouts"});
    ASSERT_TRUE(ok.error.empty()) << ok.error;
    EXPECT_EQ(ok.options.inputWav, "t.wav");
    EXPECT_EQ(ok.options.runSeconds, 2.5);
    EXPECT_TRUE(ok.options.readouts);
    EXPECT_EQ(app::parseArgs({"--headless", "--run", "soon"}).error,
              "--run needs a number of seconds");
    EXPECT_EQ(app::parseArgs({"--headless", "--run", "1", "--run", "2"}).error,
              "--run given twice");
    // Up to a year, for --run and --timeout alike.
    EXPECT_EQ(app::parseArgs({"--headless", "--run", "31536000"}).options.runSeconds, 31536000);
    EXPECT_EQ(app::parseArgs({"--headless", "--run", "2147484"}).options.runSeconds, 2147484);
    EXPECT_EQ(app::parseArgs({"--headless", "--run", "31536001"}).error,
              "--run 31536001: at most a year (31536000 seconds)");
    EXPECT_EQ(app::parseArgs({"--headless", "--sequence", "s.dfs", "--timeout", "4e7"}).error,
              "--timeout needs a number of seconds above 0");
    EXPECT_EQ(app::parseArgs({"--headless", "--sequence", "s.dfs", "--timeout", "99999999"}).error,
              "--timeout 99999999: at most a year (31536000 seconds)");
    EXPECT_FALSE(app::parseArgs({"--input", "t.wav"}).error.empty()); // needs --headless
}

} // namespace

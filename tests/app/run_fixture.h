#pragma once
// What the end-to-end tests share: a fresh directory per test, the files
// they read results from, and the test panels and WAV files they feed in.

#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace apptest {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The lines of a CR LF text; a last line without its line break is kept.
inline std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// A directory of its own for each test (ctest runs the cases in parallel),
// with an empty data directory in it.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("arv1-") + info->test_suite_name() + "-" + info->name();
        std::replace(name.begin(), name.end(), '/', '-');
        root = fs::temp_directory_path() / name;
        fs::remove_all(root);
        fs::create_directories(root / "data");
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
};

// Writes a test panel with the five readouts of the left channel on
// (frequency, V, dBr, THD, power), after `more` has changed it.
inline void writeReadoutsPanel(const fs::path& path,
                               const std::function<void(panel::Panel&)>& more = {}) {
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
    if (more) more(p);
    p.testPanelPath = path.string();
    p.WritePanelFile();
}

// A RIFF WAVE file of a format chunk body and data bytes (no data chunk
// when `data` is absent).
inline std::string riffWave(const std::string& format, const std::string* data) {
    auto u32 = [](std::size_t v) {
        std::string b;
        for (int i = 0; i < 4; ++i)
            b += static_cast<char>((v >> (8 * i)) & 0xFF);
        return b;
    };
    std::string body = "WAVEfmt " + u32(format.size()) + format;
    if (data) body += "data" + u32(data->size()) + *data;
    return "RIFF" + u32(body.size()) + body;
}

// 44100 Hz, 16-bit stereo: plain PCM, or the extensible layout holding PCM.
inline const std::string kPcmFormat("\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0", 16);
inline const std::string kExtensibleFormat =
    std::string("\xfe\xff", 2) + kPcmFormat.substr(2) + std::string("\x16\0\x10\0\x03\0\0\0", 8) +
    std::string("\x01\0\0\0\0\0\x10\0\x80\0\0\xaa\0\x38\x9b\x71", 16);

// Little-endian bytes of interleaved 16-bit samples.
inline std::string pcmBytes(const std::vector<std::int16_t>& samples) {
    std::string bytes;
    for (const std::int16_t s : samples)
        bytes += std::string{static_cast<char>(s & 0xFF), static_cast<char>((s >> 8) & 0xFF)};
    return bytes;
}

} // namespace apptest

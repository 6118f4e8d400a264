#pragma once
// Reading and writing plain RIFF WAVE files of 16-bit stereo PCM, the only
// kind the simulated input plays and the test fixtures use. Other chunks are
// skipped; anything that is not 16-bit stereo PCM is refused with a message.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

struct WavPcm16 {
    std::int32_t sampleRate = 0;
    std::vector<std::int16_t> samples; // interleaved left, right
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
};

struct WavReadResult {
    bool ok = false;
    std::string error; // why the file was refused, when !ok
    WavPcm16 wav;
};

// Reads a real path (not mapped). A file without frames is refused.
WavReadResult readWavPcm16(const std::filesystem::path& path);

// Writes a 44-byte-header file; returns false when the file cannot be written.
bool writeWavPcm16(const std::filesystem::path& path, const WavPcm16& wav);

} // namespace platform

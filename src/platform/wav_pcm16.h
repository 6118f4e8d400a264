#pragma once
// Reading and writing plain RIFF WAVE files of 16-bit stereo PCM, the only
// kind the simulated input plays and the test fixtures use (the extensible
// layout holding 16-bit PCM included). Other chunks are skipped; anything
// that is not 16-bit stereo PCM is refused with a message.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace platform {

// The format tag of a format chunk of `size` bytes, with the extensible
// layout (0xFFFE) whose sub-format is PCM read as PCM (1).
std::uint16_t wavFormatTag(const unsigned char* formatChunk, std::size_t size);

struct WavPcm16 {
    std::int32_t sampleRate = 0;
    std::vector<std::int16_t> samples; // interleaved left, right
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size() / 2); }
};

// Where a file's frames are: only the chunk headers are read, so a file of
// any size opens in constant memory.
struct WavPcm16Layout {
    std::int32_t sampleRate = 0;
    std::int64_t dataOffset = 0; // of the first frame
    std::int64_t frames = 0;     // whole frames present in the file
};

struct WavLayoutResult {
    bool ok = false;
    std::string error; // why the file was refused, when !ok
    WavPcm16Layout layout;
};

// Reads a real path (not mapped). Anything but a regular file (a directory,
// a device, a pipe) and a file without frames are refused.
WavLayoutResult readWavPcm16Layout(const std::filesystem::path& path);

struct WavReadResult {
    bool ok = false;
    std::string error;
    WavPcm16 wav;
};

// The whole file in memory.
WavReadResult readWavPcm16(const std::filesystem::path& path);

// Writes a 44-byte-header file; returns false when the file cannot be written.
bool writeWavPcm16(const std::filesystem::path& path, const WavPcm16& wav);

// Reads frames of a file laid out as `layout` on demand, from a position
// that wraps around at the end: a recording of any length in constant memory.
class WavPcm16Stream {
public:
    WavPcm16Stream(const std::filesystem::path& path, const WavPcm16Layout& layout);
    const WavPcm16Layout& layout() const { return layout_; }
    // Frames firstFrame .. firstFrame + count - 1 (modulo the file's frames)
    // into out, interleaved; a read error gives silence.
    void read(std::int64_t firstFrame, std::int16_t* out, int count);

private:
    std::ifstream file_;
    WavPcm16Layout layout_;
    std::vector<char> bytes_;
};

} // namespace platform

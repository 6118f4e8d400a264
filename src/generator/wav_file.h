#pragma once
// The generator's WAV files: the canonical 44-byte header it writes in front
// of 16-bit stereo PCM data, and the reader that checks a file before it is
// played and finds its format record and data chunk. The reader accepts any
// format; whether it plays is the output device's decision. A file in the
// extensible layout whose sub-format is PCM gets the PCM format tag.
//
// Thread: the instrument's thread only.

#include "platform/audio_output.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

namespace generator {

inline constexpr std::size_t kWavHeaderBytes = 44;

// The 44-byte header: "RIFF", data size + 36, "WAVE", a 16-byte PCM format
// chunk of 2 channels, 16 bits and block align 4 with the given sample-rate
// and byte-rate fields, then the "data" chunk header.
std::string wavHeader(std::uint32_t sampleRateField, std::uint32_t byteRate,
                      std::uint32_t dataSize);

// The messages of a refused file, in the order the checks are made.
namespace wav_message {
inline constexpr std::string_view OpenFailed = "Error opening input file, rc = ";
inline constexpr std::string_view NotWave = "This is not a wave file";
inline constexpr std::string_view NoFormat = "Couldn't get the format chunk";
inline constexpr std::string_view FormatRead = "Error reading the wave format";
inline constexpr std::string_view NoData = "Couldn't get data chunk";
} // namespace wav_message

// Codes reported by a failed open (the classic multimedia file numbers).
namespace wav_open_error {
inline constexpr int FileNotFound = 257;
inline constexpr int CannotOpen = 259;
} // namespace wav_open_error

// An open WAV file positioned for streaming its data chunk.
class WavPlaybackFile {
public:
    // Opens the file (a program path, mapped) and runs the checks. On failure
    // the file is left closed and the message for the operator is returned.
    // Sizes declared beyond the end of the file are clamped to the file; a
    // format chunk longer than 50 bytes is read up to 50 bytes and the rest
    // skipped; a data chunk with no byte in the file counts as missing.
    std::optional<std::string> open(std::string_view programPath);
    void close();
    bool isOpen() const { return stream_.is_open(); }

    // The first 18 bytes of the format chunk.
    const platform::PlaybackFormat& format() const { return format_; }
    std::int64_t dataStart() const { return dataStart_; }
    std::int64_t dataSize() const { return dataSize_; }

    // Byte position in the file; -1 when closed.
    std::int64_t position();
    bool seek(std::int64_t offset);
    // Reads up to `bytes` bytes; returns the count read (0 at the end or on
    // an error).
    std::size_t read(std::uint8_t* out, std::size_t bytes);

private:
    std::ifstream stream_;
    platform::PlaybackFormat format_;
    std::int64_t fileSize_ = 0;
    std::int64_t dataStart_ = 0;
    std::int64_t dataSize_ = 0;
};

// The format record read from the first bytes of a format chunk (missing
// bytes read as zero).
platform::PlaybackFormat formatFromBytes(const std::array<std::uint8_t, 18>& bytes);

} // namespace generator

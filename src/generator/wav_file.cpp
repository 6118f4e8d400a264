#include "generator/wav_file.h"

#include "platform/files.h"
#include "platform/wav_pcm16.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace generator {

namespace {

void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void putU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t getU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

struct ChunkHeader {
    char id[4];
    std::uint32_t size;
    bool is(const char* name) const { return std::memcmp(id, name, 4) == 0; }
};

// The offset just past a chunk that starts at `pos`, with its pad byte.
std::int64_t chunkEnd(std::int64_t pos, const ChunkHeader& chunk) {
    return pos + 8 + static_cast<std::int64_t>(chunk.size) + (chunk.size & 1);
}

} // namespace

std::string wavHeader(std::uint32_t sampleRateField, std::uint32_t byteRate,
                      std::uint32_t dataSize) {
    std::string h;
    h.reserve(kWavHeaderBytes);
    h += "RIFF";
    putU32(h, dataSize + 36);
    h += "WAVE";
    h += "fmt ";
    putU32(h, 16);
    putU16(h, 1); // PCM
    putU16(h, 2);
    putU32(h, sampleRateField);
    putU32(h, byteRate);
    putU16(h, 4);
    putU16(h, 16);
    h += "data";
    putU32(h, dataSize);
    return h;
}

platform::PlaybackFormat formatFromBytes(const std::array<std::uint8_t, 18>& b) {
    platform::PlaybackFormat f;
    f.formatTag = getU16(&b[0]);
    f.channels = getU16(&b[2]);
    f.samplesPerSecond = getU32(&b[4]);
    f.avgBytesPerSecond = getU32(&b[8]);
    f.blockAlign = getU16(&b[12]);
    f.bitsPerSample = getU16(&b[14]);
    f.extraSize = getU16(&b[16]);
    return f;
}

std::optional<std::string> WavPlaybackFile::open(std::string_view programPath) {
    close();
    const std::filesystem::path path = platform::mapPath(programPath);
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (exists && std::filesystem::is_regular_file(path, ec)) stream_.open(path, std::ios::binary);
    if (!stream_.is_open()) {
        const int rc = exists ? wav_open_error::CannotOpen : wav_open_error::FileNotFound;
        return std::string(wav_message::OpenFailed) + std::to_string(rc);
    }
    stream_.seekg(0, std::ios::end);
    fileSize_ = static_cast<std::int64_t>(stream_.tellg());
    if (fileSize_ < 0) fileSize_ = 0;

    auto fail = [this](std::string_view message) {
        close();
        return std::optional<std::string>(message);
    };
    auto readAt = [this](std::int64_t pos, void* out, std::size_t bytes) {
        if (pos < 0 || pos + static_cast<std::int64_t>(bytes) > fileSize_) return false;
        stream_.clear();
        stream_.seekg(pos);
        stream_.read(static_cast<char*>(out), static_cast<std::streamsize>(bytes));
        return static_cast<std::size_t>(stream_.gcount()) == bytes;
    };
    auto headerAt = [&](std::int64_t pos) -> std::optional<ChunkHeader> {
        std::uint8_t raw[8];
        if (!readAt(pos, raw, 8)) return std::nullopt;
        ChunkHeader chunk;
        std::memcpy(chunk.id, raw, 4);
        chunk.size = getU32(raw + 4);
        return chunk;
    };
    // Looks for a chunk `id` among the chunks from `pos` up to `end`.
    auto find = [&](std::int64_t pos, std::int64_t end,
                    const char* id) -> std::optional<std::pair<std::int64_t, ChunkHeader>> {
        while (pos + 8 <= end) {
            const auto chunk = headerAt(pos);
            if (!chunk) return std::nullopt;
            if (chunk->is(id)) return std::pair{pos, *chunk};
            pos = chunkEnd(pos, *chunk);
        }
        return std::nullopt;
    };

    // The RIFF form of type "WAVE" among the file's top-level chunks.
    std::int64_t riffPos = 0;
    std::int64_t riffEnd = 0;
    for (;;) {
        const auto riff = find(riffPos, fileSize_, "RIFF");
        if (!riff) return fail(wav_message::NotWave);
        char form[4];
        if (readAt(riff->first + 8, form, 4) && std::memcmp(form, "WAVE", 4) == 0) {
            riffPos = riff->first;
            riffEnd =
                std::min(riffPos + 8 + static_cast<std::int64_t>(riff->second.size), fileSize_);
            break;
        }
        riffPos = chunkEnd(riff->first, riff->second);
    }

    const auto fmt = find(riffPos + 12, riffEnd, "fmt ");
    if (!fmt) return fail(wav_message::NoFormat);
    std::array<std::uint8_t, 50> formatBytes{};
    const std::size_t wanted = std::min<std::size_t>(fmt->second.size, formatBytes.size());
    if (!readAt(fmt->first + 8, formatBytes.data(), wanted)) return fail(wav_message::FormatRead);
    std::array<std::uint8_t, 18> record{};
    std::copy_n(formatBytes.begin(), record.size(), record.begin());
    format_ = formatFromBytes(record);
    // The extensible layout holding PCM plays as the PCM it is.
    format_.formatTag = platform::wavFormatTag(formatBytes.data(), wanted);

    const auto data = find(chunkEnd(fmt->first, fmt->second), riffEnd, "data");
    if (!data) return fail(wav_message::NoData);
    dataStart_ = data->first + 8;
    dataSize_ = std::min(static_cast<std::int64_t>(data->second.size), fileSize_ - dataStart_);
    if (dataSize_ <= 0) return fail(wav_message::NoData);
    seek(dataStart_);
    return std::nullopt;
}

void WavPlaybackFile::close() {
    if (stream_.is_open()) stream_.close();
    stream_.clear();
    fileSize_ = dataStart_ = dataSize_ = 0;
}

std::int64_t WavPlaybackFile::position() {
    if (!isOpen()) return -1;
    return static_cast<std::int64_t>(stream_.tellg());
}

bool WavPlaybackFile::seek(std::int64_t offset) {
    if (!isOpen() || offset < 0) return false;
    stream_.clear();
    stream_.seekg(offset);
    return static_cast<bool>(stream_);
}

std::size_t WavPlaybackFile::read(std::uint8_t* out, std::size_t bytes) {
    if (!isOpen() || bytes == 0) return 0;
    stream_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(bytes));
    const auto count = static_cast<std::size_t>(stream_.gcount());
    if (!stream_) {
        // Keep the position usable after a short read at the end.
        stream_.clear();
    }
    return count;
}

} // namespace generator

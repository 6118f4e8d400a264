#include "platform/wav_pcm16.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

WavReadResult refuse(std::string why) {
    WavReadResult r;
    r.error = std::move(why);
    return r;
}

} // namespace

WavReadResult readWavPcm16(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return refuse("cannot open " + path.string());
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t size = bytes.size();
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        return refuse("not a RIFF WAVE file");

    bool haveFormat = false;
    WavReadResult result;
    std::size_t pos = 12;
    while (pos + 8 <= size) {
        const std::uint32_t chunkSize = le32(p + pos + 4);
        const std::size_t body = pos + 8;
        const std::size_t available = size - body;
        if (std::memcmp(p + pos, "fmt ", 4) == 0) {
            if (chunkSize < 16 || available < 16) return refuse("format chunk too short");
            const std::uint16_t tag = le16(p + body);
            const std::uint16_t channels = le16(p + body + 2);
            const std::uint32_t rate = le32(p + body + 4);
            const std::uint16_t bits = le16(p + body + 14);
            if (tag != 1 || channels != 2 || bits != 16) return refuse("not 16-bit stereo PCM");
            if (rate == 0 || rate > 1000000) return refuse("bad sample rate");
            result.wav.sampleRate = static_cast<std::int32_t>(rate);
            haveFormat = true;
        } else if (std::memcmp(p + pos, "data", 4) == 0) {
            if (!haveFormat) return refuse("data chunk before the format chunk");
            // A truncated file keeps the whole frames that are there.
            const std::size_t dataBytes = std::min<std::size_t>(chunkSize, available) / 4 * 4;
            if (dataBytes == 0) return refuse("no sample frames");
            result.wav.samples.resize(dataBytes / 2);
            for (std::size_t i = 0; i < dataBytes / 2; ++i)
                result.wav.samples[i] = static_cast<std::int16_t>(le16(p + body + 2 * i));
            result.ok = true;
            return result;
        }
        pos = body + chunkSize + (chunkSize & 1);
    }
    return refuse(haveFormat ? "no data chunk" : "no format chunk");
}

bool writeWavPcm16(const std::filesystem::path& path, const WavPcm16& wav) {
    const auto dataBytes = static_cast<std::uint32_t>(wav.samples.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);
    put16(out, 2);
    put32(out, static_cast<std::uint32_t>(wav.sampleRate));
    put32(out, static_cast<std::uint32_t>(wav.sampleRate) * 4);
    put16(out, 4);
    put16(out, 16);
    out += "data";
    put32(out, dataBytes);
    for (std::int16_t s : wav.samples)
        put16(out, static_cast<std::uint16_t>(s));
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

} // namespace platform

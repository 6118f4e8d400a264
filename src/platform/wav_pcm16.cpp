#include "platform/wav_pcm16.h"

#include <algorithm>
#include <array>
#include <cstring>

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

WavLayoutResult refuse(std::string why) {
    WavLayoutResult r;
    r.error = std::move(why);
    return r;
}

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kExtensible = 0xFFFE;
// The PCM sub-format of the extensible layout (KSDATAFORMAT_SUBTYPE_PCM).
constexpr unsigned char kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

std::uint16_t wavFormatTag(const unsigned char* formatChunk, std::size_t size) {
    if (size < 2) return 0;
    const std::uint16_t tag = le16(formatChunk);
    if (tag == kExtensible && size >= 40 && std::memcmp(formatChunk + 24, kPcmSubFormat, 16) == 0)
        return kPcm;
    return tag;
}

WavLayoutResult readWavPcm16Layout(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return refuse(std::filesystem::exists(path, ec) ? "not a regular file" : "no such file");
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(path, ec));
    std::ifstream in(path, std::ios::binary);
    if (!in || ec) return refuse("cannot open " + path.string());
    auto readAt = [&](std::int64_t pos, unsigned char* out, std::size_t bytes) {
        if (pos < 0 || pos + static_cast<std::int64_t>(bytes) > size) return false;
        in.clear();
        in.seekg(pos);
        in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(bytes));
        return static_cast<std::size_t>(in.gcount()) == bytes;
    };

    unsigned char riff[12];
    if (!readAt(0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return refuse("not a RIFF WAVE file");

    bool haveFormat = false;
    WavLayoutResult result;
    std::int64_t pos = 12;
    unsigned char header[8];
    while (readAt(pos, header, 8)) {
        const std::uint32_t chunkSize = le32(header + 4);
        const std::int64_t body = pos + 8;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            std::array<unsigned char, 40> fmt{};
            const std::size_t fmtBytes = std::min<std::size_t>(chunkSize, fmt.size());
            if (chunkSize < 16 || !readAt(body, fmt.data(), fmtBytes))
                return refuse("format chunk too short");
            const std::uint16_t tag = wavFormatTag(fmt.data(), fmtBytes);
            const std::uint16_t channels = le16(&fmt[2]);
            const std::uint32_t rate = le32(&fmt[4]);
            const std::uint16_t bits = le16(&fmt[14]);
            if (tag != kPcm || channels != 2 || bits != 16) return refuse("not 16-bit stereo PCM");
            if (rate == 0 || rate > 1000000) return refuse("bad sample rate");
            result.layout.sampleRate = static_cast<std::int32_t>(rate);
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat) return refuse("data chunk before the format chunk");
            // A truncated file keeps the whole frames that are there.
            const std::int64_t bytes = std::min<std::int64_t>(chunkSize, size - body);
            result.layout.dataOffset = body;
            result.layout.frames = bytes / 4;
            if (result.layout.frames == 0) return refuse("no sample frames");
            result.ok = true;
            return result;
        }
        pos = body + chunkSize + (chunkSize & 1);
    }
    return refuse(haveFormat ? "no data chunk" : "no format chunk");
}

WavReadResult readWavPcm16(const std::filesystem::path& path) {
    WavReadResult result;
    const WavLayoutResult layout = readWavPcm16Layout(path);
    if (!layout.ok) {
        result.error = layout.error;
        return result;
    }
    WavPcm16Stream stream(path, layout.layout);
    result.wav.sampleRate = layout.layout.sampleRate;
    result.wav.samples.resize(static_cast<std::size_t>(2 * layout.layout.frames));
    stream.read(0, result.wav.samples.data(), static_cast<int>(layout.layout.frames));
    result.ok = true;
    return result;
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

WavPcm16Stream::WavPcm16Stream(const std::filesystem::path& path, const WavPcm16Layout& layout)
    : file_(path, std::ios::binary), layout_(layout) {}

void WavPcm16Stream::read(std::int64_t firstFrame, std::int16_t* out, int count) {
    const std::int64_t frames = layout_.frames;
    std::fill(out, out + 2 * static_cast<std::ptrdiff_t>(count), std::int16_t{0});
    if (frames <= 0 || count <= 0) return;
    std::int64_t pos = firstFrame % frames;
    int done = 0;
    while (done < count) {
        const int run = static_cast<int>(std::min<std::int64_t>(count - done, frames - pos));
        bytes_.resize(static_cast<std::size_t>(run) * 4);
        file_.clear();
        file_.seekg(layout_.dataOffset + 4 * pos);
        file_.read(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
        const auto got = static_cast<int>(file_.gcount() / 2);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data());
        for (int i = 0; i < got; ++i)
            out[2 * done + i] = static_cast<std::int16_t>(le16(p + 2 * i));
        done += run;
        pos = 0;
    }
}

} // namespace platform

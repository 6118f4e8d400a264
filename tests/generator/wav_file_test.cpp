// The reader's checks: the five messages in the order of the checks, and the
// format record and data location of files it accepts.

#include "gen_fixture.h"
#include "generator/wav_file.h"

namespace {

std::string le32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    return s;
}
std::string chunk(const std::string& id, const std::string& body) {
    return id + le32(static_cast<std::uint32_t>(body.size())) + body;
}
// A PCM format chunk body: tag 1, channels, rate, byte rate, align, bits.
std::string fmtBody(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    std::string b;
    b += std::string("\x01\x00", 2);
    b += static_cast<char>(channels);
    b += '\0';
    b += le32(rate) + le32(rate * align);
    b += static_cast<char>(align);
    b += '\0';
    b += static_cast<char>(bits);
    b += '\0';
    return b;
}
std::string riff(const std::string& body) {
    return chunk("RIFF", "WAVE" + body);
}
// A RIFF form that declares 4 GB.
std::string hugeRiff(const std::string& body) {
    return "RIFF" + le32(0xFFFFFFFF) + "WAVE" + body;
}

class WavReader : public DataDirTest {
protected:
    std::optional<std::string> open(const std::string& bytes) {
        spit(dir / "t.wav", bytes);
        return file.open("c:\\QEX_ARV1files\\t.wav");
    }
    generator::WavPlaybackFile file;
};

struct BrokenCase {
    const char* name;
    std::string bytes;
    std::string message;
};

class BrokenWav : public WavReader, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenWav, IsRefusedWithItsMessage) {
    const auto message = open(GetParam().bytes);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(*message, GetParam().message);
    EXPECT_FALSE(file.isOpen());
}

const std::string kPcm = chunk("fmt ", fmtBody(2, 44100, 16));
const std::string kGood = riff(kPcm + chunk("data", std::string(400, '\x01')));

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenWav,
    ::testing::Values(
        BrokenCase{"Text", "This is plain text, not audio at all.\r\n", "This is not a wave file"},
        BrokenCase{"Empty", "", "This is not a wave file"},
        BrokenCase{"OtherForm", chunk("RIFF", "AVI " + kPcm), "This is not a wave file"},
        BrokenCase{"NoFormat", riff(chunk("data", "abcd")), "Couldn't get the format chunk"},
        BrokenCase{"FormatCutShort", kGood.substr(0, 30), "Error reading the wave format"},
        BrokenCase{"NoData", riff(kPcm + chunk("LIST", "info")), "Couldn't get data chunk"},
        BrokenCase{"HeaderCutInData", kGood.substr(0, 40), "Couldn't get data chunk"},
        BrokenCase{"DataBeforeFormat", riff(chunk("data", "abcd") + kPcm),
                   "Couldn't get data chunk"},
        BrokenCase{"FourGigabytesOfNothing", hugeRiff(kPcm + "data" + le32(0xFFFFFFFF)),
                   "Couldn't get data chunk"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WavReader, MissingFileReportsTheOpenCode) {
    EXPECT_EQ(file.open("c:\\QEX_ARV1files\\none.wav"), "Error opening input file, rc = 257");
    fs::create_directories(dir / "folder.wav");
    EXPECT_EQ(file.open("c:\\QEX_ARV1files\\folder.wav"), "Error opening input file, rc = 259");
}

TEST_F(WavReader, FormatRecordAndDataLocation) {
    ASSERT_EQ(open(kGood), std::nullopt);
    const platform::PlaybackFormat pcm{1, 2, 44100, 176400, 4, 16, 0};
    EXPECT_EQ(file.format(), pcm);
    EXPECT_EQ(file.dataStart(), 44);
    EXPECT_EQ(file.dataSize(), 400);
    EXPECT_EQ(file.position(), 44);

    // Mono 8-bit after an odd-sized chunk (padded); a format chunk of 80
    // bytes is read up to 50 and skipped.
    std::string longFormat =
        fmtBody(1, 8000, 8) + std::string("\x16\x00", 2) + std::string(62, 'x');
    const std::string other = riff(chunk("LIST", "odd") + std::string(1, '\0') +
                                   chunk("fmt ", longFormat) + chunk("data", "xyz"));
    ASSERT_EQ(open(other), std::nullopt);
    const platform::PlaybackFormat mono{1, 1, 8000, 8000, 1, 8, 22};
    EXPECT_EQ(file.format(), mono);
    EXPECT_EQ(file.dataSize(), 3);
    EXPECT_EQ(file.dataStart(), static_cast<std::int64_t>(other.size()) - 3);

    EXPECT_TRUE(open("junk").has_value()); // the previous file is closed
    EXPECT_EQ(file.position(), -1);
}

TEST_F(WavReader, DeclaredSizesBeyondTheFileAreClamped) {
    ASSERT_EQ(open(hugeRiff(kPcm + "data" + le32(0xFFFFFFF0) + std::string(100, '\x02'))),
              std::nullopt);
    EXPECT_EQ(file.dataSize(), 100);
    std::uint8_t buf[200];
    EXPECT_EQ(file.read(buf, sizeof buf), 100u);
    EXPECT_EQ(file.read(buf, sizeof buf), 0u);
    EXPECT_TRUE(file.seek(file.dataStart()));
    EXPECT_EQ(file.read(buf, 10), 10u);
}

} // namespace

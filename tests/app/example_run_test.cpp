// The shipped amplifier acceptance test, end to end through the headless
// runner against the simulated amplifier: a good one passes, one with a
// high-pass corner at 80 Hz fails its limit curve; and the failing one never
// passes when a file is damaged, the amplifier is dead or the run is cut
// short: each of those exits with its own code and says why on stderr.

#include "app/headless.h"
#include "platform/files.h"
#include "run_fixture.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ExampleRun : public apptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        work = root / "data";
        const fs::path examples = fs::path(ARV1_SOURCE_DIR) / "examples" / "amplifier";
        for (const char* name : {"amp-acceptance.atp", "amp-limits.dfl", "amp-acceptance.dfs"})
            fs::copy_file(examples / name, work / name);
    }

    app::HeadlessOptions options(const std::string& dut) {
        app::HeadlessOptions o;
        o.dataDir = work.string();
        o.dut = dut;
        o.panelFile = (work / "amp-acceptance.atp").string();
        o.sequence = (work / "amp-acceptance.dfs").string();
        o.timeoutSeconds = 120;
        return o;
    }
    int run(const std::string& dut) {
        app::HeadlessOptions o = options(dut);
        o.saveGraph = (work / "amp-sweep.png").string();
        o.report = (work / "amp-report.pdf").string();
        o.exportCsv = (work / "amp-sweep.csv").string();
        const int code = app::runHeadless(o, out, err);
        EXPECT_EQ(out.str(), "Status - OK\n") << err.str();
        return code;
    }
    // The lines of a file of the example, to damage and put back (CR LF).
    std::vector<std::string> lines(const std::string& name) {
        return split(apptest::slurp(work / name));
    }
    void put(const std::string& name, const std::vector<std::string>& lines) {
        std::ofstream file(work / name, std::ios::binary);
        for (const auto& line : lines)
            file << line << "\r\n";
    }
    // The lines of a CR LF file (a sequence may have LF alone).
    static std::vector<std::string> split(const std::string& text) {
        const std::string eol = text.find('\n') == text.find("\r\n") + 1 ? "\r\n" : "\n";
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t at; (at = text.find(eol, start)) != std::string::npos;
             start = at + eol.size())
            lines.push_back(text.substr(start, at - start));
        EXPECT_EQ(start, text.size()) << "the file ends with a line break";
        return lines;
    }
    std::vector<std::string> log() { return lines("amp-acceptance.log"); }

    // The sweep file read back by a strict RFC 4180 reader: fields separated
    // by commas, records ended by CR LF, quoted fields with doubled quotes.
    std::vector<std::vector<std::string>> csv() {
        const std::string text = apptest::slurp(work / "amp-sweep.csv");
        std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
        for (std::size_t i = 0; i < text.size(); ++i) {
            std::string& field = records.back().back();
            if (text[i] == '"' && field.empty()) {
                for (++i; i < text.size() && !(text[i] == '"' && text[i + 1] != '"'); ++i)
                    field += text[i] == '"' ? text[++i] : text[i];
                EXPECT_LT(i, text.size()) << "an unterminated quote";
            } else if (text[i] == ',') {
                records.back().emplace_back();
            } else if (text.compare(i, 2, "\r\n") == 0) {
                records.emplace_back(1);
                ++i;
            } else {
                EXPECT_TRUE(text[i] != '"' && text[i] != '\r' && text[i] != '\n') << i;
                field += text[i];
            }
        }
        EXPECT_EQ(records.back(), std::vector<std::string>(1)) << "the file ends with CR LF";
        records.pop_back();
        return records;
    }
    // The report's text as pdftotext reads it; nothing without poppler-utils.
    std::optional<std::string> reportText() {
        const fs::path text = work / "report.txt";
        const std::string command = "pdftotext '" + (work / "amp-report.pdf").string() + "' '" +
                                    text.string() + "' 2> /dev/null";
        if (std::system(command.c_str()) != 0) return std::nullopt;
        return apptest::slurp(text);
    }

    fs::path work;
    std::ostringstream out, err;
};

TEST_F(ExampleRun, GoodAmplifierPasses) {
    ASSERT_EQ(run("amplifier"), 0);
    const auto lines = log();
    ASSERT_EQ(lines.size(), 1u + 20 + 1 + 1 + 1 + 1 + 1 + 20 + 1);
    // The sweep table: header, then frequency ",    " left ",     " right.
    EXPECT_EQ(lines[0], "Frequency, L Level, R Level");
    const std::regex row(R"(^[0-9.]+,    -?[0-9.]+,     -?[0-9.]+$)");
    for (int i = 1; i <= 20; ++i)
        EXPECT_TRUE(std::regex_match(lines[static_cast<std::size_t>(i)], row)) << lines[i];
    EXPECT_EQ(lines[1].substr(0, 4), "20, ");
    EXPECT_EQ(lines[20].substr(0, 7), "20000, ");
    // Every level within the +/-1 dB limits.
    for (int i = 1; i <= 20; ++i) {
        const std::string& l = lines[static_cast<std::size_t>(i)];
        const double left = std::stod(l.substr(l.find(",    ") + 5));
        EXPECT_LT(std::abs(left), 1.0) << l;
    }
    // Then the time stamp between empty lines, the title and the 1 kHz line.
    EXPECT_EQ(lines[21], "");
    EXPECT_TRUE(std::regex_match(lines[22], std::regex(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$)")))
        << lines[22];
    EXPECT_EQ(lines[23], "");
    EXPECT_EQ(lines[24], " Amplifier acceptance test");
    EXPECT_EQ(lines[25].rfind(" 1 kHz: 998.6 Hz, left ", 0), 0u) << lines[25];
    EXPECT_EQ(lines[26].rfind(" 20 Hz: ", 0), 0u) << lines[26];
    EXPECT_EQ(lines.back(), " RESULT: PASS");
    EXPECT_TRUE(fs::file_size(work / "amp-sweep.png") > 1000);

    // The CSV export: 20 points, each with its +/-1 dB limits, all passing.
    const auto records = csv();
    ASSERT_EQ(records.size(), 21u);
    EXPECT_EQ(records[0], (std::vector<std::string>{
                              "frequency_hz", "left_dbr", "right_dbr", "left_thd_pct",
                              "right_thd_pct", "lower_limit_dbr", "upper_limit_dbr", "result"}));
    EXPECT_EQ(records[1][0], "20");
    EXPECT_EQ(records[20][0], "20000");
    for (std::size_t i = 1; i <= 20; ++i) {
        ASSERT_EQ(records[i].size(), 8u);
        EXPECT_EQ(std::stod(records[i][5]), -1);
        EXPECT_EQ(std::stod(records[i][6]), 1);
        EXPECT_EQ(records[i][7], "PASS");
    }
    if (const auto report = reportText()) {
        EXPECT_EQ(report->find("FAIL"), std::string::npos);
    }
}

TEST_F(ExampleRun, AmplifierWithAHighPassAt80HzFailsItsLimits) {
    ASSERT_EQ(run("amplifier,hp=80"), 1);
    const auto lines = log();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " RESULT: FAIL (frequency response outside its limits)");
    EXPECT_EQ(csv()[1].back(), "FAIL");
    const auto report = reportText();
    if (!report)
        GTEST_SKIP() << "pdftotext (poppler-utils, installed by scripts/setup.sh) is missing";
    // The verdict comes before the sweep table's marks.
    EXPECT_LT(report->find("FAIL"), report->find("PASS"));
    EXPECT_LT(report->find("FAIL"), report->find("Sweep: 20 points, 1 outside the limits"));
    EXPECT_NE(report->find("outside its limits (the pass/fail lamp is red)"), std::string::npos);
    // 20 Hz lies two octaves below the corner: about 24 dB down.
    const double at20 = std::stod(lines[1].substr(lines[1].find(",    ") + 5));
    EXPECT_LT(at20, -20);
}

// A damaged file of the example, run against the failing amplifier. An edit
// that leaves the one line kRemove removes the file.
constexpr const char* kRemove = "<remove>";
struct Damage {
    const char* name;
    const char* file;
    std::function<void(std::vector<std::string>&)> edit;
    int code;
    const char* says; // on stderr
    double timeout = 120;
};

class DamagedFile : public ExampleRun, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedFile, NeverPassesAndSaysWhy) {
    const Damage& d = GetParam();
    auto content = lines(d.file);
    d.edit(content);
    if (content == std::vector<std::string>{kRemove})
        fs::remove(work / d.file);
    else
        put(d.file, content);
    app::HeadlessOptions o = options("amplifier,hp=80");
    o.timeoutSeconds = d.timeout;
    EXPECT_EQ(app::runHeadless(o, out, err), d.code) << err.str();
    EXPECT_NE(err.str().find(d.says), std::string::npos) << err.str();
    // The sequence logs only after its sweep: a script stopped before that
    // leaves no log, and no verdict in it.
    if (d.code == 2) {
        EXPECT_FALSE(fs::exists(work / "amp-acceptance.log"));
    }
}

// The sequence's line that holds `text`, replaced by `by`.
auto replacing(std::string text, std::string by) {
    return [=](std::vector<std::string>& lines) {
        for (auto& line : lines)
            if (line.find(text) != std::string::npos) line = by;
    };
}

std::string cells(int rows, int cols) {
    std::string text;
    for (int i = 0; i < rows * cols; ++i)
        text += "\"1\"\r\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Panels, DamagedFile,
    ::testing::Values(
        Damage{"LineMissing", "amp-acceptance.atp", [](auto& l) { l.erase(l.begin() + 49); }, 3,
               "amp-acceptance.atp, line 119: expected a number for a reserved real, found the "
               "end of the file"},
        Damage{"DecimalComma", "amp-acceptance.atp", [](auto& l) { l[45] = "1000,5"; }, 3,
               "line 46: expected a number for SweepStartFreq, found \"1000,5\""},
        Damage{"NumberTooLarge", "amp-acceptance.atp", [](auto& l) { l[48] = "99999"; }, 3,
               "line 49: expected a whole number from -32768 to 32767 for the step count, "
               "found \"99999\""},
        Damage{"Empty", "amp-acceptance.atp", [](auto& l) { l.clear(); }, 3,
               "line 1: expected a text for the default data directory, found the end of the "
               "file"},
        // The panel uses a reverse calibration that the data directory lacks.
        Damage{"ReverseCalibrationMissing", "amp-acceptance.atp", [](auto& l) { l[57] = "1"; }, 3,
               "arv1: no reverse calibration for sweep points 1 (20 Hz), 2 (125.2 Hz), 3 (335.5 "
               "Hz) and 17 more: C:\\QEX_ARV1files\\reversecal: File not found\n"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    LimitFiles, DamagedFile,
    ::testing::Values(
        // A byte-order mark is skipped: the limits judge, and the amplifier fails.
        Damage{"ByteOrderMark", "amp-limits.dfl", [](auto& l) { l[0] = "\xEF\xBB\xBF" + l[0]; }, 1,
               ""},
        Damage{"TooManyRows", "amp-limits.dfl",
               [](auto& l) {
                   l = {"201", "3", cells(201, 3)};
               },
               3, "amp-limits.dfl, line 1: expected the row count, 0 to 200, found \"201\""},
        Damage{"FiveColumns", "amp-limits.dfl", [](auto& l) { l[1] = "5"; }, 3,
               "line 2: expected the column count, 0 to 4, found \"5\""},
        Damage{"UnterminatedQuote", "amp-limits.dfl", [](auto& l) { l[2] = "\"20"; }, 3,
               "line 3: expected a closing quote, found \"\"20\""},
        Damage{"ExportFormat", "amp-limits.dfl", [](auto& l) { l = {"20 , -1.00 , 1.00"}; }, 3,
               "line 1: expected the column count, 0 to 4, found \"-1.00\""},
        Damage{"FewerRowsThanPoints", "amp-limits.dfl",
               [](auto& l) {
                   l = {"2", "3", cells(2, 3)};
               },
               3,
               "no limit row for sweep points 3 (335.5 Hz), 4 (650.9 Hz), 5 (1071.6 Hz) and 15 "
               "more: the limit curve c:\\QEX_ARV1files\\amp-limits.dfl has 2 rows"},
        Damage{"Missing", "amp-limits.dfl", [](auto& l) { l = {kRemove}; }, 3,
               "c:\\QEX_ARV1files\\amp-limits.dfl: File not found"}),
    [](const auto& info) { return info.param.name; });

// A time-out stops the sequence at once wherever it is: in a splash, in a
// wait while the sweep runs, in a loop that calls the instrument and never
// waits. Nothing after it runs.
INSTANTIATE_TEST_SUITE_P(
    Timeouts, DamagedFile,
    ::testing::Values(Damage{"InASplash", "amp-acceptance.dfs",
                             replacing("splash \"Measuring",
                                       "splash \"Measuring at 1 kHz\", 100000"),
                             2, "arv1: timed out after 0.5 s\n", 0.5},
                      Damage{"InAWaitForTheSweep", "amp-acceptance.dfs",
                             // Waits in a loop: a single long wait ends at once when a
                             // fast machine has finished the sweep within the limit.
                             replacing("splash \"Frequency sweep", "Do : waitfor 1 : Loop"), 2,
                             "arv1: timed out after 0.5 s\n", 0.5},
                      Damage{"InALoopOfHostCalls", "amp-acceptance.dfs",
                             replacing("    starttest", "starttest : Do : freq = readch(5) : Loop"),
                             2, "arv1: timed out after 0.5 s\n", 0.5}),
    [](const auto& info) { return info.param.name; });

// The panel plays an external WAV file at ON instead of its 1 kHz tone: a
// file the generator cannot play is refused with its message, and one in the
// extensible layout holding 16-bit PCM plays.
std::string externalWav(const std::string& format, bool withData) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 44100; ++i) {
        const auto v =
            static_cast<std::int16_t>(16000 * std::sin(2 * 3.14159265358979 * 1000 * i / 44100));
        samples.insert(samples.end(), {v, v});
    }
    const std::string tone = apptest::pcmBytes(samples);
    return apptest::riffWave(format, withData ? &tone : nullptr);
}

TEST_F(ExampleRun, ExternalWavFilesThatCannotPlayAreRefusedAndExtensiblePcmPlays) {
    const struct {
        const char* name;
        std::string bytes; // no file when empty
        int code;
        const char* says;
    } cases[] = {
        {"missing", "", 3, "Error opening input file, rc = 257"},
        {"text", "Frequency, L Level\r\n", 3, "This is not a wave file"},
        {"no data chunk", externalWav(apptest::kPcmFormat, false), 3, "Couldn't get data chunk"},
        {"extensible 16-bit PCM", externalWav(apptest::kExtensibleFormat, true), 1, ""},
    };
    auto panel = lines("amp-acceptance.atp");
    panel[72] = "\"c:\\QEX_ARV1files\\external.wav\"";
    panel[73] = "1";
    put("amp-acceptance.atp", panel);
    for (const auto& c : cases) {
        fs::remove(work / "external.wav");
        if (!c.bytes.empty()) std::ofstream(work / "external.wav", std::ios::binary) << c.bytes;
        err.str("");
        EXPECT_EQ(app::runHeadless(options("amplifier,hp=80"), out, err), c.code)
            << c.name << ": " << err.str();
        EXPECT_NE(err.str().find(c.says), std::string::npos) << c.name << ": " << err.str();
        if (!*c.says) {
            EXPECT_EQ(err.str(), "") << c.name;
        }
    }
}

// A data directory that cannot be written: the generator never plays the
// previous run's signal, and every write that fails says so.
TEST_F(ExampleRun, AReadOnlyOrFullDataDirectoryStopsTheTestAndSaysWhy) {
    ASSERT_EQ(app::runHeadless(options("amplifier"), out, err), 0) << err.str();
    ASSERT_EQ(log().back(), " RESULT: PASS");
    const struct {
        const char* what;
        int error;
        const char* reason;
    } cases[] = {{"read-only", EACCES, "Permission denied"}, {"full", ENOSPC, "Disk full"}};
    for (const auto& c : cases) {
        platform::simulateWriteFailure(work, c.error);
        err.str("");
        EXPECT_EQ(app::runHeadless(options("amplifier,hp=80"), out, err), 3) << c.what;
        platform::simulateWriteFailure(work, 0);
        const std::string says = err.str();
        for (const std::string& line :
             {"The test signal was not written: C:/QEX_ARV1files/testwav.wav: " +
                  std::string(c.reason) + ". The generator is off.\n",
              "The data log was not written: c:\\QEX_ARV1files\\amp-acceptance.log: " +
                  std::string(c.reason) + ".\n",
              "The start-up file was not saved: C:\\QEX_ARV1files\\startupini: " +
                  std::string(c.reason) + ".\n",
              std::string("arv1: the sweep stopped at point 0 of 20\n")})
            EXPECT_NE(says.find(line), std::string::npos) << c.what << ": " << line << says;
        for (const auto& entry : fs::directory_iterator(work))
            EXPECT_EQ(entry.path().string().find("partial"), std::string::npos) << entry.path();
    }
}

TEST_F(ExampleRun, ASecondInstanceOnTheDataDirectoryRefusesToStart) {
    platform::setDataDirectory(work);
    platform::DataDirectoryLock first;
    ASSERT_EQ(first.acquire(), "");
    EXPECT_EQ(app::runHeadless(options("amplifier,hp=80"), out, err), 2);
    EXPECT_EQ(err.str(), "arv1: the data directory " + work.string() +
                             " is in use by another instance of arv1 (process " +
                             std::to_string(::getpid()) + ")\n");
    EXPECT_FALSE(fs::exists(work / "amp-acceptance.log"));
}

TEST_F(ExampleRun, DeadAmplifierIsNoSignalNotAPass) {
    EXPECT_EQ(app::runHeadless(options("gain=-200"), out, err), 3);
    EXPECT_NE(err.str().find("arv1: no signal at points 1 (20 Hz), 2 (125.2 Hz), 3 (335.5 Hz) "
                             "and 17 more\n"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(log().back(), " RESULT: FAIL (frequency response outside its limits)");
}

} // namespace

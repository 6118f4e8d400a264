#include "platform/files.h"
#include "seq_fixture.h"
#include "sequencer/datalog.h"

#include <atomic>
#include <cerrno>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;
using sequencer::DataLog;
using sequencer::LogOptions;

// Three sweep points in a fresh data directory, and a log on a fixed clock.
class DataLogTest : public SequencerTest {
protected:
    void SetUp() override {
        SequencerTest::SetUp();
        sweep.pointCount = 3;
        const double freqs[] = {100, 1000, 10000};
        for (int k = 1; k <= 3; ++k) {
            sweep.freq[k] = freqs[k - 1];
            sweep.levelLeft[k] = -0.5f;
            sweep.levelRight[k] = -0.6f;
            sweep.thdLeft[k] = 0.0123f * static_cast<float>(k);
            sweep.thdRight[k] = 1.5f;
        }
    }
    common::SweepData sweep;
    // A fixed clock: 2026-12-06 14:03:07 local time.
    DataLog log{[] {
        std::tm t{};
        t.tm_year = 126, t.tm_mon = 11, t.tm_mday = 6, t.tm_hour = 14, t.tm_min = 3, t.tm_sec = 7;
        t.tm_isdst = -1;
        return std::chrono::system_clock::from_time_t(std::mktime(&t));
    }};
    const std::string path = "c:\\QEX_ARV1files\\run.log";
};

TEST_F(DataLogTest, ColumnsFollowTheOptions) {
    log.Logvalues(path, sweep, {true, false, false});
    EXPECT_EQ(read("run.log"), "Frequency, L Level, R Level\r\n"
                               "100,    -0.5,     -0.6\r\n"
                               "1000,    -0.5,     -0.6\r\n"
                               "10000,    -0.5,     -0.6\r\n");

    log.Logvalues(path, sweep, {false, true, true});
    EXPECT_EQ(read("run.log"), "Frequency, L THD, R THD\r\n"
                               "100,    0.0123,     1.5\r\n"
                               "1000,    0.0246,     1.5\r\n"
                               "10000,    0.0369,     1.5\r\n"
                               "2026-12-06 14:03:07");

    log.Logvalues(path, sweep, {true, true, false});
    EXPECT_EQ(read("run.log"), "Frequency, L Level, R Level, L THD, R THD\r\n"
                               "100.0,    -0.5,     -0.6,    .0123,     1.5000\r\n"
                               "1000.0,    -0.5,     -0.6,    .0246,     1.5000\r\n"
                               "10000.0,    -0.5,     -0.6,    .0369,     1.5000\r\n");

    log.Logvalues(path, sweep, {false, false, false});
    EXPECT_EQ(read("run.log"), "");
}

TEST_F(DataLogTest, AppendsBuildTheFileAndTheSweepLogReplacesIt) {
    log.logtime(path);
    log.logpretext(path, "Unit");
    log.logadd(path, "42 \u00b0C"); // a character outside ASCII: one byte in the file
    EXPECT_EQ(read("run.log"), "\r\n2026-12-06 14:03:07\r\n\r\n Unit 42 \xb0"
                               "C\r\n");

    log.Logvalues(path, sweep, {true, false, false});
    log.logadd(path, "after");
    const std::string text = read("run.log");
    EXPECT_EQ(text.find("Unit"), std::string::npos);
    EXPECT_EQ(text.rfind(" after\r\n"), text.size() - 8);

    log.eraselog(path);
    EXPECT_FALSE(fs::exists(dir / "run.log"));
    log.eraselog(path); // a missing file is no error
}

TEST_F(DataLogTest, EmptyOrInvalidPathsWriteNothing) {
    log.Logvalues("", sweep, {true, true, true});
    log.logadd("", "x");
    log.Logvalues((dir / "no" / "such" / "dir.log").string(), sweep, {true, false, false});
    log.logadd((dir / "no" / "such" / "dir.log").string(), "x");
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(DataLogTest, FailedWritesAreReportedOnceUntilTheyWorkAgain) {
    std::vector<std::string> reports;
    log.setFailureReport([&](const std::string& why) { reports.push_back(why); });
    log.logadd(path, "before");
    platform::simulateWriteFailure(dir, ENOSPC);
    log.Logvalues(path, sweep, {true, false, false});
    log.logadd(path, "one");
    log.logadd(path, "two");
    platform::simulateWriteFailure(dir, 0);
    log.logadd(path, "after");
    EXPECT_EQ(read("run.log"), " before\r\n after\r\n") << "the log is as it was before";
    EXPECT_EQ(reports, std::vector<std::string>{path + ": Disk full"});
}

// Two writers append 300 lines each to one log while a reader reads it: the
// log only grows, and every line arrives once and whole.
TEST_F(DataLogTest, ConcurrentAppendsLoseNoLine) {
    auto writer = [&](char who) {
        DataLog own;
        for (int i = 0; i < 300; ++i)
            own.logadd(path, std::string(1, who) + std::to_string(i) + std::string(40, '.'));
    };
    std::atomic<bool> done{false};
    std::size_t shrinks = 0;
    std::thread reader([&] {
        std::size_t last = 0;
        while (!done) {
            const std::size_t size = read("run.log").size();
            if (size < last) ++shrinks;
            last = size;
        }
    });
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    done = true;
    reader.join();
    EXPECT_EQ(shrinks, 0u);
    std::istringstream text(read("run.log"));
    std::set<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.insert(line);
    EXPECT_EQ(lines.size(), 600u);
    EXPECT_EQ(lines.count(" a299" + std::string(40, '.') + "\r"), 1u);
}

TEST_F(DataLogTest, ViewerShowsAndSavesFilesThroughTheDialogs) {
    log.logadd(path, "caf\u00e9");
    sequencer::LogViewer viewer(dialogs);
    dialogs.queueFile(path);
    viewer.mnuFile_Click("");
    EXPECT_TRUE(viewer.visible());
    EXPECT_EQ(viewer.text(), " caf\u00e9\r\n");
    EXPECT_EQ(dialogs.records().back().file.filter, "log file|*.log|*.*|*.*");

    viewer.setText("edited\r\n");
    dialogs.queueFile((dir / "copy.log").string());
    viewer.mnuSave_Click("");
    EXPECT_EQ(read("copy.log"), "edited\r\n");

    viewer.show((dir / "missing.log").string());
    EXPECT_EQ(viewer.text(), "");
}

} // namespace

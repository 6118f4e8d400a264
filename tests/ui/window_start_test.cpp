// Starting and ending the window: arv1 --screenshot, and a terminating signal.

#include "app/gui.h"
#include "window_fixture.h"

#include <QImage>
#include <QProcess>
#include <csignal>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

TEST(Screenshot, SavesTheWindowAfterTheRunAndRunsTheExitRoutine) {
    uitest::ensureApplication();
    const fs::path dir = uitest::testDirectory("arv1-shot-");
    const std::string picture = (dir / "window.png").string();
    std::ostringstream err;
    const app::ParsedArgs args = app::parseArgs(
        {"--data-dir", dir.string(), "--dut", "amplifier", "--screenshot", picture, "--run", "2"});
    ASSERT_TRUE(args.error.empty()) << args.error;
    EXPECT_EQ(app::runWindow(args, err), 0) << err.str();
    const QImage image(QString::fromStdString(picture));
    EXPECT_GE(image.width(), 1000);
    EXPECT_GE(image.height(), 600);
    EXPECT_TRUE(fs::exists(dir / "startupini"));

    const app::ParsedArgs unknown = app::parseArgs(
        {"--data-dir", dir.string(), "--screenshot", picture, "--window", "NoSuchWindow"});
    EXPECT_EQ(app::runWindow(unknown, err), 2);
    EXPECT_NE(err.str().find("no window named NoSuchWindow"), std::string::npos);
    fs::remove_all(dir);
}

TEST(WindowProcess, SigtermClosesTheWindowAndWritesTheStartUpFile) {
    uitest::ensureApplication();
    const fs::path dir = uitest::testDirectory("arv1-signal-");
    QProcess arv1;
    arv1.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    arv1.start(QStringLiteral(ARV1_EXECUTABLE),
               {QStringLiteral("--data-dir"), QString::fromStdString(dir.string())});
    ASSERT_TRUE(arv1.waitForStarted(10000));
    // Time for the start-up routine; the start-up file is only written at exit.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    EXPECT_FALSE(fs::exists(dir / "startupini"));
    ::kill(static_cast<pid_t>(arv1.processId()), SIGTERM);
    ASSERT_TRUE(arv1.waitForFinished(20000));
    EXPECT_EQ(arv1.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(arv1.exitCode(), 0);
    EXPECT_TRUE(fs::exists(dir / "startupini"));
    fs::remove_all(dir);
}

} // namespace

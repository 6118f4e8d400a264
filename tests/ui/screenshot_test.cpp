// arv1 --screenshot: the window after some seconds of audio, saved as a PNG.

#include "app/gui.h"
#include "window_fixture.h"

#include <QImage>
#include <sstream>

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

} // namespace

// The program installed with `cmake --install`: the executable in bin and
// the help documents in share/qex-arv1/help, where the program finds them.

#include "output/help.h"
#include "window_fixture.h"

#include <QImage>
#include <QProcess>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Install, PutsTheHelpWhereTheInstalledProgramFindsIt) {
    uitest::ensureApplication();
    const fs::path prefix = uitest::testDirectory("arv1-install-");
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral("cmake"),
                  {QStringLiteral("--install"), QStringLiteral(ARV1_BINARY_DIR),
                   QStringLiteral("--prefix"), QString::fromStdString(prefix.string())});
    ASSERT_TRUE(install.waitForFinished(60000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();

    const fs::path bin = prefix / "bin";
    ASSERT_TRUE(fs::exists(bin / "arv1"));
    const auto help = output::findHelpDirectory(bin);
    ASSERT_TRUE(help);
    EXPECT_EQ(*help, fs::weakly_canonical(prefix / "share/qex-arv1/help"));
    for (const char* name : {"help.html", "soundcard-tips.html"})
        EXPECT_EQ(readAll(*help / name), readAll(fs::path(ARV1_SOURCE_DIR) / "docs/help" / name))
            << name;

    // The installed program opens its help window.
    QProcess arv1;
    arv1.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString picture = QString::fromStdString((prefix / "help.png").string());
    arv1.start(QString::fromStdString((bin / "arv1").string()),
               {QStringLiteral("--data-dir"), QString::fromStdString((prefix / "data").string()),
                QStringLiteral("--screenshot"), picture, QStringLiteral("--window"),
                QStringLiteral("Help")});
    ASSERT_TRUE(arv1.waitForFinished(60000));
    EXPECT_EQ(arv1.exitCode(), 0);
    EXPECT_FALSE(QImage(picture).isNull());
    fs::remove_all(prefix);
}

} // namespace

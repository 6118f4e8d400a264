// Soundcard Setup with a real JACK server: `jackd -d dummy` (a clocked JACK
// device without hardware) started while the instrument runs appears in
// both device lists after Refresh, with JACK as its host API; after the
// server stops, Refresh says why it cannot take the lists anew, and the
// program goes on. Skipped, with the reason, where jackd cannot start.

#ifdef ARV1_HAVE_JACK

#include "app/jack_server.h"
#include "engine/soundcard_setup.h"
#include "platform/alsa_null_config.h"
#include "platform/device_catalogue.h"
#include "ui/soundcard_setup_window.h"
#include "ui/windows.h"
#include "window_fixture.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> hostApis(QListWidget* list) {
    std::vector<std::string> apis;
    for (int row = 0; row < list->count(); ++row)
        apis.push_back(platform::describeDevice(list->item(row)->text().toStdString()).hostApi);
    return apis;
}

bool lists(QListWidget* list, const std::string& api) {
    const auto apis = hostApis(list);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

TEST(SoundcardSetupOnJack, RefreshListsAJackServerStartedAfterTheProgram) {
    uitest::ensureApplication();
    const fs::path dir = uitest::testDirectory("arv1-ui-jack-");
    platform::setDataDirectory(dir);
    // ALSA's null devices stand in for the machine's cards.
    platformtest::useAlsaNullDevices();

    platform::VirtualEventLoop loop;
    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    platform::DeviceCatalogue catalogue(loop, audio, output,
                                        std::make_shared<platform::PortAudioSession>());
    platform::ScriptedDialogs dialogs;
    app::MainPanel main(loop, dialogs, catalogue.input(), catalogue.output());
    main.soundcardSetup().setRefresh([&catalogue] {
        return catalogue.refresh([] { return std::make_shared<platform::PortAudioSession>(); });
    });
    ui::Instrument instrument{main.panel(), main.graph(), loop, dialogs};
    instrument.soundcardSetup = &main.soundcardSetup();
    ui::Windows windows(instrument);
    ui::registerWindows(windows);
    main.panel().Form_Load();
    QWidget* setup = windows.show("SoundcardSetup");
    ASSERT_TRUE(setup);
    auto* outputs = setup->findChild<QListWidget*>("List1");
    auto* inputs = setup->findChild<QListWidget*>("List2");
    auto* refresh = setup->findChild<QPushButton*>("Refresh_cmd");
    EXPECT_FALSE(lists(inputs, "JACK"));
    EXPECT_EQ(hostApis(inputs).back(), "Simulated");

    apptest::JackServer jack;
    if (!jack.running()) {
        windows.closeAll();
        fs::remove_all(dir);
        GTEST_SKIP() << jack.reason();
    }
    QTest::mouseClick(refresh, Qt::LeftButton);
    EXPECT_TRUE(lists(outputs, "JACK")) << ::testing::PrintToString(hostApis(outputs));
    EXPECT_TRUE(lists(inputs, "JACK")) << ::testing::PrintToString(hostApis(inputs));
    EXPECT_EQ(hostApis(inputs).back(), "Simulated");

    // The server stops: the lists stay as they are (PortAudio cannot end a
    // session whose JACK server went away) and the dialog says why.
    jack.stop();
    QTest::mouseClick(refresh, Qt::LeftButton);
    EXPECT_EQ(setup->findChild<QLabel*>("DeviceNote")->text().toStdString(),
              platform::kJackGoneRefusal);
    EXPECT_TRUE(lists(inputs, "JACK"));
    windows.closeAll();
    fs::remove_all(dir);
}

} // namespace

#endif // ARV1_HAVE_JACK

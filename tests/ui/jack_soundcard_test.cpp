// Soundcard Setup with a real JACK server: `jackd -d dummy` (a clocked JACK
// device without hardware) started while the instrument runs appears in
// both device lists after Refresh, with JACK as its host API; after the
// server stops, Refresh says why it cannot take the lists anew, and the
// program goes on. Skipped, with the reason, where jackd cannot start.
//
// JackDummy starts the server under a name of this test's own; it has the
// interface of the shared JACK fixture of the other real-audio tests and
// gives way to it once that is in the tree.

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
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class JackDummy {
public:
    JackDummy() {
        name_ = "arv1_dialogs_" + std::to_string(::getpid());
        ::setenv("JACK_NO_START_SERVER", "1", 1);
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        if (::access("/usr/bin/jackd", X_OK) != 0 || ::access("/usr/bin/jack_wait", X_OK) != 0) {
            reason_ = "jackd is not installed (Debian package jackd2)";
            return;
        }
        const fs::path log = fs::temp_directory_path() / (name_ + ".log");
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent) ::_exit(127);
            if (std::FILE* out = std::freopen(log.c_str(), "w", stdout)) ::dup2(::fileno(out), 2);
            ::execl("/usr/bin/jackd", "jackd", "--no-realtime", "--name", name_.c_str(), "-d",
                    "dummy", "-r", "44100", "-p", "1024", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const std::string wait = "/usr/bin/jack_wait -s " + name_ + " -w -t 10 >/dev/null 2>&1";
        running_ = pid_ > 0 && std::system(wait.c_str()) == 0;
        if (!running_) {
            std::ifstream in(log);
            reason_ = "jackd -d dummy did not start: " +
                      std::string(std::istreambuf_iterator<char>(in), {});
            stop();
        }
    }
    ~JackDummy() { stop(); }
    bool running() const { return running_; }
    const std::string& reason() const { return reason_; }
    void stop() {
        running_ = false;
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    std::string name_;
    std::string reason_;
    pid_t pid_ = -1;
    bool running_ = false;
};

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
    ::setenv("JACK_DEFAULT_SERVER", ("arv1_dialogs_" + std::to_string(::getpid())).c_str(), 1);

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

    JackDummy jack;
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

#include "app/gui.h"

#include "app/main_panel.h"
#include "app/qt_dialogs.h"
#include "app/qt_print_service.h"
#include "platform/clipboard.h"
#include "platform/device_catalogue.h"
#include "platform/loopback.h"
#include "platform/qt_event_loop.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <QApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <ostream>
#include <unistd.h>

namespace app {

namespace {

// SIGINT and SIGTERM reach the GUI thread through a pipe: the handler only
// writes a byte, the loop closes the window (which writes the start-up file).
int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

class TerminationSignals {
public:
    explicit TerminationSignals(QWidget& window) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, &window, [&window, this] {
            char byte;
            while (::read(signalPipe[0], &byte, 1) == 1) {
            }
            // A second signal while the first is still being handled (a
            // running sequence keeps the loop nested) ends the program.
            if (received_++ > 0) std::_Exit(130);
            window.close();
            QCoreApplication::exit(0);
        });
        struct sigaction action = {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, nullptr);
        ::sigaction(SIGTERM, &action, nullptr);
    }
    ~TerminationSignals() {
        if (!notifier_) return;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        notifier_.reset();
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
    }

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    int received_ = 0;
};

std::shared_ptr<platform::PortAudioSession> startSoundSystem() {
    // PortAudio's JACK probe would otherwise try to start a server.
    ::setenv("JACK_NO_START_SERVER", "1", 0);
    return std::make_shared<platform::PortAudioSession>();
}

// "In: ... · Out: ...", and whether both sides are the simulated loopback.
std::pair<QString, bool> deviceDescription(platform::DeviceCatalogue& catalogue,
                                           const panel::PanelSettings& s) {
    auto name = [](std::optional<std::string> text) {
        return QString::fromStdString(text.value_or("(no device)"));
    };
    const bool simulated = s.InputDeviceId == catalogue.loopbackInputPosition() ||
                           s.OutputDeviceId == catalogue.loopbackOutputPosition();
    return {QStringLiteral("In: %1   Out: %2")
                .arg(name(catalogue.input().deviceName(s.InputDeviceId)),
                     name(catalogue.output().deviceName(s.OutputDeviceId))),
            simulated};
}

// The folder of the running program (the help is found from there).
std::filesystem::path executableDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.parent_path();
    return QCoreApplication::applicationDirPath().toStdString();
}

} // namespace

int runWindow(const ParsedArgs& args, std::ostream& err) {
    const HeadlessOptions& options = args.options;
    std::unique_ptr<QApplication> ownApplication;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "arv1";
        static char* argv[] = {name, nullptr};
        ownApplication = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setApplicationName(QStringLiteral("QEX ARV-1"));

    std::string refusal;
    const auto dataLock = claimDataDirectory(options.dataDir, refusal);
    if (!dataLock) {
        err << "arv1: " << refusal << "\n";
        if (!args.screenshot)
            QMessageBox::critical(nullptr, QStringLiteral("QEX ARV-1"),
                                  QString::fromStdString(refusal));
        return 2;
    }
    std::string panelPath;
    if (options.panelFile) {
        std::error_code ec;
        panelPath = std::filesystem::absolute(*options.panelFile, ec).string();
        if (!std::filesystem::is_regular_file(panelPath, ec)) {
            err << "arv1: test panel " << panelPath << " not found\n";
            return 2;
        }
    }
    const bool screenshot = args.screenshot.has_value();
    const bool realDevice = options.device && *options.device != "loopback";
    // A screenshot on the simulated loopback runs in virtual time; otherwise
    // the instrument keeps real time on Qt's loop.
    std::unique_ptr<platform::EventLoop> loopOwner;
    if (screenshot && !realDevice)
        loopOwner = std::make_unique<platform::VirtualEventLoop>();
    else
        loopOwner = std::make_unique<platform::QtEventLoop>();
    platform::EventLoop& loop = *loopOwner;

    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    const auto dut = platform::parseDutSpec(options.dut.value_or("wire"));
    if (!dut.ok) {
        err << "arv1: --dut: " << dut.error << "\n";
        return 2;
    }
    audio.setSource(std::make_shared<platform::LoopbackSource>(loop, output.played(), dut.params));
    platform::DeviceCatalogue catalogue(loop, audio, output,
                                        screenshot && !realDevice ? nullptr : startSoundSystem());
    std::optional<platform::DeviceChoice> devices;
    if (options.device) {
        devices = platform::parseDeviceChoice(
            *options.device, catalogue.input().deviceCount(), catalogue.output().deviceCount(),
            catalogue.loopbackInputPosition(), catalogue.loopbackOutputPosition());
        if (!devices->ok) {
            err << "arv1: --device: " << devices->error << "\n";
            return 2;
        }
    }

    QtDialogs qtDialogs;
    platform::ScriptedDialogs scriptedDialogs;
    scriptedDialogs.setEcho(&err);
    platform::Dialogs& dialogs =
        screenshot ? static_cast<platform::Dialogs&>(scriptedDialogs) : qtDialogs;

    MainPanel main(loop, dialogs, catalogue.input(), catalogue.output());
    panel::Panel& panel = main.panel();
    ui::Instrument instrument{panel,   main.graph(),           loop,
                              dialogs, &main.settlingEditor(), &main.scriptHost()};
    instrument.soundcardSetup = &main.soundcardSetup();
    instrument.graphSetup = &main.graphSetup();
    instrument.favSetup = &main.favSetup();
    instrument.help = &main.help();
    if (auto help = output::findHelpDirectory(executableDirectory()))
        main.help().setDirectory(*help);
    instrument.dataEditor = &main.dataEditor();
    instrument.printing = &main.printing();
    // END and the sequence editor's Stop work while a script computes.
    main.scriptHost().setPumpWhileRunning(true);
    ui::Windows windows(instrument);
    ui::registerWindows(windows);
    ui::MainWindow window(instrument, windows);
    windows.setParent(&window);
    qtDialogs.setParent(&window);
    // The exit routine's last step closes every window; the main window's
    // own close then finds the routine done.
    main.setUnloadWindows([&] {
        windows.closeAll();
        QTimer::singleShot(0, &window, [&window] { window.close(); });
    });

    platform::QtClipboard clipboard;
    main.fileOutput().setClipboard(&clipboard);
    // Printing shows the platform's print dialogs; a screenshot prints nothing.
    QtPrintService printService(&window);
    if (!screenshot) main.printing().setService(&printService);

    catalogue.reportSoundSystemFailure(dialogs);
    catalogue.setOutputFailureHandler([&] {
        main.Gen_Off_Click();
        dialogs.message("Error", platform::kOutputStalledMessage);
    });
    // Soundcard Setup's Refresh restarts the sound system (not for a
    // screenshot, which keeps to the simulated device).
    const bool soundSystem = !(screenshot && !realDevice);
    main.soundcardSetup().setRefresh([&catalogue, soundSystem] {
        return catalogue.refresh(
            [soundSystem]() -> std::shared_ptr<const platform::PortAudioSession> {
                if (!soundSystem) return nullptr;
                return startSoundSystem();
            });
    });
    bool endedForWantOfInput = false;
    main.analyzer().setEndProgram([&] { endedForWantOfInput = true; });

    panel.Form_Load();
    if (endedForWantOfInput) return 2;
    if (!panelPath.empty()) {
        panel.testPanelPath = panelPath;
        panel.ReadData();
    }
    // --device chooses the sound card as Soundcard Setup would, so the
    // start-up file keeps the choice.
    if (devices) {
        panel.settings.InputDeviceId = devices->inputPosition;
        panel.settings.OutputDeviceId = devices->outputPosition;
    }
    auto showDevices = [&] {
        const auto [text, simulated] = deviceDescription(catalogue, panel.settings);
        window.setDeviceDescription(text, simulated);
    };
    showDevices();
    // Devices are opened at ON: the status bar follows then.
    const int observer =
        panel.controls().addObserver([&](const panel::Control& control, panel::Property property) {
            if (property == panel::Property::Colour && control.name() == "GenOnLED") showDevices();
        });
    struct RemoveObserver {
        panel::Controls& controls;
        int id;
        ~RemoveObserver() { controls.removeObserver(id); }
    } removeObserver{panel.controls(), observer};

    // A screen smaller than the window's size gets what it has room for
    // (a screenshot keeps the size it is made at).
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && !screenshot)
        window.resize(window.size().boundedTo(screen->availableGeometry().size() - QSize(0, 28)));
    window.show();
    QWidget* shown = &window;
    if (args.window && *args.window != "MainPanel") {
        shown = windows.show(*args.window);
        if (!shown) {
            err << "arv1: no window named " << *args.window << "\n";
            window.close();
            return 2;
        }
    }

    if (screenshot) {
        const double seconds = options.runSeconds.value_or(0);
        const auto runMs = static_cast<std::int64_t>(std::llround(seconds * 1000));
        if (runMs > 0) loop.runUntil([&] { return panel.shutDown; }, runMs);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const QPixmap picture = shown->grab();
        const bool saved = picture.save(QString::fromStdString(*args.screenshot), "PNG");
        window.close();
        if (!saved) {
            err << "arv1: cannot save the screenshot to " << *args.screenshot << "\n";
            return 2;
        }
        return 0;
    }

    TerminationSignals terminationSignals(window);
    QApplication::exec();
    if (!panel.shutDown) panel.ShutDown();
    return 0;
}

} // namespace app

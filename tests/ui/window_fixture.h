#pragma once
// The instrument with its main window on virtual time: the simulated loopback
// through a device-under-test model, scripted dialogs, and a data directory
// of its own. Widgets are found by objectName, which is the control's name.

#include "app/main_panel.h"
#include "output/help.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"
#include "ui/main_window.h"
#include "ui/windows.h"

#include <QAction>
#include <QApplication>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>

namespace uitest {

namespace fs = std::filesystem;

// One QApplication for the whole test program (offscreen).
inline void ensureApplication() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

// A fresh data directory named after the running test.
inline fs::path testDirectory(const std::string& prefix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path dir =
        fs::temp_directory_path() / (prefix + info->test_suite_name() + "-" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct Instrument {
    explicit Instrument(const fs::path& dataDir, const std::string& dut = "wire")
        : audio(loop), output(loop) {
        ensureApplication();
        platform::setDataDirectory(dataDir);
        audio.setSource(std::make_shared<platform::LoopbackSource>(
            loop, output.played(), platform::parseDutSpec(dut).params));
        main = std::make_unique<app::MainPanel>(loop, dialogs, audio, output);
        instrument = std::make_unique<ui::Instrument>(
            ui::Instrument{main->panel(), main->graph(), loop, dialogs, &main->settlingEditor(),
                           &main->scriptHost()});
        instrument->soundcardSetup = &main->soundcardSetup();
        instrument->graphSetup = &main->graphSetup();
        instrument->favSetup = &main->favSetup();
        instrument->help = &main->help();
        // The help as the program finds it in the build tree.
        if (auto help = output::findHelpDirectory(fs::path(ARV1_EXECUTABLE).parent_path()))
            main->help().setDirectory(*help);
        instrument->dataEditor = &main->dataEditor();
        instrument->printing = &main->printing();
        windows = std::make_unique<ui::Windows>(*instrument);
        ui::registerWindows(*windows);
        window = std::make_unique<ui::MainWindow>(*instrument, *windows);
        windows->setParent(window.get());
        main->scriptHost().setPumpWhileRunning(true); // as the GUI does
        main->panel().Form_Load();
        window->show();
        // Qt's own events (paints, layouts) run between the instrument's, as
        // they would on the GUI's loop.
        qtEvents = loop.createTimer(40, [] { QCoreApplication::processEvents(); });
        qtEvents->setEnabled(true);
    }

    panel::Panel& panel() { return main->panel(); }
    panel::Control& control(std::string_view name) { return panel().controls()[name]; }

    ~Instrument() { qtEvents.reset(); }

    template <class W> W* widget(const char* name) {
        auto* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << "no widget " << name;
        return w;
    }

    platform::VirtualEventLoop loop;
    platform::SimulatedAudio audio;
    platform::SimulatedOutput output;
    platform::ScriptedDialogs dialogs;
    std::unique_ptr<app::MainPanel> main;
    std::unique_ptr<ui::Instrument> instrument;
    std::unique_ptr<ui::Windows> windows;
    std::unique_ptr<ui::MainWindow> window;
    std::unique_ptr<platform::Timer> qtEvents;
};

// A test that starts the instrument on a data directory of its own.
class WindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        bench.reset();
        fs::remove_all(dir);
    }
    Instrument& start(const std::string& dut = "wire") {
        bench.reset();
        bench = std::make_unique<Instrument>(dir, dut);
        return *bench;
    }
    // Chooses a window's menu item, which must be there and enabled.
    static void trigger(QWidget* window, const char* item) {
        auto* action = window->findChild<QAction*>(QString::fromLatin1(item));
        ASSERT_TRUE(action) << item;
        ASSERT_TRUE(action->isEnabled()) << item;
        action->trigger();
    }
    static std::string readAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir = testDirectory("arv1-ui-");
    std::unique_ptr<Instrument> bench;
};

} // namespace uitest

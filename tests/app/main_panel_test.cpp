// The composition root's wiring: the measurement cycle draws each block in
// the view the panel shows (the spectrum view through the runner's saved
// graph, in the headless test).

#include "app/main_panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"
#include "run_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

class MainPanelRun : public apptest::TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        platform::setDataDirectory(root);
        audio.setSource(std::make_shared<platform::LoopbackSource>(
            loop, output.played(), platform::parseDutSpec("wire").params));
        main.panel().Form_Load();
    }

    // Switches the generator on in the given view and lets it run.
    void runFor(int ms) {
        main.Gen_On_Click();
        loop.post([this] { main.panel().ShutDown(); }, ms);
        loop.runUntil([this] { return main.panel().shutDown; }, ms + 20000);
    }

    platform::VirtualEventLoop loop;
    platform::SimulatedAudio audio{loop};
    platform::SimulatedOutput output{loop};
    platform::ScriptedDialogs dialogs;
    app::MainPanel main{loop, dialogs, audio, output};
};

TEST_F(MainPanelRun, ScopeViewTriggersOnTheCapturedSignal) {
    main.graph().mnuScope_Click();
    runFor(2000);
    ASSERT_GT(main.analyzer().blocksAnalysed(), 5);
    EXPECT_GT(main.graph().scope().left.scopeMax, 10000);
    EXPECT_LT(main.graph().scope().left.scopeMin, -10000);
}

} // namespace

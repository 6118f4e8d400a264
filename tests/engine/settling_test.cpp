// The Settling Editor's controls and their settings.

#include "engine/settling.h"
#include "engine_fixture.h"

#include <gtest/gtest.h>

namespace {

class Settling : public ::testing::Test, public enginetest::EngineFixture {
protected:
    engine::SettlingEditor editor{panel, dialogs};
    panel::Controls& ed() { return editor.controls(); }
};

TEST_F(Settling, OptionsStoreTheirValueAtOnce) {
    const std::pair<const char*, int> settle[] = {{"MedSettle_Option", 1},
                                                  {"SlowSettle_Option", 2},
                                                  {"Settle73_Option", 3},
                                                  {"FastSettle_Option", 0}};
    for (auto [name, mode] : settle) {
        ed()[name].click();
        EXPECT_EQ(settings().settleMode, mode) << name;
    }
    ed()["minreadoption"].click();
    EXPECT_EQ(settings().readingMode, 1);
    ed()["peakleveloption"].click();
    EXPECT_EQ(settings().peakDetector, 1);
    EXPECT_EQ(settings().rmsDetector, 0);
    panel.Update2(); // the analyzer keeps the peak detector
    EXPECT_EQ(settings().rmsDetector, 0);
    ed()["rmsleveloption"].click();
    EXPECT_EQ(settings().peakDetector, 0);
    EXPECT_EQ(settings().rmsDetector, 1);
}

TEST_F(Settling, WithNeitherDetectorTheAnalyzerUsesRms) {
    settings().peakDetector = 0;
    settings().rmsDetector = 0;
    panel.Update2();
    EXPECT_EQ(settings().rmsDetector, 1);
}

TEST_F(Settling, OpeningShowsTheSettingsWithoutChangingThem) {
    settings().settleMode = 2;
    settings().readingMode = 1;
    settings().peakDetector = 1;
    settings().logThd = 1;
    settings().logFilePath = "c:\\QEX_ARV1files\\run.log";
    editor.open();
    EXPECT_TRUE(ed()["SlowSettle_Option"].checked());
    EXPECT_TRUE(ed()["minreadoption"].checked());
    EXPECT_TRUE(ed()["peakleveloption"].checked());
    EXPECT_TRUE(ed()["thdcheck"].checked());
    EXPECT_FALSE(ed()["timecheck"].checked());
    EXPECT_EQ(ed()["Lognametextbox"].text(), "c:\\QEX_ARV1files\\run.log");

    ed()["timecheck"].click();
    EXPECT_EQ(settings().logTime, 1);
    ed()["thdcheck"].click();
    EXPECT_EQ(settings().logThd, 0);
    ed()["PropSRcheckbox"].click();
    EXPECT_EQ(settings().bestFitSampleRate, 1);
}

TEST_F(Settling, LogFileComesFromTheDialogAndCancelKeepsIt) {
    dialogs.queueFile("c:\\QEX_ARV1files\\a.log");
    ed()["Logbutton"].click();
    EXPECT_EQ(settings().logFilePath, "c:\\QEX_ARV1files\\a.log");
    EXPECT_EQ(ed()["Lognametextbox"].text(), "c:\\QEX_ARV1files\\a.log");
    const auto request = dialogs.records(platform::ScriptedDialogs::Kind::OpenFile).back().file;
    EXPECT_EQ(request.filter, "Audio Data Log Files|*.log;");
    EXPECT_EQ(request.startDirectory, "c:\\QEX_ARV1files");

    dialogs.queueCancel();
    ed()["Logbutton"].click();
    dialogs.queueFileError(5, "Invalid procedure call or argument");
    ed()["Logbutton"].click();
    EXPECT_EQ(settings().logFilePath, "c:\\QEX_ARV1files\\a.log");
    EXPECT_EQ(dialogs.messageTexts(),
              std::vector<std::string>{"Error 5 selecting file.\r\nInvalid procedure call or "
                                       "argument"});

    dialogs.queueFile("d:\\data");
    ed()["defdircmd"].click();
    EXPECT_EQ(settings().defaultDataDirectory, "d:\\data");
}

} // namespace

#include "panel_fixture.h"

namespace {

TEST_F(PanelTest, FavouritesLoadPanelsAndAreSavedOnlyWithThePanel) {
    auto p = start();
    p->controls()["GenFreq1"].setText("2500");
    p->testPanelPath = (dir / "fav.atp").string();
    p->WritePanelFile();

    // Assigning in the dialog changes the slot but not the file.
    dialogs.queueFile((dir / "fav.atp").string());
    p->favSetupBrowse(2);
    EXPECT_EQ(p->favSetupText(2), (dir / "fav.atp").string());
    const auto& request = dialogs.records().back().file;
    EXPECT_EQ(request.filter, "Audio Test Panel Files|*.atp;");
    const std::string before = slurp(dir / "favfiles");
    EXPECT_EQ(crlfLines(before), (std::vector<std::string>(5, "\"\"")));

    // An empty slot does nothing; a filled one loads its panel.
    p->controls()["GenFreq1"].setText("100");
    p->mnuFav_Click(1);
    EXPECT_EQ(p->controls()["GenFreq1"].text(), "100");
    p->mnuFav_Click(2);
    EXPECT_EQ(p->settings.GenFreq1, 2500);

    p->ShutDown();
    const auto lines = crlfLines(slurp(dir / "favfiles"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "\"" + (dir / "fav.atp").string() + "\"");

    auto q = start();
    EXPECT_EQ(q->favSetupText(2), (dir / "fav.atp").string());
    EXPECT_EQ(q->favSetupText(5), "");
}

TEST_F(PanelTest, PanelMenusHandleCancelErrorsAndNewNames) {
    auto p = start();
    p->controls()["GenFreq1"].setText("1500");
    p->settings.defaultDataDirectory = "";

    dialogs.queueCancel();
    p->mnuSavePanel_Click();
    EXPECT_EQ(p->caption(), "QEX ARV-1     Version 1.33");
    EXPECT_EQ(dialogs.records().back().file.startDirectory, "c:\\QEX_ARV1files");

    dialogs.queueFileError(5, "Invalid procedure call or argument");
    p->mnuLoadTest_Click();
    ASSERT_FALSE(dialogs.messageTexts().empty());
    EXPECT_EQ(dialogs.messageTexts().back(),
              "Error 5 selecting file.\r\nInvalid procedure call or argument");

    dialogs.queueFile("c:\\QEX_ARV1files\\saved.atp"); // the program's own spelling
    p->mnuSavePanel_Click();
    EXPECT_EQ(p->caption(), "QEX ARV-1   c:\\QEX_ARV1files\\saved.atp");
    EXPECT_TRUE(std::filesystem::exists(dir / "saved.atp"));

    p->controls()["GenFreq1"].setText("9");
    dialogs.queueFile("C:/qex_arv1files/SAVED.atp"); // other case: not the same file here
    p->mnuLoadTest_Click();
    EXPECT_EQ(p->settings.GenFreq1, 9);
    dialogs.queueFile("C:/qex_arv1files/saved.atp");
    p->mnuLoadTest_Click();
    EXPECT_EQ(p->settings.GenFreq1, 1500);
}

} // namespace

#include "panel_fixture.h"

#include <cmath>

namespace {

using panel::GraphMode;

// A test panel in the classic style, written by hand: CR LF, quoted texts,
// numbers without a leading zero, Windows paths into its data directory.
// Here its fields are separated by "|".
std::string originalStylePanel(int points, const std::string& eol = "\r\n") {
    std::string text = "\"c:\\QEX_ARV1files\"";
    for (int i = 1; i <= 5; ++i) // the readouts
        text += std::string(i == 1 ? "|1.5|" : "|1|") + std::to_string((i + 1) % 2) + "|\"V\"|" +
                (i == 1 ? "1" : "0") + (i == 5 ? "|\"Frequency\"" : "|\"Level\"");
    text += "|\"Square\"|1|-3.5|-6|\"dBr\"|48000|\"\"|0|1234.5|2000|1|90|0|-20|20|480|\"ms\"|"
            "\"dBr\"|\"THD vs Frequency\"|100|10000|\"15\"|15|1|"
            "\"c:\\QEX_ARV1files\\points.dfu\"|10|-30|\"dBr\"|6|0|1|0|0|1|"
            "\"C:/QEX_ARV1files/limits.dfl\"|4|" +
            std::to_string(points);
    for (int k = 1; k <= points; ++k)
        text += "|" + std::to_string(100 * k) + "|-.25|-1.5|.01|2E-03";
    text += "|\"My amp\"|0|1|1|\"leg1\"|\"leg2\"|\"leg3\"|2|\"c:\\QEX_ARV1files\\amp.log\"|"
            "\"None\"|0|5|1|0|2|1|0|1|1|0|32768|15|1|0|1|1|0|0|.5|-.25|0|0|0|0|1.5|1|0|0|0|1|"
            "0|0|0|0|0|7|10|20|40|0|0|0|0|0|0|0";
    std::string bytes;
    std::size_t start = 0;
    for (std::size_t bar; (bar = text.find('|', start)) != std::string::npos; start = bar + 1)
        bytes += text.substr(start, bar - start) + eol;
    return bytes + text.substr(start) + eol;
}

// A test panel in the classic style, written by hand: CR LF, quoted texts,
// numbers without a leading zero, Windows paths into its data directory.
TEST_F(PanelTest, WrittenPanelHasOneFieldPerCrLfLineAndReadsBackEveryField) {
    auto p = start();
    auto& c = p->controls();
    c["GenFreq1"].setText("1234.5678");
    c["SweepMode"].setText("Separation vs Frequency");
    c["Right_gen_option"].setChecked(true);
    c["SampleSize"].setText("32768");
    c["LinCheck"].setChecked(true);
    c["LogCheck"].setChecked(false);
    c["Readoutmd2"].setText("THD");
    p->settings.graphTitle = "Amplifier \"A\" – 2 ch"; // quotes and a non-ASCII dash
    p->settings.rateOffsets = {0.1, -0.2, 0.3, 1e-9, 12345.678901234, 0, -7};
    p->settings.reservedReals[2] = 3.25;
    p->settings.OutputDeviceId = 3;
    p->settings.saChannel = 2;
    p->settings.graphMode = GraphMode::Scope;
    p->sweepData.pointCount = 3;
    for (int k = 1; k <= 3; ++k) {
        p->sweepData.freq[k] = 20.0 * std::pow(10.0, k) / 3.0;
        p->sweepData.levelLeft[k] = -0.1f * static_cast<float>(k);
        p->sweepData.thdRight[k] = 1.0f / 3.0f;
    }
    p->testPanelPath = (dir / "amp.atp").string();
    p->WritePanelFile();

    const auto lines = crlfLines(slurp(dir / "amp.atp"));
    ASSERT_EQ(lines.size(), 119u + 5 * 3);
    EXPECT_EQ(lines[34], "1234.5678"); // GenFreq1
    EXPECT_EQ(lines[62], "3");         // point count
    EXPECT_EQ(lines[44], "\"Separation vs Frequency\"");

    auto q = start();
    const auto written = p->settings;
    q->testPanelPath = (dir / "amp.atp").string();
    q->ReadData();
    EXPECT_EQ(q->settings.SampleSize, 32768);
    EXPECT_EQ(q->settings.FftBits, 15);
    EXPECT_EQ(q->settings.genRouting, 1);
    EXPECT_EQ(q->settings.linearAxis, 1);
    EXPECT_EQ(q->settings.readouts[1].unit, "%");
    EXPECT_EQ(q->settings.rateOffsets, written.rateOffsets);
    EXPECT_EQ(q->settings.reservedReals, written.reservedReals);
    EXPECT_EQ(q->settings.graphMode, GraphMode::Scope);
    EXPECT_EQ(q->sweepData.pointCount, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(q->sweepData.freq[k], p->sweepData.freq[k]);
        EXPECT_EQ(q->sweepData.levelLeft[k], p->sweepData.levelLeft[k]);
        EXPECT_EQ(q->sweepData.thdRight[k], p->sweepData.thdRight[k]);
    }
    // A quote inside a text cannot be stored in this file format; the rest of
    // the text, the dash included, survives, and so does every later field.
    EXPECT_NE(q->settings.graphTitle.find("Amplifier"), std::string::npos);
    EXPECT_NE(q->settings.graphTitle.find("\u2013 2 ch"), std::string::npos);
    auto got = q->settings;
    got.graphTitle = written.graphTitle;
    EXPECT_TRUE(got == written);
    EXPECT_EQ(q->caption(), "QEX ARV-1   " + (dir / "amp.atp").string());
}

TEST_F(PanelTest, OriginalStyleFileLoadsWithCrLfAndWithLfOnly) {
    for (const std::string eol : {"\r\n", "\n"}) {
        SCOPED_TRACE(eol.size());
        spit(dir / "orig.atp", originalStylePanel(2, eol));
        auto p = start();
        hooks.calls.clear();
        p->testPanelPath = (dir / "orig.atp").string();
        p->ReadData();
        const auto& s = p->settings;
        EXPECT_EQ(s.defaultDataDirectory, "c:\\QEX_ARV1files");
        EXPECT_EQ(s.readouts[0].value, 1.5);
        EXPECT_EQ(p->controls()["Readout1"].caption(), "1.5");
        EXPECT_EQ(p->controls()["ReadoutLED1"].colour(), panel::colour::Green);
        EXPECT_EQ(s.Wavetype1, "Square");
        EXPECT_EQ(s.genRouting, 1);
        EXPECT_TRUE(p->controls()["Right_gen_option"].checked());
        EXPECT_EQ(s.LeftGenLevel, -3.5);
        EXPECT_EQ(s.SampleRate, 48000);
        EXPECT_EQ(s.GenFreq1, 1234.5);
        EXPECT_EQ(p->controls()["GenFreq1"].text(), "1234.5");
        EXPECT_EQ(s.thdSweep, 1);
        EXPECT_EQ(s.stepCount, 15);
        EXPECT_EQ(s.stepMode, 1);
        EXPECT_TRUE(p->controls()["EvenStepCheck"].checked());
        EXPECT_FALSE(p->controls()["OctaveStepCheck"].checked());
        EXPECT_DOUBLE_EQ(s.refFactorLeft, std::pow(10.0, 6.0 / 20.0));
        EXPECT_EQ(s.channelSelect, 0);
        EXPECT_EQ(s.linearAxis, 1);
        EXPECT_EQ(s.limitCurveOn, 1);
        EXPECT_EQ(s.LimitCurveFile, "C:/QEX_ARV1files/limits.dfl");
        EXPECT_EQ(p->sweepData.pointCount, 2);
        EXPECT_EQ(p->sweepData.freq[2], 200);
        EXPECT_EQ(p->sweepData.levelLeft[1], -0.25f);
        EXPECT_EQ(p->sweepData.thdRight[2], 0.002f);
        EXPECT_EQ(s.graphTitle, "My amp");
        EXPECT_EQ(s.graphLegends[2], "leg3");
        EXPECT_EQ(s.saAverageCount, 5);
        EXPECT_EQ(s.saChannel, 2);
        EXPECT_EQ(p->controls()["LRlabel"].caption(), "LR");
        EXPECT_EQ(s.SampleSize, 32768);
        EXPECT_EQ(s.rateOffsets[0], 0.5);
        EXPECT_EQ(s.rateOffsets[6], 1.5);
        EXPECT_EQ(s.reservedInts[5], 7);
        EXPECT_EQ(s.scopeTimebase, 40);
        EXPECT_EQ(s.InputDeviceId, 0);
        // Loaded after start-up, a panel saved with the generator running starts
        // it.
        EXPECT_EQ(hooks.count("Gen_On_Click"), 1);
        EXPECT_EQ(hooks.count("drawLimitCurve"), 1);
        EXPECT_GE(hooks.count("graphdata"), 1);

        // Writing it again and reading that back changes nothing.
        p->testPanelPath = (dir / "again.atp").string();
        p->WritePanelFile();
        const std::string first = slurp(dir / "again.atp");
        EXPECT_EQ(crlfLines(first).size(), 119u + 10);
        auto q = start();
        q->testPanelPath = (dir / "again.atp").string();
        q->ReadData();
        q->WritePanelFile();
        EXPECT_EQ(slurp(dir / "again.atp"), first);
    }
}

// Exit writes the start-up file, never the panel last loaded or saved; the
// next start restores it but does not start the generator.
TEST_F(PanelTest, ExitWritesTheStartupFileWhichRestoresThePanelButNotTheGenerator) {
    auto p = start();
    p->testPanelPath = (dir / "mine.atp").string();
    p->WritePanelFile();
    p->controls()["GenFreq1"].setText("777");
    p->controls()["ZRef"].setText("4");
    p->settings.genOn = 1;
    p->ShutDown();

    hooks.calls.clear();
    auto q = start();
    EXPECT_EQ(q->settings.GenFreq1, 777);
    EXPECT_EQ(q->settings.ZRef, 4);
    EXPECT_EQ(q->restoreGenOn, 1);
    EXPECT_EQ(hooks.count("Gen_On_Click"), 0);
    EXPECT_FALSE(q->updating);
    EXPECT_FALSE(q->startingUp);
    EXPECT_EQ(q->caption(), "QEX ARV-1     Version 1.33");
    q->testPanelPath = (dir / "mine.atp").string();
    q->ReadData();
    EXPECT_EQ(q->settings.GenFreq1, 1000);
}

TEST_F(PanelTest, FirstStartAndResetIniCaptureTheControlsInitialValues) {
    auto p = start();
    const panel::PanelSettings defaults;
    EXPECT_TRUE(p->settings == defaults);
    EXPECT_EQ(p->controls()["sweepview"].text(), "");
    EXPECT_FALSE(p->updating);
    EXPECT_GE(hooks.count("InitGetData"), 1);
    p->controls()["GenFreq1"].setText("5000");
    p->controls()["SweepStepCount"].setText("7");
    p->ShutDown();
    auto q = start();
    ASSERT_EQ(q->settings.GenFreq1, 5000);
    q->mnuReset_Click();
    EXPECT_FALSE(std::filesystem::exists(dir / "startupini"));
    auto fresh = start();
    EXPECT_TRUE(fresh->settings == defaults);
    EXPECT_EQ(fresh->controls()["SweepStepCount"].text(), "20");
    EXPECT_EQ(fresh->controls()["SweepScaleTop"].text(), "20");
}

TEST_F(PanelTest, PointCountAbove200EndsTheReadAndRecapturesTheControls) {
    spit(dir / "big.atp", originalStylePanel(201));
    auto p = start();
    p->testPanelPath = (dir / "big.atp").string();
    p->ReadData();
    // Fields before the points were read into the record, but the controls
    // were not updated from the file, so the capture restores the panel.
    EXPECT_EQ(p->settings.GenFreq1, 1000);
    EXPECT_EQ(p->settings.Wavetype1, "Sine");
    EXPECT_EQ(p->controls()["GenFreq1"].text(), "1000");
    EXPECT_EQ(p->sweepData.pointCount, 200);
    EXPECT_EQ(p->sweepData.freq[200], 20000);
    // Record fields that no control shows keep what was read.
    EXPECT_EQ(p->settings.defaultDataDirectory, "c:\\QEX_ARV1files");
    EXPECT_FALSE(p->updating);
}

TEST_F(PanelTest, MissingFileKeepsTheRecordAndChangesTheCaption) {
    auto p = start();
    p->controls()["GenFreq1"].setText("333");
    p->Update2();
    const auto before = p->settings;
    p->testPanelPath = (dir / "nowhere.atp").string();
    p->ReadData();
    EXPECT_TRUE(p->settings == before);
    EXPECT_EQ(p->caption(), "QEX ARV-1   " + (dir / "nowhere.atp").string());
}

TEST_F(PanelTest, BadFilesNeverCrashAndEndTheReadAtTheBadField) {
    auto p = start();
    const std::string good = originalStylePanel(1);

    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string textInNumber = good;
    textInNumber.replace(textInNumber.find("1234.5"), 6, "\"fast\"");
    std::string outOfRange = good;
    outOfRange.replace(outOfRange.find("\r\n1\r\n-3.5"), 4,
                       "\r\n99999"); // genRouting
    std::string hugeLine = good;
    hugeLine.insert(0, "\"" + std::string(1 << 20, 'x') + "\"\r\n");
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 256));
    const std::vector<Case> cases = {
        {"text in a numeric field", textInNumber},
        {"value out of range", outOfRange},
        {"truncated", good.substr(0, good.size() / 2)},
        {"binary garbage", garbage},
        {"one huge line", hugeLine},
        {"empty", ""},
        {"unterminated quote", "\"c:\\QEX_ARV1files"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        spit(dir / "bad.atp", c.bytes);
        p->testPanelPath = (dir / "bad.atp").string();
        EXPECT_NO_THROW(p->ReadData());
        EXPECT_FALSE(p->updating);
        EXPECT_TRUE(p->settings.SampleSize == 16384 || p->settings.SampleSize == 32768);
    }

    // A count above 200 in a file that ends within the points: the record
    // never holds more points than its arrays, so saving it is safe.
    const std::string many = originalStylePanel(201);
    spit(dir / "cut.atp", many.substr(0, many.size() / 2));
    p->testPanelPath = (dir / "cut.atp").string();
    p->ReadData();
    EXPECT_LE(p->sweepData.pointCount, 200);
    p->testPanelPath = (dir / "saved.atp").string();
    EXPECT_NO_THROW(p->WritePanelFile());

    // A text in a numeric field converts by its leading number.
    spit(dir / "text.atp", textInNumber);
    auto q = start();
    q->testPanelPath = (dir / "text.atp").string();
    q->ReadData();
    EXPECT_EQ(q->settings.GenFreq1, 0);
    EXPECT_EQ(q->settings.SampleRate, 48000);
    EXPECT_EQ(q->settings.scopeTimebase, 40); // read to the end
}

TEST_F(PanelTest, WritesLeaveNoTemporaryFilesAndReplaceWhole) {
    auto p = start();
    p->testPanelPath = (dir / "w.atp").string();
    spit(dir / "w.atp", std::string(100000, 'z'));
    p->WritePanelFile();
    p->ShutDown();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"favfiles", "startupini", "w.atp"}));
    EXPECT_EQ(crlfLines(slurp(dir / "w.atp")).size(), 119u);
}

} // namespace

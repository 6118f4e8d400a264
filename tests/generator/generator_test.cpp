// The generator's commands and panel handlers on virtual time: a panel, the
// simulated output, and a host that records what capture and sweep were asked.

#include "gen_fixture.h"
#include "generator/generator.h"
#include "panel/panel.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

namespace {

struct RecordingHost : generator::GeneratorHost {
    int doStops = 0;
    int captureStarts = 0;
    int sweepClears = 0;
    bool open = false;
    std::int16_t sweep = 0;
    void DoStop() override { ++doStops, open = false; }
    bool captureOpen() const override { return open; }
    void startCaptureTimer() override { ++captureStarts; }
    std::int16_t sweepState() const override { return sweep; }
    void clearSweepState() override { ++sweepClears, sweep = 0; }
};

// The panel's requests forwarded to the generator, as the composition root does.
struct ForwardingHooks : panel::PanelHooks {
    generator::Generator* gen = nullptr;
    void Gen_On_Click() override { gen->Gen_On_Click(); }
    void Gen_Off_Click() override { gen->Gen_Off_Click(); }
    void disableGeneratorOffTimer() override { gen->disableGeneratorOffTimer(); }
    void stopPlaybackAndCloseFile() override { gen->stopPlaybackAndCloseFile(); }
};

class GeneratorTest : public DataDirTest {
protected:
    void SetUp() override {
        DataDirTest::SetUp();
        panel = std::make_unique<panel::Panel>(loop, dialogs, &hooks);
        gen = std::make_unique<generator::Generator>(*panel, loop, dialogs, output, host);
        hooks.gen = gen.get();
        panel->Form_Load();
    }
    void TearDown() override {
        gen.reset();
        panel.reset();
        DataDirTest::TearDown();
    }

    panel::Control& control(const char* name) { return panel->controls()[name]; }
    std::string testwav() { return slurp(dir / "testwav.wav"); }

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedOutput output{loop};
    RecordingHost host;
    ForwardingHooks hooks;
    std::unique_ptr<panel::Panel> panel;
    std::unique_ptr<generator::Generator> gen;
};

TEST_F(GeneratorTest, OnSynthesisesPlaysAndStartsCaptureOffStopsAll) {
    EXPECT_EQ(control("GenOnLED").colour(), panel::colour::DarkCyan);
    control("LeftGenLevel").setText("5"); // set back to 0 when read
    control("Gen_On").click();
    EXPECT_EQ(panel->settings.genOn, 1);
    EXPECT_EQ(control("GenOnLED").colour(), panel::colour::Green);
    EXPECT_EQ(host.captureStarts, 1);
    EXPECT_EQ(control("LeftGenLevel").text(), "0");
    EXPECT_EQ(testwav().size(), 176044u);
    EXPECT_EQ(s16At(testwav(), 44), 32443);
    EXPECT_TRUE(gen->playback().playbackActive() && output.isOpen());

    const int stopsBefore = host.doStops;
    control("Gen_Off").click();
    EXPECT_EQ(panel->settings.genOn, 0);
    EXPECT_EQ(control("GenOnLED").colour(), panel::colour::DarkCyan);
    EXPECT_EQ(host.doStops - stopsBefore, 4); // three in stop-all, one more after
    EXPECT_EQ(host.sweepClears, 1);
    EXPECT_FALSE(output.isOpen() || gen->playback().playbackFileOpen());
}

TEST_F(GeneratorTest, TwoFrequencyChangesWithin200MsGiveOneRestart400MsAfterTheLast) {
    control("Gen_On").click();
    loop.advance(1000);
    control("GenFreq1").setText("1001");
    loop.advance(150);
    control("GenFreq1").setText("1002");
    loop.advance(199);
    EXPECT_TRUE(output.isOpen());
    loop.advance(1); // first tick: off
    EXPECT_FALSE(output.isOpen());
    loop.advance(1850);
    EXPECT_EQ(output.openTimesMs(), (std::vector<std::int64_t>{0, 1550}));
    EXPECT_EQ(panel->settings.genOn, 1);
    EXPECT_FALSE(gen->timer3Enabled());
    EXPECT_EQ(u32At(testwav(), 40), 440u * 4 * 1002); // the new 1002 Hz block
}

TEST_F(GeneratorTest, WhichChangesRestart) {
    control("GenFreq1").setText("2000"); // off: nothing happens
    EXPECT_FALSE(gen->timer3Enabled());
    control("Gen_On").click();
    host.sweep = 1; // the sweep sets the frequency itself
    control("GenFreq1").setText("3000");
    host.sweep = 0;
    panel->updating = true; // the program writes the levels
    control("LeftGenLevel").setText("-3");
    panel->updating = false;
    control("FastCheck").click(); // kept for the next synthesis
    control("MuteOscCheck").click();
    EXPECT_FALSE(gen->timer3Enabled());
    EXPECT_EQ(panel->settings.FastCheck, 1);
    EXPECT_EQ(gen->muteOsc, 1);

    for (const char* name :
         {"GenFreq2", "DeltaPhase", "LeftGenLevel", "RightGenLevel", "Wavetype1", "SampleRate"}) {
        panel::Control& c = control(name);
        if (c.kind() == panel::ControlKind::ComboBox)
            c.setValue(2);
        else
            c.setText("-7");
        EXPECT_TRUE(gen->timer3Enabled()) << name;
        loop.advance(450);
        EXPECT_FALSE(gen->timer3Enabled()) << name;
    }
}

TEST_F(GeneratorTest, RoutingOptions) {
    const char* names[] = {"Left_gen_option", "Right_gen_option", "LplusR_gen_option",
                           "LminusR_gen_option"};
    for (int i : {1, 0, 2}) {
        control(names[i]).click();
        EXPECT_EQ(panel->settings.genRouting, i);
    }
    // Left - Right while on: 400 ms later the right channel is the inverted left.
    control("Gen_On").click();
    control("LminusR_gen_option").click();
    EXPECT_EQ(panel->settings.genRouting, 3);
    loop.advance(400);
    EXPECT_EQ(output.openCount(), 2);
    const auto samples = samplesOf(testwav());
    for (std::size_t i = 0; i < samples.size(); i += 2)
        ASSERT_LE(std::abs(samples[i] + samples[i + 1]), 1);
    EXPECT_EQ(panel->settings.DeltaPhase, 180); // forced until the next re-read
}

TEST_F(GeneratorTest, MutedOnStartsCaptureOnly) {
    control("MuteOscCheck").click();
    control("Gen_On").click();
    EXPECT_EQ(control("GenOnLED").colour(), panel::colour::Green);
    EXPECT_EQ(host.captureStarts, 1);
    EXPECT_FALSE(fs::exists(dir / "testwav.wav"));
    EXPECT_EQ(output.openCount(), 0);
}

TEST_F(GeneratorTest, AnalysisSizeChangeSwitchesOffForGood) {
    control("Gen_On").click();
    control("SampleSize").setText("32768");
    loop.advance(3000);
    EXPECT_EQ(panel->settings.genOn, 0);
    EXPECT_FALSE(output.isOpen());
}

TEST_F(GeneratorTest, ModuleChoice) {
    control("FastCheck").setChecked(true);
    control("Gen_On").click();
    EXPECT_EQ(testwav().size(), 44u + 4u * 441000u); // fixed length, 10 s
    control("Gen_Off").click();
    control("FastCheck").setChecked(false);
    control("Wavetype1").setText("Burst");
    control("Gen_On").click();
    EXPECT_EQ(testwav().size(), 44u + 4u * 22050u);
    control("Gen_Off").click();
    host.sweep = 1; // a sweep always uses the repeating block
    gen->Gen_On_Click();
    EXPECT_EQ(testwav().size(), 176044u);

    // Nothing is made while capture stays open.
    fs::remove(dir / "testwav.wav");
    struct StubbornHost : RecordingHost {
        void DoStop() override { ++doStops; }
    } stubborn;
    stubborn.open = true;
    generator::Generator other(*panel, loop, dialogs, output, stubborn);
    other.BuildTestSignal();
    EXPECT_FALSE(fs::exists(dir / "testwav.wav"));
}

TEST_F(GeneratorTest, ExternalFileAndBrowse) {
    control("usewav_Check").setChecked(true); // WAVfilename is "None"
    control("Gen_On").click();
    EXPECT_EQ(dialogs.messageTexts(),
              std::vector<std::string>{"Error opening input file, rc = 257"});
    control("Gen_Off").click();

    generator::SynthesisInputs in;
    in.frequencyHz = 440;
    generator::RepeatingBlockSynth().MakeBetterWavFile(in, "c:\\QEX_ARV1files\\ext.wav");
    dialogs.queueFile("c:\\QEX_ARV1files\\ext.wav");
    control("EXTWAV_Browse").click();
    const auto requests = dialogs.records(platform::ScriptedDialogs::Kind::OpenFile);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].file.filter, "Ext WAV Files|*.wav;");
    EXPECT_EQ(requests[0].file.startDirectory, "c:\\QEX_ARV1files");
    EXPECT_EQ(control("WAVfilename").text(), "c:\\QEX_ARV1files\\ext.wav");
    dialogs.queueCancel();
    control("EXTWAV_Browse").click();
    dialogs.queueFileError(5, "Invalid procedure call or argument");
    control("EXTWAV_Browse").click();
    EXPECT_EQ(control("WAVfilename").text(), "c:\\QEX_ARV1files\\ext.wav");
    EXPECT_EQ(dialogs.messageTexts().back(),
              "Error 5 selecting file.\r\nInvalid procedure call or argument");

    control("Gen_On").click();
    EXPECT_TRUE(gen->playback().playbackActive());
    EXPECT_EQ(gen->playback().file().dataSize(), 100 * 4 * 440);
    EXPECT_FALSE(fs::exists(dir / "testwav.wav"));
}

TEST_F(GeneratorTest, PendingSwitchOffHappensAtTheNextTimer1Tick) {
    control("Gen_On").click();
    loop.advance(100);
    gen->requestSwitchOff();
    loop.advance(1850);
    EXPECT_EQ(panel->settings.genOn, 1);
    loop.advance(100); // the tick at 2000 ms
    EXPECT_EQ(panel->settings.genOn, 0);
}

} // namespace

// The generator end to end on virtual time: a test panel saved with the
// generator running switches it on, the synthesised file plays through the
// simulated "wire" loopback into capture, and the readouts are those that a
// computation made here predicts from the file's frames (a plain DFT instead
// of the transform, as in the input-run test).

#include "app/main_panel.h"
#include "common/text.h"
#include "expected_readings.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"
#include "platform/wav_pcm16.h"
#include "run_fixture.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

using apptest::Expected;
using apptest::expectedFor;
using apptest::kBlockFrames;

using GeneratorRun = apptest::TempDirTest;

TEST_F(GeneratorRun, ReadoutsThroughTheWireAreThoseOfTheFile) {
    // Saved with the generator on at 1001 Hz and 0 dBr.
    apptest::writeReadoutsPanel(root / "P.atp", [](panel::Panel& p) {
        p.controls()["GenFreq1"].setText("1001");
        p.settings.genOn = 1;
    });
    platform::setDataDirectory(root / "data");
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    audio.setSource(std::make_shared<platform::LoopbackSource>(loop, output.played(),
                                                               *platform::dutPreset("wire")));
    app::MainPanel main(loop, dialogs, audio, output);
    panel::Panel& panel = main.panel();
    panel.Form_Load();

    struct Block {
        std::vector<std::int16_t> raw;
        std::vector<std::string> readouts;
    };
    std::vector<Block> blocks;
    main.analyzer().setBlockObserver([&](std::int64_t) {
        Block b;
        const auto& raw = main.analyzer().block().Raw;
        b.raw.assign(raw.begin(), raw.begin() + 2 * kBlockFrames);
        for (int slot = 1; slot <= 4; ++slot)
            b.readouts.push_back(panel.controls()["Readout" + std::to_string(slot)].caption());
        blocks.push_back(std::move(b));
    });
    panel.testPanelPath = (root / "P.atp").string();
    panel.ReadData(); // saved running: ON
    ASSERT_EQ(panel.settings.genOn, 1);
    loop.post([&] { panel.ShutDown(); }, 2000);
    loop.runUntil([&] { return panel.shutDown; }, 12000);
    ASSERT_GE(blocks.size(), 10u);

    // The file: a 441-frame block of exactly 1000 Hz, repeated.
    const auto data = platform::readWavPcm16(root / "data" / "testwav.wav").wav.samples;
    ASSERT_EQ(data.size(), 441u * 2 * 1001);
    for (std::size_t n = 0; n < blocks.size(); ++n) {
        const Block& b = blocks[n];
        // Every frame of the block is the file's, from some offset on.
        int offset = -1;
        for (int o = 0; o < 441 && offset < 0; ++o) {
            bool same = true;
            for (int f = 0; f < kBlockFrames && same; ++f)
                same = b.raw[static_cast<std::size_t>(2 * f)] ==
                           data[static_cast<std::size_t>(2 * ((o + f) % 441))] &&
                       b.raw[static_cast<std::size_t>(2 * f + 1)] ==
                           data[static_cast<std::size_t>(2 * ((o + f) % 441) + 1)];
            if (same) offset = o;
        }
        ASSERT_GE(offset, 0) << "block " << n + 1;
        const Expected e = expectedFor([&](int i) {
            return static_cast<double>(data[static_cast<std::size_t>(2 * ((offset + i) % 441))]);
        });
        EXPECT_EQ(b.readouts[0], common::Format(e.freqHz, "###.#") + " Hz") << n + 1;
        EXPECT_NEAR(common::leadingNumber(b.readouts[1]), e.millivolts, 0.051) << n + 1;
        EXPECT_NEAR(common::leadingNumber(b.readouts[2]), e.db, 0.0051) << n + 1;
        EXPECT_NEAR(common::leadingNumber(b.readouts[3]), e.thd, 0.002) << n + 1;
    }
}

} // namespace

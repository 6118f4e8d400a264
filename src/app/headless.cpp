#include "app/headless.h"

#include "app/main_panel.h"
#include "common/text.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>

namespace app {

std::string usageText() {
    return "usage: arv1 --headless [--data-dir DIR] [--panel FILE.atp] [--input FILE.wav]\n"
           "                      [--run SECONDS] [--readouts] [--dut SPEC] [--save-graph FILE]\n"
           "  --data-dir DIR    data directory (default ~/QEX_ARV1files)\n"
           "  --panel FILE.atp  test panel to load before the exit routine\n"
           "  --input FILE.wav  feed a 16-bit stereo WAV file to the input (looped) and\n"
           "                    start capture at start-up, with no generator output\n"
           "  --run SECONDS     keep the instrument running that long (virtual time)\n"
           "                    before the exit routine; default: one pass of the input\n"
           "  --readouts        after every block print its number and the five readouts\n"
           "  --dut SPEC        device under test between the simulated output and input\n"
           "                    (without --input): wire (default), amplifier, or\n"
           "                    key=value,... with gain, gainl, gainr, hp, lp, h2, h3,\n"
           "                    noise, crosstalk, latency, seed\n"
           "  --save-graph FILE save the graph before the exit routine (BMP, or PNG\n"
           "                    for a name ending in .png)\n";
}

ParsedArgs parseArgs(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    auto value = [&](std::size_t& i, std::optional<std::string>& target) {
        const std::string& option = args[i];
        if (target) {
            parsed.error = option + " given twice";
        } else if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].rfind("--", 0) == 0) {
            parsed.error = option + " needs a value";
        } else {
            target = args[++i];
        }
    };
    for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--headless")
            parsed.headless = true;
        else if (arg == "--help" || arg == "-h")
            parsed.help = true;
        else if (arg == "--data-dir")
            value(i, parsed.options.dataDir);
        else if (arg == "--panel")
            value(i, parsed.options.panelFile);
        else if (arg == "--save-graph")
            value(i, parsed.options.saveGraph);
        else if (arg == "--input")
            value(i, parsed.options.inputWav);
        else if (arg == "--run") {
            std::optional<std::string> text;
            value(i, text);
            if (parsed.error.empty() && parsed.options.runSeconds)
                parsed.error = "--run given twice";
            else if (parsed.error.empty()) {
                const double seconds = common::leadingNumber(*text);
                if (!(seconds >= 0 && seconds <= 1e7) ||
                    text->find_first_not_of("0123456789.") != std::string::npos)
                    parsed.error = "--run needs a number of seconds";
                else
                    parsed.options.runSeconds = seconds;
            }
        } else if (arg == "--readouts")
            parsed.options.readouts = true;
        else if (arg == "--dut") {
            value(i, parsed.options.dut);
            if (parsed.error.empty()) {
                const auto spec = platform::parseDutSpec(*parsed.options.dut);
                if (!spec.ok) parsed.error = "--dut: " + spec.error;
            }
        } else
            parsed.error = "unknown option " + arg;
    }
    const HeadlessOptions& o = parsed.options;
    if (parsed.error.empty() && !parsed.headless && !parsed.help &&
        (o.dataDir || o.panelFile || o.inputWav || o.runSeconds || o.readouts || o.dut ||
         o.saveGraph))
        parsed.error = "--data-dir, --panel, --input, --run, --readouts, --dut and --save-graph "
                       "go with --headless";
    if (parsed.error.empty() && o.inputWav && o.dut)
        parsed.error = "--dut needs the loopback, not --input";
    return parsed;
}

int runHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
    if (options.dataDir) {
        std::error_code ec;
        const std::filesystem::path dir = std::filesystem::absolute(*options.dataDir, ec);
        std::filesystem::create_directories(dir, ec);
        if (!std::filesystem::is_directory(dir, ec)) {
            err << "arv1: cannot use data directory " << *options.dataDir << "\n";
            return 2;
        }
        platform::setDataDirectory(dir);
    }
    std::string graphPath;
    if (options.saveGraph) {
        std::error_code ec;
        graphPath = std::filesystem::absolute(*options.saveGraph, ec).string();
    }
    std::string panelPath;
    if (options.panelFile) {
        std::error_code ec;
        panelPath = std::filesystem::absolute(*options.panelFile, ec).string();
        if (!std::filesystem::is_regular_file(panelPath, ec)) {
            err << "arv1: test panel " << *options.panelFile << " not found\n";
            return 2;
        }
    }

    platform::VirtualEventLoop loop;
    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    double inputSeconds = 0;
    std::int32_t inputRate = 0;
    if (options.inputWav) {
        platform::WavReadResult wav = platform::readWavPcm16(*options.inputWav);
        if (!wav.ok) {
            err << "arv1: cannot use input " << *options.inputWav << ": " << wav.error << "\n";
            return 2;
        }
        inputRate = wav.wav.sampleRate;
        inputSeconds = static_cast<double>(wav.wav.frames()) / inputRate;
        audio.setSource(std::make_shared<platform::WavFileSource>(std::move(wav.wav)));
    } else {
        // The simulated loopback: what the output plays comes back through the
        // device under test.
        const auto dut = platform::parseDutSpec(options.dut.value_or("wire"));
        if (!dut.ok) {
            err << "arv1: --dut: " << dut.error << "\n";
            return 2;
        }
        audio.setSource(
            std::make_shared<platform::LoopbackSource>(loop, output.played(), dut.params));
    }

    platform::ScriptedDialogs dialogs;
    dialogs.setEcho(&err);
    MainPanel main(loop, dialogs, audio, output);
    panel::Panel& panel = main.panel();
    bool endedForWantOfInput = false;
    main.analyzer().setEndProgram([&] { endedForWantOfInput = true; });
    panel.Form_Load();
    if (endedForWantOfInput) return 2;
    if (!panelPath.empty()) {
        panel.testPanelPath = panelPath;
        panel.ReadData();
    }
    if (options.readouts) {
        main.analyzer().setBlockObserver([&](std::int64_t block) {
            out << block;
            for (int slot = 1; slot <= panel::kReadoutSlots; ++slot)
                out << " | " << panel.controls()["Readout" + std::to_string(slot)].caption();
            out << "\n";
        });
    }
    if (options.inputWav) {
        // The recording is analysed at its own rate.
        if (panel.settings.SampleRate != inputRate) {
            err << "arv1: sample rate set to " << inputRate << " Hz, the rate of the input\n";
            panel.controls()["SampleRate"].setText(std::to_string(inputRate));
            panel.Update2();
        }
        // Capture only: the oscillator stays muted.
        panel.controls()["MuteOscCheck"].setChecked(true);
        main.Gen_On_Click();
    }

    // The exit routine, with the graph saved just before it when asked.
    bool graphSaved = true;
    auto exitRoutine = [&] {
        if (!graphPath.empty()) graphSaved = main.graph().SaveFile1(graphPath);
        panel.ShutDown();
    };

    const double seconds = options.runSeconds.value_or(
        options.inputWav ? inputSeconds + engine::kCaptureStartDelayMs / 1000.0 : 0);
    const auto runMs = static_cast<std::int64_t>(std::llround(seconds * 1000));
    if (runMs > 0) {
        // The exit routine runs at the end of the time, from inside the
        // capture loop as an operator's exit would.
        loop.post(exitRoutine, static_cast<int>(runMs));
        loop.runUntil([&] { return panel.shutDown; }, runMs + engine::kBlockTimeoutMs);
    }
    if (!panel.shutDown) exitRoutine();
    out << panel.caption() << "\n";
    if (!graphSaved) {
        err << "arv1: cannot save the graph to " << *options.saveGraph << "\n";
        return 2;
    }
    return 0;
}

} // namespace app

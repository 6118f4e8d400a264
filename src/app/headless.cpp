#include "app/headless.h"

#include "app/main_panel.h"
#include "common/text.h"
#include "panel/panel.h"
#include "platform/device_catalogue.h"
#include "platform/files.h"
#include "platform/loopback.h"
#include "platform/qt_event_loop.h"
#include "platform/scripted_dialogs.h"
#include "platform/simulated_audio.h"
#include "platform/simulated_output.h"
#include "platform/virtual_event_loop.h"
#include "sequencer/script_host.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>

namespace app {

std::string usageText() {
    return "usage: arv1 [--data-dir DIR] [--device N|IN,OUT|loopback] [--dut SPEC]\n"
           "            [--panel FILE.atp] [--window NAME]\n"
           "            [--screenshot FILE.png [--run SECONDS]]\n"
           "       arv1 --headless [--data-dir DIR] [--device N|IN,OUT|loopback]\n"
           "                      [--dut PRESET|key=value,...] [--panel FILE.atp]\n"
           "                      [--sequence FILE.dfs] [--timeout SECONDS] [--run SECONDS]\n"
           "                      [--input FILE.wav] [--readouts] [--save-graph FILE]\n"
           "                      [--realtime] [--report FILE.pdf] [--export-csv FILE]\n"
           "       arv1 --list-devices\n"
           "  --data-dir DIR      data directory (default ~/QEX_ARV1files)\n"
           "  --device N          sound card position in both device lists (see\n"
           "                      --list-devices), IN,OUT for two positions, or loopback\n"
           "                      (the simulated loopback device, the default)\n"
           "  --dut SPEC          device under test of the simulated loopback: wire\n"
           "                      (default), amplifier, or key=value,... with gain,\n"
           "                      gainl, gainr, hp, lp, h2, h3, noise, crosstalk,\n"
           "                      latency, seed\n"
           "  --panel FILE.atp    test panel to load after start-up\n"
           "  --sequence FILE.dfs test sequence to load and RUN; the run ends when\n"
           "                      RUNSEQ returns\n"
           "  --timeout SECONDS   stop a sequence that runs longer (wall-clock time)\n"
           "  --run SECONDS       keep the instrument running that long (after the\n"
           "                      sequence, if any) before the exit routine; --run\n"
           "                      and --timeout take up to a year\n"
           "  --input FILE.wav    feed a 16-bit stereo PCM WAV file to the input (looped)\n"
           "                      and start capture at start-up, with no generator\n"
           "                      output; default --run: one pass of the file\n"
           "  --readouts          after every block print its number and the five\n"
           "                      readouts\n"
           "  --save-graph FILE   save the graph before the exit routine (BMP, or PNG\n"
           "                      for a name ending in .png)\n"
           "  --realtime          run the simulated device in real time\n"
           "  --report FILE.pdf   write a PDF test report at the end: header, verdict,\n"
           "                      graph, readouts, sweep table with limits, data log\n"
           "  --export-csv FILE   write the current view's data (the sweep or the\n"
           "                      spectrum) as CSV at the end\n"
           "  --window NAME       also open that window (MainPanel, or a dialog such as\n"
           "                      SoundcardSetup)\n"
           "  --screenshot FILE   start the window, run --run seconds of audio (virtual\n"
           "                      time with the simulated device), save the window (or\n"
           "                      --window) as a PNG picture, run the exit routine, exit\n"
           "Without --headless arv1 opens the instrument's window.\n"
           "The final Status text is printed on stdout; message boxes go to stderr.\n"
           "Exit codes (the gravest cause decides, in the order 2, 3, 1):\n"
           "  0  passed: the run did all it was set up to do and the pass/fail lamp\n"
           "     is not red\n"
           "  1  the device failed: the pass/fail lamp is red\n"
           "  2  a script error (or a script function that failed, or --timeout), a\n"
           "     usage error, a start-up failure, or a report or export that cannot\n"
           "     be written\n"
           "  3  the test did not run as set up: a file refused, a write failed, a\n"
           "     message box shown, a sweep unfinished, a sweep point with no limit\n"
           "     row or no reverse calibration while either is on, no signal at a\n"
           "     sweep point\n"
           "Every cause of 2 and 3 prints one line on stderr naming the file, line or\n"
           "point.\n";
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
    // A number of seconds up to a year (above 0 unless zeroAllowed).
    auto duration = [&](std::size_t& i, std::optional<double>& target, bool zeroAllowed) {
        const std::string option = args[i];
        std::optional<std::string> text;
        value(i, text);
        if (!parsed.error.empty()) return;
        if (target) {
            parsed.error = option + " given twice";
            return;
        }
        const double seconds = common::leadingNumber(*text);
        if (text->find_first_not_of("0123456789.") != std::string::npos ||
            !(zeroAllowed ? seconds >= 0 : seconds > 0))
            parsed.error = option + " needs a number of seconds" + (zeroAllowed ? "" : " above 0");
        else if (seconds > kLongestDurationSeconds)
            parsed.error = option + " " + *text + ": at most a year (" +
                           std::to_string(kLongestDurationSeconds) + " seconds)";
        else
            target = seconds;
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
        else if (arg == "--report")
            value(i, parsed.options.report);
        else if (arg == "--export-csv")
            value(i, parsed.options.exportCsv);
        else if (arg == "--sequence")
            value(i, parsed.options.sequence);
        else if (arg == "--device")
            value(i, parsed.options.device);
        else if (arg == "--screenshot")
            value(i, parsed.screenshot);
        else if (arg == "--window")
            value(i, parsed.window);
        else if (arg == "--realtime")
            parsed.options.realtime = true;
        else if (arg == "--list-devices")
            parsed.listDevices = true;
        else if (arg == "--timeout")
            duration(i, parsed.options.timeoutSeconds, false);
        else if (arg == "--input")
            value(i, parsed.options.inputWav);
        else if (arg == "--run") {
            duration(i, parsed.options.runSeconds, true);
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
    const bool headlessOnly = o.inputWav || o.readouts || o.saveGraph || o.sequence ||
                              o.timeoutSeconds || o.realtime || o.report || o.exportCsv;
    const bool windowOnly = parsed.screenshot || parsed.window;
    const bool startOptions = o.dataDir || o.panelFile || o.dut || o.device || o.runSeconds;
    if (parsed.error.empty() && !parsed.headless && !parsed.help && headlessOnly)
        parsed.error = "--sequence, --timeout, --input, --readouts, --save-graph, --realtime, "
                       "--report and --export-csv go with --headless";
    if (parsed.error.empty() && parsed.headless && windowOnly)
        parsed.error = "--screenshot and --window go without --headless";
    if (parsed.error.empty() && !parsed.headless && o.runSeconds && !parsed.screenshot)
        parsed.error = "--run goes with --headless or --screenshot";
    if (parsed.error.empty() && parsed.listDevices &&
        (parsed.headless || headlessOnly || windowOnly || startOptions))
        parsed.error = "--list-devices goes alone";
    if (parsed.error.empty() && o.timeoutSeconds && !o.sequence)
        parsed.error = "--timeout goes with --sequence";
    if (parsed.error.empty() && o.inputWav && o.device && *o.device != "loopback")
        parsed.error = "--input feeds the simulated device; it does not go with a real --device";
    if (parsed.error.empty() && o.inputWav && o.dut)
        parsed.error = "--dut needs the loopback, not --input";
    return parsed;
}

namespace {

// Real devices and --realtime need a loop in real time, and the report needs
// fonts; both need a Qt application object. Headless, it never shows a window.
void ensureQtApplication() {
    if (QCoreApplication::instance()) return;
    // The offscreen platform asks for a runtime directory that it never uses;
    // its complaint would be the only noise on stderr.
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
            if (previous)
                previous(type, context, message);
            else
                std::fprintf(stderr, "%s\n", qPrintable(message));
        });
    static int argc = 3;
    static char name[] = "arv1", platformOption[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    static QGuiApplication application(argc, argv);
}

// Why a file cannot be written there, before the run; empty when it can be tried.
std::string unwritableReason(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty() && !std::filesystem::is_directory(parent, ec))
        return "the folder " + parent.string() + " does not exist";
    if (std::filesystem::is_directory(path, ec)) return "it is a folder";
    return {};
}

output::Verdict runVerdict(int code, const std::string& status) {
    switch (code) {
    case 0:
        return {true, {}};
    case 1:
        return {false, "A sweep point lies outside its limits (the pass/fail lamp is red)."};
    case 2:
        return {false, "The run stopped with an error: " + status};
    default:
        return {false, "The test did not run as set up (exit code " + std::to_string(code) + ")."};
    }
}

std::string deviceText(platform::DeviceCatalogue& catalogue,
                       const platform::DeviceChoice& devices) {
    const std::string in = catalogue.input()
                               .deviceName(devices.inputPosition)
                               .value_or("input " + std::to_string(devices.inputPosition));
    const std::string out = catalogue.output()
                                .deviceName(devices.outputPosition)
                                .value_or("output " + std::to_string(devices.outputPosition));
    return in == out ? in : "in: " + in + ", out: " + out;
}

std::shared_ptr<platform::PortAudioSession> startSoundSystem() {
    // PortAudio's JACK probe would otherwise try to start a server.
    ::setenv("JACK_NO_START_SERVER", "1", 0);
    return std::make_shared<platform::PortAudioSession>();
}

// The longest delay one post takes (about 24 days).
constexpr std::int64_t kLongestPostMs = std::numeric_limits<int>::max();

// The exit code of a run: the gravest of its causes, graver to milder
// 2 (script, usage, start-up), 3 (not run as set up), 1 (failed), 0.
class RunVerdict {
public:
    explicit RunVerdict(std::ostream& err) : err_(err) {}
    // A cause; its line (when given) goes to stderr.
    void add(int code, const std::string& line = {}) {
        if (!line.empty()) err_ << "arv1: " << line << "\n";
        if (rank(code) > rank(code_)) code_ = code;
    }
    int code() const { return code_; }

private:
    static int rank(int code) {
        switch (code) {
        case kExitScriptError:
            return 3;
        case kExitNotAsSetUp:
            return 2;
        case kExitFailed:
            return 1;
        default:
            return 0;
        }
    }
    std::ostream& err_;
    int code_ = kExitPassed;
};

} // namespace

int listDevices(std::ostream& out, std::ostream& err) {
    platform::VirtualEventLoop loop;
    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    platform::DeviceCatalogue catalogue(loop, audio, output, startSoundSystem());
    if (!catalogue.soundSystemError().empty())
        err << "arv1: " << platform::soundSystemFailedMessage(catalogue.soundSystemError()) << "\n";
    out << platform::listDevicesText(catalogue.input(), catalogue.output());
    return 0;
}

std::unique_ptr<platform::DataDirectoryLock>
claimDataDirectory(const std::optional<std::string>& dataDir, std::string& why) {
    if (dataDir) {
        std::error_code ec;
        const std::filesystem::path dir = std::filesystem::absolute(*dataDir, ec);
        std::filesystem::create_directories(dir, ec);
        if (!std::filesystem::is_directory(dir, ec)) {
            why = "cannot use data directory " + *dataDir;
            return nullptr;
        }
        platform::setDataDirectory(dir);
    } else {
        platform::ensureDataDirectory();
    }
    auto lock = std::make_unique<platform::DataDirectoryLock>();
    why = lock->acquire();
    if (!why.empty()) return nullptr;
    platform::removePartialFiles();
    return lock;
}

int runHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
    std::string refusal;
    const auto dataLock = claimDataDirectory(options.dataDir, refusal);
    if (!dataLock) {
        err << "arv1: " << refusal << "\n";
        return 2;
    }
    auto absolute = [](const std::optional<std::string>& path) {
        std::error_code ec;
        return path ? std::filesystem::absolute(*path, ec).string() : std::string();
    };
    const std::string graphPath = absolute(options.saveGraph);
    const std::string panelPath = absolute(options.panelFile);
    const std::string sequencePath = absolute(options.sequence);
    const std::string reportPath = absolute(options.report);
    const std::string csvPath = absolute(options.exportCsv);
    for (const auto& [path, what] :
         {std::pair{reportPath, "the report"}, std::pair{csvPath, "the CSV export"}}) {
        if (path.empty()) continue;
        if (const std::string reason = unwritableReason(path); !reason.empty()) {
            err << "arv1: cannot write " << what << " to " << path << ": " << reason << "\n";
            return 2;
        }
    }
    for (const auto& [path, what] :
         {std::pair{panelPath, "test panel"}, std::pair{sequencePath, "test sequence"}}) {
        std::error_code ec;
        if (!path.empty() && !std::filesystem::is_regular_file(path, ec)) {
            err << "arv1: " << what << " " << path << " not found\n";
            return 2;
        }
    }

    const bool realDevice = options.device && *options.device != "loopback";
    std::unique_ptr<platform::EventLoop> loopOwner;
    if (options.report) ensureQtApplication();
    if (realDevice || options.realtime) {
        ensureQtApplication();
        loopOwner = std::make_unique<platform::QtEventLoop>();
    } else {
        loopOwner = std::make_unique<platform::VirtualEventLoop>();
    }
    platform::EventLoop& loop = *loopOwner;

    platform::SimulatedAudio audio(loop);
    platform::SimulatedOutput output(loop);
    double inputSeconds = 0;
    std::int32_t inputRate = 0;
    if (options.inputWav) {
        // Streamed from the file, so a recording of any length takes little memory.
        const platform::WavLayoutResult wav = platform::readWavPcm16Layout(*options.inputWav);
        if (!wav.ok) {
            err << "arv1: cannot use input " << *options.inputWav << ": " << wav.error << "\n";
            return 2;
        }
        inputRate = wav.layout.sampleRate;
        inputSeconds = static_cast<double>(wav.layout.frames) / inputRate;
        audio.setSource(std::make_shared<platform::WavFileSource>(*options.inputWav, wav.layout));
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
    platform::DeviceCatalogue catalogue(loop, audio, output,
                                        realDevice ? startSoundSystem() : nullptr);
    platform::DeviceChoice devices = platform::parseDeviceChoice(
        options.device.value_or("loopback"), catalogue.input().deviceCount(),
        catalogue.output().deviceCount(), catalogue.loopbackInputPosition(),
        catalogue.loopbackOutputPosition());
    if (!devices.ok) {
        err << "arv1: --device: " << devices.error << "\n";
        return 2;
    }

    platform::ScriptedDialogs dialogs;
    dialogs.setEcho(&err);
    MainPanel main(loop, dialogs, catalogue.input(), catalogue.output());
    panel::Panel& panel = main.panel();
    if (realDevice) {
        catalogue.reportSoundSystemFailure(dialogs);
        main.analyzer().setStallLimit(5, 1000);
        if (auto* real = catalogue.realOutput())
            real->setFailureHandler([&] {
                main.Gen_Off_Click();
                dialogs.message("Error", platform::kOutputStalledMessage);
            });
    }
    bool endedForWantOfInput = false;
    main.analyzer().setEndProgram([&] { endedForWantOfInput = true; });
    panel.Form_Load();
    if (endedForWantOfInput) return 2;
    if (!panelPath.empty()) {
        panel.testPanelPath = panelPath;
        panel.ReadData();
    }
    // The run uses the chosen devices; the panel's own choice is what the
    // start-up file keeps.
    const std::int32_t panelInputId = panel.settings.InputDeviceId;
    const std::int32_t panelOutputId = panel.settings.OutputDeviceId;
    panel.settings.InputDeviceId = devices.inputPosition;
    panel.settings.OutputDeviceId = devices.outputPosition;

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
        panel.settings.InputDeviceId = panelInputId;
        panel.settings.OutputDeviceId = panelOutputId;
        panel.ShutDown();
    };

    sequencer::ScriptHost& host = main.scriptHost();
    bool scriptFailed = false;
    if (!sequencePath.empty()) {
        if (options.timeoutSeconds)
            host.setRunTimeLimit(std::chrono::milliseconds(
                static_cast<std::int64_t>(std::llround(*options.timeoutSeconds * 1000))));
        if (host.loadSequence(sequencePath)) {
            host.SeqRun_Click();
            scriptFailed = !host.lastRunResult() || host.lastRunResult()->number != 0;
        } else {
            scriptFailed = true;
        }
    }

    const double seconds = options.runSeconds.value_or(
        options.inputWav ? inputSeconds + engine::kCaptureStartDelayMs / 1000.0 : 0);
    const auto runMs = static_cast<std::int64_t>(std::llround(seconds * 1000));
    if (runMs > 0 && !panel.shutDown) {
        // The exit routine runs at the end of the time, between two blocks as
        // an operator's exit would; a time beyond what one post can wait is
        // waited for in steps.
        const std::int64_t endMs = loop.nowMs() + runMs;
        std::function<void()> exitAtTheEnd = [&] {
            const std::int64_t left = endMs - loop.nowMs();
            if (left > 0)
                loop.post(exitAtTheEnd,
                          static_cast<int>(std::min<std::int64_t>(left, kLongestPostMs)));
            else
                exitRoutine();
        };
        exitAtTheEnd();
        loop.runUntil([&] { return panel.shutDown; }, runMs + engine::kBlockTimeoutMs);
    }
    if (!panel.shutDown) exitRoutine();

    const std::string status = panel.controls()["Status"].caption();
    out << status << "\n";

    // The verdict: every cause that keeps the run from standing gets one line
    // on stderr (message boxes have had theirs), and the gravest decides.
    RunVerdict verdict(err);
    if (host.timedOut())
        verdict.add(kExitScriptError,
                    "timed out after " + common::displayText(*options.timeoutSeconds) + " s");
    else if (scriptFailed)
        verdict.add(kExitScriptError, "the sequence failed: " + status);
    for (const std::string& failure : host.functionFailures())
        verdict.add(kExitScriptError, "a script function failed: " + failure);
    const auto boxes =
        static_cast<int>(dialogs.records(platform::ScriptedDialogs::Kind::Message).size()) -
        host.scriptMessageBoxes();
    if (boxes > 0) verdict.add(kExitNotAsSetUp);
    for (const std::string& line : main.sweep().shortcomings())
        verdict.add(kExitNotAsSetUp, line);
    if (!graphSaved) verdict.add(kExitNotAsSetUp, "cannot save the graph to " + *options.saveGraph);
    if (panel.controls()["PFLED"].colour() == panel::colour::Red) verdict.add(kExitFailed);

    // The report and the export, with the verdict of the run.
    const int testCode = verdict.code();
    std::string error;
    if (!csvPath.empty() && !main.fileOutput().exportCurrentView(csvPath, error)) {
        verdict.add(kExitScriptError, "cannot write the CSV export to " + csvPath + ": " + error);
    }
    if (!reportPath.empty()) {
        const bool simulated = !realDevice && !options.inputWav;
        main.fileOutput().setReportContext([&] {
            output::ReportContext context;
            context.panelFile = panelPath;
            context.sequenceFile = sequencePath;
            context.device = options.inputWav ? "Simulated loopback, input " + *options.inputWav
                                              : deviceText(catalogue, devices);
            if (simulated) context.dut = options.dut.value_or("wire");
            context.verdict = runVerdict(testCode, status);
            return context;
        });
        if (!main.fileOutput().saveReport(reportPath, error)) {
            verdict.add(kExitScriptError,
                        "cannot write the report to " + reportPath + ": " + error);
        }
    }
    return verdict.code();
}

} // namespace app

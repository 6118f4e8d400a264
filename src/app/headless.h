#pragma once
// The headless runner: starts the instrument with scripted dialogs (message
// boxes go to stderr, one line each), on virtual time with the simulated
// loopback unless a real sound card or real time is asked for; loads a test
// panel as "Load Test Panel" would; runs a test sequence and/or keeps the
// instrument running for a while; saves the graph; and runs the exit routine
// (which writes the start-up file).

#include "platform/files.h"

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct HeadlessOptions {
    std::optional<std::string> dataDir;
    std::optional<std::string> panelFile;
    // A 16-bit stereo WAV file fed to the input; capture starts at start-up
    // as ON would, with no generator output.
    std::optional<std::string> inputWav;
    // Virtual seconds to run before the exit routine. Default: one pass of
    // the input file plus the half second before capture starts; 0 without one.
    std::optional<double> runSeconds;
    // After every block: "<block> | <Readout1> | ... | <Readout5>".
    bool readouts = false;
    // The device under test between the simulated output and input (a
    // preset name or key=value,...; see platform::parseDutSpec). Without
    // --input the input is that loopback; default "wire".
    std::optional<std::string> dut;
    // The graph, in its current view, saved just before the exit routine:
    // BMP, or PNG for a name ending in ".png".
    std::optional<std::string> saveGraph;
    // A test sequence to load and RUN; the run ends when RUNSEQ returns.
    std::optional<std::string> sequence;
    // Wall-clock seconds a sequence may run before it is stopped.
    std::optional<double> timeoutSeconds;
    // The sound card: "N", "IN,OUT" (positions in the device lists) or
    // "loopback" (the default).
    std::optional<std::string> device;
    // Real time instead of virtual time with the simulated device.
    bool realtime = false;
    // A PDF test report written at the end of the run, with the verdict that
    // the exit code gives.
    std::optional<std::string> report;
    // The current view's data (the sweep or the spectrum) as CSV, written at
    // the end of the run.
    std::optional<std::string> exportCsv;
};

struct ParsedArgs {
    bool headless = false;
    bool help = false;
    bool listDevices = false;
    // The window's options (without --headless): --data-dir, --device, --dut
    // and --panel are taken from `options`; --run goes with --screenshot.
    std::optional<std::string> screenshot; // grab the window into this PNG and exit
    std::optional<std::string> window;     // the window to show (and grab) by name
    HeadlessOptions options;
    std::string error; // non-empty: a usage error
};

// --run and --timeout take up to a year.
inline constexpr int kLongestDurationSeconds = 365 * 24 * 3600;

ParsedArgs parseArgs(const std::vector<std::string>& args);

std::string usageText();

// --data-dir (or the default): creates the directory, makes it the data
// directory, locks it for this instance, and removes what a run killed in
// the middle of a write left there. Null, with the reason in `why`, when the
// directory cannot be used or another instance holds it.
std::unique_ptr<platform::DataDirectoryLock>
claimDataDirectory(const std::optional<std::string>& dataDir, std::string& why);

// The runner's exit codes.
inline constexpr int kExitPassed = 0;
// The device failed: the pass/fail lamp is red.
inline constexpr int kExitFailed = 1;
// A script error (or a time-out, or a script function that failed), a usage
// error, a start-up failure, or a report or export that could not be written.
inline constexpr int kExitScriptError = 2;
// The test did not run as set up: a file refused, a write failed, a sweep
// unfinished or unjudged, no signal, any message box of the instrument.
inline constexpr int kExitNotAsSetUp = 3;

// Runs the instrument headless and prints the final Status text on out. Exits
// 0 only when the run (and its sequence) did everything it was set up to do
// and the pass/fail lamp is not red; otherwise the gravest cause decides, in
// the order 2, 3, 1, and each cause has a line on err.
int runHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err);

// --list-devices: both device lists with their positions.
int listDevices(std::ostream& out, std::ostream& err);

} // namespace app

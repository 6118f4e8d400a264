#pragma once
// The headless runner: starts the instrument on virtual time with scripted
// dialogs, optionally loads a test panel as "Load Test Panel" would, and runs
// the exit routine (which writes the start-up file).

#include <iosfwd>
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
};

struct ParsedArgs {
    bool headless = false;
    bool help = false;
    HeadlessOptions options;
    std::string error; // non-empty: a usage error
};

ParsedArgs parseArgs(const std::vector<std::string>& args);

std::string usageText();

// Exit codes: 0 done, 2 a start-up failure (message on err).
int runHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err);

} // namespace app

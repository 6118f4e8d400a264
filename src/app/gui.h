#pragma once
// The instrument with its window: the same start-up and exit routines as the
// headless runner (Form_Load, ShutDown), on Qt's event loop in real time with
// the sound cards PortAudio finds and the simulated loopback after them.
// Closing the window, File > Exit and SIGINT/SIGTERM write the start-up file;
// "Reset INI and Exit" does not.
//
// With --screenshot the window is shown, the instrument runs for --run
// seconds of audio (virtual time with the simulated loopback, so a screenshot
// takes a moment whatever the length), the window (or --window) is saved as a
// PNG picture and the exit routine runs. Message boxes then go to err, one
// line each, instead of waiting for an answer.

#include "app/headless.h"

#include <iosfwd>

namespace app {

// Creates the QApplication when there is none. Returns the exit code: 0, or 2
// for a start-up failure or a picture that could not be written.
int runWindow(const ParsedArgs& args, std::ostream& err);

} // namespace app

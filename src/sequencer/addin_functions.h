#pragma once
// clsAddInFunction: the functions a test sequence calls to drive the
// instrument. Each acts on the panel as an operator would: it writes a
// control's text (which raises the control's change handler), presses a
// button, or reads a displayed value.
//
// A function that fails shows its own text in the Status line ("Error in
// genfreq formula." and the like) and returns its empty result (Empty, "" or
// False); the script goes on. eraselog, logadd, logpretext and logtime ignore
// every error silently; launchapp passes the opener's errors to the script.

#include "script/engine.h"

#include <array>
#include <string_view>

namespace sequencer {

class ScriptHost;

// The members, in the order the class declares them.
inline constexpr std::array<std::string_view, 23> kAddInFunctionNames = {
    "loadtest", "starttest",   "datacapture", "genfreq",  "genlevelL", "genlevelR",
    "phaseR",   "logdata",     "logfilepath", "eraselog", "logadd",    "logpretext",
    "logtime",  "logviewer",   "passfail",    "checkend", "waitfor",   "splash",
    "readch",   "getfreqdata", "getLdata",    "getRdata", "launchapp"};

// A new clsAddInFunction acting through `host`. The panel's engine holds one
// as "MathFunction"; the sequence editor gives its own engine another, so
// that a syntax check knows the same names.
script::Ref<script::NativeObject> makeAddInFunctions(ScriptHost& host);

} // namespace sequencer

#include "sequencer/addin_functions.h"

#include "common/tables.h"
#include "common/text.h"
#include "common/vb_error.h"
#include "panel/controls.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "sequencer/script_host.h"

#include <exception>
#include <string>

namespace sequencer {

namespace {

using script::Variant;
using Args = std::span<const Variant>;

std::string text(Args args, std::size_t i) {
    return args[i].toString();
}

// Runs `body`; a failure puts `failureText` in the Status line and returns
// `emptyResult`. The engine's own interrupt is no std::exception and passes.
template <class Body>
script::NativeFunction guarded(ScriptHost& host, std::string_view failureText, Variant emptyResult,
                               Body body) {
    return [&host, failureText, emptyResult, body](Args args) -> Variant {
        try {
            return body(args);
        } catch (const std::exception&) {
            host.functionFailed(failureText);
            return emptyResult;
        }
    };
}

// The log appends: every error is ignored, nothing is shown.
template <class Body> script::NativeFunction silent(Body body) {
    return [body](Args args) -> Variant {
        try {
            body(args);
        } catch (const std::exception&) {
        }
        return Variant();
    };
}

// The text of a sweep value at a point index 0..200; other indexes fail.
template <class Value>
Variant sweepValue(Args args, const std::array<Value, common::kTableSize>& values) {
    const int index = args[0].toInteger();
    if (index < 0 || index > common::kMaxRows) throw common::VbError(9, "Subscript out of range");
    return Variant(common::shortestText(values[static_cast<std::size_t>(index)]));
}

} // namespace

script::Ref<script::NativeObject> makeAddInFunctions(ScriptHost& host) {
    auto object = script::make<script::NativeObject>("clsAddInFunction");
    script::NativeObject& o = *object;
    panel::Panel& panel = host.panel();
    const Variant none;
    const Variant emptyText{std::string()};

    auto setControlText = [&panel](const char* name) {
        return [&panel, name](Args args) {
            panel.controls()[name].setText(text(args, 0));
            return Variant();
        };
    };

    o.method("loadtest",
             guarded(host, "Error in loadtest formula.", none,
                     [&panel](Args args) {
                         panel.testPanelPath = text(args, 0);
                         panel.ReadData();
                         return Variant();
                     }),
             1, 1);
    o.method("starttest",
             guarded(host, "Error in starttest formula.", none,
                     [&panel](Args) {
                         panel.controls()["SweepStart"].click();
                         return Variant();
                     }),
             0, 0);
    o.method("datacapture",
             guarded(host, "Error in datacapture formula.", none,
                     [&panel](Args) {
                         panel.controls()["Gen_On"].click();
                         return Variant();
                     }),
             0, 0);
    o.method("genfreq",
             guarded(host, "Error in genfreq formula.", none, setControlText("GenFreq1")), 1, 1);
    // The odd word order of this text is what operators know.
    o.method("genlevelL",
             guarded(host, "Error genlevelL in formula.", none, setControlText("LeftGenLevel")), 1,
             1);
    o.method("genlevelR",
             guarded(host, "Error in genlevelR formula.", none, setControlText("RightGenLevel")), 1,
             1);
    o.method("phaseR",
             guarded(host, "Error in phaseR formula.", none, setControlText("DeltaPhase")), 1, 1);
    o.method("logdata",
             guarded(host, "Error in logdata formula.", none,
                     [&host, &panel](Args args) {
                         panel.settings.logFilePath = text(args, 0);
                         host.dataLog().Logvalues(panel.settings.logFilePath, panel.sweepData,
                                                  host.logOptions());
                         return Variant();
                     }),
             1, 1);
    o.method("logfilepath",
             guarded(host, "Error in logfilepath formula.", none,
                     [&panel](Args args) {
                         panel.settings.logFilePath = text(args, 0);
                         return Variant();
                     }),
             1, 1);
    o.method("eraselog", silent([&host](Args args) { host.dataLog().eraselog(text(args, 0)); }), 1,
             1);
    o.method("logadd", silent([&host, &panel](Args args) {
                 host.dataLog().logadd(panel.settings.logFilePath, text(args, 0));
             }),
             1, 1);
    o.method("logpretext", silent([&host, &panel](Args args) {
                 host.dataLog().logpretext(panel.settings.logFilePath, text(args, 0));
             }),
             1, 1);
    o.method("logtime",
             silent([&host, &panel](Args) { host.dataLog().logtime(panel.settings.logFilePath); }),
             0, 0);
    o.method("logviewer",
             guarded(host, "Error in logviewer formula.", none,
                     [&host](Args args) {
                         host.logViewer().show(text(args, 0));
                         host.logViewer().setVisible(true);
                         return Variant();
                     }),
             1, 1);
    o.method("passfail",
             guarded(host, "Error in passfail formula.", Variant(false),
                     [&panel](Args) {
                         return Variant(panel.controls()["PFLED"].colour() != panel::colour::Red);
                     }),
             0, 0);
    o.method("checkend",
             guarded(host, "Error in checkend formula.", Variant(false),
                     [&host](Args) { return Variant(host.checkend()); }),
             0, 0);
    o.method("waitfor",
             guarded(host, "Error in waitfor formula.", none,
                     [&host](Args args) {
                         host.waitfor(args[0].toDouble());
                         return Variant();
                     }),
             1, 1);
    o.method("splash",
             guarded(host, "Error in splash formula.", none,
                     [&host](Args args) {
                         const std::string caption = text(args, 0);
                         host.splash(caption, args[1].toDouble());
                         return Variant();
                     }),
             2, 2);
    o.method("readch",
             guarded(host, "Error in readch formula.", emptyText,
                     [&panel](Args args) {
                         const int slot = args[0].toInteger();
                         if (slot < 1 || slot > 5) return Variant(std::string());
                         const std::string n = std::to_string(slot);
                         std::string value = panel.controls()["Readout" + n].caption();
                         // A caption that carries its " %" already keeps it once.
                         if (panel.controls()["Readoutun" + n].text() == "%" &&
                             !value.ends_with(" %"))
                             value += " %";
                         return Variant(std::move(value));
                     }),
             1, 1);
    o.method("getfreqdata",
             guarded(host, "Error in getfreqdata formula.", emptyText,
                     [&panel](Args args) { return sweepValue(args, panel.sweepData.freq); }),
             1, 1);
    o.method("getLdata",
             guarded(host, "Error in getLdata formula.", emptyText,
                     [&panel](Args args) { return sweepValue(args, panel.sweepData.levelLeft); }),
             1, 1);
    o.method("getRdata",
             guarded(host, "Error in getRdata formula.", emptyText,
                     [&panel](Args args) { return sweepValue(args, panel.sweepData.levelRight); }),
             1, 1);
    // Paths in the program's data directory open the real file there; other
    // targets (URLs, programs on PATH) go to the opener as they are.
    o.method(
        "launchapp",
        [&host](Args args) {
            const std::string target = text(args, 0);
            const bool isUrl = target.find("://") != std::string::npos;
            try {
                host.launcher().open(isUrl ? target : platform::mapPath(target).string());
            } catch (const common::VbError& e) {
                throw script::ScriptError(e.number(), e.description());
            }
            return Variant();
        },
        1, 1);
    return object;
}

} // namespace sequencer

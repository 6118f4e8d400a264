// libFuzzer target: compiles and runs arbitrary text as a script, and as an
// expression, with small limits so that every input finishes quickly.
// Any crash or sanitizer report is a bug; script errors are expected.

#include "script/engine.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    script::Engine engine;
    script::Limits limits;
    limits.maxStringBytes = 1 << 16;
    limits.maxArrayElements = 1 << 16;
    limits.statementsPerInterruptCheck = 512;
    engine.setLimits(limits);
    int checks = 0;
    engine.setInterruptCheck([&checks] { return ++checks > 40; }); // ~20000 statements
    engine.addFunction(
        "ok", [](std::span<const script::Variant>) { return script::Variant(); }, 1, 2);
    engine.addFunction("Echo", [](std::span<const script::Variant>) { return script::Variant(); });
    engine.addCode(text, "fuzz");
    checks = 0;
    engine.evaluate(text);
    checks = 0;
    engine.call("RUNSEQ");
    return 0;
}

// libFuzzer target: compiles and runs arbitrary text as a script, and as an
// expression, with small limits so that every input finishes quickly.
// Any crash or sanitizer report is a bug; script errors are expected.

#include "script/engine.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

// Every path a script names becomes one file or folder directly inside a
// scratch folder, so the FileSystemObject can never touch anything else.
std::string sandboxed(std::string_view path) {
    static const std::filesystem::path root = [] {
        auto p = std::filesystem::temp_directory_path() / "arv1-fuzz-script";
        std::filesystem::create_directories(p);
        return p;
    }();
    std::string name;
    for (char c : path)
        name += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
    if (name.empty() || name == "." || name == "..") name = "_";
    return (root / name.substr(0, 64)).string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    script::Engine engine;
    script::Limits limits;
    limits.maxStringBytes = 1 << 16;
    limits.maxArrayElements = 1 << 16;
    limits.statementsPerInterruptCheck = 512;
    engine.setLimits(limits);
    engine.setPathMapper(sandboxed);
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

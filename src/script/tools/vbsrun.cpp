// vbsrun FILE.vbs [ARGUMENTS...] — runs a VBScript file's top-level code.
//
// The script gets a global Echo(...) that prints its arguments, separated by
// blanks, as one line on stdout, and a WScript object as the desktop script
// host has it: WScript.Echo, WScript.Sleep(milliseconds), WScript.Quit([code]),
// WScript.Arguments (Count, Item(i), For Each), WScript.ScriptName and
// WScript.ScriptFullName. MsgBox prints its prompt the same way and InputBox
// reads a line from stdin.
//
// FileSystemObject paths: "\" becomes "/", and a drive ("c:") is dropped, so
// "c:\temp\x.txt" is /temp/x.txt.
//
// On an error vbsrun prints "FILE(LINE) DESCRIPTION" on stderr and exits with
// 1; WScript.Quit exits with its code; otherwise vbsrun exits with 0.

#include "script/engine.h"

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string line(std::span<const script::Variant> args) {
    std::string text;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) text += ' ';
        text += args[i].isNull() ? std::string("Null") : args[i].toString();
    }
    return text;
}

class Arguments : public script::Object {
public:
    explicit Arguments(std::vector<std::string> a) : args_(std::move(a)) {}
    std::string typeName() const override { return "Arguments"; }
    int findMember(std::string_view name) const override {
        if (script::sameName(name, "Item")) return 1;
        if (script::sameName(name, "Count") || script::sameName(name, "Length")) return 2;
        return -1;
    }
    script::Variant invoke(int member, script::Access access,
                           std::span<const script::Variant> args) override {
        if (access != script::Access::Get) throw script::ScriptError(438);
        if (member == 2) return script::Variant(static_cast<int32_t>(args_.size()));
        if (args.size() != 1) throw script::ScriptError(450);
        const int32_t i = args[0].toLong();
        if (i < 0 || static_cast<size_t>(i) >= args_.size()) throw script::ScriptError(9);
        return script::Variant(args_[static_cast<size_t>(i)]);
    }
    bool enumerate(std::vector<script::Variant>& items) override {
        for (const std::string& a : args_)
            items.emplace_back(a);
        return true;
    }

private:
    std::vector<std::string> args_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: vbsrun FILE.vbs [ARGUMENTS...]\n";
        return 2;
    }
    const std::string file = argv[1];
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << file << ": cannot open\n";
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();

    script::Engine engine;
    auto echo = [](std::span<const script::Variant> args) {
        std::cout << line(args) << '\n';
        return script::Variant();
    };
    engine.addFunction("Echo", echo);

    std::optional<int> quitCode;
    auto wscript = script::make<script::NativeObject>("Object");
    wscript->method("Echo", echo);
    wscript->method(
        "Sleep",
        [](std::span<const script::Variant> a) {
            const int32_t ms = a[0].toLong();
            if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return script::Variant();
        },
        1, 1);
    wscript->method(
        "Quit",
        [&](std::span<const script::Variant> a) {
            quitCode = a.empty() || a[0].isEmpty() ? 0 : a[0].toLong();
            engine.requestInterrupt();
            return script::Variant();
        },
        0, 1);
    auto arguments = script::make<Arguments>(std::vector<std::string>(argv + 2, argv + argc));
    wscript->method("Arguments", [arguments](std::span<const script::Variant> a) {
        if (a.empty()) return script::Variant(arguments);
        return arguments->invoke(1, script::Access::Get, a);
    });
    wscript->method(
        "ScriptName",
        [file](auto) { return script::Variant(std::filesystem::path(file).filename().string()); },
        0, 0);
    wscript->method(
        "ScriptFullName",
        [file](auto) { return script::Variant(std::filesystem::absolute(file).string()); }, 0, 0);
    engine.addObject("WScript", wscript);

    engine.setPathMapper([](std::string_view path) {
        std::string p(path);
        for (char& c : p)
            if (c == '\\') c = '/';
        if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0])))
            p.erase(0, 2);
        return p;
    });
    engine.setMsgBoxHandler([](const std::string& prompt, int, const std::string&) {
        std::cout << prompt << '\n';
        return 1;
    });
    engine.setInputBoxHandler([](const std::string& prompt, const std::string&,
                                 const std::string& def) -> std::optional<std::string> {
        std::cout << prompt << '\n';
        std::string answer;
        if (!std::getline(std::cin, answer)) return def;
        return answer;
    });
    const bool ok = engine.addCode(text.str(), file);
    std::cout.flush();
    if (quitCode) return *quitCode;
    if (!ok) {
        const script::ErrorInfo& e = engine.lastError();
        std::cerr << file << '(' << e.line << ") " << e.description << '\n';
        return 1;
    }
    return 0;
}

// vbsrun FILE.vbs — runs a VBScript file's top-level code.
//
// The script gets a global Echo(...) that prints its arguments, separated by
// blanks, as one line on stdout. MsgBox prints its prompt the same way and
// InputBox reads a line from stdin. On an error vbsrun prints
// "FILE(LINE) DESCRIPTION" on stderr and exits with 1; otherwise with 0.

#include "script/engine.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vbsrun FILE.vbs\n";
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
    engine.addFunction("Echo", [](std::span<const script::Variant> args) {
        std::string line;
        for (size_t i = 0; i < args.size(); ++i) {
            if (i) line += ' ';
            line += args[i].isNull() ? std::string("Null") : args[i].toString();
        }
        std::cout << line << '\n';
        return script::Variant();
    });
    engine.setMsgBoxHandler([](const std::string& prompt, int, const std::string&) {
        std::cout << prompt << '\n';
        return 1;
    });
    engine.setInputBoxHandler([](const std::string& prompt, const std::string&,
                                 const std::string& def) -> std::optional<std::string> {
        std::cout << prompt << '\n';
        std::string line;
        if (!std::getline(std::cin, line)) return def;
        return line;
    });
    if (!engine.addCode(text.str(), file)) {
        std::cout.flush();
        const script::ErrorInfo& e = engine.lastError();
        std::cerr << file << '(' << e.line << ") " << e.description << '\n';
        return 1;
    }
    return 0;
}

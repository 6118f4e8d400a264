#include "app/gui.h"
#include "app/headless.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    app::ParsedArgs parsed = app::parseArgs(args);
    if (!parsed.error.empty()) {
        std::cerr << "arv1: " << parsed.error << "\n" << app::usageText();
        return 2;
    }
    if (parsed.listDevices) return app::listDevices(std::cout, std::cerr);
    if (parsed.help) {
        std::cout << app::usageText();
        return 0;
    }
    if (!parsed.headless) return app::runWindow(parsed, std::cerr);
    return app::runHeadless(parsed.options, std::cout, std::cerr);
}

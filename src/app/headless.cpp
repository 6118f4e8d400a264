#include "app/headless.h"

#include "panel/panel.h"
#include "platform/files.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"

#include <filesystem>
#include <ostream>

namespace app {

std::string usageText() {
    return "usage: arv1 --headless [--data-dir DIR] [--panel FILE.atp]\n"
           "  --data-dir DIR    data directory (default ~/QEX_ARV1files)\n"
           "  --panel FILE.atp  test panel to load before the exit routine\n";
}

ParsedArgs parseArgs(const std::vector<std::string>& args) {
    ParsedArgs parsed;
    auto value = [&](std::size_t& i, std::optional<std::string>& target) {
        const std::string& option = args[i];
        if (target) {
            parsed.error = option + " given twice";
        } else if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].rfind("--", 0) == 0) {
            parsed.error = option + " needs a value";
        } else {
            target = args[++i];
        }
    };
    for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--headless")
            parsed.headless = true;
        else if (arg == "--help" || arg == "-h")
            parsed.help = true;
        else if (arg == "--data-dir")
            value(i, parsed.options.dataDir);
        else if (arg == "--panel")
            value(i, parsed.options.panelFile);
        else
            parsed.error = "unknown option " + arg;
    }
    if (parsed.error.empty() && !parsed.headless && !parsed.help &&
        (parsed.options.dataDir || parsed.options.panelFile))
        parsed.error = "--data-dir and --panel go with --headless";
    return parsed;
}

int runHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
    if (options.dataDir) {
        std::error_code ec;
        const std::filesystem::path dir = std::filesystem::absolute(*options.dataDir, ec);
        std::filesystem::create_directories(dir, ec);
        if (!std::filesystem::is_directory(dir, ec)) {
            err << "arv1: cannot use data directory " << *options.dataDir << "\n";
            return 2;
        }
        platform::setDataDirectory(dir);
    }
    std::string panelPath;
    if (options.panelFile) {
        std::error_code ec;
        panelPath = std::filesystem::absolute(*options.panelFile, ec).string();
        if (!std::filesystem::is_regular_file(panelPath, ec)) {
            err << "arv1: test panel " << *options.panelFile << " not found\n";
            return 2;
        }
    }

    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    dialogs.setEcho(&err);
    panel::Panel panel(loop, dialogs);
    panel.Form_Load();
    if (!panelPath.empty()) {
        panel.testPanelPath = panelPath;
        panel.ReadData();
    }
    panel.ShutDown();
    out << panel.caption() << "\n";
    return 0;
}

} // namespace app

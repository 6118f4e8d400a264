// The help's script examples: every function offered to scripts has one, and
// each runs through the headless runner against the simulated amplifier,
// with the example amplifier test's files in the data directory, without a
// script error or a message box.

#include "app/headless.h"
#include "run_fixture.h"
#include "sequencer/addin_functions.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

using apptest::slurp;

std::string unescapeHtml(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities)
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, std::string(entity).size(), character);
    return text;
}

// The texts of <pre class="example"> blocks, in order.
std::vector<std::string> examples(const std::string& html) {
    std::vector<std::string> found;
    const std::string open = "<pre class=\"example\">";
    for (std::size_t at = html.find(open); at != std::string::npos; at = html.find(open, at)) {
        at += open.size();
        const std::size_t end = html.find("</pre>", at);
        found.push_back(unescapeHtml(html.substr(at, end - at)));
        at = end;
    }
    return found;
}

// A snippet runs as the body of RUNSEQ; a whole sequence as it stands.
std::string sequence(const std::string& example) {
    std::string code = example.find("Function RUNSEQ") != std::string::npos
                           ? example
                           : "Function RUNSEQ()\n" + example + "End Function\n";
    std::string crlf;
    for (char c : code) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

TEST(HelpExamples, EveryScriptFunctionHasAnExampleAndEveryExampleRuns) {
    const fs::path root = fs::temp_directory_path() / "arv1-help-examples";
    fs::remove_all(root);
    fs::create_directories(root / "bin");
    // launchapp opens through xdg-open: a stand-in that only notes the call.
    const fs::path opened = root / "opened.txt";
    {
        std::ofstream stub(root / "bin" / "xdg-open");
        stub << "#!/bin/sh\necho \"$1\" >> '" << opened.string() << "'\n";
    }
    fs::permissions(root / "bin" / "xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    ::setenv("PATH", ((root / "bin").string() + ":" + path).c_str(), 1);

    const auto all = examples(slurp(fs::path(ARV1_SOURCE_DIR) / "docs/help/help.html"));
    ASSERT_FALSE(all.empty());
    for (std::string_view name : sequencer::kAddInFunctionNames) {
        const std::regex call("\\b" + std::string(name) + "\\b");
        int uses = 0;
        for (const auto& example : all)
            uses += std::regex_search(example, call);
        EXPECT_GE(uses, 1) << "no example calls " << name;
    }

    int run = 0;
    for (const auto& example : all) {
        const fs::path data = root / ("data" + std::to_string(++run));
        fs::create_directories(data);
        for (const auto& file :
             fs::directory_iterator(fs::path(ARV1_SOURCE_DIR) / "examples/amplifier"))
            fs::copy_file(file.path(), data / file.path().filename());
        std::ofstream(root / "example.dfs", std::ios::binary) << sequence(example);

        app::HeadlessOptions options;
        options.dataDir = data.string();
        options.dut = "amplifier";
        options.sequence = (root / "example.dfs").string();
        options.timeoutSeconds = 60;
        std::ostringstream out, err;
        EXPECT_EQ(app::runHeadless(options, out, err), 0) << example << err.str();
        EXPECT_EQ(out.str(), "Status - OK\n") << example;
    }
    // The opener runs in the background: give it time to note the call.
    for (int waited = 0; slurp(opened).find('\n') == std::string::npos && waited < 100; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(slurp(opened).find("run.log"), std::string::npos);
    ::setenv("PATH", path.c_str(), 1);
    fs::remove_all(root);
}

} // namespace

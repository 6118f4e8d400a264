#pragma once
// A panel on virtual time with scripted dialogs and a fresh data directory.

#include "panel/panel.h"
#include "platform/files.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

// Records which subsystem operations the panel asked for.
struct RecordingHooks : panel::PanelHooks {
    std::vector<std::string> calls;
    void InitGetData() override { calls.push_back("InitGetData"); }
    void scaleme() override { calls.push_back("scaleme"); }
    void scaleme2() override { calls.push_back("scaleme2"); }
    void graphdata() override { calls.push_back("graphdata"); }
    void drawLimitCurve() override { calls.push_back("drawLimitCurve"); }
    void loadReverseCal() override { calls.push_back("loadReverseCal"); }
    void Gen_On_Click() override { calls.push_back("Gen_On_Click"); }
    void Gen_Off_Click() override { calls.push_back("Gen_Off_Click"); }
    void DoStop() override { calls.push_back("DoStop"); }
    int count(const std::string& name) const {
        return static_cast<int>(std::count(calls.begin(), calls.end(), name));
    }
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("arv1-panel-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        platform::setDataDirectory(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // A new program start: a fresh panel that runs its start-up sequence.
    std::unique_ptr<panel::Panel> start() {
        auto p = std::make_unique<panel::Panel>(loop, dialogs, &hooks);
        p->Form_Load();
        return p;
    }

    static std::string slurp(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void spit(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::vector<std::string> crlfLines(const std::string& bytes) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t pos; (pos = bytes.find("\r\n", start)) != std::string::npos;
             start = pos + 2)
            lines.push_back(bytes.substr(start, pos - start));
        EXPECT_EQ(start, bytes.size()) << "text after the last CR LF";
        return lines;
    }

    std::filesystem::path dir;
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    RecordingHooks hooks;
};

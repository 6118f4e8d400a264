#pragma once
// A panel and its script host on virtual time, with scripted dialogs, a
// launcher that records what it was asked to open, a fresh data directory and
// a script function `keep` that records the values a script passes to it.

#include "panel/panel.h"
#include "platform/files.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "sequencer/script_host.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

struct RecordingLauncher : sequencer::AppLauncher {
    std::vector<std::string> opened;
    void open(std::string_view target) override { opened.emplace_back(target); }
};

class SequencerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("arv1-seq-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        platform::setDataDirectory(dir);
        host.engine().addFunction(
            "keep",
            [this](std::span<const script::Variant> args) {
                kept.push_back(args[0].toString());
                return script::Variant();
            },
            1, 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Hands the code over as the editor does and presses RUN.
    void run(const std::string& code) {
        host.seqCode = code;
        ASSERT_EQ(host.AutoAdd(), sequencer::kAutoloadComplete)
            << host.engine().lastError().description;
        host.SeqRun_Click();
    }
    // RUNSEQ made of these lines.
    static std::string seq(const std::string& body) {
        return "Function RUNSEQ()\r\n" + body + "\r\nEnd Function\r\n";
    }

    std::string read(const std::string& name) {
        std::ostringstream s;
        s << std::ifstream(dir / name, std::ios::binary).rdbuf();
        return s.str();
    }
    void write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    panel::Control& c(std::string_view name) { return panel.controls()[name]; }

    std::filesystem::path dir;
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    RecordingLauncher launcher;
    panel::Panel panel{loop, dialogs};
    sequencer::ScriptHost host{panel, loop, dialogs, launcher, [] {
                                   return std::chrono::system_clock::from_time_t(1'800'000'000);
                               }};
    std::vector<std::string> kept;
};

#pragma once
// A panel with its graph (raster surfaces, as in the window) and the output
// commands, printing to recording printers. The graph's sweep plot is one
// left-channel line at y 100 across the plot; fonts and the clipboard need
// the Qt application (offscreen platform).

#include "output/file_output.h"
#include "panel/panel.h"
#include "platform/files.h"
#include "platform/recording_printer.h"
#include "platform/scripted_dialogs.h"
#include "platform/virtual_event_loop.h"
#include "views/graph.h"

#include <QGuiApplication>
#include <filesystem>
#include <gtest/gtest.h>

inline void ensureGuiApplication() {
    static int argc = 1;
    static char name[] = "test_output";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) static QGuiApplication application(argc, argv);
}

class OutputTest : public testing::Test {
protected:
    void SetUp() override {
        ensureGuiApplication();
        dir = std::filesystem::temp_directory_path() /
              ("arv1-output-" +
               std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        platform::setDataDirectory(dir);
        graph.attach();
        graph.setSweepPlots(
            [this] { graph.GraphBox().line(0, 100, 19800, 100, views::colours::LeftTrace); }, {});
        graph.makesmallgraph();
        printing.setService(&service);
        files.attach();
        files.setClock([this] { return now; });
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void click(std::string_view menu) { panel.controls()[menu].click(); }

    std::filesystem::path dir;
    output::TimePoint now = std::chrono::system_clock::now();
    platform::VirtualEventLoop loop;
    platform::ScriptedDialogs dialogs;
    panel::Panel panel{loop, dialogs};
    views::Graph graph{panel, dialogs};
    platform::RecordingPrintService service;
    output::Printing printing{dialogs};
    output::FileOutput files{panel, graph, dialogs, printing};
};

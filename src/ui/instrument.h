#pragma once
// What the windows of the front end reach: the panel (controls model,
// settings, tables), the graph, the subsystems whose dialogs have windows,
// and the platform seams. The composition root fills it in; a window that
// needs another subsystem adds a pointer here (null when not wired in).
//
// Thread: the GUI thread, which is the instrument's thread.

namespace panel {
class FavSetup;
class Panel;
} // namespace panel
namespace views {
class Graph;
class GraphSetup;
} // namespace views
namespace editor {
class DataEditor;
}
namespace engine {
class SettlingEditor;
class SoundcardSetup;
} // namespace engine
namespace output {
class Help;
class Printing;
} // namespace output
namespace sequencer {
class ScriptHost;
}
namespace platform {
class Dialogs;
class EventLoop;
} // namespace platform

namespace ui {

struct Instrument {
    panel::Panel& panel;
    views::Graph& graph;
    platform::EventLoop& loop;
    platform::Dialogs& dialogs;
    engine::SettlingEditor* settlingEditor = nullptr;
    sequencer::ScriptHost* scriptHost = nullptr;
    engine::SoundcardSetup* soundcardSetup = nullptr;
    views::GraphSetup* graphSetup = nullptr;
    panel::FavSetup* favSetup = nullptr;
    output::Help* help = nullptr;
    editor::DataEditor* dataEditor = nullptr;
    output::Printing* printing = nullptr;
};

} // namespace ui

#include "ui/windows.h"

#include "sequencer/script_host.h"
#include "ui/back_grnd.h"
#include "ui/fav_setup_window.h"
#include "ui/graph_setup_window.h"
#include "ui/help_window.h"
#include "ui/log_view_window.h"
#include "ui/on_top.h"
#include "ui/settling_editor_window.h"
#include "ui/soundcard_setup_window.h"
#include "ui/test_seq_editor.h"

namespace ui {

Windows::~Windows() {
    closeAll();
    if (instrument_.scriptHost) instrument_.scriptHost->logViewer().setShowHandler({});
}

void Windows::add(std::string name, Factory factory) {
    factories_[std::move(name)] = std::move(factory);
}

bool Windows::has(std::string_view name) const {
    return factories_.find(name) != factories_.end();
}

std::vector<std::string> Windows::names() const {
    std::vector<std::string> names;
    for (const auto& [name, factory] : factories_)
        names.push_back(name);
    return names;
}

QWidget* Windows::find(std::string_view name) const {
    auto it = created_.find(name);
    return it == created_.end() ? nullptr : it->second.data();
}

QWidget* Windows::create(std::string_view name) {
    if (QWidget* existing = find(name)) return existing;
    auto factory = factories_.find(name);
    if (factory == factories_.end()) return nullptr;
    // The main window owns its windows from here on (Qt parent), or closeAll does.
    QWidget* window = factory->second(instrument_, parent_).release();
    if (!window) return nullptr;
    // Modeless, above the main window, never destroyed by closing.
    if (!window->isWindow()) window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    created_[std::string(name)] = window;
    return window;
}

QWidget* Windows::show(std::string_view name) {
    QWidget* window = create(name);
    if (!window) return nullptr;
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void Windows::closeAll() {
    for (auto& [name, window] : created_) {
        if (!window) continue;
        window->close();
        delete window.data();
    }
    created_.clear();
}

// One line per window; the windows come with their own issues.
void registerWindows(Windows& registry) {
    registry.add("BackGrnd", makeBackGrnd);
    // The sequence editor stays on top, so the help it opens does too while shown.
    registry.add("TestSeqEditor", [&registry](Instrument& instrument, QWidget* parent) {
        auto window = makeTestSeqEditor(instrument, parent);
        if (auto* editor = dynamic_cast<TestSeqEditor*>(window.get());
            editor && registry.has("Help"))
            editor->setHelp([&registry] {
                if (QWidget* help = registry.show("Help")) clsOnTop::setTopmost(*help);
            });
        return window;
    });
    registry.add("SoundcardSetup", makeSoundcardSetup);
    registry.add("SettlingEditor", makeSettlingEditor);
    registry.add("GraphSetup", makeGraphSetup);
    registry.add("FavSetup", makeFavSetup);
    registry.add("LogView", makeLogView);
    registry.add("Help", makeHelp);
    // The script function logviewer and File > Log Viewer show the viewer.
    if (sequencer::ScriptHost* host = registry.instrument().scriptHost)
        host->logViewer().setShowHandler([&registry] { registry.show("LogView"); });
}

} // namespace ui

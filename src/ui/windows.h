#pragma once
// The front end's windows by name. Each window other than the main one lives
// in its own file and is listed once in windows.cpp (registerWindows) with a
// factory; the main window enables the menu item that opens it, and
// `arv1 --screenshot FILE --window NAME` shows it by the same name.
//
//   // soundcard_setup_window.cpp
//   std::unique_ptr<QWidget> makeSoundcardSetup(Instrument& instrument, QWidget* parent);
//   // windows.cpp, registerWindows:
//   registry.add("SoundcardSetup", makeSoundcardSetup);
//
// A window is created at its first show and kept (hidden when closed) until
// closeAll; it is modeless, a tool window of the main window.
//
// Thread: the GUI thread, which is the instrument's thread.

#include "ui/instrument.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class Windows {
public:
    using Factory = std::function<std::unique_ptr<QWidget>(Instrument&, QWidget* parent)>;

    explicit Windows(Instrument& instrument) : instrument_(instrument) {}
    ~Windows();
    Windows(const Windows&) = delete;
    Windows& operator=(const Windows&) = delete;

    void add(std::string name, Factory factory);
    bool has(std::string_view name) const;
    std::vector<std::string> names() const;

    Instrument& instrument() { return instrument_; }

    // The parent of the windows (the main window).
    void setParent(QWidget* parent) { parent_ = parent; }

    // Creates the window at its first use and shows it (raised and active).
    // Returns nullptr for a name that is not registered.
    QWidget* show(std::string_view name);
    // The window if it was created, else nullptr.
    QWidget* find(std::string_view name) const;
    // Creates the window without showing it (nullptr when not registered).
    QWidget* create(std::string_view name);

    // Closes and destroys every window created so far.
    void closeAll();

private:
    Instrument& instrument_;
    QPointer<QWidget> parent_;
    std::map<std::string, Factory, std::less<>> factories_;
    std::map<std::string, QPointer<QWidget>, std::less<>> created_;
};

// Adds every window of the front end but the main window.
void registerWindows(Windows& registry);

} // namespace ui

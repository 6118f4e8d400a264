#pragma once
// The binding between widgets and a controls model (panel::Controls).
//
// How a window binds to its model
// -------------------------------
// 1. Build the widgets with Qt layouts. Every widget or QAction that shows a
//    control gets the control's name as its objectName ("GenFreq1",
//    "Gen_On", "mnuSa", "ReadoutLED1"). Pick the widget by the control's kind:
//      TextBox      QLineEdit (one line) or QPlainTextEdit (multi-line)
//      ComboBox     QComboBox (not editable; the model's items fill it) or
//                   QListWidget (a list box: the items are its rows)
//      CheckBox     QCheckBox          OptionButton  QRadioButton
//      Button       QPushButton/QToolButton          Menu  QAction
//      ScrollBar    QScrollBar or QSlider
//      Label        QLabel (caption), ui::Lamp (colour), a QGroupBox or any
//                   container (visibility), or the window itself (caption =
//                   window title)
// 2. Keep a Binding member and call bindTree(this) once the widgets exist:
//        binding_ = std::make_unique<ui::Binding>(model);
//        binding_->bindTree(this);
//    It binds every named widget and action below the window. A name the
//    model does not know throws, so a typo fails the window's test at once.
// 3. Write no handler code in the window. The subsystem that owns the model
//    (engine::SoundcardSetup, engine::SettlingEditor, ...) has the handlers;
//    the binding raises them:
//      - a user's edit writes the model and raises the control's change
//        event: text boxes on every keystroke, combo boxes on selection,
//        check boxes and option buttons on click (click() also raises the
//        click handler), scroll bars on every step, buttons and menu items
//        on click;
//      - a program's write to the model updates the widget (text, tick,
//        value, items, caption, colour, visibility, enabled) without coming
//        back as an edit;
//      - after each user action the widget is set again from the model, so a
//        handler that refuses or corrects a value (a tick that must stay,
//        a level above 0 written back as "0") shows at once.
//    A caption the model leaves empty keeps the window's own text (until the
//    model has given it one); a colour the model has never set leaves the
//    widget's style alone.
// 4. Test it with ui::checkBinding (below): every control of the model has
//    exactly one widget or action, and every input widget and action of the
//    window is bound. New controls added to a model later fail that test
//    until the window shows them.
//
// Thread: the GUI thread, which is the instrument's thread.

#include "panel/controls.h"

#include <QPointer>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QObject;
class QWidget;

namespace ui {

class Binding {
public:
    explicit Binding(panel::Controls& model);
    ~Binding();
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    // Binds root and every widget and action below it whose objectName is not
    // empty and does not start with "_" (names of that form are the window's
    // own helpers). Throws std::invalid_argument for a name the model does not
    // have, or a control that is bound twice. Returns how many were bound.
    int bindTree(QObject* root);

    // Binds one widget or action to a control (same errors as bindTree).
    void bind(QObject* object, std::string_view name);

    // The widget or action bound to a control, or nullptr.
    QObject* object(std::string_view name) const;

    // Names of the model's controls that have no widget, in the model's order.
    std::vector<std::string> unboundControls() const;

    panel::Controls& model() { return model_; }

private:
    struct Entry;
    void apply(Entry& entry, panel::Property property);
    void applyAll(Entry& entry);
    void connectUserEdits(Entry& entry);

    panel::Controls& model_;
    std::unordered_map<const panel::Control*, std::unique_ptr<Entry>> entries_;
    int observerId_ = 0;
};

// What checkBinding found wrong; empty when the window and its model match.
struct BindingReport {
    std::vector<std::string> controlsWithoutWidget;
    std::vector<std::string> unboundWidgets; // objectName or class name of each
    bool ok() const { return controlsWithoutWidget.empty() && unboundWidgets.empty(); }
};

// Checks a bound window both ways: every control of the binding's model has a
// widget, and every input widget (line and text edits, combo boxes, buttons,
// sliders and scroll bars) and every QAction (but separators and the actions
// that open submenus) under root is bound.
BindingReport checkBinding(Binding& binding, QObject* root);

} // namespace ui

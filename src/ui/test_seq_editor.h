#pragma once
// TestSeqEditor: the test sequence editor's window. Its logic is
// sequencer::SeqEditor; the window binds the model's controls by name and
// adds what only a window has: the code editor with its colouring, margin
// and completion, the caret, the topmost switch, the background colour and
// the font.
//
// The editor's text box is bound here rather than by ui::Binding: the model
// keeps the text's own line breaks and bytes, which a plain-text widget
// would normalise.
//
// Opening the window (each show after a close) reads the editor's state
// files; closing it, File > Exit and the program's exit write them.
//
// ErrorTest, AutoLoad and Run run script code, which may wait and let events
// run meanwhile; the program's exit may then close and delete the window.
// These commands therefore run from the event loop rather than inside the
// menu's click, and keep the model alive until they return.
//
// Thread: the GUI thread, which is the instrument's thread.

#include "sequencer/seq_editor.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QLineEdit;

namespace output {
class Printing;
}
namespace platform {
class Dialogs;
}
namespace sequencer {
class ScriptHost;
}

namespace ui {

class Binding;
class CodeEditor;
struct Instrument;

class TestSeqEditor final : public QMainWindow {
public:
    // Print is enabled when there is a printing module.
    TestSeqEditor(sequencer::ScriptHost& host, platform::Dialogs& dialogs,
                  output::Printing* printing = nullptr, QWidget* parent = nullptr);
    ~TestSeqEditor() override;

    // What Help > Help does (it opens the help window); none: disabled.
    void setHelp(std::function<void()> showHelp);

    sequencer::SeqEditor& model() { return *model_; }
    CodeEditor& editor() { return *editor_; }
    Binding& binding() { return *binding_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildBody();
    void showModelText();
    void applyOptions();
    void applyColour();

    std::shared_ptr<sequencer::SeqEditor> model_;
    CodeEditor* editor_ = nullptr;
    std::unique_ptr<Binding> binding_;
    int observer_ = 0;
    bool showingModelText_ = false; // the widget's text change is the model's
    bool userEditing_ = false;      // the model's text change is the widget's
};

std::unique_ptr<QWidget> makeTestSeqEditor(Instrument& instrument, QWidget* parent);

} // namespace ui

#pragma once
// The base of the instrument's dialog windows (Soundcard Setup, Settling
// Editor, Graph Setup, Favorite Test Setup, Log Viewer, Help): a modeless
// window in the instrument's look that binds its widgets to a controls model
// once they are built, reloads the model's values each time it opens
// (opened()), lets its model know when it closes (closed()), and closes with
// Escape. It keeps nothing of its own: what it shows comes from the model,
// which stores every change in the panel's settings at once.
//
// Thread: the GUI thread, which is the instrument's thread.

#include "ui/binding.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {

class DialogWindow : public QWidget {
public:
    // name: the window's name (its objectName, as ui::Windows knows it).
    DialogWindow(const QString& name, QWidget* parent);
    ~DialogWindow() override;

    Binding& binding() { return *binding_; }

protected:
    // Binds every named widget and action below the window to the model.
    void bindTo(panel::Controls& model);
    // Each time the window is shown after being hidden or closed.
    virtual void opened() {}
    // When the window closes (Escape, its close button, the program's exit).
    virtual void closed() {}

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Binding> binding_;
};

// A dialog whose model loads the settings when it opens (its open()).
template <class Model> class ModelDialog : public DialogWindow {
public:
    ModelDialog(const QString& name, Model& model, QWidget* parent)
        : DialogWindow(name, parent), model_(model) {}

protected:
    void opened() override { model_.open(); }
    Model& model() { return model_; }

private:
    Model& model_;
};

// The factory of a window over a model the composition root may leave out.
template <class Window, class Model>
std::unique_ptr<QWidget> makeDialog(Model* model, QWidget* parent) {
    if (!model) return nullptr;
    return std::make_unique<Window>(*model, parent);
}

// Building blocks in the instrument's look.
namespace parts {

// A framed group with a title.
QGroupBox* frame(const QString& title);
// A plain caption.
QLabel* caption(const QString& text);
// Widgets named after their control.
QLineEdit* edit(const char* name, int chars);
QPushButton* button(const char* name, const QString& text = {});
QCheckBox* check(const char* name, const QString& text);
QRadioButton* option(const char* name, const QString& text);

} // namespace parts

} // namespace ui

#pragma once
// The main panel's window: the instrument's front panel with every control of
// the panel's model, its menus, the five readouts, the lamps, the live graph,
// the splash label and a status bar that names the sound card in use.
//
// Layout: the five readouts across the top; below them the Oscillator and
// Analyzer frames on the left, the graph with its spectrum and scope
// controls in the middle, the Sweep and Test Sequencer frames on the right.
// In the graph's big layout (Full Screen) only the graph and the strip below
// it stay; a click on the graph brings the panel back.
//
// The window holds no instrument logic: every widget is bound to the control
// of its name (ui::Binding), and the menu items that open other windows open
// them through ui::Windows. Items whose window or routine is not part of this
// build are shown disabled.
//
// Thread: the GUI thread, which is the instrument's thread.

#include "ui/binding.h"
#include "ui/instrument.h"

#include <QMainWindow>
#include <memory>

class QLabel;
class QMenu;

namespace ui {

class GraphWidget;
class Windows;

// Menu items that open a window, and the window's name.
struct WindowMenuItem {
    const char* menu;
    const char* window;
};
inline constexpr WindowMenuItem kWindowMenuItems[] = {
    {"mnuSoundcard", "SoundcardSetup"}, {"mnuSettling", "SettlingEditor"},
    {"mnuGraphSetup", "GraphSetup"},    {"mnuHotkey", "FavSetup"},
    {"mnuLogview", "LogView"},          {"mnuHelp", "Help"},
    {"mnuDataEditor", "BackGrnd"},      {"mnuSeqEditor", "TestSeqEditor"},
};

class MainWindow final : public QMainWindow {
public:
    MainWindow(Instrument& instrument, Windows& windows, QWidget* parent = nullptr);
    ~MainWindow() override;

    Binding& binding() { return *binding_; }
    GraphWidget& graphWidget() { return *graph_; }

    // The sound card in use, shown in the status bar; a simulated device is
    // marked as such.
    void setDeviceDescription(const QString& text, bool simulated);

protected:
    // Closing the window runs the exit routine (which writes the start-up
    // file) unless it has run already.
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildReadouts();
    QWidget* buildOscillator();
    QWidget* buildAnalyzer();
    QWidget* buildGraphArea();
    QWidget* buildSweep();
    QWidget* buildSequencer();
    void buildMenus();
    void buildStatusBar();
    // The favourites' items: their number and the panel file each one loads.
    void showFavourites();
    void wireWindowMenus();
    void showGraphLayout(bool big);
    void toggleWideBody();

    Instrument& instrument_;
    Windows& windows_;
    std::unique_ptr<Binding> binding_;
    GraphWidget* graph_ = nullptr;
    QList<QWidget*> panelParts_;     // hidden while the graph is big
    QList<QWidget*> smallGraphOnly_; // captions of controls the big graph covers
    QLabel* deviceLabel_ = nullptr;
    QLabel* simulatedBadge_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    bool wideBody_ = false;
};

} // namespace ui

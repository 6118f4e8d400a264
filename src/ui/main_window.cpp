#include "ui/main_window.h"

#include "panel/panel.h"
#include "ui/graph_widget.h"
#include "ui/lamp.h"
#include "ui/readout_digits.h"
#include "ui/style.h"
#include "ui/windows.h"
#include "views/graph.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <cmath>
#include <string>

namespace ui {

namespace {

template <class W> W* named(const char* name) {
    auto* widget = new W;
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

template <class W> W* named(const std::string& name) {
    return named<W>(name.c_str());
}

// A line edit sized for about `chars` characters.
QLineEdit* edit(const char* name, int chars) {
    auto* e = named<QLineEdit>(name);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('8')) * chars + 12);
    e->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return e;
}

QComboBox* combo(const char* name) {
    auto* c = named<QComboBox>(name);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

QComboBox* combo(const std::string& name) {
    return combo(name.c_str());
}

QLabel* text(const QString& caption) {
    auto* label = new QLabel(caption);
    label->setProperty("role", "caption");
    return label;
}

QPushButton* button(const char* name, const char* role = nullptr) {
    auto* b = named<QPushButton>(name);
    b->setFocusPolicy(Qt::TabFocus);
    if (role) b->setProperty("role", role);
    return b;
}

QCheckBox* check(const char* name, const char* caption) {
    auto* c = named<QCheckBox>(name);
    c->setText(QString::fromLatin1(caption));
    return c;
}

QGroupBox* frame(const QString& title) {
    auto* box = new QGroupBox(title);
    box->setProperty("role", "frame");
    return box;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, int stretchAfter = -1) {
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    int i = 0;
    for (QWidget* w : widgets) {
        layout->addWidget(w);
        if (i++ == stretchAfter) layout->addStretch(1);
    }
    if (stretchAfter < 0) layout->addStretch(1);
    return layout;
}

QWidget* lampWith(const char* name, const QString& caption) {
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* lamp = named<Lamp>(name);
    layout->addWidget(lamp);
    if (!caption.isEmpty()) layout->addWidget(text(caption));
    return holder;
}

std::string numbered(const char* prefix, int slot) {
    return std::string(prefix) + std::to_string(slot);
}

// Pixels per classic pixel of the graph's picture: twice as fine as the
// classic panel, and twice that again on a high-density screen.
// The width of the Oscillator and Sweep columns.
int sidePanelWidth() {
    return QFontMetrics(QApplication::font()).averageCharWidth() * 44 + 24;
}

int graphPixelScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;
    return std::clamp(static_cast<int>(std::lround(2 * ratio)), 1, 4);
}

} // namespace

MainWindow::MainWindow(Instrument& instrument, Windows& windows, QWidget* parent)
    : QMainWindow(parent), instrument_(instrument), windows_(windows) {
    setObjectName(QStringLiteral("MainPanel"));
    setStyleSheet(instrumentStyleSheet());
    instrument_.graph.setPixelScale(graphPixelScale());

    auto* central = new QWidget;
    central->setProperty("role", "panel");
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(6, 6, 6, 4);
    outer->setSpacing(6);

    QWidget* readouts = buildReadouts();
    outer->addWidget(readouts);

    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    QWidget* left = buildOscillator();
    left->setFixedWidth(sidePanelWidth());

    // The graph keeps its proportions; the panel's smaller frames share the
    // space below it.
    auto* centre = new QVBoxLayout;
    centre->setSpacing(6);
    centre->addWidget(buildGraphArea(), 1);
    auto* lower = new QWidget;
    auto* lowerLayout = new QHBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(6);
    lowerLayout->addWidget(buildAnalyzer());
    lowerLayout->addWidget(buildSequencer(), 1);
    centre->addWidget(lower);

    QWidget* right = buildSweep();
    right->setFixedWidth(sidePanelWidth());

    body->addWidget(left);
    body->addLayout(centre, 1);
    body->addWidget(right);
    outer->addLayout(body, 1);
    setCentralWidget(central);
    panelParts_ = {readouts, left, right, lower};

    buildMenus();
    buildStatusBar();

    binding_ = std::make_unique<Binding>(instrument_.panel.controls());
    binding_->bindTree(this);
    wireWindowMenus();

    graph_->onLayoutSwitch([this](bool big) { showGraphLayout(big); });
    // Fits a 1366 x 768 screen with its title bar.
    resize(1366, 740);
}

MainWindow::~MainWindow() = default;

QWidget* MainWindow::buildReadouts() {
    auto* strip = new QWidget;
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    for (int slot = 1; slot <= panel::kReadoutSlots; ++slot) {
        auto* card = new QFrame;
        card->setProperty("role", "readout");
        auto* grid = new QGridLayout(card);
        grid->setContentsMargins(8, 6, 8, 6);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(4);

        auto* on = named<QPushButton>(numbered("ReadoutOn", slot));
        on->setText(QStringLiteral("On"));
        on->setProperty("role", "small");
        auto* lamp = named<Lamp>(numbered("ReadoutLED", slot));
        auto* controls = new QHBoxLayout;
        controls->setSpacing(4);
        controls->addWidget(lamp);
        controls->addWidget(on);
        controls->addWidget(combo(numbered("Readoutch", slot)), 1);
        controls->addWidget(combo(numbered("Readoutmd", slot)), 1);
        grid->addLayout(controls, 0, 0, 1, 2);

        grid->addWidget(combo(numbered("Readoutun", slot)), 1, 0, Qt::AlignLeft | Qt::AlignBottom);
        auto* value = named<ReadoutDigits>(numbered("Readout", slot));
        value->setProperty("role", "digits");
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(value, 1, 1);
        grid->setColumnStretch(1, 1);
        layout->addWidget(card, 1);
    }
    // Shown while the input carries no signal; its place is kept, so the
    // readouts do not move when it comes and goes.
    auto* noSignal = named<QLabel>("NoSignal");
    noSignal->setProperty("role", "alarm");
    noSignal->setAlignment(Qt::AlignCenter);
    QSizePolicy keepPlace = noSignal->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    noSignal->setSizePolicy(keepPlace);
    layout->addWidget(noSignal);
    return strip;
}

QWidget* MainWindow::buildOscillator() {
    auto* box = frame(QStringLiteral("Oscillator"));
    auto* v = new QVBoxLayout(box);
    v->setSpacing(4);

    auto* on = button("Gen_On", "on");
    auto* off = button("Gen_Off", "off");
    v->addLayout(row({on, off, lampWith("GenOnLED", {}), check("MuteOscCheck", "Mute Osc")}));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->addWidget(text(QStringLiteral("Wave")), 0, 0);
    grid->addWidget(combo("Wavetype1"), 0, 1, 1, 2);
    grid->addWidget(check("FastCheck", "Fast"), 0, 3);
    grid->addWidget(text(QStringLiteral("Freq1")), 1, 0);
    grid->addWidget(edit("GenFreq1", 7), 1, 1);
    grid->addWidget(text(QStringLiteral("Hz")), 1, 2);
    grid->addWidget(text(QStringLiteral("Freq2 IMD")), 2, 0);
    grid->addWidget(edit("GenFreq2", 7), 2, 1);
    grid->addWidget(text(QStringLiteral("Hz")), 2, 2);
    grid->addWidget(text(QStringLiteral("Left")), 3, 0);
    grid->addWidget(edit("LeftGenLevel", 6), 3, 1);
    grid->addWidget(combo("LevelUnits"), 3, 2, 2, 1, Qt::AlignVCenter);
    grid->addWidget(text(QStringLiteral("Right")), 4, 0);
    grid->addWidget(edit("RightGenLevel", 6), 4, 1);
    grid->addWidget(edit("DeltaPhase", 5), 5, 1);
    grid->addWidget(text(QStringLiteral("deg delta phase")), 5, 2, 1, 2);
    grid->addWidget(text(QStringLiteral("S. Rate")), 6, 0);
    grid->addWidget(combo("SampleRate"), 6, 1);
    grid->addWidget(text(QStringLiteral("Size")), 7, 0);
    grid->addWidget(combo("SampleSize"), 7, 1);
    grid->setColumnStretch(1, 1);
    v->addLayout(grid);

    auto* routing = new QGridLayout;
    routing->setHorizontalSpacing(6);
    routing->setVerticalSpacing(2);
    const std::pair<const char*, const char*> options[] = {{"Left_gen_option", "Left"},
                                                           {"Right_gen_option", "Right"},
                                                           {"LplusR_gen_option", "Left + Right"},
                                                           {"LminusR_gen_option", "Left - Right"}};
    for (int i = 0; i < 4; ++i) {
        auto* radio = named<QRadioButton>(options[i].first);
        radio->setText(QString::fromLatin1(options[i].second));
        radio->setAutoExclusive(false); // the model keeps the group exclusive
        routing->addWidget(radio, i / 2, i % 2);
    }
    v->addLayout(routing);

    auto* burst = frame(QStringLiteral("Burst Generator Setup"));
    auto* b = new QGridLayout(burst);
    b->setHorizontalSpacing(6);
    b->setVerticalSpacing(3);
    b->addWidget(text(QStringLiteral("On")), 0, 1, Qt::AlignHCenter);
    b->addWidget(text(QStringLiteral("Off")), 0, 2, Qt::AlignHCenter);
    b->addWidget(text(QStringLiteral("Level")), 1, 0);
    b->addWidget(edit("BurstOnLevel", 4), 1, 1);
    b->addWidget(edit("BurstOffLevel", 4), 1, 2);
    b->addWidget(combo("BurstLevelUnits"), 1, 3);
    b->addWidget(text(QStringLiteral("Time")), 2, 0);
    b->addWidget(edit("BurstOnTime", 4), 2, 1);
    b->addWidget(edit("BurstOffTime", 4), 2, 2);
    b->addWidget(combo("BurstTimeUnits"), 2, 3);
    v->addWidget(burst);

    v->addWidget(check("usewav_Check", "External WAV file source"));
    auto* wavName = edit("WAVfilename", 14);
    auto* browse = button("EXTWAV_Browse", "small");
    v->addLayout(row({wavName, browse}, 1));
    v->addStretch(1);
    return box;
}

QWidget* MainWindow::buildAnalyzer() {
    auto* box = frame(QStringLiteral("Analyzer"));
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->addWidget(text(QStringLiteral("Ref Level")), 0, 0);
    grid->addWidget(edit("RefLevel", 5), 0, 1);
    grid->addWidget(text(QStringLiteral("dB")), 0, 2);
    grid->addWidget(text(QStringLiteral("Z Ref")), 0, 3);
    grid->addWidget(edit("ZRef", 4), 0, 4);
    grid->addWidget(text(QStringLiteral("Ω")), 0, 5);
    // The measurement band of THD+N, SINAD and SNR.
    grid->addWidget(text(QStringLiteral("THD+N band")), 1, 0);
    grid->addWidget(combo("ThdnBand"), 1, 1, 1, 5);
    return box;
}

QWidget* MainWindow::buildGraphArea() {
    auto* area = new QWidget;
    auto* v = new QVBoxLayout(area);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(4);

    // The graph with its axis units, and the splash label over it.
    auto* graphFrame = new QFrame;
    graphFrame->setProperty("role", "graph");
    auto* stack = new QGridLayout(graphFrame);
    stack->setContentsMargins(2, 2, 2, 2);
    graph_ = new GraphWidget(instrument_.graph);
    stack->addWidget(graph_, 0, 0, 2, 2);
    auto* yLabel = named<QLabel>("Ylabel");
    yLabel->setProperty("role", "axis");
    stack->addWidget(yLabel, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    auto* xLabel = named<QLabel>("Xlabel");
    xLabel->setProperty("role", "axis");
    stack->addWidget(xLabel, 1, 1, Qt::AlignRight | Qt::AlignBottom);
    auto* splash = named<QLabel>("Splashwindow");
    splash->setProperty("role", "splash");
    splash->setAlignment(Qt::AlignCenter);
    splash->setWordWrap(true);
    stack->addWidget(splash, 0, 0, 2, 2, Qt::AlignCenter);
    v->addWidget(graphFrame, 1);

    // The view's controls below the graph.
    auto* strip = new QHBoxLayout;
    strip->setSpacing(6);
    auto* sweepview = named<QPlainTextEdit>("sweepview");
    sweepview->setReadOnly(true);
    sweepview->setProperty("role", "data");
    sweepview->setToolTip(QStringLiteral("Raw Sweep Data Window"));
    sweepview->setLineWrapMode(QPlainTextEdit::NoWrap);
    sweepview->setFixedHeight(sweepview->fontMetrics().lineSpacing() * 4 + 12);
    strip->addWidget(sweepview, 1);

    auto* spectrum = new QGridLayout;
    spectrum->setHorizontalSpacing(4);
    spectrum->setVerticalSpacing(3);
    spectrum->addWidget(button("Clear_graph"), 0, 0);
    spectrum->addWidget(button("SweepFullView"), 0, 1, 1, 2);
    auto* saLr = button("SA_LR", "small");
    saLr->setText(QStringLiteral("Channel"));
    spectrum->addWidget(saLr, 1, 0);
    auto* lrLabel = named<QLabel>("LRlabel");
    lrLabel->setProperty("role", "value");
    spectrum->addWidget(lrLabel, 1, 1);
    auto* average = text(QStringLiteral("Avg"));
    spectrum->addWidget(average, 2, 0, Qt::AlignRight);
    smallGraphOnly_ = {average};
    spectrum->addWidget(edit("avetext", 3), 2, 1);
    spectrum->addWidget(button("SA_ave_cmd"), 1, 2);
    spectrum->addWidget(lampWith("SAaveLED", {}), 2, 2, Qt::AlignCenter);
    strip->addLayout(spectrum);

    auto* scope = named<QGroupBox>("ScopeFrame");
    scope->setTitle(QStringLiteral("Manual Scope Control"));
    scope->setProperty("role", "frame");
    auto* s = new QGridLayout(scope);
    s->setHorizontalSpacing(4);
    s->setVerticalSpacing(2);
    auto scroll = [](const char* name, int minimum, int maximum) {
        auto* bar = named<QScrollBar>(name);
        bar->setOrientation(Qt::Horizontal);
        bar->setRange(minimum, maximum);
        bar->setMinimumWidth(110);
        return bar;
    };
    s->addWidget(text(QStringLiteral("Timebase")), 0, 0);
    s->addWidget(scroll("TimebaseScroll", 1, 100), 0, 1);
    s->addWidget(edit("TbaseReadout", 4), 0, 2);
    s->addWidget(text(QStringLiteral("Left Gain")), 1, 0);
    s->addWidget(scroll("LGainScroll", 1, 1000), 1, 1);
    auto* lGain = named<QLabel>("LgainReadout");
    lGain->setProperty("role", "value");
    s->addWidget(lGain, 1, 2);
    s->addWidget(text(QStringLiteral("Right Gain")), 2, 0);
    s->addWidget(scroll("RGainScroll", 1, 1000), 2, 1);
    auto* rGain = named<QLabel>("RgainReadout");
    rGain->setProperty("role", "value");
    s->addWidget(rGain, 2, 2);
    s->addWidget(check("SplitCheck", "Split"), 0, 3);
    s->addWidget(check("LockCheck", "Lock L  R"), 1, 3);
    strip->addWidget(scope);
    v->addLayout(strip);
    return area;
}

QWidget* MainWindow::buildSweep() {
    auto* box = frame(QStringLiteral("Sweep"));
    auto* v = new QVBoxLayout(box);
    v->setSpacing(4);

    v->addLayout(row({button("SweepStart", "on"), button("SweepStop", "off"),
                      button("AutoResweep_cmd", "small"), button("SweepSmooth", "small")}));
    v->addLayout(row({lampWith("plotLED", QStringLiteral("Sweeping")),
                      lampWith("PFLED", QStringLiteral("Pass/Fail"))}));
    v->addWidget(combo("SweepMode"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->addWidget(text(QStringLiteral("Start")), 0, 0);
    grid->addWidget(edit("SweepStartFreq", 6), 0, 1);
    grid->addWidget(combo("SweepStepUnits"), 0, 2, 2, 1, Qt::AlignVCenter);
    grid->addWidget(text(QStringLiteral("Stop")), 1, 0);
    grid->addWidget(edit("SweepStopFreq", 6), 1, 1);
    grid->addWidget(text(QStringLiteral("Steps")), 2, 0);
    grid->addWidget(edit("SweepStepCount", 4), 2, 1);
    grid->addWidget(text(QStringLiteral("Top")), 3, 0);
    grid->addWidget(edit("SweepScaleTop", 5), 3, 1);
    grid->addWidget(combo("SweepDataUnits"), 3, 2, 2, 1, Qt::AlignVCenter);
    grid->addWidget(text(QStringLiteral("Bottom")), 4, 0);
    grid->addWidget(edit("SweepScaleBtm", 5), 4, 1);
    grid->setColumnStretch(1, 1);
    v->addLayout(grid);

    auto* checks = new QGridLayout;
    checks->setHorizontalSpacing(6);
    checks->setVerticalSpacing(1);
    checks->addWidget(check("OctaveStepCheck", "Octave Step"), 0, 0);
    checks->addWidget(check("EvenStepCheck", "Even Step"), 1, 0);
    checks->addWidget(check("PredefStepCheck", "Predef Step"), 2, 0);
    checks->addWidget(check("LogCheck", "Log"), 0, 1);
    checks->addWidget(check("LinCheck", "Lin"), 1, 1);
    checks->addWidget(check("GraphOverCheck", "Append"), 2, 1);
    checks->addWidget(check("LeftGraphCheck", "Left Channel On"), 3, 0);
    checks->addWidget(check("RightGraphCheck", "Right Channel On"), 3, 1);
    checks->addWidget(check("UseReverseCal", "Use Rev Cal"), 4, 0);
    checks->addWidget(check("LimitCurveCheck", "Limit Curve"), 4, 1);
    v->addLayout(checks);

    v->addWidget(text(QStringLiteral("Predefined points")));
    v->addLayout(row({edit("PredefStepFile", 10), button("Browse_Predef", "small")}, 0));
    v->addWidget(text(QStringLiteral("Limit file")));
    v->addLayout(row({edit("LimitCurveFile", 10), button("Browse_Limits", "small")}, 0));

    auto* log = named<QPlainTextEdit>("Text1");
    log->setReadOnly(true);
    log->setProperty("role", "data");
    log->setToolTip(QStringLiteral("Sweep log"));
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    log->setMinimumHeight(log->fontMetrics().lineSpacing() * 2 + 10);
    v->addWidget(log, 1);
    return box;
}

QWidget* MainWindow::buildSequencer() {
    auto* box = frame(QStringLiteral("TEST SEQUENCER:"));
    auto* v = new QVBoxLayout(box);
    v->setSpacing(4);
    v->addLayout(row({button("SeqRun", "on"), button("SeqEnd", "off"), lampWith("SeqLED", {})}));
    auto* status = named<QLabel>("Status");
    status->setProperty("role", "status");
    status->setWordWrap(true);
    v->addWidget(status);
    return box;
}

void MainWindow::buildMenus() {
    QMenuBar* bar = menuBar();
    auto item = [](QMenu* menu, const char* name) {
        QAction* action = menu->addAction(QString::fromLatin1(name));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    auto ticked = [&](QMenu* menu, const char* name) { item(menu, name)->setCheckable(true); };

    fileMenu_ = bar->addMenu(QStringLiteral("&File"));
    item(fileMenu_, "mnuLoadTest")->setShortcut(QKeySequence::Open);
    item(fileMenu_, "mnuSavePanel")->setShortcut(QKeySequence::Save);
    fileMenu_->addSeparator();
    for (int slot = 1; slot <= panel::kFavouriteSlots; ++slot)
        item(fileMenu_, numbered("mnuFav", slot).c_str());
    fileMenu_->addSeparator();
    item(fileMenu_, "mnuLoadSeq");
    item(fileMenu_, "mnuLog");
    item(fileMenu_, "mnuLogview");
    fileMenu_->addSeparator();
    item(fileMenu_, "mnuLoadSA");
    item(fileMenu_, "mnuSaveSA");
    item(fileMenu_, "mnuSavegraph");
    item(fileMenu_, "mnuCopygraph");
    item(fileMenu_, "mnuSaveReport");
    item(fileMenu_, "mnuExportSweep");
    item(fileMenu_, "mnuExportSpectrum");
    fileMenu_->addSeparator();
    item(fileMenu_, "mnuPrintgraph");
    item(fileMenu_, "mnuPrintTestResult");
    item(fileMenu_, "mnuPrintSetup");
    fileMenu_->addSeparator();
    item(fileMenu_, "mnuReset");
    item(fileMenu_, "mnuExit")->setShortcut(QKeySequence::Quit);
    // The favourites show the panel file each one loads beside their number.
    connect(fileMenu_, &QMenu::aboutToShow, this, [this] { showFavourites(); });

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    ticked(view, "mnuSR");
    ticked(view, "mnuSa");
    ticked(view, "mnuScope");
    view->actions().at(0)->setShortcut(Qt::Key_F2);
    view->actions().at(1)->setShortcut(Qt::Key_F3);
    view->actions().at(2)->setShortcut(Qt::Key_F4);
    view->addSeparator();
    ticked(view, "mnuScalelight");
    item(view, "mnuWidebody");

    QMenu* options = bar->addMenu(QStringLiteral("&Options"));
    ticked(options, "mnuNBdetect");
    ticked(options, "mnuNotrig");
    ticked(options, "mnuLocktrig");
    options->addSeparator();
    item(options, "mnuSoundcard");
    item(options, "mnuSettling");
    item(options, "mnuGraphSetup");
    item(options, "mnuHotkey");

    QMenu* modules = bar->addMenu(QStringLiteral("&Modules"));
    item(modules, "mnuDataEditor");
    item(modules, "mnuSeqEditor");

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    item(help, "mnuHelp");
}

void MainWindow::showFavourites() {
    for (int slot = 1; slot <= panel::kFavouriteSlots; ++slot) {
        auto* action = qobject_cast<QAction*>(binding_->object(numbered("mnuFav", slot)));
        if (!action) continue;
        const QString path = QString::fromStdString(instrument_.panel.favSetupText(slot));
        const QString number = QString::fromStdString(
            instrument_.panel.controls()[numbered("mnuFav", slot)].caption());
        const QString file =
            path.isEmpty()
                ? QStringLiteral("(not assigned)")
                : QFileInfo(QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
        action->setText(number + QStringLiteral("   ") + file);
        action->setStatusTip(path);
        action->setToolTip(path);
    }
}

void MainWindow::buildStatusBar() {
    simulatedBadge_ = new QLabel(QStringLiteral("SIMULATED"));
    simulatedBadge_->setObjectName(QStringLiteral("_simulatedBadge"));
    simulatedBadge_->setProperty("role", "badge");
    simulatedBadge_->setVisible(false);
    deviceLabel_ = new QLabel;
    deviceLabel_->setObjectName(QStringLiteral("_deviceLabel"));
    statusBar()->addPermanentWidget(simulatedBadge_);
    statusBar()->addPermanentWidget(deviceLabel_);
}

void MainWindow::setDeviceDescription(const QString& description, bool simulated) {
    deviceLabel_->setText(description);
    simulatedBadge_->setVisible(simulated);
}

// Items that open a window open it when this build has the window; others
// that nothing handles (printing, until its functions exist) are disabled.
void MainWindow::wireWindowMenus() {
    panel::Controls& c = instrument_.panel.controls();
    for (const WindowMenuItem& entry : kWindowMenuItems) {
        panel::Control& menu = c[entry.menu];
        if (!windows_.has(entry.window)) {
            menu.setEnabled(false);
            continue;
        }
        if (!menu.handlesClick()) {
            const std::string window = entry.window;
            menu.onClick([this, window] { windows_.show(window); });
        }
    }
    c["mnuWidebody"].onClick([this] { toggleWideBody(); });
    for (const panel::Control& control : c.all())
        if (control.kind() == panel::ControlKind::Menu && !control.handlesClick())
            c[control.name()].setEnabled(false);
}

void MainWindow::showGraphLayout(bool big) {
    for (QWidget* part : panelParts_)
        part->setVisible(!big);
    for (QWidget* part : smallGraphOnly_)
        part->setVisible(!big);
}

// "Wide Body Form": the window is made wider, or back to its normal width.
void MainWindow::toggleWideBody() {
    wideBody_ = !wideBody_;
    const double ratio = 14760.0 / 12045.0;
    const int width =
        static_cast<int>(std::lround(wideBody_ ? this->width() * ratio : this->width() / ratio));
    resize(width, height());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!instrument_.panel.shutDown) instrument_.panel.ShutDown();
    windows_.closeAll();
    event->accept();
}

} // namespace ui

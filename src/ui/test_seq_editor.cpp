#include "ui/test_seq_editor.h"

#include "output/printing.h"
#include "output/text_pages.h"
#include "sequencer/script_host.h"
#include "ui/binding.h"
#include "ui/code_editor.h"
#include "ui/instrument.h"
#include "ui/on_top.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace ui {

namespace {

constexpr std::array<std::string_view, 4> kOptionMenus = {"mnuSyntaxColour", "mnuLineNumbers",
                                                          "mnuCompletion", "mnuFixedFont"};

QAction* addMenuItem(QMenu* menu, const char* name, const char* text,
                     const QKeySequence& shortcut = {}) {
    auto* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(QString::fromUtf8(name));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

QLineEdit* messageBox(const char* name) {
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromUtf8(name));
    box->setReadOnly(true);
    return box;
}

QString colourName(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb)).name();
}

// The commands that run script code (see the header).
struct ScriptCommand {
    const char* menu;
    void (sequencer::SeqEditor::*action)();
};
constexpr ScriptCommand kScriptCommands[] = {
    {"mnuErrTest", &sequencer::SeqEditor::mnuErrTest_Click},
    {"mnuAutoload", &sequencer::SeqEditor::mnuAutoload_Click},
    {"mnuRun", &sequencer::SeqEditor::run},
};

} // namespace

TestSeqEditor::TestSeqEditor(sequencer::ScriptHost& host, platform::Dialogs& dialogs,
                             output::Printing* printing, QWidget* parent)
    : QMainWindow(parent), model_(std::make_shared<sequencer::SeqEditor>(host, dialogs)) {
    setObjectName(QStringLiteral("TestSeqEditor"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QString::fromUtf8(sequencer::kEditorCaption.data(),
                                     static_cast<qsizetype>(sequencer::kEditorCaption.size())));
    clsOnTop::setTopmost(*this);
    buildMenus();
    buildBody();

    panel::Controls& c = model_->controls();
    c["mnuExit"].onClick([this] { close(); });
    if (printing) {
        c["mnuPrint"].onClick([this, printing] {
            printing->printText(sequencer::kEditorCaption, output::plainTextLines(model_->text()));
        });
    } else {
        c["mnuPrint"].setEnabled(false);
    }
    // Enabled when the front end gives the help window (setHelp).
    c["mnuHelp"].setEnabled(false);
    for (const ScriptCommand& command : kScriptCommands)
        c[command.menu].onClick([this, action = command.action] {
            QTimer::singleShot(0, this, [model = model_, action] { ((*model).*action)(); });
        });

    binding_ = std::make_unique<Binding>(c);
    binding_->bindTree(this);
    // Named after binding: the window binds its text itself (see the header).
    editor_->setObjectName(QStringLiteral("txtEditor"));

    observer_ = c.addObserver([this](const panel::Control& control, panel::Property property) {
        const std::string& name = control.name();
        if (property == panel::Property::Text && name == "txtEditor") {
            if (!userEditing_) showModelText();
        } else if (property == panel::Property::Colour) {
            applyColour();
        } else if (property == panel::Property::Checked &&
                   std::find(kOptionMenus.begin(), kOptionMenus.end(), name) !=
                       kOptionMenus.end()) {
            applyOptions();
        }
    });
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] {
        if (showingModelText_) return;
        userEditing_ = true;
        model_->userEdited(editor_->rawText().toStdString());
        userEditing_ = false;
    });
    connect(editor_, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        model_->setCaret({editor_->caretLine(), editor_->caretColumn()});
    });
    editor_->onCaretTouched = [this] {
        model_->setCaret({editor_->caretLine(), editor_->caretColumn()});
        model_->DetermineLine();
    };
    model_->onPlaceCaret = [this] {
        const sequencer::Caret caret = model_->caret();
        editor_->placeCaret(caret.line, caret.column);
    };
    model_->onErrorLineChanged = [this] { editor_->setErrorLine(model_->errorLine()); };

    showModelText();
    applyOptions();
    applyColour();
    // The active workspace's button stands out (the classic button highlight).
    setStyleSheet(QStringLiteral("QPushButton:checked { background: #3d6fa8; color: #ffffff;"
                                 " border-color: #6aa0d8; font-weight: bold; }"));
    resize(780, 560);
}

TestSeqEditor::~TestSeqEditor() {
    model_->controls().removeObserver(observer_);
    model_->onPlaceCaret = nullptr;
    model_->onErrorLineChanged = nullptr;
    if (model_->isOpen()) model_->close();
}

void TestSeqEditor::setHelp(std::function<void()> showHelp) {
    panel::Control& item = model_->controls()["mnuHelp"];
    item.setEnabled(static_cast<bool>(showHelp));
    item.onClick(std::move(showHelp));
}

void TestSeqEditor::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("_fileMenu"));
    addMenuItem(file, "mnuLoad", "Load As", QKeySequence::Open);
    addMenuItem(file, "mnuSave", "Save As", QKeySequence::SaveAs);
    addMenuItem(file, "mnuNew", "New Script", QKeySequence::New);
    addMenuItem(file, "mnuClear", "Clear Workspace");
    file->addSeparator();
    addMenuItem(file, "mnuPrint", "Print", QKeySequence::Print);
    file->addSeparator();
    for (int i = 1; i <= 4; ++i)
        addMenuItem(file, ("flastfile" + std::to_string(i)).c_str(), "");
    file->addSeparator();
    addMenuItem(file, "mnuExit", "Exit");

    QMenu* script = menuBar()->addMenu(tr("&Script"));
    script->setObjectName(QStringLiteral("_scriptMenu"));
    addMenuItem(script, "mnuErrTest", "ErrorTest", QKeySequence(Qt::Key_F7));
    addMenuItem(script, "mnuClrErr", "Clear Error Message");
    script->addSeparator();
    addMenuItem(script, "mnuAutoload", "AutoLoad", QKeySequence(Qt::Key_F6));
    addMenuItem(script, "mnuRun", "Run", QKeySequence(Qt::Key_F5));
    addMenuItem(script, "mnuStop", "Stop", QKeySequence(Qt::SHIFT | Qt::Key_F5));

    QMenu* options = menuBar()->addMenu(tr("&Options"));
    options->setObjectName(QStringLiteral("_optionsMenu"));
    QMenu* colours = options->addMenu(tr("Background Color"));
    colours->setObjectName(QStringLiteral("_colourMenu"));
    for (const sequencer::EditorColour& colour : sequencer::kEditorColours)
        addMenuItem(colours, std::string(colour.menu).c_str(), std::string(colour.caption).c_str())
            ->setCheckable(true);
    options->addSeparator();
    for (std::string_view name : kOptionMenus)
        addMenuItem(options, std::string(name).c_str(), "")->setCheckable(true);
    addMenuItem(options, "mnuArialFont", "")->setCheckable(true);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("_helpMenu"));
    addMenuItem(help, "mnuHelp", "Help", QKeySequence::HelpContents);
}

void TestSeqEditor::buildBody() {
    auto* body = new QWidget;
    body->setObjectName(QStringLiteral("_body"));
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);

    auto* top = new QHBoxLayout;
    for (const char* name : {"File1Button", "File2Button"}) {
        auto* button = new QPushButton;
        button->setObjectName(QString::fromUtf8(name));
        button->setCheckable(true);
        button->setMinimumWidth(72);
        top->addWidget(button);
    }
    top->addSpacing(12);
    auto* onTop = new QLabel(tr("This panel always on top."));
    onTop->setObjectName(QStringLiteral("_onTopLabel"));
    top->addWidget(onTop);
    top->addStretch(1);
    auto* lineLabel = new QLabel(tr("Line number:"));
    lineLabel->setObjectName(QStringLiteral("_lineLabel"));
    top->addWidget(lineLabel);
    QLineEdit* line = messageBox("Text1");
    line->setAlignment(Qt::AlignRight);
    line->setFixedWidth(line->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 14);
    top->addWidget(line);
    layout->addLayout(top);

    editor_ = new CodeEditor;
    layout->addWidget(editor_, 1);

    auto* messages = new QGridLayout;
    messages->setHorizontalSpacing(8);
    auto* errLabel = new QLabel(tr("Err Message:"));
    errLabel->setObjectName(QStringLiteral("_errLabel"));
    auto* statusLabel = new QLabel(tr("Status:"));
    statusLabel->setObjectName(QStringLiteral("_statusLabel"));
    messages->addWidget(errLabel, 0, 0);
    messages->addWidget(messageBox("Text3"), 0, 1);
    messages->addWidget(statusLabel, 1, 0);
    messages->addWidget(messageBox("Text2"), 1, 1);
    layout->addLayout(messages);
    setCentralWidget(body);
}

void TestSeqEditor::showModelText() {
    showingModelText_ = true;
    editor_->setPlainText(QString::fromStdString(model_->text()));
    showingModelText_ = false;
}

void TestSeqEditor::applyOptions() {
    const sequencer::EditorOptions& o = model_->options();
    editor_->highlighter().setEnabled(o.syntaxColouring);
    editor_->setLineNumbersVisible(o.lineNumbers);
    editor_->setCompletionEnabled(o.completion);
    if (editor_->fixedFont() != o.fixedFont) applyColour();
}

void TestSeqEditor::applyColour() {
    const std::uint32_t rgb = model_->controls()["txtEditor"].colour();
    editor_->setAppearance(QColor::fromRgb(static_cast<QRgb>(rgb)), model_->options().fixedFont);
    for (const char* name : {"Text1", "Text2", "Text3"})
        if (auto* box = findChild<QLineEdit*>(QString::fromUtf8(name)))
            box->setStyleSheet(QStringLiteral("QLineEdit { background-color: %1; color: #000000; }")
                                   .arg(colourName(model_->controls()[name].colour())));
}

void TestSeqEditor::showEvent(QShowEvent* event) {
    // Form_Load: a window shown again after a close reads its files again.
    if (!model_->isOpen()) {
        model_->open();
        applyOptions();
        applyColour();
        editor_->setFocus(Qt::OtherFocusReason);
    }
    QMainWindow::showEvent(event);
}

void TestSeqEditor::closeEvent(QCloseEvent* event) {
    model_->close();
    QMainWindow::closeEvent(event);
}

std::unique_ptr<QWidget> makeTestSeqEditor(Instrument& instrument, QWidget* parent) {
    if (!instrument.scriptHost) return nullptr;
    return std::make_unique<TestSeqEditor>(*instrument.scriptHost, instrument.dialogs,
                                           instrument.printing, parent);
}

} // namespace ui

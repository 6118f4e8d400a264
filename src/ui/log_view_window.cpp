#include "ui/log_view_window.h"

#include "sequencer/script_host.h"
#include "ui/dialog_window.h"

#include <QAction>
#include <QFont>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace ui {

namespace {

class LogViewWindow final : public DialogWindow {
public:
    LogViewWindow(sequencer::LogViewer& viewer, QWidget* parent)
        : DialogWindow(QStringLiteral("LogView"), parent) {
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(6, 0, 6, 6);
        v->setSpacing(4);

        auto* bar = new QMenuBar;
        QMenu* file = bar->addMenu(QStringLiteral("&File"));
        auto item = [file](const char* name, const QKeySequence& key) {
            QAction* action = file->addAction(QString::fromLatin1(name));
            action->setObjectName(QString::fromLatin1(name));
            action->setShortcut(key);
            action->setShortcutContext(Qt::WindowShortcut);
            return action;
        };
        item("mnuFile", QKeySequence::Open);
        item("mnuReload", QKeySequence(Qt::Key_F5));
        item("mnuSave", QKeySequence::SaveAs);
        file->addSeparator();
        item("mnuPrint", QKeySequence::Print);
        v->setMenuBar(bar);

        auto* text = new QPlainTextEdit;
        text->setObjectName(QStringLiteral("Text1"));
        text->setProperty("role", "data");
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        text->setPlaceholderText(
            QStringLiteral("File > Open (Ctrl+O) shows a log; Reload (F5) reads it again."));
        QFont font(QStringLiteral("DejaVu Sans Mono"));
        font.setStyleHint(QFont::Monospace);
        font.setPointSize(10);
        text->setFont(font);
        text->setStyleSheet(QStringLiteral("font-size: 10pt;"));
        v->addWidget(text, 1);

        bindTo(viewer.controls());
        resize(780, 540);
    }
};

} // namespace

std::unique_ptr<QWidget> makeLogView(Instrument& instrument, QWidget* parent) {
    if (!instrument.scriptHost) return nullptr;
    return std::make_unique<LogViewWindow>(instrument.scriptHost->logViewer(), parent);
}

} // namespace ui

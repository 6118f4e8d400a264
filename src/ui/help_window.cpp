#include "ui/help_window.h"

#include "output/help.h"
#include "ui/dialog_window.h"
#include "ui/on_top.h"

#include <QAction>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

namespace ui {

namespace {

class HelpWindow final : public ModelDialog<output::Help> {
public:
    HelpWindow(output::Help& help, QWidget* parent)
        : ModelDialog(QStringLiteral("Help"), help, parent) {
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(6, 0, 6, 6);
        v->setSpacing(4);

        auto* bar = new QMenuBar;
        QMenu* file = bar->addMenu(QStringLiteral("&File"));
        auto item = [](QMenu* menu, const char* name, const QKeySequence& key) {
            QAction* action = menu->addAction(QString::fromLatin1(name));
            action->setObjectName(QString::fromLatin1(name));
            action->setShortcut(key);
            action->setShortcutContext(Qt::WindowShortcut);
            return action;
        };
        item(file, "mnuSave", QKeySequence::Save);
        item(file, "mnuPrint", QKeySequence::Print);
        QAction* tips = bar->addAction(QStringLiteral("mnuTips"));
        tips->setObjectName(QStringLiteral("mnuTips"));
        v->setMenuBar(bar);

        // The rich-text box, in Times New Roman (or its metric twin) on paper white.
        browser_ = new QTextBrowser;
        browser_->setObjectName(QStringLiteral("_rtb1"));
        browser_->setOpenLinks(true);
        browser_->setOpenExternalLinks(true);
        QFont font(QStringLiteral("Times New Roman"));
        font.setStyleHint(QFont::Serif);
        font.setPointSize(11);
        browser_->document()->setDefaultFont(font);
        browser_->setStyleSheet(QStringLiteral(
            "QTextBrowser { background: #fbfaf6; color: #1d2024; border: 1px solid #4a515c;"
            " border-radius: 3px; padding: 6px 10px; selection-background-color: #3d6fa8;"
            " selection-color: white; }"
            "QScrollBar:vertical { background: #e4e1d8; width: 12px; }"
            "QScrollBar::handle:vertical { background: #a9a498; min-height: 24px;"
            " border-radius: 4px; }"));
        v->addWidget(browser_, 1);

        auto* status = new QLabel;
        status->setObjectName(QStringLiteral("HelpStatus"));
        status->setProperty("role", "caption");
        v->addWidget(status);

        help.setDocumentChanged([this] { showDocument(); });
        bindTo(help.controls());
        resize(900, 680);
    }
    ~HelpWindow() override { model().setDocumentChanged({}); }

protected:
    // Opened from the sequence editor it was put on top; next time it opens
    // among the other windows again.
    void closed() override {
        QTimer::singleShot(0, this, [this] {
            if (!isVisible()) clsOnTop::setNormal(*this);
        });
    }

private:
    void showDocument() {
        browser_->setHtml(QString::fromStdString(model().document()));
        browser_->verticalScrollBar()->setValue(0);
    }

    QTextBrowser* browser_ = nullptr;
};

} // namespace

std::unique_ptr<QWidget> makeHelp(Instrument& instrument, QWidget* parent) {
    return makeDialog<HelpWindow>(instrument.help, parent);
}

} // namespace ui

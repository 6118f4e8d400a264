#include "ui/dialog_window.h"

#include "ui/style.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

namespace ui {

DialogWindow::DialogWindow(const QString& name, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(name);
    setProperty("role", "panel");
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(instrumentStyleSheet());
}

DialogWindow::~DialogWindow() = default;

void DialogWindow::bindTo(panel::Controls& model) {
    binding_ = std::make_unique<Binding>(model);
    // The window itself is bound when the model has its caption.
    if (model.find(objectName().toStdString())) {
        binding_->bindTree(this);
        return;
    }
    for (QObject* child : children())
        binding_->bindTree(child);
}

void DialogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) opened();
}

// Escape closes the window (a child with the focus passes it on).
void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    closed();
    QWidget::closeEvent(event);
}

namespace parts {

QGroupBox* frame(const QString& title) {
    auto* box = new QGroupBox(title);
    box->setProperty("role", "frame");
    return box;
}

QLabel* caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setProperty("role", "caption");
    return label;
}

QLineEdit* edit(const char* name, int chars) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('8')) * chars + 12);
    return e;
}

QPushButton* button(const char* name, const QString& text) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QCheckBox* check(const char* name, const QString& text) {
    auto* c = new QCheckBox(text);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

QRadioButton* option(const char* name, const QString& text) {
    auto* r = new QRadioButton(text);
    r->setObjectName(QString::fromLatin1(name));
    r->setAutoExclusive(false); // the model keeps its group exclusive
    return r;
}

} // namespace parts

} // namespace ui

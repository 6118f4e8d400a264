#include "ui/binding.h"

#include "ui/lamp.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QWidget>
#include <stdexcept>

namespace ui {

namespace {

// The classic system button face: a button painted in it has no colour of its own.
constexpr std::uint32_t kButtonFace = 0xF0F0F0;

QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

// "&" in a button or menu caption would be taken as a mnemonic.
QString literalCaption(const std::string& caption) {
    return toQString(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString cssColour(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb)).name();
}

bool skippedName(const QString& name) {
    return name.isEmpty() || name.startsWith(QLatin1Char('_')) ||
           name.startsWith(QLatin1String("qt_"));
}

} // namespace

struct Binding::Entry {
    panel::Control* control = nullptr;
    QPointer<QObject> object;
    bool applying = false; // the model is being shown; the widget's signals are ours
    bool colourShown = false;
    bool captionShown = false;
};

Binding::Binding(panel::Controls& model) : model_(model) {
    observerId_ = model_.addObserver([this](const panel::Control& control, panel::Property p) {
        auto it = entries_.find(&control);
        if (it != entries_.end()) apply(*it->second, p);
    });
}

Binding::~Binding() {
    model_.removeObserver(observerId_);
}

int Binding::bindTree(QObject* root) {
    int bound = 0;
    auto visit = [&](auto&& self, QObject* object) -> void {
        const QString name = object->objectName();
        if (name.startsWith(QLatin1String("qt_"))) return;
        if (!skippedName(name)) {
            bind(object, name.toStdString());
            ++bound;
        }
        for (QObject* child : object->children())
            self(self, child);
    };
    visit(visit, root);
    return bound;
}

void Binding::bind(QObject* object, std::string_view name) {
    panel::Control* control = model_.find(name);
    if (!control) throw std::invalid_argument("no control named " + std::string(name) + " to bind");
    auto [it, added] = entries_.try_emplace(control, std::make_unique<Entry>());
    if (!added) throw std::invalid_argument("control " + std::string(name) + " is bound twice");
    Entry& entry = *it->second;
    entry.control = control;
    entry.object = object;
    applyAll(entry);
    connectUserEdits(entry);
}

QObject* Binding::object(std::string_view name) const {
    const panel::Control* control = model_.find(name);
    if (!control) return nullptr;
    auto it = entries_.find(control);
    return it == entries_.end() ? nullptr : it->second->object.data();
}

std::vector<std::string> Binding::unboundControls() const {
    std::vector<std::string> names;
    for (const panel::Control& control : model_.all())
        if (!entries_.count(&control)) names.push_back(control.name());
    return names;
}

void Binding::applyAll(Entry& entry) {
    using P = panel::Property;
    for (P p : {P::Items, P::Text, P::Value, P::Checked, P::Caption, P::Enabled, P::Visible})
        apply(entry, p);
    if (entry.control->colour() != 0) apply(entry, P::Colour);
}

void Binding::apply(Entry& entry, panel::Property property) {
    QObject* object = entry.object;
    if (!object) return;
    const panel::Control& c = *entry.control;
    const QSignalBlocker blocker(object);
    entry.applying = true;
    struct Done {
        Entry& e;
        ~Done() { e.applying = false; }
    } done{entry};

    using P = panel::Property;
    auto* widget = qobject_cast<QWidget*>(object);
    auto* action = qobject_cast<QAction*>(object);
    auto* combo = qobject_cast<QComboBox*>(object);
    auto* list = qobject_cast<QListWidget*>(object);

    switch (property) {
    case P::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(object)) {
            const QString text = toQString(c.text());
            if (edit->text() != text) {
                const int cursor = edit->cursorPosition();
                edit->setText(text);
                edit->setCursorPosition(std::min<int>(cursor, static_cast<int>(text.size())));
            }
        } else if (auto* box = qobject_cast<QPlainTextEdit*>(object)) {
            QString text = toQString(c.text());
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            if (box->toPlainText() != text) {
                box->setPlainText(text);
                // The caret goes to the end so that the last line shows.
                box->moveCursor(QTextCursor::End);
                box->ensureCursorVisible();
            }
        } else if (combo) {
            apply(entry, P::Value);
        }
        break;
    case P::Value:
        if (combo) {
            if (c.value() >= 0 && c.value() < combo->count()) {
                combo->setCurrentIndex(c.value());
                combo->setPlaceholderText({});
            } else {
                // A text that is not in the list still shows.
                combo->setCurrentIndex(-1);
                combo->setPlaceholderText(toQString(c.text()));
            }
        } else if (list) {
            if (c.value() >= 0 && c.value() < list->count())
                list->setCurrentRow(c.value());
            else
                list->setCurrentRow(-1);
        } else if (auto* slider = qobject_cast<QAbstractSlider*>(object)) {
            slider->setValue(c.value());
        }
        break;
    case P::Items:
        if (combo) {
            combo->clear();
            for (const std::string& item : c.items())
                combo->addItem(toQString(item));
            apply(entry, P::Value);
        } else if (list) {
            list->clear();
            for (const std::string& item : c.items())
                list->addItem(toQString(item));
            apply(entry, P::Value);
        }
        break;
    case P::Checked:
        if (auto* button = qobject_cast<QAbstractButton*>(object)) {
            if (button->isCheckable()) button->setChecked(c.checked());
        } else if (action) {
            if (c.checked()) action->setCheckable(true);
            if (action->isCheckable()) action->setChecked(c.checked());
        }
        break;
    case P::Caption:
        // The widget keeps its own text until the model gives it one.
        if (c.caption().empty() && !entry.captionShown) break;
        entry.captionShown = true;
        if (action) {
            action->setText(literalCaption(c.caption()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
            button->setText(literalCaption(c.caption()));
        } else if (auto* label = qobject_cast<QLabel*>(object)) {
            // Captions are plain text; a trailing line break (a splash
            // message ends with one) leaves no empty line.
            QString text = toQString(c.caption());
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            while (text.endsWith(QLatin1Char('\n')))
                text.chop(1);
            label->setTextFormat(Qt::PlainText);
            label->setText(text);
        } else if (auto* group = qobject_cast<QGroupBox*>(object)) {
            group->setTitle(toQString(c.caption()));
        } else if (widget && widget->isWindow()) {
            widget->setWindowTitle(toQString(c.caption()));
        }
        break;
    case P::Colour:
        if (auto* lamp = dynamic_cast<Lamp*>(object)) {
            lamp->setColour(c.colour());
        } else if (widget &&
                   (qobject_cast<QLabel*>(object) || qobject_cast<QAbstractButton*>(object))) {
            if (c.colour() == kButtonFace && !entry.colourShown) break;
            entry.colourShown = c.colour() != kButtonFace;
            widget->setStyleSheet(entry.colourShown
                                      ? QStringLiteral("background-color: %1; color: black;")
                                            .arg(cssColour(c.colour()))
                                      : QString());
        }
        break;
    case P::Visible:
        if (action)
            action->setVisible(c.visible());
        else if (widget && !widget->isWindow())
            widget->setVisible(c.visible());
        break;
    case P::Enabled:
        if (action)
            action->setEnabled(c.enabled());
        else if (widget && !widget->isWindow())
            widget->setEnabled(c.enabled());
        break;
    }
}

void Binding::connectUserEdits(Entry& entry) {
    QObject* object = entry.object;
    panel::Control* control = entry.control;
    Entry* e = &entry;
    // After the model has taken a user's edit, the widget shows what the
    // model now holds (a handler may have refused or corrected it).
    auto showModel = [this, e] { applyAll(*e); };

    if (auto* edit = qobject_cast<QLineEdit*>(object)) {
        QObject::connect(edit, &QLineEdit::textEdited, edit,
                         [control, showModel](const QString& t) {
                             control->setText(t.toStdString());
                             showModel();
                         });
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(object)) {
        QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, control, e] {
            if (!e->applying) control->setText(box->toPlainText().toStdString());
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(object)) {
        QObject::connect(combo, &QComboBox::activated, combo, [control, showModel](int index) {
            if (index >= 0 && index < static_cast<int>(control->items().size()))
                control->setValue(index);
            showModel();
        });
    } else if (auto* list = qobject_cast<QListWidget*>(object)) {
        QObject::connect(list, &QListWidget::currentRowChanged, list,
                         [control, showModel, e](int row) {
                             if (e->applying) return;
                             if (row >= 0 && row < static_cast<int>(control->items().size()))
                                 control->setValue(row);
                             showModel();
                         });
    } else if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        QObject::connect(button, &QAbstractButton::clicked, button, [control, showModel] {
            control->click();
            showModel();
        });
    } else if (auto* action = qobject_cast<QAction*>(object)) {
        QObject::connect(action, &QAction::triggered, action, [control, showModel] {
            control->click();
            showModel();
        });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(object)) {
        QObject::connect(slider, &QAbstractSlider::valueChanged, slider,
                         [control, showModel, e](int value) {
                             if (e->applying) return;
                             control->setValue(value);
                             showModel();
                         });
    }
}

BindingReport checkBinding(Binding& binding, QObject* root) {
    BindingReport report;
    report.controlsWithoutWidget = binding.unboundControls();

    auto isInput = [](QObject* o) {
        return qobject_cast<QLineEdit*>(o) || qobject_cast<QPlainTextEdit*>(o) ||
               qobject_cast<QComboBox*>(o) || qobject_cast<QListWidget*>(o) ||
               qobject_cast<QAbstractButton*>(o) || qobject_cast<QAbstractSlider*>(o);
    };
    auto isBound = [&](QObject* o) {
        const QString name = o->objectName();
        return !skippedName(name) && binding.object(name.toStdString()) == o;
    };
    auto describe = [](QObject* o) {
        return o->objectName().isEmpty() ? std::string(o->metaObject()->className()) + " (no name)"
                                         : o->objectName().toStdString();
    };
    auto visit = [&](auto&& self, QObject* object) -> void {
        if (object->objectName().startsWith(QLatin1String("qt_"))) return;
        if (auto* action = qobject_cast<QAction*>(object)) {
            if (!action->isSeparator() && !action->menu() && !isBound(action))
                report.unboundWidgets.push_back(describe(action));
            return;
        }
        if (object != root && isInput(object)) {
            if (!isBound(object)) report.unboundWidgets.push_back(describe(object));
            return; // a widget's own parts (a combo's list, an editor's scroll bars)
        }
        for (QObject* child : object->children())
            self(self, child);
    };
    visit(visit, root);
    return report;
}

} // namespace ui

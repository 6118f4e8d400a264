#include "ui/soundcard_setup_window.h"

#include "engine/soundcard_setup.h"
#include "panel/panel_settings.h"
#include "platform/device_catalogue.h"
#include "ui/dialog_window.h"
#include "ui/lamp.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace ui {

namespace {

using namespace parts;

// A device entry as a host API tag and the device's own name.
class DeviceDelegate final : public QStyledItemDelegate {
public:
    explicit DeviceDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const platform::DeviceLabel label = platform::describeDevice(plain.text.toStdString());
        // The row's background and selection only; the texts are drawn below.
        plain.text.clear();
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &plain, painter, view);

        painter->save();
        const QRect area = option.rect.adjusted(4, 2, -4, -2);
        const int tagWidth = tagColumnWidth(option.fontMetrics);
        QRect tag(area.left(), area.top(), tagWidth, area.height());
        if (!label.hostApi.empty()) {
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush(tagColour(label.hostApi));
            painter->drawRoundedRect(tag, 3, 3);
            painter->setPen(QColor(0x10, 0x14, 0x18));
            painter->drawText(tag, Qt::AlignCenter, QString::fromStdString(label.hostApi));
        }
        const QRect name = area.adjusted(tagWidth + 8, 0, 0, 0);
        painter->setPen(option.state & QStyle::State_Selected
                            ? option.palette.color(QPalette::HighlightedText)
                            : option.palette.color(QPalette::Text));
        painter->drawText(name, Qt::AlignVCenter | Qt::AlignLeft,
                          option.fontMetrics.elidedText(QString::fromStdString(label.name),
                                                        Qt::ElideRight, name.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), option.fontMetrics.height() + 8));
        return size;
    }

private:
    static int tagColumnWidth(const QFontMetrics& metrics) {
        return metrics.horizontalAdvance(QStringLiteral("PulseAudio (ALSA)")) + 14;
    }
    static QColor tagColour(const std::string& api) {
        if (api == "JACK") return QColor(0xe0, 0xa8, 0x5a);
        if (api == "Simulated") return QColor(0xe8, 0xc2, 0x5a);
        if (api.find("PulseAudio") != std::string::npos ||
            api.find("PipeWire") != std::string::npos)
            return QColor(0x8f, 0xc9, 0x8a);
        return QColor(0x8d, 0xb8, 0xe6); // ALSA and others
    }
};

QListWidget* deviceList(const char* name) {
    auto* list = new QListWidget;
    list->setObjectName(QString::fromLatin1(name));
    list->setItemDelegate(new DeviceDelegate(list));
    list->setUniformItemSizes(true);
    list->setMinimumHeight(list->fontMetrics().height() * 5 + 40);
    list->setStyleSheet(QStringLiteral(
        "QListWidget { background: #14171b; color: #f2f5f8; border: 1px solid #4a515c;"
        " border-radius: 3px; } QListWidget::item:selected { background: #3d6fa8; }"));
    return list;
}

QLabel* value(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setProperty("role", "value");
    return label;
}

class SoundcardSetupWindow final : public ModelDialog<engine::SoundcardSetup> {
public:
    SoundcardSetupWindow(engine::SoundcardSetup& setup, QWidget* parent)
        : ModelDialog(QStringLiteral("SoundcardSetup"), setup, parent) {
        setWindowTitle(QStringLiteral("Soundcard Setup"));
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(10, 10, 10, 10);
        v->setSpacing(8);

        auto* devices = new QHBoxLayout;
        devices->setSpacing(8);
        auto* out = frame(QStringLiteral("Output Device (generator)"));
        auto* o = new QVBoxLayout(out);
        o->addWidget(deviceList("List1"));
        devices->addWidget(out, 1);
        auto* in = frame(QStringLiteral("Input Device (analyzer)"));
        auto* i = new QVBoxLayout(in);
        i->addWidget(deviceList("List2"));
        devices->addWidget(in, 1);
        v->addLayout(devices, 1);

        auto* refreshRow = new QHBoxLayout;
        refreshRow->addWidget(button("Refresh_cmd"));
        auto* note = new QLabel;
        note->setObjectName(QStringLiteral("DeviceNote"));
        note->setWordWrap(true);
        note->setStyleSheet(QStringLiteral("color: #f0c060;"));
        refreshRow->addWidget(note, 1);
        refreshRow->addWidget(caption(QStringLiteral("A new choice is used from the next ON.")));
        v->addLayout(refreshRow);

        auto* offsets = frame(QStringLiteral("Level Offset by Sample Rate (dB)"));
        auto* g = new QGridLayout(offsets);
        g->setHorizontalSpacing(6);
        g->setVerticalSpacing(3);
        for (std::size_t k = 0; k < engine::kOffsetBoxes.size(); ++k) {
            const int column = static_cast<int>(k);
            auto* rate = caption(QString::number(panel::kOffsetRates[k]));
            rate->setAlignment(Qt::AlignCenter);
            g->addWidget(rate, 0, column);
            auto* box = edit(engine::kOffsetBoxes[k], 6);
            box->setAlignment(Qt::AlignRight);
            g->addWidget(box, 1, column);
        }
        v->addWidget(offsets);

        v->addWidget(check("DiscardCheck",
                           QStringLiteral("Discard the first 500 frames of each captured block")));

        auto* test = frame(QStringLiteral("Cable Test: output to input"));
        auto* t = new QGridLayout(test);
        t->setHorizontalSpacing(8);
        t->setVerticalSpacing(4);
        auto* testButton = button("Test_cmd");
        testButton->setProperty("role", "on");
        t->addWidget(testButton, 0, 0);
        auto* lamp = new Lamp;
        lamp->setObjectName(QStringLiteral("TestLED"));
        t->addWidget(lamp, 1, 0, Qt::AlignCenter);
        t->addWidget(value("TestLevelL"), 0, 1);
        t->addWidget(value("TestLevelR"), 1, 1);
        auto* status = new QLabel;
        status->setObjectName(QStringLiteral("TestStatus"));
        status->setWordWrap(true);
        t->addWidget(status, 2, 0, 1, 2);
        t->setColumnStretch(1, 1);
        v->addWidget(test);

        bindTo(model().controls());
        resize(820, 560);
    }

protected:
    void closed() override { model().close(); }
};

} // namespace

std::unique_ptr<QWidget> makeSoundcardSetup(Instrument& instrument, QWidget* parent) {
    return makeDialog<SoundcardSetupWindow>(instrument.soundcardSetup, parent);
}

} // namespace ui

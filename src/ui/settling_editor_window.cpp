#include "ui/settling_editor_window.h"

#include "engine/settling.h"
#include "ui/dialog_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

using namespace parts;

class SettlingEditorWindow final : public ModelDialog<engine::SettlingEditor> {
public:
    SettlingEditorWindow(engine::SettlingEditor& editor, QWidget* parent)
        : ModelDialog(QStringLiteral("SettlingEditor"), editor, parent) {
        setWindowTitle(QStringLiteral("Settling Editor"));
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(10, 10, 10, 10);
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(8);

        auto* settle = frame(QStringLiteral("Sweep Settling"));
        auto* s = new QVBoxLayout(settle);
        s->addWidget(option("FastSettle_Option", QStringLiteral("Fast: 4 blocks a step")));
        s->addWidget(option("MedSettle_Option", QStringLiteral("Medium: 5 blocks a step")));
        s->addWidget(option("SlowSettle_Option", QStringLiteral("Slow: 7 blocks a step")));
        s->addWidget(option("Settle73_Option", QStringLiteral("Fast from 200 Hz, slow below")));
        s->addWidget(caption(QStringLiteral("The first step of a sweep takes 10 blocks.")));
        grid->addWidget(settle, 0, 0);

        auto* reading = frame(QStringLiteral("Sweep THD Reading"));
        auto* r = new QVBoxLayout(reading);
        r->addWidget(option("Avereadoption", QStringLiteral("Average of the settled blocks")));
        r->addWidget(option("minreadoption", QStringLiteral("Minimum of the settled blocks")));
        r->addStretch(1);
        grid->addWidget(reading, 0, 1);

        auto* detector = frame(QStringLiteral("Level Detector"));
        auto* d = new QVBoxLayout(detector);
        d->addWidget(option("rmsleveloption", QStringLiteral("RMS")));
        d->addWidget(option("peakleveloption", QStringLiteral("Peak (from peak-to-peak)")));
        d->addStretch(1);
        grid->addWidget(detector, 1, 0);

        auto* rate = frame(QStringLiteral("Sweep Sample Rate"));
        auto* sr = new QVBoxLayout(rate);
        auto* prop = check("PropSRcheckbox", QStringLiteral("Sample rate follows the frequency"));
        prop->setToolTip(QStringLiteral("The sweep switches the sample rate with the step "
                                        "frequency, for a finer resolution at low frequencies."));
        sr->addWidget(prop);
        sr->addStretch(1);
        grid->addWidget(rate, 1, 1);

        auto* log = frame(QStringLiteral("Data Logging"));
        auto* l = new QGridLayout(log);
        l->setHorizontalSpacing(6);
        l->addWidget(caption(QStringLiteral("Log")), 0, 0);
        auto* columns = new QHBoxLayout;
        columns->addWidget(check("lvaluecheck", QStringLiteral("Levels")));
        columns->addWidget(check("thdcheck", QStringLiteral("THD")));
        columns->addWidget(check("timecheck", QStringLiteral("Date and time")));
        columns->addStretch(1);
        l->addLayout(columns, 0, 1, 1, 2);
        l->addWidget(caption(QStringLiteral("Log file")), 1, 0);
        l->addWidget(edit("Lognametextbox", 32), 1, 1);
        l->addWidget(button("Logbutton", QStringLiteral("...")), 1, 2);
        l->setColumnStretch(1, 1);
        grid->addWidget(log, 2, 0, 1, 2);

        auto* dir = frame(QStringLiteral("Default Data Directory"));
        auto* dd = new QGridLayout(dir);
        dd->setHorizontalSpacing(6);
        auto* dirText = edit("defdirtext", 32);
        dirText->setPlaceholderText(QStringLiteral("c:\\QEX_ARV1files (the data directory)"));
        dd->addWidget(dirText, 0, 0);
        dd->addWidget(button("defdircmd", QStringLiteral("...")), 0, 1);
        dd->addWidget(caption(QStringLiteral("Where the file dialogs start.")), 1, 0, 1, 2);
        dd->setColumnStretch(0, 1);
        grid->addWidget(dir, 3, 0, 1, 2);

        bindTo(model().controls());
    }
};

} // namespace

std::unique_ptr<QWidget> makeSettlingEditor(Instrument& instrument, QWidget* parent) {
    return makeDialog<SettlingEditorWindow>(instrument.settlingEditor, parent);
}

} // namespace ui

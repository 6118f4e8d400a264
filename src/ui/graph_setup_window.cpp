#include "ui/graph_setup_window.h"

#include "ui/dialog_window.h"
#include "views/graph_setup.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

namespace {

using namespace parts;

class GraphSetupWindow final : public ModelDialog<views::GraphSetup> {
public:
    GraphSetupWindow(views::GraphSetup& setup, QWidget* parent)
        : ModelDialog(QStringLiteral("GraphSetup"), setup, parent) {
        setWindowTitle(QStringLiteral("Graph Setup"));
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(10, 10, 10, 10);
        v->setSpacing(8);

        auto* texts = frame(QStringLiteral("Printed Graph"));
        auto* t = new QGridLayout(texts);
        t->setHorizontalSpacing(8);
        t->addWidget(caption(QStringLiteral("Title")), 0, 0);
        t->addWidget(edit("graphtitletext", 40), 0, 1);
        for (int i = 1; i <= 3; ++i) {
            const std::string name = "graphlegendT" + std::to_string(i);
            t->addWidget(caption(QStringLiteral("Legend %1").arg(i)), i, 0);
            t->addWidget(edit(name.c_str(), 40), i, 1);
        }
        t->setColumnStretch(1, 1);
        v->addWidget(texts);

        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        auto* ink = frame(QStringLiteral("Ink"));
        auto* i = new QVBoxLayout(ink);
        i->addWidget(option("CLRgraph", QStringLiteral("Colour")));
        i->addWidget(option("BWgraph", QStringLiteral("Black and white")));
        row->addWidget(ink, 1);
        auto* lines = frame(QStringLiteral("Lines"));
        auto* l = new QVBoxLayout(lines);
        l->addWidget(option("NRWlines", QStringLiteral("Narrow")));
        l->addWidget(option("WIDElines", QStringLiteral("Wide")));
        row->addWidget(lines, 1);
        auto* stamp = frame(QStringLiteral("Time Stamp"));
        auto* s = new QVBoxLayout(stamp);
        s->addWidget(check("Timestamp_checkbox", QStringLiteral("Print the date and time")));
        s->addStretch(1);
        row->addWidget(stamp, 1);
        v->addLayout(row);

        auto* note = caption(QStringLiteral(
            "Used by Print Graph, Save Graph as BMP, Copy Graph and the test report; "
            "saved with the test panel."));
        note->setWordWrap(true);
        v->addWidget(note);

        bindTo(model().controls());
    }
};

} // namespace

std::unique_ptr<QWidget> makeGraphSetup(Instrument& instrument, QWidget* parent) {
    return makeDialog<GraphSetupWindow>(instrument.graphSetup, parent);
}

} // namespace ui

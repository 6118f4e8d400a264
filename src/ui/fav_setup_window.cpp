#include "ui/fav_setup_window.h"

#include "panel/fav_setup.h"
#include "panel/favourites.h"
#include "ui/dialog_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

namespace {

using namespace parts;

class FavSetupWindow final : public ModelDialog<panel::FavSetup> {
public:
    FavSetupWindow(panel::FavSetup& setup, QWidget* parent)
        : ModelDialog(QStringLiteral("FavSetup"), setup, parent) {
        setWindowTitle(QStringLiteral("Favorite Test Setup"));
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(10, 10, 10, 10);
        v->setSpacing(8);
        auto* box = frame(QStringLiteral("Favorite Test Panels"));
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(5);
        for (int slot = 1; slot <= panel::kFavouriteSlots; ++slot) {
            const std::string n = std::to_string(slot);
            auto* number = caption(QString::number(slot));
            number->setAlignment(Qt::AlignCenter);
            number->setMinimumWidth(18);
            grid->addWidget(number, slot - 1, 0);
            auto* path = edit(("Text" + n).c_str(), 48);
            path->setReadOnly(true);
            path->setPlaceholderText(QStringLiteral("(not assigned)"));
            grid->addWidget(path, slot - 1, 1);
            grid->addWidget(button(("Command" + n).c_str()), slot - 1, 2);
        }
        grid->setColumnStretch(1, 1);
        v->addWidget(box);
        auto* note = caption(QStringLiteral(
            "File > 1 .. 5 load these panels. The list is saved with the next panel save "
            "or at exit."));
        note->setWordWrap(true);
        v->addWidget(note);
        bindTo(model().controls());
    }
};

} // namespace

std::unique_ptr<QWidget> makeFavSetup(Instrument& instrument, QWidget* parent) {
    return makeDialog<FavSetupWindow>(instrument.favSetup, parent);
}

} // namespace ui

#include "panel/fav_setup.h"

#include "panel/panel.h"

#include <string>

namespace panel {

FavSetup::FavSetup(Panel& panel) : panel_(panel) {
    for (int slot = 1; slot <= kFavouriteSlots; ++slot) {
        const std::string n = std::to_string(slot);
        Control& text = controls_.add("Text" + n, ControlKind::TextBox);
        // The box shows the path; an edit is put back at once.
        text.onChange([this, slot] { show(slot); });
        Control& browse = controls_.add("Command" + n, ControlKind::Button);
        browse.setCaption("...");
        browse.onClick([this, slot] { Command_Click(slot); });
    }
}

void FavSetup::open() {
    for (int slot = 1; slot <= kFavouriteSlots; ++slot)
        show(slot);
}

void FavSetup::Command_Click(int slot) {
    panel_.favSetupBrowse(slot);
    show(slot);
}

void FavSetup::show(int slot) {
    controls_["Text" + std::to_string(slot)].setText(panel_.favSetupText(slot));
}

} // namespace panel

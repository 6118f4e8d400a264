#pragma once
// The Favorite Test Setup dialog without its window: the five favourite
// panel files (Text1 .. Text5, shown only: typing in them changes nothing)
// and their browse buttons (Command1 .. Command5). A favourite chosen here
// is kept by the panel and written to the favourites file with the next
// panel save or at exit.
//
// Thread: the instrument's thread only.

#include "panel/controls.h"

namespace panel {

class Panel;

class FavSetup {
public:
    explicit FavSetup(Panel& panel);
    FavSetup(const FavSetup&) = delete;
    FavSetup& operator=(const FavSetup&) = delete;

    panel::Controls& controls() { return controls_; }

    // Form_Load: the boxes show the favourites.
    void open();
    // Command1_Click .. Command5_Click: browse for slot 1..5.
    void Command_Click(int slot);

private:
    void show(int slot);

    Panel& panel_;
    Controls controls_;
};

} // namespace panel

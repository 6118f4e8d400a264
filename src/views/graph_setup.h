#pragma once
// Graph Setup without its window: the printed graph's title, its three
// legend lines, colour or black-and-white, narrow or wide lines and the time
// stamp. They are panel settings (saved with the test panel) used when the
// graph is printed, copied or saved; every control stores its setting at
// once, and opening the dialog shows the current settings.
//
// Thread: the instrument's thread only.

#include "panel/controls.h"

namespace panel {
class Panel;
}

namespace views {

class GraphSetup {
public:
    explicit GraphSetup(panel::Panel& panel);
    GraphSetup(const GraphSetup&) = delete;
    GraphSetup& operator=(const GraphSetup&) = delete;

    // graphtitletext, graphlegendT1 .. graphlegendT3 (text boxes); CLRgraph,
    // BWgraph, NRWlines, WIDElines (option buttons); Timestamp_checkbox.
    panel::Controls& controls() { return controls_; }

    // Opening the dialog: the texts, options and tick show the settings.
    void open();

private:
    panel::Panel& panel_;
    panel::Controls controls_;
    bool filling_ = false;
};

} // namespace views

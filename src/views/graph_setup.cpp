#include "views/graph_setup.h"

#include "panel/panel.h"

namespace views {

namespace {
constexpr const char* kLegendBoxes[] = {"graphlegendT1", "graphlegendT2", "graphlegendT3"};
}

GraphSetup::GraphSetup(panel::Panel& panel) : panel_(panel) {
    using K = panel::ControlKind;
    panel::Controls& c = controls_;
    panel::Control& title = c.add("graphtitletext", K::TextBox);
    title.onChange([this, &title] {
        if (!filling_) panel_.settings.graphTitle = title.text();
    });
    for (std::size_t i = 0; i < 3; ++i) {
        panel::Control& legend = c.add(kLegendBoxes[i], K::TextBox);
        legend.onChange([this, &legend, i] {
            if (!filling_) panel_.settings.graphLegends[i] = legend.text();
        });
    }
    auto option = [&](const char* name, const char* group,
                      std::int16_t panel::PanelSettings::*field, std::int16_t value) {
        panel::Control& button = c.add(name, K::OptionButton, group);
        button.onChange([this, &button, field, value] {
            if (!filling_ && button.checked()) panel_.settings.*field = value;
        });
    };
    option("CLRgraph", "ink", &panel::PanelSettings::graphColour, 1);
    option("BWgraph", "ink", &panel::PanelSettings::graphColour, 0);
    option("NRWlines", "width", &panel::PanelSettings::graphLineWidth, 1);
    option("WIDElines", "width", &panel::PanelSettings::graphLineWidth, 2);
    panel::Control& stamp = c.add("Timestamp_checkbox", K::CheckBox);
    stamp.onChange([this, &stamp] {
        if (!filling_) panel_.settings.graphTimeStamp = stamp.checked() ? 1 : 0;
    });
}

void GraphSetup::open() {
    const panel::PanelSettings& s = panel_.settings;
    panel::Controls& c = controls_;
    filling_ = true;
    c["graphtitletext"].setText(s.graphTitle);
    for (std::size_t i = 0; i < 3; ++i)
        c[kLegendBoxes[i]].setText(s.graphLegends[i]);
    c[s.graphColour == 0 ? "BWgraph" : "CLRgraph"].setChecked(true);
    c[s.graphLineWidth == 1 ? "NRWlines" : "WIDElines"].setChecked(true);
    c["Timestamp_checkbox"].setChecked(s.graphTimeStamp == 1);
    filling_ = false;
}

} // namespace views

#include "panel/controls.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using panel::ControlKind;
using panel::Controls;
using panel::Property;

TEST(Controls, ProgramWritesRaiseChangeOnlyWhenTheValueChanges) {
    Controls controls;
    auto& freq = controls.add("GenFreq1", ControlKind::TextBox);
    int changes = 0;
    freq.onChange([&] { ++changes; });
    freq.setText("1000");
    freq.setText("1000");
    freq.setText("2000");
    EXPECT_EQ(changes, 2);

    auto& box = controls.add("FastCheck", ControlKind::CheckBox);
    int clicks = 0;
    box.onChange([&] { ++clicks; });
    box.setChecked(true);
    box.setChecked(true);
    box.click(); // a user click toggles and raises the change too
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(clicks, 2);
}

TEST(Controls, OptionButtonsOfAGroupAreMutuallyExclusive) {
    Controls controls;
    auto& left = controls.add("Left", ControlKind::OptionButton, "routing");
    auto& right = controls.add("Right", ControlKind::OptionButton, "routing");
    auto& other = controls.add("Other", ControlKind::OptionButton, "elsewhere");
    std::vector<std::string> raised;
    for (auto* c : {&left, &right, &other})
        c->onChange([&raised, c] { raised.push_back(c->name() + (c->checked() ? "+" : "-")); });
    left.setChecked(true);
    other.setChecked(true);
    right.click();
    EXPECT_FALSE(left.checked());
    EXPECT_TRUE(right.checked());
    EXPECT_TRUE(other.checked());
    EXPECT_EQ(raised, (std::vector<std::string>{"Left+", "Other+", "Left-", "Right+"}));
}

TEST(Controls, ComboTextAndListIndexFollowEachOther) {
    Controls controls;
    auto& combo = controls.add("Readoutch1", ControlKind::ComboBox);
    combo.setItems({"Left", "Right"});
    EXPECT_EQ(combo.value(), -1);
    combo.setValue(1);
    EXPECT_EQ(combo.text(), "Right");
    combo.setText("Left");
    EXPECT_EQ(combo.value(), 0);
    combo.setText("Centre"); // typed text that is not in the list
    EXPECT_EQ(combo.value(), -1);
    EXPECT_THROW(combo.setValue(2), std::out_of_range);
}

TEST(Controls, ObserversSeeEveryPropertyAndUnknownNamesAreRefused) {
    Controls controls;
    auto& lamp = controls.add("PFLED", ControlKind::Label);
    std::vector<Property> seen;
    int id = controls.addObserver([&](const panel::Control& c, Property p) {
        EXPECT_EQ(c.name(), "PFLED");
        seen.push_back(p);
    });
    lamp.setColour(panel::colour::Red);
    lamp.setCaption("FAIL");
    lamp.setColour(panel::colour::Red); // unchanged: no notification
    controls.removeObserver(id);
    lamp.setCaption("PASS");
    EXPECT_EQ(seen, (std::vector<Property>{Property::Colour, Property::Caption}));
    EXPECT_THROW(controls["NoSuchControl"], std::out_of_range);
    EXPECT_THROW(controls.add("PFLED", ControlKind::Label), std::invalid_argument);
}

} // namespace

#pragma once
// The panel's controls as a model of named values. Widgets bind to it,
// scripts and tests write it. Every control carries the same few properties
// (text, checked state, integer value/list index, caption, colour, list
// items, visibility); which of them a control uses depends on its kind.
//
// Change notifications behave like the classic control events: writing a
// text, check state or value raises the control's change handler when the
// value really changes, whether the user or the program wrote it. Handlers
// that must ignore the program's own writes test the panel's `updating` flag.
//
// Thread: the instrument's thread only.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace panel {

// Lamp and label colours as 0xRRGGBB.
namespace colour {
inline constexpr std::uint32_t Green = 0x00FF00;
inline constexpr std::uint32_t DarkCyan = 0x008080;
inline constexpr std::uint32_t Red = 0xFF0000;
inline constexpr std::uint32_t Black = 0x000000;
} // namespace colour

enum class ControlKind {
    TextBox,
    Label,
    ComboBox,
    CheckBox,
    OptionButton,
    Button,
    Menu,
    ScrollBar
};

// Which property a notification is about.
enum class Property { Text, Checked, Value, Caption, Colour, Items, Visible, Enabled };

class Controls;

class Control {
public:
    const std::string& name() const { return name_; }
    ControlKind kind() const { return kind_; }

    // Text of a text box or combo box. Setting the text of a combo box also
    // selects the list item with that exact text (or none).
    const std::string& text() const { return text_; }
    void setText(std::string_view text);

    // Check boxes, option buttons and menu ticks. Ticking an option button
    // clears the other buttons of its group.
    bool checked() const { return checked_; }
    void setChecked(bool checked);

    // List index of a combo box (-1: none; selecting an item sets the text),
    // or position of a scroll bar.
    int value() const { return value_; }
    void setValue(int value);

    const std::vector<std::string>& items() const { return items_; }
    void setItems(std::vector<std::string> items);

    const std::string& caption() const { return caption_; }
    void setCaption(std::string_view caption);

    std::uint32_t colour() const { return colour_; }
    void setColour(std::uint32_t rgb);

    bool visible() const { return visible_; }
    void setVisible(bool visible);

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // A user click on a button or menu item: raises the click handler. Clicking
    // a check box toggles it; clicking an option button ticks it.
    void click();

    // The control's own event handlers (one each; set by the owning subsystem).
    // onChange: text, check state or value changed. onClick: a button or
    // menu item was pressed.
    void onChange(std::function<void()> handler) { changeHandler_ = std::move(handler); }
    void onClick(std::function<void()> handler) { clickHandler_ = std::move(handler); }
    // Whether a click does anything (a menu item nothing handles yet is shown disabled).
    bool handlesClick() const { return static_cast<bool>(clickHandler_); }

private:
    friend class Controls;
    Control(Controls& owner, std::string name, ControlKind kind, std::string group)
        : owner_(owner), name_(std::move(name)), kind_(kind), group_(std::move(group)) {}
    void notify(Property property, bool raiseChange);

    Controls& owner_;
    std::string name_;
    ControlKind kind_;
    std::string group_; // option buttons: the mutually exclusive group
    std::string text_;
    std::string caption_;
    std::vector<std::string> items_;
    int value_ = 0;
    std::uint32_t colour_ = 0;
    bool checked_ = false;
    bool visible_ = true;
    bool enabled_ = true;
    std::function<void()> changeHandler_;
    std::function<void()> clickHandler_;
};

// Lets the name map be searched with a string_view, without building a string.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const noexcept {
        return std::hash<std::string_view>{}(name);
    }
};

class Controls {
public:
    Controls() = default;
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    // Adds a control; the name must be new. The returned reference stays valid
    // for the model's lifetime.
    Control& add(std::string name, ControlKind kind, std::string group = {});

    // Throws std::out_of_range for an unknown name.
    Control& operator[](std::string_view name);
    const Control& operator[](std::string_view name) const;
    Control* find(std::string_view name);

    // Every control in the order it was added.
    const std::deque<Control>& all() const { return controls_; }

    // Observers see every property change of every control (a front end
    // repaints from it). They must not write controls.
    using Observer = std::function<void(const Control&, Property)>;
    int addObserver(Observer observer);
    void removeObserver(int id);

private:
    friend class Control;
    void changed(const Control& control, Property property);

    std::deque<Control> controls_;
    std::unordered_map<std::string, Control*, NameHash, std::equal_to<>> byName_;
    std::vector<std::pair<int, Observer>> observers_;
    int nextObserverId_ = 1;
};

} // namespace panel

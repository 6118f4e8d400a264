#include "panel/controls.h"

#include <stdexcept>

namespace panel {

void Control::setText(std::string_view text) {
    if (kind_ == ControlKind::ComboBox) {
        int index = -1;
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == text) {
                index = static_cast<int>(i);
                break;
            }
        value_ = index;
    }
    if (text_ == text) return;
    text_ = text;
    notify(Property::Text, true);
}

void Control::setChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    if (checked && kind_ == ControlKind::OptionButton && !group_.empty()) {
        for (Control& other : owner_.controls_)
            if (&other != this && other.kind_ == ControlKind::OptionButton &&
                other.group_ == group_ && other.checked_) {
                other.checked_ = false;
                other.notify(Property::Checked, true);
            }
    }
    notify(Property::Checked, true);
}

void Control::setValue(int value) {
    if (kind_ == ControlKind::ComboBox) {
        if (value < -1 || value >= static_cast<int>(items_.size()))
            throw std::out_of_range("list index out of range for " + name_);
        if (value_ == value) return;
        value_ = value;
        if (value >= 0 && text_ != items_[static_cast<std::size_t>(value)]) {
            text_ = items_[static_cast<std::size_t>(value)];
            notify(Property::Text, false);
        }
        notify(Property::Value, true);
        return;
    }
    if (value_ == value) return;
    value_ = value;
    notify(Property::Value, true);
}

void Control::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    if (kind_ == ControlKind::ComboBox) {
        value_ = -1;
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == text_) value_ = static_cast<int>(i);
    }
    notify(Property::Items, false);
}

void Control::setCaption(std::string_view caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    notify(Property::Caption, false);
}

void Control::setColour(std::uint32_t rgb) {
    if (colour_ == rgb) return;
    colour_ = rgb;
    notify(Property::Colour, false);
}

void Control::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    notify(Property::Visible, false);
}

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    notify(Property::Enabled, false);
}

void Control::click() {
    if (kind_ == ControlKind::CheckBox)
        setChecked(!checked_);
    else if (kind_ == ControlKind::OptionButton)
        setChecked(true);
    if (clickHandler_) clickHandler_();
}

void Control::notify(Property property, bool raiseChange) {
    owner_.changed(*this, property);
    if (raiseChange && changeHandler_) {
        // Copy: a handler may replace itself.
        auto handler = changeHandler_;
        handler();
    }
}

Control& Controls::add(std::string name, ControlKind kind, std::string group) {
    if (byName_.count(name)) throw std::invalid_argument("duplicate control " + name);
    Control& control = controls_.emplace_back(Control(*this, name, kind, std::move(group)));
    if (kind == ControlKind::ComboBox) control.value_ = -1;
    byName_.emplace(std::move(name), &control);
    return control;
}

Control* Controls::find(std::string_view name) {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

Control& Controls::operator[](std::string_view name) {
    if (Control* control = find(name)) return *control;
    throw std::out_of_range("no control " + std::string(name));
}

const Control& Controls::operator[](std::string_view name) const {
    return const_cast<Controls&>(*this)[name];
}

int Controls::addObserver(Observer observer) {
    observers_.emplace_back(nextObserverId_, std::move(observer));
    return nextObserverId_++;
}

void Controls::removeObserver(int id) {
    std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void Controls::changed(const Control& control, Property property) {
    for (const auto& [id, observer] : observers_)
        observer(control, property);
}

} // namespace panel

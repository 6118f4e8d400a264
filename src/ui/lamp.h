#pragma once
// A status lamp: a round indicator painted in the colour its control holds
// (green active, dark cyan idle, red failed), with a dark rim and a soft
// highlight so that it reads as a lit lens on the dark panel.

#include <QColor>
#include <QWidget>
#include <cstdint>

namespace ui {

class Lamp final : public QWidget {
public:
    explicit Lamp(QWidget* parent = nullptr);

    void setColour(std::uint32_t rgb);
    std::uint32_t colour() const { return rgb_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::uint32_t rgb_ = 0x008080;
};

} // namespace ui

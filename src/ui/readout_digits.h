#pragma once
// A readout's value in large digits. Its width does not follow its text, so
// that a long caption ("-100.00 dBFS", "19999.99 Hz") never widens the window:
// a text wider than the space it has is drawn in a smaller size instead.

#include <QLabel>

namespace ui {

class ReadoutDigits final : public QLabel {
public:
    explicit ReadoutDigits(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui

#pragma once
// The live graph: shows the picture of the graph's GraphBox surface, scaled to
// fit the widget. It repaints when the surface reports a change (at most one
// repaint per batch of drawing, so once per analysed block), never on a
// timer. A click calls GraphBox_Click (the small layout); moving the mouse
// calls GraphBox_MouseMove with the pointer's x in graph user units (the
// spectrum's cursor readout).
//
// Thread: the GUI thread, which is the instrument's thread.

#include <QWidget>
#include <functional>

namespace views {
class Graph;
class RasterSurface;
} // namespace views

namespace ui {

class GraphWidget final : public QWidget {
public:
    // The graph must draw on raster surfaces and outlive the widget.
    explicit GraphWidget(views::Graph& graph, QWidget* parent = nullptr);
    ~GraphWidget() override;

    // Called after a repaint was scheduled when the graph has switched between
    // its small and big layouts (Makebiggraph, makesmallgraph).
    void onLayoutSwitch(std::function<void(bool big)> handler) {
        layoutSwitch_ = std::move(handler);
    }

    // Number of repaints scheduled by surface changes (for tests and benchmarks).
    long repaintsRequested() const { return repaintsRequested_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void surfaceChanged();
    QRect pictureRect() const;

    views::Graph& graph_;
    views::RasterSurface& surface_;
    std::function<void(bool)> layoutSwitch_;
    bool shownBig_ = false;
    long repaintsRequested_ = 0;
};

} // namespace ui

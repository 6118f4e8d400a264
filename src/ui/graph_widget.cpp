#include "ui/graph_widget.h"

#include "views/graph.h"
#include "views/raster_surface.h"

#include <QMouseEvent>
#include <QPainter>
#include <stdexcept>

namespace ui {

namespace {

views::RasterSurface& rasterOf(views::Graph& graph) {
    auto* raster = dynamic_cast<views::RasterSurface*>(&graph.GraphBox());
    if (!raster) throw std::invalid_argument("the graph widget needs a raster GraphBox");
    return *raster;
}

} // namespace

GraphWidget::GraphWidget(views::Graph& graph, QWidget* parent)
    : QWidget(parent), graph_(graph), surface_(rasterOf(graph)), shownBig_(graph.bigGraph) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setCursor(Qt::CrossCursor);
    surface_.setChangeObserver([this] { surfaceChanged(); });
    surface_.markPresented();
}

GraphWidget::~GraphWidget() {
    surface_.setChangeObserver({});
}

void GraphWidget::surfaceChanged() {
    ++repaintsRequested_;
    update();
    if (graph_.bigGraph != shownBig_) {
        shownBig_ = graph_.bigGraph;
        if (layoutSwitch_) layoutSwitch_(shownBig_);
    }
}

QSize GraphWidget::sizeHint() const {
    return {640, 300};
}

QSize GraphWidget::minimumSizeHint() const {
    return {320, 140};
}

// The picture keeps its proportions, centred; the margins are black like the graph.
QRect GraphWidget::pictureRect() const {
    const QSize picture = surface_.image().size();
    if (picture.isEmpty()) return rect();
    const QSize fitted = picture.scaled(size(), Qt::KeepAspectRatio);
    return {QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted};
}

void GraphWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(pictureRect(), surface_.image());
    surface_.markPresented();
}

void GraphWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) graph_.GraphBox_Click();
}

void GraphWidget::mouseMoveEvent(QMouseEvent* event) {
    const QRect area = pictureRect();
    if (area.width() <= 0) return;
    const views::UserScale scale = surface_.scale();
    const double fraction = (event->position().x() - area.left()) / area.width();
    graph_.GraphBox_MouseMove(scale.x1 + fraction * (scale.x2 - scale.x1));
}

} // namespace ui

#include "ZoomableChartView.h"

#include <QMouseEvent>
#include <QRubberBand>

namespace kelvane {

namespace {
// Smaller drags are taken for clicks.
constexpr int kLeastDrag = 4;
}  // namespace

ChartDrag ChartDragOf(QPoint from, QPoint to) {
    const QPoint move = to - from;
    if (move.x() >= kLeastDrag && move.y() >= kLeastDrag) return ChartDrag::ZoomIn;
    if (move.x() <= -kLeastDrag && move.y() <= -kLeastDrag) return ChartDrag::Reset;
    return ChartDrag::None;
}

ZoomableChartView::ZoomableChartView(QChart* chart, QWidget* parent)
    : QChartView(chart, parent), band_(new QRubberBand(QRubberBand::Rectangle, viewport())) {
    setRubberBand(QChartView::NoRubberBand);  // the gestures are ours
    setRenderHint(QPainter::Antialiasing);
}

void ZoomableChartView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        zooming_ = true;
        dragStart_ = at;
        band_->setGeometry(QRect(at, QSize()));
        band_->show();
    } else if (event->button() == Qt::RightButton) {
        panning_ = true;
        lastPan_ = at;
    }
    event->accept();
}

void ZoomableChartView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (zooming_) band_->setGeometry(QRect(dragStart_, at).normalized());
    if (panning_) {
        const QPoint move = at - lastPan_;
        chart()->scroll(-move.x(), move.y());
        lastPan_ = at;
    }
    event->accept();
}

void ZoomableChartView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && zooming_) {
        zooming_ = false;
        band_->hide();
        switch (ChartDragOf(dragStart_, at)) {
            case ChartDrag::ZoomIn: {
                const QRectF scene = mapToScene(QRect(dragStart_, at).normalized()).boundingRect();
                chart()->zoomIn(chart()->mapFromScene(scene).boundingRect());
                break;
            }
            case ChartDrag::Reset:
                chart()->zoomReset();
                break;
            case ChartDrag::None:
                break;
        }
    } else if (event->button() == Qt::RightButton) {
        panning_ = false;
    }
    event->accept();
}

}  // namespace kelvane

#pragma once

#include <QChartView>
#include <QPoint>

class QRubberBand;

namespace kelvane {

// What a left-button drag over a chart asks for: dragging down and to the right zooms into the
// rectangle, dragging up and to the left shows the whole chart again.
enum class ChartDrag { None, ZoomIn, Reset };
ChartDrag ChartDragOf(QPoint from, QPoint to);

// A chart view with the gestures the hints panel describes; a right-button drag moves the
// chart.
class ZoomableChartView : public QChartView {
    Q_OBJECT
  public:
    explicit ZoomableChartView(QChart* chart, QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QRubberBand* band_;
    QPoint dragStart_;
    QPoint lastPan_;
    bool zooming_ = false;
    bool panning_ = false;
};

}  // namespace kelvane

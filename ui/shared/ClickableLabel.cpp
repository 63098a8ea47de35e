#include "ClickableLabel.h"

#include <QMouseEvent>

namespace kelvane {

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    // Released elsewhere, the press was taken back.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace kelvane

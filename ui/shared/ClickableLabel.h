#pragma once

#include <QLabel>

namespace kelvane {

// A label that answers a left click, for a value the user may change by clicking it.
class ClickableLabel : public QLabel {
    Q_OBJECT

  public:
    explicit ClickableLabel(QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace kelvane

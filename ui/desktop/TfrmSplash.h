#pragma once

#include <QWidget>

class QLabel;

namespace kelvane {

// The window shown while the program starts: the picture, the name, the version and the
// tagline, with "Loading ..." until the program is ready.
class TfrmSplash : public QWidget {
    Q_OBJECT

  public:
    explicit TfrmSplash(QWidget* parent = nullptr);
    // The first panel gives way to the second once loading is done.
    void showLoaded();

  private:
    QLabel* loading_ = nullptr;
    QLabel* ready_ = nullptr;
};

}  // namespace kelvane

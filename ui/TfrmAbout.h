#pragma once

#include <QDialog>

namespace kelvane {

// The one-line description shown in the main window and in the about box.
QString tagline();

// The about box: program name, version and tagline, closed with OK.
class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};

}  // namespace kelvane

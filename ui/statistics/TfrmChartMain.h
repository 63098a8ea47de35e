#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "TfrmChart.h"

class QLineEdit;
class QProgressBar;

namespace kelvane {

class MessageBoxes;

// "Activity Log Statistics for Kelvane": asks which activity log to analyse, then shows the
// statistics window over it and closes with it.
class TfrmChartMain : public QDialog {
    Q_OBJECT
  public:
    struct Services {
        std::function<std::string()> logFileName;  // the log the settings name
        TfrmChart::Clock now;
        // The open-file dialog: the chosen file, or nothing; it starts in `folder`.
        std::function<QString(QWidget* parent, const QString& folder)> askFile;
        // Called with the statistics window before it is shown (tests look into it).
        std::function<void(TfrmChart&)> chartMade;
    };

    // `busy` is set from OK until the statistics window is gone; no second one is made meanwhile.
    TfrmChartMain(MessageBoxes& boxes, bool& busy, Services services, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Button1Click();
    void SpeedButton1Click();

    MessageBoxes& boxes_;
    bool& busy_;
    Services services_;
    QLineEdit* edit1_;
    QProgressBar* progBar_;
};

}  // namespace kelvane

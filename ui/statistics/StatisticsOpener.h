#pragma once

#include "TfrmChartMain.h"

namespace kelvane {

// The one way into the statistics, shared by the settings pop-up, the tray menu and the
// General settings window: nothing happens while a statistics window is asked for, being made
// or shown.
class StatisticsOpener {
  public:
    StatisticsOpener(MessageBoxes& boxes, TfrmChartMain::Services services, QWidget* parent)
        : boxes_(boxes), services_(std::move(services)), parent_(parent) {}

    void open() {
        if (busy_ || asking_) return;
        asking_ = true;
        TfrmChartMain selection(boxes_, busy_, services_, parent_);
        selection.exec();
        asking_ = false;
    }
    bool busy() const { return busy_ || asking_; }

  private:
    MessageBoxes& boxes_;
    TfrmChartMain::Services services_;
    QWidget* parent_;
    bool busy_ = false;
    bool asking_ = false;
};

}  // namespace kelvane

#pragma once

#include <QDialog>
#include <optional>

#include "DateRange.h"

class QDateEdit;
class QRadioButton;
class QSpinBox;

namespace kelvane {

// "Select Date Range": between two dates, or the previous months or days up to today. The
// choices stay as the user left them for as long as the dialog lives.
class TfrmSelectDateRange : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmSelectDateRange(QWidget* parent = nullptr);

    // Shows the dialog with `current` in the two date fields; the chosen range on OK.
    std::optional<DateRange> ask(const DateRange& current, const LocalDateTime& today);
    DateRangeChoices choices() const;

  private:
    void enableChosenLine();
    void startFieldLeft();

    QRadioButton* rbBetween_;
    QRadioButton* rbMonths_;
    QRadioButton* rbDays_;
    QDateEdit* dtpStart_;
    QDateEdit* dtpEnd_;
    QSpinBox* seMonths_;
    QSpinBox* seDays_;
};

}  // namespace kelvane

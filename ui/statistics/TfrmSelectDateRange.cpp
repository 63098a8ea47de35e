#include "TfrmSelectDateRange.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "StatsDates.h"

namespace kelvane {

namespace {

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QDateEdit* DateField(const char* name, QWidget* parent) {
    auto* field = Named(new QDateEdit(parent), name);
    field->setCalendarPopup(true);
    field->setDisplayFormat(StatsDateFormat());
    return field;
}

QSpinBox* NumberField(const char* name, int highest, QWidget* parent) {
    auto* field = Named(new QSpinBox(parent), name);
    field->setRange(1, highest);
    field->setValue(1);
    return field;
}

}  // namespace

TfrmSelectDateRange::TfrmSelectDateRange(QWidget* parent)
    : QDialog(parent),
      rbBetween_(Named(new QRadioButton(tr("between"), this), "rbBetween")),
      rbMonths_(Named(new QRadioButton(tr("during the previous"), this), "rbMonths")),
      rbDays_(Named(new QRadioButton(tr("during the previous"), this), "rbDays")),
      dtpStart_(DateField("dtpStart", this)),
      dtpEnd_(DateField("dtpEnd", this)),
      seMonths_(NumberField("seMonths", 12, this)),
      seDays_(NumberField("seDays", 365, this)) {
    setObjectName(QStringLiteral("frmSelectDateRange"));
    setWindowTitle(tr("Select Date Range"));
    auto* layout = new QVBoxLayout(this);
    auto* title = Named(new QLabel(tr("Select a date range"), this), "lblTitle");
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    auto* lines = new QGridLayout;
    lines->addWidget(rbBetween_, 0, 0);
    lines->addWidget(dtpStart_, 0, 1);
    lines->addWidget(new QLabel(tr("and"), this), 0, 2);
    lines->addWidget(dtpEnd_, 0, 3);
    lines->addWidget(rbMonths_, 1, 0);
    lines->addWidget(seMonths_, 1, 1);
    lines->addWidget(new QLabel(tr("months"), this), 1, 2);
    lines->addWidget(rbDays_, 2, 0);
    lines->addWidget(seDays_, 2, 1);
    lines->addWidget(new QLabel(tr("days"), this), 2, 2);
    layout->addLayout(lines);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    rbBetween_->setChecked(true);
    for (QRadioButton* line : {rbBetween_, rbMonths_, rbDays_})
        connect(line, &QRadioButton::toggled, this, &TfrmSelectDateRange::enableChosenLine);
    connect(dtpStart_, &QDateEdit::editingFinished, this, &TfrmSelectDateRange::startFieldLeft);
    enableChosenLine();
}

std::optional<DateRange> TfrmSelectDateRange::ask(const DateRange& current,
                                                  const LocalDateTime& today) {
    dtpStart_->setDate(QtDateTimeOf(current.start).date());
    dtpEnd_->setDate(QtDateTimeOf(current.end).date());
    if (exec() != QDialog::Accepted) return std::nullopt;
    return SelectedRange(choices(), today);
}

DateRangeChoices TfrmSelectDateRange::choices() const {
    DateRangeChoices choices;
    choices.line = rbMonths_->isChecked() ? DateRangeChoices::Line::PreviousMonths
                   : rbDays_->isChecked() ? DateRangeChoices::Line::PreviousDays
                                          : DateRangeChoices::Line::Between;
    choices.between = MomentOfDate(dtpStart_->date());
    choices.andDate = MomentOfDate(dtpEnd_->date());
    choices.months = seMonths_->value();
    choices.days = seDays_->value();
    return choices;
}

void TfrmSelectDateRange::enableChosenLine() {
    dtpStart_->setEnabled(rbBetween_->isChecked());
    dtpEnd_->setEnabled(rbBetween_->isChecked());
    seMonths_->setEnabled(rbMonths_->isChecked());
    seDays_->setEnabled(rbDays_->isChecked());
}

// The end follows a start moved past it; an end moved before the start gives an empty range,
// which the user sees at once.
void TfrmSelectDateRange::startFieldLeft() {
    if (dtpStart_->date() > dtpEnd_->date()) dtpEnd_->setDate(dtpStart_->date());
}

}  // namespace kelvane

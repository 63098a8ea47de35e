#include "RuleDialogParts.h"

#include "MarkPictures.h"
#include "MatchOperator.h"
#include "TfrmInternet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace kelvane {

MarkChoicePanel::MarkChoicePanel(bool senderCaptions, QWidget* parent)
    : QGroupBox(tr("Mark message with :"), parent) {
    setObjectName(QStringLiteral("pnlMark"));
    auto* layout = new QGridLayout(this);
    check_ = new QRadioButton(senderCaptions ? tr("&check mark") : tr("check &mark"), this);
    check_->setObjectName(QStringLiteral("rbCheck"));
    question_ = new QRadioButton(tr("&question mark"), this);
    question_->setObjectName(QStringLiteral("rbQuestion"));
    const auto picture = [this](MarkState mark) {
        auto* label = new QLabel(this);
        label->setPixmap(MarkPixmap(mark));
        return label;
    };
    layout->addWidget(picture(kCheckMark), 0, 0);
    layout->addWidget(check_, 0, 1);
    layout->addWidget(picture(kQuestionMark), 1, 0);
    layout->addWidget(question_, 1, 1);
    layout->addWidget(
        new QLabel(tr("Note: Only messages with a check mark will be deleted."), this), 2, 0, 1, 2);
    check_->setChecked(true);
}

bool MarkChoicePanel::deletes() const {
    return check_->isChecked();
}

void MarkChoicePanel::setDeletes(bool deletes) {
    (deletes ? check_ : question_)->setChecked(true);
}

void FillOperators(QComboBox& box, int count) {
    box.clear();
    for (int position = 0; position < count; ++position) {
        if (const auto op = OperatorAtPosition(position)) {
            box.addItem(QString::fromUtf8(ShownName(*op).data(),
                                          static_cast<qsizetype>(ShownName(*op).size())));
        }
    }
    box.setCurrentIndex(0);
}

void FillPickList(QComboBox& box, const std::vector<std::string_view>& entries) {
    box.setEditable(true);
    box.setInsertPolicy(QComboBox::NoInsert);
    for (std::string_view entry : entries) {
        box.addItem(QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
    }
    box.setCurrentIndex(-1);
    box.setEditText(QString());
}

std::string FieldText(const QComboBox& box) {
    return box.currentText().toStdString();
}

std::optional<CountrySuffix> ChooseCountry(QWidget* parent) {
    TfrmInternet countries(parent);
    if (countries.exec() != QDialog::Accepted) return std::nullopt;
    return countries.chosen();
}

QDialogButtonBox* OkCancelButtons(QWidget* parent) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, parent);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    return buttons;
}

}  // namespace kelvane

#include "TfrmAlwaysAccept.h"

#include "MarkPictures.h"
#include "MessageBoxes.h"
#include "RuleDialogParts.h"
#include "RuleTable.h"
#include "RuleTrialLine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace kelvane {

TfrmAlwaysAccept::TfrmAlwaysAccept(MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent), boxes_(boxes) {
    setObjectName(QStringLiteral("frmAlwaysAccept"));
    setWindowTitle(tr("Accept e-mail from"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Always accept e-mail when:"), this));

    layout->addWidget(addChoice("rbAddress", tr("The explicit e-mail address is:")));
    edAddress_ = new QLineEdit(this);
    edAddress_->setObjectName(QStringLiteral("edAddress"));
    edAddress_->setPlaceholderText(QStringLiteral("friend@example.org"));
    layout->addWidget(edAddress_);
    layout->addWidget(addChoice("rbDomain", tr("The domain name is:")));
    edDomain_ = new QLineEdit(this);
    edDomain_->setObjectName(QStringLiteral("edDomain"));
    edDomain_->setPlaceholderText(tr("the part after the at sign: example.org"));
    layout->addWidget(edDomain_);
    layout->addWidget(addChoice("rbHeader", tr("When the")));
    cbHeaderLine_ = new QComboBox(this);
    cbHeaderLine_->setObjectName(QStringLiteral("cbHeaderLine"));
    for (std::string_view line : ExceptionHeaderLines()) {
        cbHeaderLine_->addItem(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    }
    layout->addWidget(cbHeaderLine_);
    cbOperator_ = new QComboBox(this);
    cbOperator_->setObjectName(QStringLiteral("cbOperator"));
    FillOperators(*cbOperator_, kExceptionOperators);
    layout->addWidget(cbOperator_);
    edText_ = new QLineEdit(this);
    edText_->setObjectName(QStringLiteral("edText"));
    layout->addWidget(edText_);
    cbCase_ = new QCheckBox(tr("&Check if case matters (upper/lower)"), this);
    cbCase_->setObjectName(QStringLiteral("cbCase"));
    layout->addWidget(cbCase_);
    trial_ = new RuleTrialLine([this](RuleTrial& trial) { return trial.Try(fields()); }, this);
    for (QRadioButton* choice : choices_) trial_->watch(choice);
    trial_->watch(edAddress_);
    trial_->watch(edDomain_);
    trial_->watch(cbHeaderLine_);
    trial_->watch(cbOperator_);
    trial_->watch(edText_);
    trial_->watch(cbCase_);
    layout->addWidget(trial_);

    layout->addWidget(createPictureStrip());
    auto* note = new QLabel(tr("Select an image to easily associate an incoming e-mail from a "
                               "friend or mailing list."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmAlwaysAccept::okClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    setFields({});
}

QRadioButton* TfrmAlwaysAccept::addChoice(const char* name, const QString& caption) {
    auto* button = new QRadioButton(caption, this);
    button->setObjectName(QLatin1String(name));
    connect(button, &QRadioButton::toggled, this, &TfrmAlwaysAccept::choiceChanged);
    choices_.push_back(button);
    return button;
}

// Pictures 3 to 14, one per column.
QListView* TfrmAlwaysAccept::createPictureStrip() {
    pictures_ = new QStandardItemModel(this);
    for (int picture = kFirstExceptionMark; picture <= kLastExceptionMark; ++picture) {
        auto* item = new QStandardItem(MarkIcon(picture), QString());
        item->setEditable(false);
        pictures_->appendRow(item);
    }
    strip_ = new QListView(this);
    strip_->setObjectName(QStringLiteral("ImageList"));
    strip_->setModel(pictures_);
    strip_->setViewMode(QListView::IconMode);
    strip_->setFlow(QListView::LeftToRight);
    strip_->setWrapping(false);
    strip_->setMovement(QListView::Static);
    strip_->setIconSize(QSize(16, 16));
    strip_->setGridSize(QSize(26, 26));
    strip_->setSelectionMode(QAbstractItemView::SingleSelection);
    strip_->setFixedHeight(40);
    return strip_;
}

ExceptionChoice TfrmAlwaysAccept::choice() const {
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        if (choices_[i]->isChecked()) return static_cast<ExceptionChoice>(i);
    }
    return ExceptionChoice::Address;
}

// Only the chosen way's fields show (the header line list always does), and its field is focused.
void TfrmAlwaysAccept::choiceChanged() {
    if (!edText_ || !cbCase_) return;  // still being built
    const ExceptionChoice chosen = choice();
    edAddress_->setVisible(chosen == ExceptionChoice::Address);
    edDomain_->setVisible(chosen == ExceptionChoice::Domain);
    const bool header = chosen == ExceptionChoice::HeaderLine;
    for (QWidget* field : std::initializer_list<QWidget*>{cbOperator_, edText_, cbCase_}) {
        field->setVisible(header);
    }
    QWidget* shown = chosen == ExceptionChoice::Address  ? static_cast<QWidget*>(edAddress_)
                     : chosen == ExceptionChoice::Domain ? static_cast<QWidget*>(edDomain_)
                                                         : static_cast<QWidget*>(edText_);
    shown->setFocus();
}

ExceptionRuleFields TfrmAlwaysAccept::fields() const {
    ExceptionRuleFields fields;
    fields.choice = choice();
    fields.address = edAddress_->text().toStdString();
    fields.domain = edDomain_->text().toStdString();
    fields.headerLine = cbHeaderLine_->currentIndex();
    fields.op = cbOperator_->currentIndex();
    fields.text = edText_->text().toStdString();
    fields.caseMatters = cbCase_->isChecked();
    const QModelIndex picked = strip_->currentIndex();
    fields.picture =
        picked.isValid() ? picked.row() + kFirstExceptionMark : kDefaultExceptionPicture;
    return fields;
}

void TfrmAlwaysAccept::setFields(const ExceptionRuleFields& fields) {
    edAddress_->setText(QString::fromStdString(fields.address));
    edDomain_->setText(QString::fromStdString(fields.domain));
    cbHeaderLine_->setCurrentIndex(fields.headerLine);
    cbOperator_->setCurrentIndex(fields.op);
    edText_->setText(QString::fromStdString(fields.text));
    cbCase_->setChecked(fields.caseMatters);
    strip_->setCurrentIndex(pictures_->index(fields.picture - kFirstExceptionMark, 0));
    choices_[static_cast<std::size_t>(fields.choice)]->setChecked(true);
    choiceChanged();
}

void TfrmAlwaysAccept::okClicked() {
    const ExceptionRuleFields current = fields();
    const std::string error = ExceptionFieldsError(current);
    if (!error.empty()) {
        boxes_.Error(error);
        choiceChanged();  // focuses the field of the chosen way
        return;
    }
    accept();
}

}  // namespace kelvane

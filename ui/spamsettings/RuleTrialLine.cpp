#include "RuleTrialLine.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "TrialMatchesModel.h"

namespace kelvane {
namespace {

constexpr const char* kSourceName = "ruleTrialSource";

// Holds the source on the window it was set on.
class SourceHolder : public QObject {
  public:
    SourceHolder(RuleTrialSource source, QObject* window)
        : QObject(window), source(std::move(source)) {
        setObjectName(QLatin1String(kSourceName));
    }
    RuleTrialSource source;
};

RuleTrialSource FindSource(const QObject* from) {
    for (const QObject* window = from; window != nullptr; window = window->parent()) {
        const auto* holder = window->findChild<SourceHolder*>(QLatin1String(kSourceName),
                                                              Qt::FindDirectChildrenOnly);
        if (holder != nullptr && holder->source) return holder->source;
    }
    return {};
}

QString Count(int count) {
    return QLocale().toString(count);
}

// The matches in a small window of their own over the rule dialog, which stays usable.
void OpenMatchesWindow(QWidget* dialog, std::shared_ptr<const RuleTrial> trial,
                       std::vector<std::size_t> shown) {
    auto* window = new QDialog(dialog);
    window->setObjectName(QStringLiteral("frmTrialMatches"));
    window->setWindowTitle(QObject::tr("Messages the rule matches"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(window);
    auto* list = new QTreeView(window);
    list->setObjectName(QStringLiteral("lvTrialMatches"));
    list->setRootIsDecorated(false);
    list->setModel(new TrialMatchesModel(std::move(trial), std::move(shown), list));
    list->header()->setSectionResizeMode(TrialMatchesModel::Subject, QHeaderView::Stretch);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::reject);
    layout->addWidget(buttons);
    window->resize(640, 360);
    window->open();
}

}  // namespace

void SetRuleTrialSource(QObject& window, RuleTrialSource source) {
    delete window.findChild<SourceHolder*>(QLatin1String(kSourceName), Qt::FindDirectChildrenOnly);
    new SourceHolder(std::move(source), &window);
}

RuleTrialLine::RuleTrialLine(Attempt attempt, QWidget* dialog)
    : QWidget(dialog), attempt_(std::move(attempt)), source_(FindSource(dialog)) {
    setObjectName(QStringLiteral("pnlRuleTrial"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("lbRuleTrial"));
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    layout->addWidget(text_, 1);
    show_ = new QPushButton(tr("Show &matches"), this);
    show_->setObjectName(QStringLiteral("btShowTrialMatches"));
    show_->setAutoDefault(false);
    connect(show_, &QPushButton::clicked, this, &RuleTrialLine::showMatches);
    layout->addWidget(show_);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, &RuleTrialLine::tryRule);
    setVisible(static_cast<bool>(source_));
    if (source_) schedule();
}

void RuleTrialLine::watch(QComboBox* field) {
    connect(field, &QComboBox::currentIndexChanged, this, &RuleTrialLine::schedule);
    connect(field, &QComboBox::editTextChanged, this, &RuleTrialLine::schedule);
}

void RuleTrialLine::watch(QLineEdit* field) {
    connect(field, &QLineEdit::textChanged, this, &RuleTrialLine::schedule);
}

void RuleTrialLine::watch(QAbstractButton* field) {
    connect(field, &QAbstractButton::toggled, this, &RuleTrialLine::schedule);
}

void RuleTrialLine::schedule() {
    if (source_) timer_->start();
}

// The messages are read when the dialog first tries its rule, so that it opens at once.
void RuleTrialLine::tryRule() {
    if (!loaded_) {
        loaded_ = true;
        trial_ = source_();
        if (!trial_) {
            hide();
            return;
        }
    }
    result_ = attempt_(*trial_);
    text_->setText(countsText());
    show_->setEnabled(result_ && !result_->shown.empty());
}

QString RuleTrialLine::countsText() const {
    const int listing = trial_->listingCount();
    const int deleted = trial_->deletedCount();
    if (listing == 0 && deleted == 0) {
        return tr("There are no messages to try the rule on yet: check a mailbox first.");
    }
    if (!result_) {
        return tr("Complete the rule to try it on %1 messages in the last listing and %2 deleted "
                  "messages.")
            .arg(Count(listing), Count(deleted));
    }
    return tr("Matches %1 of %2 messages in the last listing and %3 of %4 deleted messages.")
        .arg(Count(result_->listingMatches), Count(listing), Count(result_->deletedMatches),
             Count(deleted));
}

void RuleTrialLine::showMatches() {
    if (!trial_ || !result_ || result_->shown.empty()) return;
    OpenMatchesWindow(window(), trial_, result_->shown);
}

}  // namespace kelvane

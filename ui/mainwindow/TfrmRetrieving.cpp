#include "TfrmRetrieving.h"

#include "MarkPictures.h"

#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kelvane {

namespace {

const char* const kStandbyTitle = "Retrieving messages ... standby";
constexpr int kFrameMilliseconds = 300;

// The labels show subjects, user names and server names, which are never markup.
QLabel* NamedLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

TfrmRetrieving::TfrmRetrieving(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmRetrieving"));
    setWindowTitle(tr("Retrieving ..."));

    lblTitle_ = NamedLabel("lblTitle", this);
    lblTitle_->setText(tr(kStandbyTitle));
    lblMsg_ = NamedLabel("lblMsg", this);
    anMail_ = NamedLabel("anMail", this);
    anMail_->setAlignment(Qt::AlignCenter);
    progbar_ = new QProgressBar(this);
    progbar_->setObjectName(QStringLiteral("progbar"));
    btCancel_ = new QPushButton(tr("Click to cancel"), this);
    btCancel_->setObjectName(QStringLiteral("btCancel"));
    // Enter must not cancel a check by accident.
    btCancel_->setAutoDefault(false);
    connect(btCancel_, &QPushButton::clicked, this, &TfrmRetrieving::cancelClicked);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle_);
    layout->addWidget(anMail_);
    layout->addWidget(lblMsg_);
    layout->addWidget(createAccountLines());
    layout->addWidget(progbar_);
    layout->addWidget(btCancel_, 0, Qt::AlignHCenter);

    animation_ = new QTimer(this);
    animation_->setInterval(kFrameMilliseconds);
    connect(animation_, &QTimer::timeout, this,
            [this] { showFrame((frame_ + 1) % kMailFrameCount); });
    showFrame(0);
    progressStep_ = new QTimer(this);
    progressStep_->setSingleShot(true);
    progressStep_->setInterval(0);
    connect(progressStep_, &QTimer::timeout, this, &TfrmRetrieving::showProgress);
    setMinimumWidth(320);
}

QWidget* TfrmRetrieving::createAccountLines() {
    auto* lines = new QWidget(this);
    auto* form = new QFormLayout(lines);
    form->setContentsMargins(0, 0, 0, 0);
    lblMailbox_ = NamedLabel("lblMailbox", lines);
    lblServer_ = NamedLabel("lblServer", lines);
    form->addRow(tr("Mailbox:"), lblMailbox_);
    form->addRow(tr("Server:"), lblServer_);
    return lines;
}

void TfrmRetrieving::showFor(const QString& title, const QString& userName, const QString& server) {
    setHeading(title, userName, server);
    show();
}

void TfrmRetrieving::setHeading(const QString& title, const QString& userName,
                                const QString& server) {
    lblTitle_->setText(title);
    lblMailbox_->setText(userName);
    lblServer_->setText(server);
}

void TfrmRetrieving::setMessage(const QString& text) {
    lblMsg_->setText(text);
}

void TfrmRetrieving::setProgress(int position, int maximum) {
    position_ = position;
    maximum_ = maximum;
    if (!progressStep_->isActive()) progressStep_->start();
}

void TfrmRetrieving::showProgress() {
    progbar_->setMaximum(maximum_);
    progbar_->setValue(position_);
    progbar_->show();
}

void TfrmRetrieving::hideProgress() {
    progressStep_->stop();
    progbar_->hide();
}

bool TfrmRetrieving::isAnimating() const {
    return animation_->isActive();
}

void TfrmRetrieving::reject() {
    emit cancelClicked();
}

// The title is left alone: it is the run's, and a deletion's must not turn back into a listing's.
void TfrmRetrieving::showEvent(QShowEvent* event) {
    lblMsg_->clear();
    hideProgress();
    animation_->start();
    QDialog::showEvent(event);
}

void TfrmRetrieving::hideEvent(QHideEvent* event) {
    animation_->stop();
    QDialog::hideEvent(event);
}

void TfrmRetrieving::showFrame(int frame) {
    frame_ = frame;
    anMail_->setPixmap(MailFramePixmap(frame));
}

}  // namespace kelvane

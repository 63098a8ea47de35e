#include "TfrmTrustCertificate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ShownText.h"

namespace kelvane {
namespace {

QLabel* makeLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // So that the fingerprint can be copied and compared with the one the provider publishes.
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPushButton* makeButton(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmTrustCertificate::TfrmTrustCertificate(const std::string& reason,
                                           const TlsCertificate& certificate, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmTrustCertificate"));
    setWindowTitle(tr("Server certificate refused"));

    QPushButton* trust = makeButton(tr("Trust this certificate for this mailbox"), "btTrust", this);
    QPushButton* cancel = makeButton(tr("Cancel"), "btCancel", this);
    // A stray Enter must not trust a certificate: Cancel is the default.
    cancel->setDefault(true);
    connect(trust, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(trust);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->addWidget(makeLabel(ShownLines(reason), "lblReason", this));
    layout->addWidget(makeLabel(ShownLines(certificate.Details()), "lblDetails", this));
    layout->addWidget(makeLabel(tr("Trust it only when its SHA-256 fingerprint is the one your "
                                   "provider publishes."),
                                "lblAdvice", this));
    layout->addLayout(buttons);
}

}  // namespace kelvane

#pragma once

#include <QDialog>
#include <string>

#include "TlsCertificate.h"

namespace kelvane {

// Asks whether to trust a server certificate that was refused, showing why and what it is.
// Accepted with "Trust this certificate for this mailbox", rejected with "Cancel".
class TfrmTrustCertificate : public QDialog {
    Q_OBJECT

  public:
    TfrmTrustCertificate(const std::string& reason, const TlsCertificate& certificate,
                         QWidget* parent = nullptr);
};

}  // namespace kelvane

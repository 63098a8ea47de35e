#pragma once

#include <string>

#include "MailErrors.h"
#include "TlsCertificate.h"

namespace kelvane {

// The server's certificate was refused. what() says why in a user's words and names the
// certificate; certificate() holds its details, so that a window can offer to trust it.
class ECertificateError : public ESocketError {
  public:
    ECertificateError(const std::string& reason, TlsCertificate certificate)
        : ESocketError(reason + "\n" + certificate.Details()),
          reason_(reason),
          certificate_(std::move(certificate)) {}
    // The reason alone, e.g. "The server's certificate has expired".
    const std::string& reason() const { return reason_; }
    const TlsCertificate& certificate() const { return certificate_; }

  private:
    std::string reason_;
    TlsCertificate certificate_;
};

}  // namespace kelvane

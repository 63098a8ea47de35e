#include "TlsCertificate.h"

namespace kelvane {

std::string TlsCertificate::Details() const {
    return "Subject: " + subject + "\nIssuer: " + issuer + "\nValid from: " + notBefore + " to " +
           notAfter + "\nSHA-256 fingerprint: " + fingerprint;
}

}  // namespace kelvane

#include "TlsCertificate.h"

#include <cctype>

namespace kelvane {

std::string TlsCertificate::Details() const {
    return "Subject: " + subject + "\nIssuer: " + issuer + "\nValid from: " + notBefore + " to " +
           notAfter + "\nSHA-256 fingerprint: " + fingerprint;
}

std::string NormalizedFingerprint(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c == ':' || c == ' ' || c == '\t') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (digits.size() != 64) return {};
    std::string pairs;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (!pairs.empty()) pairs += ':';
        pairs.append(digits, i, 2);
    }
    return pairs;
}

}  // namespace kelvane

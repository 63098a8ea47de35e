#pragma once

#include <string>

namespace kelvane {

// What a person needs to judge a server's certificate.
struct TlsCertificate {
    std::string subject;      // one line, e.g. "CN=pop.example.org, O=Example"
    std::string issuer;       // one line
    std::string notBefore;    // "2026-12-10 12:00:00 UTC"
    std::string notAfter;     // "2027-12-10 12:00:00 UTC"
    std::string fingerprint;  // SHA-256 of the DER bytes: upper-case hex pairs joined by colons

    // The details as lines for a box or standard error: "Subject: ...", "Issuer: ...",
    // "Valid from: ... to ...", "SHA-256 fingerprint: ...".
    std::string Details() const;
};

}  // namespace kelvane

#pragma once

#include <string>
#include <string_view>

namespace kelvane {

class SettingsStore;
struct MailboxAccounts;

// How a mailbox's session is protected, as SecurityN stores it.
inline constexpr int kSecurityPlain = 0;
inline constexpr int kSecurityStls = 1;
inline constexpr int kSecurityImplicit = 2;

// The protection of a mailbox whose SecurityN is missing: settings stored before TLS existed
// name port 995 only for a server that speaks TLS from the first byte.
int DefaultSecurity(std::string_view server);

// A fingerprint as typed or stored, colons, blanks and case ignored, as upper-case hex pairs
// joined by colons; empty when the text is not 32 bytes' worth of hex digits.
std::string CanonicalFingerprint(std::string_view text);

// Mailbox `n`'s SecurityN; DefaultSecurity of its server when missing or not 0, 1 or 2.
int StoredSecurity(const SettingsStore& store, int n);
// Mailbox `n`'s FingerprintN, canonical; empty when missing or unreadable, so that a damaged
// pin never widens what is trusted.
std::string StoredFingerprint(const SettingsStore& store, int n);

// Remembers that the user trusts the certificate with `fingerprint` for mailbox `mailbox`: only
// that key is written, and the model follows. An empty fingerprint forgets the trust; one that is
// not a SHA-256 fingerprint throws std::invalid_argument.
void StoreTrustedFingerprint(SettingsStore& store, MailboxAccounts& accounts, int mailbox,
                             const std::string& fingerprint);

}  // namespace kelvane

#include "MailboxSecurity.h"

#include <stdexcept>

#include "IniFile.h"
#include "MailboxAccounts.h"
#include "SettingsStore.h"

namespace kelvane {
namespace {

namespace sk = settingkeys;

constexpr std::size_t kFingerprintBytes = 32;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int DefaultSecurity(std::string_view server) {
    const std::size_t end = server.find_last_not_of(" \t");
    if (end == std::string_view::npos) return kSecurityPlain;
    return server.substr(0, end + 1).ends_with(":995") ? kSecurityImplicit : kSecurityPlain;
}

std::string CanonicalFingerprint(std::string_view text) {
    constexpr const char* kDigits = "0123456789ABCDEF";
    std::string digits;
    for (char c : text) {
        if (c == ':' || c == ' ' || c == '\t') continue;
        const int value = HexValue(c);
        if (value < 0) return {};
        digits += kDigits[value];
    }
    if (digits.size() != 2 * kFingerprintBytes) return {};
    std::string result;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (i > 0) result += ':';
        result.append(digits, i, 2);
    }
    return result;
}

int StoredSecurity(const SettingsStore& store, int n) {
    const std::string stored =
        store.ReadString(sk::SecurityN.section, sk::SecurityN.KeyName(n), "");
    const std::optional<long long> value = ParseIniInteger(stored);
    if (value && *value >= kSecurityPlain && *value <= kSecurityImplicit) return int(*value);
    return DefaultSecurity(store.ReadString(sk::ServerN, n));
}

std::string StoredFingerprint(const SettingsStore& store, int n) {
    return CanonicalFingerprint(store.ReadString(sk::FingerprintN, n));
}

void StoreTrustedFingerprint(SettingsStore& store, MailboxAccounts& accounts, int mailbox,
                             const std::string& fingerprint) {
    const std::string canonical = CanonicalFingerprint(fingerprint);
    if (canonical.empty() && !fingerprint.empty()) {
        throw std::invalid_argument("Not a SHA-256 fingerprint: " + fingerprint);
    }
    MailboxAccount& account = accounts.Account(mailbox);
    store.Write(
        [&](SettingsWriter& writer) { writer.WriteString(sk::FingerprintN, canonical, mailbox); });
    account.fingerprint = canonical;
}

}  // namespace kelvane

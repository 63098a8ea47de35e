#pragma once

#include <climits>
#include <string>
#include <string_view>

// Every section and key of the settings store with its type and default. Readers name a key
// from here, so that a default is written down once.
namespace kelvane {

enum class SettingType { String, Integer, Boolean };

// What a read makes of a stored number outside the key's range: the nearer end of the range, or
// the key's default when no value near the bad one means anything.
enum class OutOfRange { Nearest, Default };

struct IntegerRange {
    long long minimum = LLONG_MIN;
    long long maximum = LLONG_MAX;
    OutOfRange outside = OutOfRange::Nearest;
};

struct SettingKey {
    std::string_view section;
    std::string_view name;  // for a per-mailbox key, the stem ("Server" for "Server1".."Server12")
    SettingType type;
    std::string_view defaultValue;  // in stored form: booleans "0"/"1", integers in decimal
    bool perMailbox = false;
    // The values an integer key may take; a hand-edited or damaged file may hold any other.
    IntegerRange range{};

    // The stored key name; for a per-mailbox key, the stem followed by the mailbox number.
    std::string KeyName(int mailbox = 0) const;
    int DefaultInteger() const;
    bool DefaultBool() const { return DefaultInteger() != 0; }
    // `value` as a read gives it: itself within the range, else as `range.outside` says.
    long long Held(long long value) const;
};

constexpr SettingKey Ranged(SettingKey key, IntegerRange range) {
    key.range = range;
    return key;
}

inline constexpr int kMailboxCount = 12;

namespace settingkeys {

using enum SettingType;

inline constexpr SettingKey Logfile{"General", "Logfile", String, ""};
inline constexpr SettingKey AlarmFile{"General", "AlarmFile", String, ""};
inline constexpr SettingKey Automatic{"General", "Automatic", Boolean, "0"};
inline constexpr SettingKey Ask{"General", "Ask", Boolean, "1"};
inline constexpr SettingKey Kill{"General", "Kill", Boolean, "0"};
// The general settings window's field takes 2 to 600; 0 would start a check at every tick.
inline constexpr SettingKey Minutes =
    Ranged({"General", "Minutes", Integer, "10"}, {2, 600, OutOfRange::Nearest});
inline constexpr SettingKey Mailer{"General", "Mailer", String, ""};
inline constexpr SettingKey Launch{"General", "Launch", Boolean, "1"};
inline constexpr SettingKey Exit{"General", "Exit", Boolean, "0"};
inline constexpr SettingKey Alarm{"General", "Alarm", Boolean, "1"};
inline constexpr SettingKey Repeat{"General", "Repeat", Boolean, "1"};
// The dial-up entry's position in the list, counted from 1; 0 for none.
inline constexpr SettingKey RAS =
    Ranged({"General", "RAS", Integer, "0"}, {0, INT_MAX, OutOfRange::Default});
// The chosen dial-up entry's name, which RAS's position cannot keep as peers come and go. Empty
// in files from before it: the position then names the entry.
inline constexpr SettingKey RASName{"General", "RASName", String, ""};
inline constexpr SettingKey Count{"General", "Count", String, "0"};
inline constexpr SettingKey SysTray{"General", "SysTray", Boolean, "0"};
inline constexpr SettingKey Points =
    Ranged({"General", "Points", Integer, "0"}, {0, 1000000, OutOfRange::Nearest});

inline constexpr SettingKey LogAsis{"Logfile", "Asis", Boolean, "1"};
inline constexpr SettingKey LogQuarter{"Logfile", "Quarter", Boolean, "0"};
inline constexpr SettingKey LogMonth{"Logfile", "Month", Boolean, "0"};

inline constexpr SettingKey Which =
    Ranged({"Server", "Which", Integer, "1"}, {1, kMailboxCount, OutOfRange::Default});
inline constexpr SettingKey ServerN{"Server", "Server", String, "", true};
inline constexpr SettingKey MailboxN{"Server", "Mailbox", String, "", true};
inline constexpr SettingKey CheckN{"Server", "Check", Boolean, "1", true};
inline constexpr SettingKey PasswdN{"Server", "Passwd", String, "", true};
// 0 plain text, 1 STLS, 2 TLS from the first byte. A missing key depends on the server (see
// StoredSecurity), so the table's default only serves a reader that asks for no server.
inline constexpr SettingKey SecurityN =
    Ranged({"Server", "Security", Integer, "0", true}, {0, 2, OutOfRange::Default});
// The SHA-256 fingerprint of a certificate the user chose to trust, "AB:CD:..."; empty for none.
inline constexpr SettingKey FingerprintN{"Server", "Fingerprint", String, "", true};
// A command run through /bin/sh whose first output line is the password; blank for none.
inline constexpr SettingKey PasswordCommandN{"Server", "PasswordCommand", String, "", true};
// How the mailbox signs in: 0 with a password, 1 with OAuth2.
inline constexpr SettingKey SignInN =
    Ranged({"Server", "SignIn", Integer, "0", true}, {0, 1, OutOfRange::Default});
// The OAuth2 provider: "google", "microsoft" or "custom" (then the three addresses below).
inline constexpr SettingKey OAuthProviderN{"Server", "OAuthProvider", String, "", true};
inline constexpr SettingKey OAuthAuthorizeUrlN{"Server", "OAuthAuthorizeUrl", String, "", true};
inline constexpr SettingKey OAuthTokenUrlN{"Server", "OAuthTokenUrl", String, "", true};
inline constexpr SettingKey OAuthScopeN{"Server", "OAuthScope", String, "", true};
// The client registered with the provider (see the README); never a token, which lives only in
// the desktop keyring.
inline constexpr SettingKey OAuthClientIdN{"Server", "OAuthClientId", String, "", true};
inline constexpr SettingKey OAuthClientSecretN{"Server", "OAuthClientSecret", String, "", true};
inline constexpr SettingKey Version161{"Server", "Version161", String, "xx"};

// Display widths of the rule tables' visible columns: "col0" to "col5", -1 for none stored. A
// width no screen can show is no width the user set.
inline constexpr IntegerRange kColumnWidthRange{-1, 10000, OutOfRange::Default};
inline constexpr SettingKey SubjectColumnWidth =
    Ranged({"Subject", "col", Integer, "-1", true}, kColumnWidthRange);
inline constexpr SettingKey HeadersColumnWidth =
    Ranged({"Headers", "col", Integer, "-1", true}, kColumnWidthRange);
inline constexpr SettingKey SenderColumnWidth =
    Ranged({"Sender", "col", Integer, "-1", true}, kColumnWidthRange);
inline constexpr SettingKey ExceptionsColumnWidth =
    Ranged({"Exceptions", "col", Integer, "-1", true}, kColumnWidthRange);

inline constexpr const SettingKey* kAll[] = {
    &Logfile,
    &AlarmFile,
    &Automatic,
    &Ask,
    &Kill,
    &Minutes,
    &Mailer,
    &Launch,
    &Exit,
    &Alarm,
    &Repeat,
    &RAS,
    &RASName,
    &Count,
    &SysTray,
    &Points,
    &LogAsis,
    &LogQuarter,
    &LogMonth,
    &Which,
    &ServerN,
    &MailboxN,
    &CheckN,
    &PasswdN,
    &SecurityN,
    &FingerprintN,
    &PasswordCommandN,
    &SignInN,
    &OAuthProviderN,
    &OAuthAuthorizeUrlN,
    &OAuthTokenUrlN,
    &OAuthScopeN,
    &OAuthClientIdN,
    &OAuthClientSecretN,
    &Version161,
    &SubjectColumnWidth,
    &HeadersColumnWidth,
    &SenderColumnWidth,
    &ExceptionsColumnWidth,
};

}  // namespace settingkeys
}  // namespace kelvane

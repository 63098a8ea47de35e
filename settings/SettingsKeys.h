#pragma once

#include <string>
#include <string_view>

// Every section and key of the settings store with its type and default. Readers name a key
// from here, so that a default is written down once.
namespace kelvane {

enum class SettingType { String, Integer, Boolean };

struct SettingKey {
    std::string_view section;
    std::string_view name;  // for a per-mailbox key, the stem ("Server" for "Server1".."Server12")
    SettingType type;
    std::string_view defaultValue;  // in stored form: booleans "0"/"1", integers in decimal
    bool perMailbox = false;

    // The stored key name; for a per-mailbox key, the stem followed by the mailbox number.
    std::string KeyName(int mailbox = 0) const;
    int DefaultInteger() const;
    bool DefaultBool() const { return DefaultInteger() != 0; }
};

inline constexpr int kMailboxCount = 12;

namespace settingkeys {

using enum SettingType;

inline constexpr SettingKey Logfile{"General", "Logfile", String, ""};
inline constexpr SettingKey AlarmFile{"General", "AlarmFile", String, ""};
inline constexpr SettingKey Automatic{"General", "Automatic", Boolean, "0"};
inline constexpr SettingKey Ask{"General", "Ask", Boolean, "1"};
inline constexpr SettingKey Kill{"General", "Kill", Boolean, "0"};
inline constexpr SettingKey Minutes{"General", "Minutes", Integer, "10"};
inline constexpr SettingKey Mailer{"General", "Mailer", String, ""};
inline constexpr SettingKey Launch{"General", "Launch", Boolean, "1"};
inline constexpr SettingKey Exit{"General", "Exit", Boolean, "0"};
inline constexpr SettingKey Alarm{"General", "Alarm", Boolean, "1"};
inline constexpr SettingKey Repeat{"General", "Repeat", Boolean, "1"};
inline constexpr SettingKey RAS{"General", "RAS", Integer, "0"};
inline constexpr SettingKey Count{"General", "Count", String, "0"};
inline constexpr SettingKey SysTray{"General", "SysTray", Boolean, "0"};
inline constexpr SettingKey Points{"General", "Points", Integer, "0"};

inline constexpr SettingKey LogAsis{"Logfile", "Asis", Boolean, "1"};
inline constexpr SettingKey LogQuarter{"Logfile", "Quarter", Boolean, "0"};
inline constexpr SettingKey LogMonth{"Logfile", "Month", Boolean, "0"};

inline constexpr SettingKey Which{"Server", "Which", Integer, "1"};
inline constexpr SettingKey ServerN{"Server", "Server", String, "", true};
inline constexpr SettingKey MailboxN{"Server", "Mailbox", String, "", true};
inline constexpr SettingKey CheckN{"Server", "Check", Boolean, "1", true};
inline constexpr SettingKey PasswdN{"Server", "Passwd", String, "", true};
// 0 plain text, 1 STLS, 2 TLS from the first byte. A missing key depends on the server (see
// StoredSecurity), so the table's default only serves a reader that asks for no server.
inline constexpr SettingKey SecurityN{"Server", "Security", Integer, "0", true};
// The SHA-256 fingerprint of a certificate the user chose to trust, "AB:CD:..."; empty for none.
inline constexpr SettingKey FingerprintN{"Server", "Fingerprint", String, "", true};
inline constexpr SettingKey Version161{"Server", "Version161", String, "xx"};

// Display widths of the rule tables' visible columns: "col0" to "col5", -1 for none stored.
inline constexpr SettingKey SubjectColumnWidth{"Subject", "col", Integer, "-1", true};
inline constexpr SettingKey HeadersColumnWidth{"Headers", "col", Integer, "-1", true};
inline constexpr SettingKey SenderColumnWidth{"Sender", "col", Integer, "-1", true};
inline constexpr SettingKey ExceptionsColumnWidth{"Exceptions", "col", Integer, "-1", true};

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
    &Version161,
    &SubjectColumnWidth,
    &HeadersColumnWidth,
    &SenderColumnWidth,
    &ExceptionsColumnWidth,
};

}  // namespace settingkeys
}  // namespace kelvane

#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "SettingsKeys.h"

namespace kelvane {

class IniDocument;

// Writes made together: applied in order, under one lock, and replacing the file once.
class SettingsWriter {
  public:
    explicit SettingsWriter(IniDocument& document) : document_(document) {}

    // The value as the file holds it now, under the lock, with the writes made so far; the key
    // table's default when missing. For a write that depends on the stored value (a counter).
    std::string ReadString(const SettingKey& key, int mailbox = 0) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, long long value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // By the key table; `mailbox` numbers a per-mailbox key.
    void WriteString(const SettingKey& key, std::string_view value, int mailbox = 0);
    void WriteInteger(const SettingKey& key, long long value, int mailbox = 0);
    void WriteBool(const SettingKey& key, bool value, int mailbox = 0);

  private:
    IniDocument& document_;
};

// The program's persistent options: one INI-syntax file (`[Section]`, `Key=Value`, names compared
// without regard to case, CR/LF/backslash in values escaped). Nothing is cached: every read looks
// at the file and every write is in the file when the call returns. Reads never fail: a missing
// or unreadable file or value gives the default. Writes re-read the file under an advisory lock
// (a ".lock" file beside it, so that the window and the command-line companion never lose each
// other's writes) and replace it atomically; a file that held unreadable lines is first kept as
// "<name>.bad". A write that cannot be done throws FileError.
class SettingsStore {
  public:
    explicit SettingsStore(std::string path);
    const std::string& path() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    long long ReadInteger(std::string_view section, std::string_view key,
                          long long defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // By the key table, with the table's default; `mailbox` numbers a per-mailbox key. A number
    // outside the key's range reads as the table says (SettingKey::Held).
    std::string ReadString(const SettingKey& key, int mailbox = 0) const;
    long long ReadInteger(const SettingKey& key, int mailbox = 0) const;
    bool ReadBool(const SettingKey& key, int mailbox = 0) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, long long value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void WriteString(const SettingKey& key, std::string_view value, int mailbox = 0);
    void WriteInteger(const SettingKey& key, long long value, int mailbox = 0);
    void WriteBool(const SettingKey& key, bool value, int mailbox = 0);

    // Several writes at once, in the order `writes` makes them. If `writes` throws, nothing is
    // written.
    void Write(const std::function<void(SettingsWriter&)>& writes);

  private:
    std::string path_;
};

}  // namespace kelvane

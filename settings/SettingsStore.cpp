#include "SettingsStore.h"

#include <cstdio>

#include "AtomicFile.h"
#include "FileLock.h"
#include "IniFile.h"

namespace kelvane {
namespace {

// Settings hold passwords (enciphered), so the file is for the user alone, also after a write
// over one that someone had made readable to others.
constexpr mode_t kSettingsFileMode = 0600;

// Whatever can be read; a file that cannot be read at all reads as empty.
IniDocument LoadDocument(const std::string& path) {
    std::optional<std::string> text;
    try {
        text = ReadWholeFile(path);
    } catch (const FileError&) {
        text.reset();
    }
    return text ? IniDocument::Parse(*text, IniEscapes::Backslash)
                : IniDocument(IniEscapes::Backslash);
}

// Locks "<settings>.lock" for one read-modify-write; a failure is a failed write of the settings.
FileLock LockSettings(const std::string& settingsPath) {
    const std::string lockPath = settingsPath + ".lock";
    try {
        return FileLock(lockPath, kSettingsFileMode);
    } catch (const FileError& error) {
        throw FileError(settingsPath,
                        "Could not write " + settingsPath + ": could not lock " + lockPath + ": " +
                            error.reason(),
                        error.reason());
    }
}

std::string BoolText(bool value) {
    return value ? "1" : "0";
}

}  // namespace

std::string SettingsWriter::ReadString(const SettingKey& key, int mailbox) const {
    return document_.Value(key.section, key.KeyName(mailbox))
        .value_or(std::string(key.defaultValue));
}

void SettingsWriter::WriteString(std::string_view section, std::string_view key,
                                 std::string_view value) {
    document_.SetValue(section, key, value);
}

void SettingsWriter::WriteInteger(std::string_view section, std::string_view key, long long value) {
    WriteString(section, key, std::to_string(value));
}

void SettingsWriter::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, BoolText(value));
}

void SettingsWriter::WriteString(const SettingKey& key, std::string_view value, int mailbox) {
    WriteString(key.section, key.KeyName(mailbox), value);
}

void SettingsWriter::WriteInteger(const SettingKey& key, long long value, int mailbox) {
    WriteInteger(key.section, key.KeyName(mailbox), value);
}

void SettingsWriter::WriteBool(const SettingKey& key, bool value, int mailbox) {
    WriteBool(key.section, key.KeyName(mailbox), value);
}

SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

std::string SettingsStore::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const {
    return LoadDocument(path_).Value(section, key).value_or(std::string(defaultValue));
}

long long SettingsStore::ReadInteger(std::string_view section, std::string_view key,
                                     long long defaultValue) const {
    const auto text = LoadDocument(path_).Value(section, key);
    const auto number = text ? ParseIniInteger(*text) : std::nullopt;
    return number.value_or(defaultValue);
}

bool SettingsStore::ReadBool(std::string_view section, std::string_view key,
                             bool defaultValue) const {
    const auto text = LoadDocument(path_).Value(section, key);
    return text ? ParseIniBool(*text, defaultValue) : defaultValue;
}

std::string SettingsStore::ReadString(const SettingKey& key, int mailbox) const {
    return ReadString(key.section, key.KeyName(mailbox), key.defaultValue);
}

long long SettingsStore::ReadInteger(const SettingKey& key, int mailbox) const {
    return key.Held(ReadInteger(key.section, key.KeyName(mailbox), key.DefaultInteger()));
}

bool SettingsStore::ReadBool(const SettingKey& key, int mailbox) const {
    return ReadBool(key.section, key.KeyName(mailbox), key.DefaultBool());
}

void SettingsStore::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
    Write([&](SettingsWriter& w) { w.WriteString(section, key, value); });
}

void SettingsStore::WriteInteger(std::string_view section, std::string_view key, long long value) {
    Write([&](SettingsWriter& w) { w.WriteInteger(section, key, value); });
}

void SettingsStore::WriteBool(std::string_view section, std::string_view key, bool value) {
    Write([&](SettingsWriter& w) { w.WriteBool(section, key, value); });
}

void SettingsStore::WriteString(const SettingKey& key, std::string_view value, int mailbox) {
    Write([&](SettingsWriter& w) { w.WriteString(key, value, mailbox); });
}

void SettingsStore::WriteInteger(const SettingKey& key, long long value, int mailbox) {
    Write([&](SettingsWriter& w) { w.WriteInteger(key, value, mailbox); });
}

void SettingsStore::WriteBool(const SettingKey& key, bool value, int mailbox) {
    Write([&](SettingsWriter& w) { w.WriteBool(key, value, mailbox); });
}

void SettingsStore::Write(const std::function<void(SettingsWriter&)>& writes) {
    const FileLock lock = LockSettings(path_);
    std::optional<std::string> content;
    try {
        content = ReadWholeFile(path_);
    } catch (const FileError&) {
        // A file we cannot read at all is set aside rather than replaced by a nearly empty one.
        if (::rename(path_.c_str(), (path_ + ".bad").c_str()) != 0) throw;
    }
    IniDocument document = content ? IniDocument::Parse(*content, IniEscapes::Backslash)
                                   : IniDocument(IniEscapes::Backslash);
    SettingsWriter writer(document);
    writes(writer);
    if (content && !document.MalformedLines().empty()) {
        // Lines we could not read would vanish with this write; keep the file as it was.
        WriteFileAtomicallyWithMode(path_ + ".bad", *content, kSettingsFileMode);
    }
    WriteFileAtomicallyWithMode(path_, document.Serialize(), kSettingsFileMode);
}

}  // namespace kelvane

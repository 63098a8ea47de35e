#include "IniFile.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace kelvane {
namespace {

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string_view TrimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            const char next = s[i + 1];
            if (next == 'r' || next == 'n' || next == '\\') {
                out += next == 'r' ? '\r' : next == 'n' ? '\n' : '\\';
                ++i;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::string Escape(std::string_view s, IniEscapes escapes) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (escapes == IniEscapes::None) {
            out += (c == '\r' || c == '\n') ? ' ' : c;
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

void IniDocument::SetInSection(Section& section, std::string_view key, std::string_view value) {
    for (Entry& entry : section.entries) {
        if (SameIniName(entry.key, key)) {
            entry.value = value;
            return;
        }
    }
    section.entries.push_back(Entry{std::string(key), std::string(value)});
}

bool SameIniName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

IniDocument IniDocument::Parse(std::string_view text, IniEscapes escapes) {
    IniDocument doc(escapes);
    Section* current = nullptr;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        // Only the line end goes; a value's own blanks are part of it.
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        const std::string_view line = TrimBlanks(raw);
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            doc.OpenSection(TrimBlanks(line.substr(1, line.size() - 2)), current);
            continue;
        }
        if (current == nullptr || !doc.ReadEntry(raw, *current)) {
            doc.malformed_.emplace_back(lineNumber, std::string(raw));
        }
    }
    return doc;
}

void IniDocument::OpenSection(std::string_view name, Section*& current) {
    current = FindSection(name);
    if (current == nullptr) {
        sections_.push_back(Section{std::string(name), {}});
        current = &sections_.back();
    }
}

bool IniDocument::ReadEntry(std::string_view line, Section& section) const {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    if (key.empty()) return false;
    // A value keeps its leading and trailing blanks: a log file name of blanks means "no log".
    const std::string_view rawValue = line.substr(equals + 1);
    SetInSection(section, key,
                 escapes_ == IniEscapes::Backslash ? Unescape(rawValue) : std::string(rawValue));
    return true;
}

std::string IniDocument::Serialize() const {
    std::string out;
    for (const Section& section : sections_) {
        if (!out.empty()) out += '\n';
        out += '[' + section.name + "]\n";
        for (const Entry& entry : section.entries) {
            out += entry.key + '=' + Escape(entry.value, escapes_) + '\n';
        }
    }
    return out;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name) {
    for (Section& section : sections_) {
        if (SameIniName(section.name, name)) return &section;
    }
    return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
    return const_cast<IniDocument*>(this)->FindSection(name);
}

std::optional<std::string> IniDocument::Value(std::string_view section,
                                              std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) return std::nullopt;
    for (const Entry& entry : found->entries) {
        if (SameIniName(entry.key, key)) return entry.value;
    }
    return std::nullopt;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    Section* found = FindSection(section);
    if (found == nullptr) {
        sections_.push_back(Section{std::string(section), {}});
        found = &sections_.back();
    }
    SetInSection(*found, key, value);
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
    Section* found = FindSection(section);
    if (found == nullptr) return false;
    const auto removed = std::erase_if(
        found->entries, [&](const Entry& entry) { return SameIniName(entry.key, key); });
    return removed > 0;
}

bool IniDocument::RemoveSection(std::string_view section) {
    const auto removed = std::erase_if(
        sections_, [&](const Section& candidate) { return SameIniName(candidate.name, section); });
    return removed > 0;
}

std::optional<long long> ParseIniInteger(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    unsigned long long magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (magnitude > kMax) return std::nullopt;
    const auto value = static_cast<long long>(magnitude);
    return negative ? -value : value;
}

bool ParseIniBool(std::string_view text, bool fallback) {
    const auto number = ParseIniInteger(text);
    return number ? *number != 0 : fallback;
}

}  // namespace kelvane

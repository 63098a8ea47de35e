#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// How values are stored on their line. `Backslash` writes CR, LF and backslash as backslash
// followed by 'r', 'n' or another backslash (the settings store); `None` writes the value as it is
// (classic INI files), and a CR or LF in a value is written as a blank so that it cannot break the
// file.
enum class IniEscapes { None, Backslash };

// An INI-syntax document: `[Section]` lines and `Key=Value` lines. Section and key names are
// compared without regard to ASCII case. Lines starting with ';' or '#' are comments.
class IniDocument {
  public:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    explicit IniDocument(IniEscapes escapes = IniEscapes::None) : escapes_(escapes) {}

    // Reads what can be read; lines that are neither a section, a key, a comment nor blank are
    // kept in MalformedLines() (1-based line number and text) and otherwise ignored. Names are
    // trimmed of blanks; a value keeps every byte after the "=" up to the line end (LF or CR LF).
    static IniDocument Parse(std::string_view text, IniEscapes escapes = IniEscapes::None);
    std::string Serialize() const;

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    bool RemoveKey(std::string_view section, std::string_view key);
    bool RemoveSection(std::string_view section);

    const std::vector<Section>& Sections() const { return sections_; }
    const std::vector<std::pair<int, std::string>>& MalformedLines() const { return malformed_; }

  private:
    static void SetInSection(Section& section, std::string_view key, std::string_view value);
    void OpenSection(std::string_view name, Section*& current);
    // False when `line` is no "key=value" line.
    bool ReadEntry(std::string_view line, Section& section) const;
    Section* FindSection(std::string_view name);
    const Section* FindSection(std::string_view name) const;

    IniEscapes escapes_;
    std::vector<Section> sections_;
    std::vector<std::pair<int, std::string>> malformed_;
};

// True when the two names are equal with ASCII letters folded.
bool SameIniName(std::string_view a, std::string_view b);

// A whole number written in decimal or, with a leading "0x", in hexadecimal; an optional sign
// and surrounding blanks (which a stored value keeps) are allowed. Nothing for any other text or
// a number out of range.
std::optional<long long> ParseIniInteger(std::string_view text);

// A boolean option: true when the text reads as a non-zero number, `fallback` when it does not
// read as a number at all.
bool ParseIniBool(std::string_view text, bool fallback);

}  // namespace kelvane

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The one comparison the known-spammer list is sorted and searched by: ASCII letters folded,
// then bytes compared as unsigned. Negative, zero or positive like strcmp.
int CompareKnownText(std::string_view a, std::string_view b);

// Entries are compared by this many leading characters only.
inline constexpr size_t kKnownEntryCompareLength = 80;

inline constexpr std::string_view kKnownKindAddress = "E-mail";
inline constexpr std::string_view kKnownKindDomain = "Domain";

// What the blacklist found for a sender: the kind word and the listed text that matched.
struct KnownListMatch {
    std::string kind;
    std::string text;
    bool operator==(const KnownListMatch&) const = default;
};

// The entries the known-spammer editor's text gives, in its order: every line (the last one too,
// with or without a final line break) except an empty one, one that equals the line before it
// but for letter case, and an address whose part before the first at sign is only digits and
// underscores (or nothing), which no real sender writes.
std::vector<std::string> KnownListFromEditor(std::string_view text);

// The blacklist of known spammer addresses and domains, always kept sorted.
class KnownSpammers {
  public:
    // Replaces the list with the lines of the file; a missing file gives an empty list. Throws
    // FileError, leaving the list empty, when the file exists but cannot be read.
    void LoadUpKnownList(const std::string& path);
    // Replaces the list with the lines of `text` (CR LF or LF ends a line; blank lines skipped).
    void LoadFromText(std::string_view text);
    // Replaces the list with `entries`, which need not be sorted.
    void Assign(std::vector<std::string> entries);

    const std::vector<std::string>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

    // Binary search for `text`.
    bool Contains(std::string_view text) const;

    // The whole address first ("E-mail"), then its domain part ("Domain"); nothing when neither
    // is listed or the address has no at sign and is not listed itself.
    std::optional<KnownListMatch> isInKnownList(std::string_view address) const;

  private:
    std::vector<std::string> entries_;
};

}  // namespace kelvane

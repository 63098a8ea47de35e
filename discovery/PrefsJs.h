#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// One preference of a Mozilla prefs.js file.
struct PrefLine {
    std::string name;
    std::string value;  // a string without its quotes and escapes; a number or boolean as written
    bool operator==(const PrefLine&) const = default;
};

// The preference set by one line `user_pref("name", value);`; nothing for any other line
// (comments, blank lines, anything malformed).
std::optional<PrefLine> ParsePrefLine(std::string_view line);

}  // namespace kelvane

#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// The running count of deleted spam messages, kept in the settings as decimal text.
inline constexpr std::string_view kSpamCountReset = "0";

// `count` + `added` as decimal text. A count that is not a number counts as 0; the sum stops at
// the largest (or smallest) representable count instead of wrapping.
std::string AddToSpamCount(std::string_view count, long long added);

class SettingsStore;

// Adds `added` to the counter as the settings file holds it at this moment, under the settings
// lock, and writes that key alone: the window and a command-line run may both be deleting, and
// neither may lose the other's count. Returns the new count for the caller's model. Throws
// FileError when the settings cannot be written.
std::string RaiseStoredSpamCount(SettingsStore& store, long long added);

}  // namespace kelvane

#pragma once

#include <string>
#include <vector>

namespace kelvane {

// Puts the files the program ships with (the help page, the alarm sound and an empty known-spammer
// list) into the program folder where they are missing; a file that is there, changed or not,
// is never replaced. Returns what could not be written, for the caller to show; nothing else
// depends on these files.
std::vector<std::string> CopyShippedDefaults(const std::string& programFolder);

}  // namespace kelvane

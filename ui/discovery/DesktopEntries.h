#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The desktop file ids that a mimeapps.list names as default handlers of mailto links, in the
// order of preference given (the [Default Applications] entry for x-scheme-handler/mailto).
std::vector<std::string> DefaultMailtoEntries(std::string_view mimeappsList);

// The words of a desktop file's Exec value with its escapes and quoting undone and its field
// codes (%u, %U, %f, ...) dropped.
std::vector<std::string> ExecWords(std::string_view exec);

// The program a desktop file runs: the first word of the Exec value of its [Desktop Entry], past
// an "env VAR=value ..." prefix. Empty for an entry that is hidden, is no application or has no
// Exec value.
std::string DesktopEntryProgram(std::string_view desktopFile);

}  // namespace kelvane

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

inline constexpr const char* kMailProgramNotSpecified =
    "Mail program not specified in the general settings. ";
inline constexpr const char* kUnableToLaunchMailProgram = "Unable to launch mail program. ";

// Whether the mail program setting names nothing: empty, or only blanks, CR, LF and BS.
bool IsBlankMailProgram(std::string_view path);

// The command-line parameters the mail program at `path` is started with: "-mail" for one whose
// path holds "netscape" (exactly so, in lower case), else none.
std::vector<std::string> MailProgramParameters(std::string_view path);

}  // namespace kelvane

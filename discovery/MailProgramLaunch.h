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

// What starts the mail program setting `setting`: the program, then its arguments. A setting
// that names an existing file is that program alone, blanks and all, as settings always were;
// any other is a command line split by the Exec key's quoting rules (CommandWords), as the
// discovery stores a launcher with arguments. The MailProgramParameters of the mail program (past
// an "env VAR=value" prefix) come last.
// Empty when there is no program to start (a blank setting, or a command of no words).
std::vector<std::string> MailProgramCommand(const std::string& setting);

}  // namespace kelvane

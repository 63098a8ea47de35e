#pragma once

#include <string>

#include "DiscoveryEnvironment.h"

namespace kelvane {

// The user's mail program as the setting stores it: the desktop's default handler of mailto
// links, as the XDG mimeapps.list files name it (the user's, then the system's, desktop-specific
// lists first), run by the whole Exec line of that application's desktop file less its field
// codes. The program (and an env prefix's program) is looked up on $PATH when it is no absolute
// path. A lone program gives its path; one with arguments ("flatpak run ...") a command line in
// the Exec key's quoting (CommandLine). Empty when no list names a handler that can be found.
std::string GetMailPath(const DiscoveryEnvironment& env);

// `program` when it is an absolute path to an executable file; else the first executable of that
// name in the folders of `programPath`; else empty. A relative name with a folder part is never
// looked up.
std::string ResolveProgram(const std::string& program, const std::vector<std::string>& programPath);

}  // namespace kelvane

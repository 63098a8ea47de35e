#pragma once

#include <string>

#include "DiscoveryEnvironment.h"

namespace kelvane {

// The path of the user's mail program: the desktop's default handler of mailto links, as the XDG
// mimeapps.list files name it (the user's, then the system's, desktop-specific lists first),
// taken from the Exec line of that application's desktop file and looked up on $PATH when it is
// no absolute path. Empty when no list names a handler whose program can be found.
std::string GetMailPath(const DiscoveryEnvironment& env);

// `program` when it is an absolute path to an executable file; else the first executable of that
// name in the folders of `programPath`; else empty. A relative name with a folder part is never
// looked up.
std::string ResolveProgram(const std::string& program, const std::vector<std::string>& programPath);

}  // namespace kelvane

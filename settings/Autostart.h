#pragma once

#include <string>

namespace kelvane {

// The desktop's autostart entry that starts Kelvane at login (XDG autostart):
// `configHome`/autostart/kelvane.desktop.
std::string AutostartEntryPath(const std::string& configHome);
bool HasAutostartEntry(const std::string& configHome);
// Writes the entry (atomically, making the folder) to start `program`, an absolute path. Throws
// FileError.
void WriteAutostartEntry(const std::string& configHome, const std::string& program);
// Removes the entry; a missing one is no error. False when it could not be removed.
bool RemoveAutostartEntry(const std::string& configHome);

}  // namespace kelvane

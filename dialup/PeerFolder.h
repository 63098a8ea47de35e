#pragma once

#include <string>
#include <vector>

namespace kelvane {

// The names of the dial-up peers in `folder` (the regular files whose names SafePeerName
// accepts), sorted by their bytes. Empty when the folder cannot be read; `error` then holds
// the system's error number, else 0.
std::vector<std::string> PeerNames(const std::string& folder, int& error);

}  // namespace kelvane

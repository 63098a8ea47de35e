#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kelvane {

// The bytes of a plain file of at most `limit` bytes; nothing when the file is missing, cannot be
// read, is no plain file (a FIFO would hang the read) or is larger. Other programs' files are read
// through here: none of them can stall or flood the discovery, and a missing one is no error.
std::optional<std::string> ReadSmallFile(const std::string& path, std::size_t limit);

}  // namespace kelvane

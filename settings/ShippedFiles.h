#pragma once

#include <span>
#include <string_view>

namespace kelvane {

// A file the program carries in itself and puts into the program folder when it is missing.
struct ShippedFile {
    std::string_view name;
    std::string_view bytes;
};

// The help page and the alarm sound, built in from resources/.
std::span<const ShippedFile> ShippedFileTable();

}  // namespace kelvane

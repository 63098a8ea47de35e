#pragma once

#include <cstdint>
#include <limits>

namespace kelvane {

// Adds a log's counts without ever wrapping round: a sum past the largest count stays there,
// so a hostile log can make a figure large but never negative or small.
inline std::int64_t AddCount(std::int64_t sum, std::int64_t count) {
    std::int64_t result = 0;
    if (!__builtin_add_overflow(sum, count, &result)) return result;
    return count < 0 ? std::numeric_limits<std::int64_t>::min()
                     : std::numeric_limits<std::int64_t>::max();
}

}  // namespace kelvane

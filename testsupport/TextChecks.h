#pragma once

#include <gmock/gmock.h>

#include <algorithm>
#include <string_view>

namespace kelvane::testsupport {

// How often `piece` stands in `text`, overlapping ones included.
inline int CountOccurrences(std::string_view text, std::string_view piece) {
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string_view::npos;
         at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

// The argument holds `wanted` in this order, anything else between them.
MATCHER_P(HasInOrder, wanted, "holds in this order: " + ::testing::PrintToString(wanted)) {
    auto at = arg.begin();
    for (const auto& item : wanted) {
        at = std::find(at, arg.end(), item);
        if (at == arg.end()) {
            *result_listener << "lacks, after the ones before it, "
                             << ::testing::PrintToString(item);
            return false;
        }
        ++at;
    }
    return true;
}

}  // namespace kelvane::testsupport

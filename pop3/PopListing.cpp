#include "PopListing.h"

#include <algorithm>

namespace kelvane::poplisting {

std::vector<std::string_view> Lines(std::string_view block) {
    std::vector<std::string_view> lines;
    while (!block.empty()) {
        const std::size_t end = std::min(block.find('\n'), block.size());
        std::string_view line = block.substr(0, end);
        block.remove_prefix(std::min(end + 1, block.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line == ".") break;
        lines.push_back(line);
    }
    return lines;
}

std::string_view Word(std::string_view line, int index) {
    std::size_t start = 0;
    for (int word = 0;; ++word) {
        start = line.find_first_not_of(' ', start);
        if (start == std::string_view::npos) return {};
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (word == index) return line.substr(start, end - start);
        start = end;
    }
}

bool IsUniqueId(std::string_view id) {
    return !id.empty() && id.size() <= 70 &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= '!' && c <= '~'; });
}

}  // namespace kelvane::poplisting

#include "MultiPatternMatcher.h"

#include <algorithm>
#include <stdexcept>

namespace kelvane {
namespace {

constexpr std::uint32_t kNoState = 0xFFFFFFFF;

}  // namespace

int MultiPatternMatcher::Add(std::string_view pattern) {
    if (pattern.empty()) return -1;
    const auto [found, added] =
        numbers_.try_emplace(std::string(pattern), static_cast<int>(patterns_.size()));
    if (added) {
        patterns_.emplace_back(pattern);
        longest_ = std::max(longest_, pattern.size());
    }
    return found->second;
}

void MultiPatternMatcher::Build() {
    column_.fill(0);
    columns_ = 1;
    for (const std::string& pattern : patterns_) {
        for (const char c : pattern) {
            std::uint8_t& column = column_[static_cast<unsigned char>(c)];
            if (column == 0) column = static_cast<std::uint8_t>(columns_++);
        }
    }
    // The trie, with states numbered as they are made and kNoState where no edge is.
    std::vector<std::uint32_t> edges(columns_, kNoState);
    patternAt_.assign(1, -1);
    for (size_t p = 0; p < patterns_.size(); ++p) {
        std::uint32_t state = 0;
        for (const char c : patterns_[p]) {
            std::uint32_t& edge = edges[state * columns_ + column_[static_cast<unsigned char>(c)]];
            if (edge == kNoState) {
                edge = static_cast<std::uint32_t>(patternAt_.size());
                patternAt_.push_back(-1);
                edges.resize(edges.size() + columns_, kNoState);
            }
            state = edges[state * columns_ + column_[static_cast<unsigned char>(c)]];
        }
        patternAt_[state] = static_cast<int>(p);
    }
    if (patternAt_.size() * columns_ * 2 >= kNoState) {
        throw std::length_error("too many rule values for one matcher");
    }
    // Breadth first, so that a state's longest proper suffix state is complete before it:
    // missing edges take the suffix state's edge, and outputs chain along suffixes.
    const size_t states = patternAt_.size();
    std::vector<std::uint32_t> suffix(states, 0);
    nextOutput_.assign(states, -1);
    std::vector<std::uint32_t> queue;
    queue.reserve(states);
    for (std::uint32_t c = 0; c < columns_; ++c) {
        std::uint32_t& edge = edges[c];
        if (edge == kNoState) {
            edge = 0;
        } else {
            queue.push_back(edge);
        }
    }
    for (size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t state = queue[head];
        for (std::uint32_t c = 0; c < columns_; ++c) {
            std::uint32_t& edge = edges[state * columns_ + c];
            const std::uint32_t fallback = edges[suffix[state] * columns_ + c];
            if (edge == kNoState) {
                edge = fallback;
                continue;
            }
            suffix[edge] = fallback;
            nextOutput_[edge] =
                patternAt_[fallback] >= 0 ? static_cast<int>(fallback) : nextOutput_[fallback];
            queue.push_back(edge);
        }
    }
    next_.resize(edges.size());
    for (size_t i = 0; i < edges.size(); ++i) {
        const std::uint32_t target = edges[i];
        const bool output = patternAt_[target] >= 0 || nextOutput_[target] >= 0;
        next_[i] = (target * columns_) << 1 | (output ? 1 : 0);
    }
}

}  // namespace kelvane

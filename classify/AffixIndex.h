#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvane {

// Values found by hash where a text equals, starts with or ends with them: a text is looked up
// once for each length that some value has, not once per value.
class AffixIndex {
  public:
    // Files `item` under `value`.
    void Add(std::string_view value, int item);
    bool empty() const { return items_.empty(); }

    // Calls found(item) for every item whose value is `text`.
    template <class Found>
    void Equal(std::string_view text, Found&& found) const {
        if (!items_.empty()) Visit(text, found);
    }
    // Calls found(item) for every item whose value `text` starts with.
    template <class Found>
    void Prefixes(std::string_view text, Found&& found) const {
        for (const size_t length : lengths_) {
            if (length > text.size()) break;
            Visit(text.substr(0, length), found);
        }
    }
    // Calls found(item) for every item whose value `text` ends with.
    template <class Found>
    void Suffixes(std::string_view text, Found&& found) const {
        for (const size_t length : lengths_) {
            if (length > text.size()) break;
            Visit(text.substr(text.size() - length), found);
        }
    }

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };

    template <class Found>
    void Visit(std::string_view key, Found& found) const {
        const auto at = items_.find(key);
        if (at == items_.end()) return;
        for (const int item : at->second) found(item);
    }

    std::unordered_map<std::string, std::vector<int>, Hash, std::equal_to<>> items_;
    std::vector<size_t> lengths_;  // ascending, each once
};

}  // namespace kelvane

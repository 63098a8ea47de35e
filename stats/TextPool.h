#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvane {

using TextId = std::uint32_t;

// Each distinct text once: a log repeats its mailboxes, servers, dates and senders on every
// record, so a row keeps small numbers instead of copies, and equal texts compare as numbers.
class TextPool {
  public:
    static constexpr TextId kEmpty = 0;

    TextPool();
    TextPool(TextPool&&) noexcept = default;
    TextPool& operator=(TextPool&&) noexcept = default;

    TextId Intern(std::string_view text);
    const std::string& Text(TextId id) const { return *texts_[id]; }
    std::size_t size() const { return texts_.size(); }

  private:
    std::deque<std::string> storage_;  // stable addresses for the views below
    std::vector<const std::string*> texts_;
    std::unordered_map<std::string_view, TextId> ids_;
};

}  // namespace kelvane

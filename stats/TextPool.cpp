#include "TextPool.h"

namespace kelvane {

TextPool::TextPool() {
    Intern({});
}

TextId TextPool::Intern(std::string_view text) {
    if (const auto found = ids_.find(text); found != ids_.end()) return found->second;
    const std::string& stored = storage_.emplace_back(text);
    const auto id = static_cast<TextId>(texts_.size());
    texts_.push_back(&stored);
    ids_.emplace(stored, id);
    return id;
}

}  // namespace kelvane

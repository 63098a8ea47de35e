#include "AffixIndex.h"

#include <algorithm>

namespace kelvane {

void AffixIndex::Add(std::string_view value, int item) {
    items_[std::string(value)].push_back(item);
    const auto at = std::lower_bound(lengths_.begin(), lengths_.end(), value.size());
    if (at == lengths_.end() || *at != value.size()) lengths_.insert(at, value.size());
}

}  // namespace kelvane

#include "TmsRemoteInfo.h"

#include <stdexcept>
#include <utility>

namespace kelvane {

TmsRemoteInfoItem& TmsRemoteInfo::Items(int index) {
    return const_cast<TmsRemoteInfoItem&>(std::as_const(*this).Items(index));
}

const TmsRemoteInfoItem& TmsRemoteInfo::Items(int index) const {
    if (index < 0 || index >= Count()) {
        throw std::out_of_range("No message " + std::to_string(index) + " in the listing");
    }
    return *items_[static_cast<std::size_t>(index)];
}

TmsRemoteInfoItem& TmsRemoteInfo::Add(TmsRemoteInfoItem item) {
    items_.push_back(std::make_unique<TmsRemoteInfoItem>(std::move(item)));
    return *items_.back();
}

}  // namespace kelvane

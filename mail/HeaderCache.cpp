// TEMPORARY stub until the file format lands.
#include "HeaderCache.h"
namespace kelvane {
HeaderCache HeaderCache::Load(const std::string&, std::string_view) {
    return {};
}
std::optional<HeaderCache> HeaderCache::Parse(std::string_view, std::string_view) {
    return std::nullopt;
}
HeaderCache::Entry* HeaderCache::Find(std::string_view id) {
    auto it = entries_.find(std::string(id));
    return it == entries_.end() ? nullptr : &it->second;
}
void HeaderCache::Add(std::string_view id, long long size, TmsHeaders headers) {
    entries_[std::string(id)] = Entry{size, std::move(headers)};
}
std::string HeaderCache::Serialize(std::string_view) const {
    return {};
}
void HeaderCache::Save(const std::string&, std::string_view) const {}
}  // namespace kelvane

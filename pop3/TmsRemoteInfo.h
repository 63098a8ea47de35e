#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "MailHeaders.h"

namespace kelvane {

// What the server reported about one waiting message, and the marks the user set on it.
class TmsRemoteInfoItem {
  public:
    static constexpr std::uint8_t kMarkedForRetrieval = 1;
    static constexpr std::uint8_t kMarkedForDeletion = 2;

    std::uint8_t Flags = 0;
    long long Size = 0;  // bytes, from LIST
    TmsHeaders Headers;
    std::string UIDL;  // the server's unique id, when it offers UIDL

    bool MarkedForRetrieval() const { return (Flags & kMarkedForRetrieval) != 0; }
    bool MarkedForDeletion() const { return (Flags & kMarkedForDeletion) != 0; }
};

// The messages of one listing, in order: the item at index i is POP3 message number i + 1 of
// the session that filled it. Items keep their address until Clear(), so a reference taken in
// an event handler stays valid while the list grows.
class TmsRemoteInfo {
  public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Throws std::out_of_range for an index outside the list.
    TmsRemoteInfoItem& Items(int index);
    const TmsRemoteInfoItem& Items(int index) const;
    TmsRemoteInfoItem& Add(TmsRemoteInfoItem item);
    void Clear() { items_.clear(); }

  private:
    std::vector<std::unique_ptr<TmsRemoteInfoItem>> items_;
};

}  // namespace kelvane

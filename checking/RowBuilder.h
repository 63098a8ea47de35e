#pragma once

#include "ListDateText.h"
#include "MessageEntry.h"

namespace kelvane {

class TmsRemoteInfoItem;

// The list row of one listed message, without a mark. Never throws for a malformed header:
// a field that cannot be decoded is shown as it stands.
MessageEntry BuildRow(const TmsRemoteInfoItem& item, const DateFormatter& format);

}  // namespace kelvane

// A header block from a server, then its list row: must never throw or crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "MailHeaders.h"
#include "RowBuilder.h"
#include "TmsRemoteInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelvane::TmsRemoteInfoItem item;
    item.Size = static_cast<int>(size);
    item.Headers =
        kelvane::SplitHeaderLines(std::string_view(reinterpret_cast<const char*>(data), size));
    kelvane::BuildRow(item, kelvane::DefaultListDate);
    return 0;
}

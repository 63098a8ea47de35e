// Feeds arbitrary bytes as a header block through the lookups the mail list and the classifier
// use, checking the limits they promise.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "MailAddress.h"
#include "MailErrors.h"
#include "MailHeaders.h"

namespace {

using kelvane::TmsHeaders;

void CheckLines(const TmsHeaders& headers) {
    for (const std::string& line : headers)
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
}

std::string LookUp(const TmsHeaders& headers, std::string_view name, size_t limit) {
    try {
        std::string value = kelvane::GetFieldValue(headers, name);
        if (value.size() > limit) std::abort();
        return value;
    } catch (const kelvane::EMessageParserError&) {
        return {};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view block(reinterpret_cast<const char*>(data), size);
    TmsHeaders headers = kelvane::SplitHeaderLines(block);
    CheckLines(headers);

    LookUp(headers, "Subject", 255);
    LookUp(headers, "Content-Type", block.size());
    LookUp(headers, "X-UIDL:", block.size());
    const auto [address, name] = kelvane::SplitAddress(LookUp(headers, "From", 255));
    if (address.size() > 255 || name.size() > 255) std::abort();

    const size_t before = headers.size();
    kelvane::RemoveField(headers, "Received");
    if (headers.size() > before) std::abort();
    kelvane::CutAtBody(headers);
    if (std::any_of(headers.begin(), headers.end(), [](const auto& line) { return line.empty(); }))
        std::abort();
    LookUp(headers, "Subject:", 255);
    return 0;
}

// Feeds arbitrary bytes as the DNS server's answer to one fixed MX query, checking the limits
// the parser promises: it reads nothing outside the answer (the sanitizers see to that), raises
// only EResolverError, and every exchange it returns is a name of labels each ended by a dot.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "DnsMessage.h"
#include "ResolverErrors.h"

namespace {

void CheckExchange(const std::string& exchange) {
    if (exchange.size() > 255) std::abort();
    if (!exchange.empty() && exchange.back() != '.') std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string query = kelvane::BuildMxQuery(0x1234, "ab.cde");
    // A copy of exactly `size` bytes, so that a read past the end is caught.
    const std::string answer(reinterpret_cast<const char*>(data), size);
    try {
        const kelvane::TMXList list = kelvane::ParseMxAnswer(answer, query);
        // Every record takes at least 11 bytes of the answer beyond its header and question.
        if (list.size() > size / 11) std::abort();
        for (const kelvane::TMXRec& record : list) CheckExchange(record.Exchange);
    } catch (const kelvane::EResolverError& e) {
        if (e.RCode() < 0 || e.RCode() > 15) std::abort();
    }
    return 0;
}

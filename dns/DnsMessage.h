#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// One mail exchanger of a domain: the host name as decoded, every label followed by a dot.
struct TMXRec {
    std::uint16_t Preference = 0;
    std::string Exchange;

    bool operator==(const TMXRec&) const = default;
};

using TMXList = std::vector<TMXRec>;

// The query datagram asking for the MX records of `domain` (one trailing dot allowed), recursion
// desired. Raises EResolverError kInvalidDomainName for an empty name, an empty label, a label
// over 63 bytes or a name over 255 bytes in label form, rather than send a broken packet.
std::string BuildMxQuery(std::uint16_t id, std::string_view domain);

// The text of EResolverError for a non-zero response code.
std::string RCodeText(int rcode);

// The MX records of `answer`, in the order the answer holds them, when it answers `query` (as
// built by BuildMxQuery): the same ID, the response bit, response code 0 and the same question
// (the name compared ignoring ASCII case). Raises EResolverError otherwise, with the response
// code, or 0 for an answer that does not belong to the query or cannot be read. Reads nothing
// outside `answer`. An answer marked truncated keeps the records that are complete.
TMXList ParseMxAnswer(std::string_view answer, std::string_view query);

}  // namespace kelvane

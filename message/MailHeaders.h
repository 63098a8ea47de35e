#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// The header block of one message: one entry per physical line in the order received, without
// line ends. Continuation lines of a folded field stay separate entries beginning with a blank.
using TmsHeaders = std::vector<std::string>;

// Splits a header block at CR LF, LF or a lone CR. A final line without a line end is kept; a
// final line end adds no empty entry.
TmsHeaders SplitHeaderLines(std::string_view block);

// The value of the first field named `fieldName` (colon optional, case-insensitive), unfolded,
// trimmed and with encoded words decoded (at most 255 bytes). Content-Type and X-UIDL come back
// whole and undecoded. Empty when the field is absent. May throw EMessageParserError from the
// encoded-word decoding.
std::string GetFieldValue(const TmsHeaders& headers, std::string_view fieldName);

// Deletes the first field named `fieldName` together with its continuation lines.
void RemoveField(TmsHeaders& headers, std::string_view fieldName);

// Deletes the first empty line and everything after it.
void CutAtBody(TmsHeaders& headers);

}  // namespace kelvane

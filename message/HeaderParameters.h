#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "MailHeaders.h"

namespace kelvane {

// The comma-separated entries of every line that begins with `fieldName` (case-insensitive, the
// name is used as given, without adding a colon), so repeated fields add up. Lines without a colon
// that follow such a line continue it. Commas inside double quotes on the field's own line do not
// separate entries. Each entry is trimmed and has its encoded words decoded.
std::vector<std::string> GetFieldAddresses(const TmsHeaders& headers, std::string_view fieldName);

// The value of parameter `name` in a header value such as `text/plain; charset="x"`: the name is
// looked for anywhere in the value (case-insensitive) and one character after it (the "=") is
// skipped. A quoted value runs to the next double quote, any other to the next blank; one trailing
// ";" is dropped. Empty when the name does not occur.
std::string GetParameter(std::string_view name, std::string_view fieldValue);

// The media type at the front of a header value: the text up to the first blank or ";", trimmed.
std::string GetMediaType(std::string_view fieldValue);

}  // namespace kelvane

#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kelvane {

// Writes a date-time (days since 30 December 1899) as the message list shows it. The window may
// put in the locale's formats.
using DateFormatter = std::function<std::string(double dateTime)>;

// "M/d/yyyy h:mm:ss AP"; the time is left out at exactly midnight.
std::string DefaultListDate(double dateTime);

// The Date column: the field read as a date and formatted, or the raw field when unreadable.
std::string ListDateText(std::string_view field, const DateFormatter& format);

}  // namespace kelvane

#pragma once

#include <string>

#include "LocalDateTime.h"

namespace kelvane {

// The time stamp of every log record, "Tue 3/14/2000 2:05 PM": English day name, M/d/yyyy,
// 12-hour h:mm and AM/PM, whatever the locale, so that the statistics can always read it back.
std::string FormatLogStamp(const LocalDateTime& when);

// Widens a short date format to a four-digit year: the first "yy" becomes "yyyy" unless the
// format already holds "yyyy".
std::string fix2000(std::string format);

}  // namespace kelvane

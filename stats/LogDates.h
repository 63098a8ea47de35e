#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "LocalDateTime.h"

namespace kelvane {

// A local wall-clock moment as seconds since 1 January 1970 0:00, with no time zone: the log's
// stamps are local times, and the statistics only compare and count them.
using StatsMoment = std::int64_t;

constexpr StatsMoment kSecondsPerDay = 86400;

StatsMoment MomentOf(const LocalDateTime& when);
LocalDateTime LocalDateTimeOf(StatsMoment moment);
// The moment's date at 0:00.
StatsMoment StartOfDay(StatsMoment moment);

// A date as the log writes it, M/d/yyyy; a two-digit year is taken in `century` (2000 for
// the 21st). Nothing for text that is not a real date.
std::optional<StatsMoment> ReadLogDate(std::string_view text, int century);

// A time of day as the log writes it, "h:mm AM" or "h:mm PM" (also "h:mm:ss" and the 24-hour
// "H:mm"), as minutes after midnight. Nothing for text that is not a time.
std::optional<int> ReadLogTime(std::string_view text);

// The half-hour slot of a time: 0 is 0:00 to 0:29, 47 is 23:30 to 23:59.
inline int HalfHourSlot(int minuteOfDay) {
    return minuteOfDay / 30;
}

// `today` moved back `months` months, the day lowered until it exists in the target month
// (31 March less one month is the last day of February); the time of day is dropped.
LocalDateTime decrementMonths(const LocalDateTime& today, int months);

}  // namespace kelvane

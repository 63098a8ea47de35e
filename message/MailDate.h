#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// Date-times count days since 30 December 1899, with the time of day as the fraction
// (1 January 1900 is 2.0).
struct ParsedMailDate {
    double dateTime = 0;  // 0 when the text cannot be read
    std::string zone;     // what follows the time of day, not applied; empty on failure
};

// Reads a Date: header value such as "Tue, 14 Mar 2000 10:20:30 +0100". Never throws.
ParsedMailDate ParseMailDate(std::string_view text);

struct CivilDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    friend bool operator==(const CivilDateTime&, const CivilDateTime&) = default;
};

// Calendar fields of a date-time, rounded to the nearest second.
CivilDateTime DateTimeToCivil(double dateTime);

// The date-time of a calendar date and time of day; nothing for an impossible date or time
// (year outside 1..9999, 31 February, hour 24 ...).
std::optional<double> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                     int second);

}  // namespace kelvane

#include "LogStamp.h"

#include <cstdio>

namespace kelvane {

namespace {
constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
}  // namespace

std::string FormatLogStamp(const LocalDateTime& when) {
    const int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%s %d/%d/%04d %d:%02d %s", kDayNames[DayOfWeek(when)],
                  when.month, when.day, when.year, hour12, when.minute,
                  when.hour < 12 ? "AM" : "PM");
    return text;
}

std::string fix2000(std::string format) {
    if (format.find("yyyy") != std::string::npos) return format;
    const auto at = format.find("yy");
    if (at != std::string::npos) format.insert(at, "yy");
    return format;
}

}  // namespace kelvane

#include "LocalDateTime.h"

#include <chrono>
#include <ctime>

namespace kelvane {

int DayOfWeek(const LocalDateTime& when) {
    using namespace std::chrono;
    const year_month_day date{year{when.year}, month{static_cast<unsigned>(when.month)},
                              day{static_cast<unsigned>(when.day)}};
    return static_cast<int>(weekday{sys_days{date}}.c_encoding());
}

LocalDateTime SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

}  // namespace kelvane

#pragma once

namespace kelvane {

// A local date and time of day, broken down; month and day count from 1.
struct LocalDateTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// The day of the week of the date, 0 for Sunday to 6 for Saturday.
int DayOfWeek(const LocalDateTime& when);

// The system's clock in the process's time zone.
LocalDateTime SystemLocalTime();

}  // namespace kelvane

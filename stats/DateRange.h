#pragma once

#include "LogDates.h"

namespace kelvane {

// The three lines of the date range dialog and what the user left in them.
struct DateRangeChoices {
    enum class Line { Between, PreviousMonths, PreviousDays };
    Line line = Line::Between;
    StatsMoment between = 0;  // the two date fields, each at 0:00
    StatsMoment andDate = 0;
    int months = 1;  // 1 to 12
    int days = 1;    // 1 to 365
};

struct DateRange {
    StatsMoment start = 0;
    StatsMoment end = 0;
    friend bool operator==(const DateRange&, const DateRange&) = default;
};

// The range the chosen line stands for on `today`: "during the previous" n days or months
// ends with today's date, so n days cover n + 1 calendar days.
DateRange SelectedRange(const DateRangeChoices& choices, const LocalDateTime& today);

}  // namespace kelvane

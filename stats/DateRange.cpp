#include "DateRange.h"

namespace kelvane {

DateRange SelectedRange(const DateRangeChoices& choices, const LocalDateTime& today) {
    const StatsMoment date = MomentOf({today.year, today.month, today.day, 0, 0, 0});
    switch (choices.line) {
        case DateRangeChoices::Line::PreviousMonths:
            return {MomentOf(decrementMonths(today, choices.months)), date};
        case DateRangeChoices::Line::PreviousDays:
            return {date - choices.days * kSecondsPerDay, date};
        case DateRangeChoices::Line::Between:
            break;
    }
    return {choices.between, choices.andDate};
}

}  // namespace kelvane

#include "LogDates.h"

#include <charconv>
#include <chrono>

#include "MailText.h"

namespace kelvane {

namespace {

using namespace std::chrono;

bool IsRealDate(int y, int m, int d) {
    return year_month_day{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}}
        .ok();
}

// Reads the decimal number at the front of `text` (at most `maxDigits` digits) and drops it.
std::optional<int> TakeNumber(std::string_view& text, std::size_t maxDigits) {
    std::size_t digits = 0;
    while (digits < text.size() && digits < maxDigits + 1 && text[digits] >= '0' &&
           text[digits] <= '9') {
        ++digits;
    }
    if (digits == 0 || digits > maxDigits) return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + digits, value);
    text.remove_prefix(digits);
    return value;
}

bool TakeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

StatsMoment MomentOf(const LocalDateTime& when) {
    const sys_days date{year_month_day{year{when.year}, month{static_cast<unsigned>(when.month)},
                                       day{static_cast<unsigned>(when.day)}}};
    return static_cast<StatsMoment>(date.time_since_epoch().count()) * kSecondsPerDay +
           when.hour * 3600 + when.minute * 60 + when.second;
}

LocalDateTime LocalDateTimeOf(StatsMoment moment) {
    StatsMoment days = moment / kSecondsPerDay;
    StatsMoment seconds = moment % kSecondsPerDay;
    if (seconds < 0) {
        seconds += kSecondsPerDay;
        --days;
    }
    const year_month_day date{sys_days{std::chrono::days{days}}};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60)};
}

StatsMoment StartOfDay(StatsMoment moment) {
    StatsMoment seconds = moment % kSecondsPerDay;
    if (seconds < 0) seconds += kSecondsPerDay;
    return moment - seconds;
}

std::optional<StatsMoment> ReadLogDate(std::string_view text, int century) {
    const auto m = TakeNumber(text, 2);
    if (!m || !TakeChar(text, '/')) return std::nullopt;
    const auto d = TakeNumber(text, 2);
    if (!d || !TakeChar(text, '/')) return std::nullopt;
    const std::size_t yearDigits = text.size();
    auto y = TakeNumber(text, 4);
    if (!y || !text.empty() || (yearDigits != 2 && yearDigits != 4)) return std::nullopt;
    if (yearDigits == 2) *y += century;
    if (!IsRealDate(*y, *m, *d)) return std::nullopt;
    return MomentOf({*y, *m, *d, 0, 0, 0});
}

std::optional<int> ReadLogTime(std::string_view text) {
    auto hour = TakeNumber(text, 2);
    if (!hour || !TakeChar(text, ':')) return std::nullopt;
    const auto minute = TakeNumber(text, 2);
    if (!minute || *minute > 59) return std::nullopt;
    if (TakeChar(text, ':')) {
        const auto second = TakeNumber(text, 2);
        if (!second || *second > 59) return std::nullopt;
    }
    if (text.empty()) {
        if (*hour > 23) return std::nullopt;
        return *hour * 60 + *minute;
    }
    if (!TakeChar(text, ' ') || *hour < 1 || *hour > 12) return std::nullopt;
    if (mailtext::EqualsNoCase(text, "AM"))
        *hour %= 12;
    else if (mailtext::EqualsNoCase(text, "PM"))
        *hour = *hour % 12 + 12;
    else
        return std::nullopt;
    return *hour * 60 + *minute;
}

LocalDateTime decrementMonths(const LocalDateTime& today, int months) {
    int y = today.year;
    int m = today.month - months;
    while (m <= 0) {
        m += 12;
        --y;
    }
    int d = today.day;
    while (d > 28 && !IsRealDate(y, m, d)) --d;
    return {y, m, d, 0, 0, 0};
}

}  // namespace kelvane

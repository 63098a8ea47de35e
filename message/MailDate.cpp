#include "MailDate.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "MailAddress.h"
#include "MailText.h"

namespace kelvane {
namespace {

constexpr auto npos = std::string_view::npos;
constexpr int kSecondsPerDay = 24 * 60 * 60;

// Day number of a proleptic Gregorian date counted from 1 March of year 0.
constexpr int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra;
}

constexpr int64_t kEpochDays = DaysFromCivil(1899, 12, 30);
// 1 January 0001 and the day after 31 December 9999.
constexpr double kMinDateTime = DaysFromCivil(1, 1, 1) - kEpochDays;
constexpr double kMaxDateTime = DaysFromCivil(10000, 1, 1) - kEpochDays;

void CivilFromDays(int64_t days, CivilDateTime& out) {
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
    out.day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    out.month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    out.year = static_cast<int>(yearOfEra + era * 400 + (out.month <= 2 ? 1 : 0));
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A whole text of decimal digits; nothing for any other byte or a value too large for a date.
std::optional<int> ReadNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 1'000'000) return std::nullopt;
    }
    return static_cast<int>(value);
}

size_t FindDigit(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (IsDigit(text[i])) return i;
    return npos;
}

// hours:minutes[:seconds], each one or two digits, as a fraction of a day.
std::optional<double> ReadTimeOfDay(std::string_view text) {
    std::array<int, 3> parts{0, 0, 0};
    size_t count = 0;
    for (;;) {
        if (count == parts.size()) return std::nullopt;
        const size_t colon = text.find(':');
        const std::string_view part = text.substr(0, colon);
        const auto number = part.size() <= 2 ? ReadNumber(part) : std::nullopt;
        if (!number) return std::nullopt;
        parts[count++] = *number;
        if (colon == npos) break;
        text.remove_prefix(colon + 1);
    }
    if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return (parts[0] * 3600 + parts[1] * 60 + parts[2]) / double(kSecondsPerDay);
}

std::string_view RestAfter(std::string_view text, size_t delimiter) {
    return delimiter == npos ? std::string_view{} : mailtext::Trim(text.substr(delimiter + 1));
}

std::string_view DropTrailingComma(std::string_view text) {
    if (!text.empty() && text.back() == ',') text.remove_suffix(1);
    return text;
}

// The day at the start of the text: it begins at the first digit, which drops a weekday.
std::optional<int> TakeDay(std::string_view& rest) {
    const size_t digit = FindDigit(rest);
    if (digit == npos) return std::nullopt;
    rest = mailtext::Trim(rest.substr(digit));
    const size_t blank = rest.find(' ');
    const auto day = ReadNumber(mailtext::Trim(rest.substr(0, blank)));
    rest = RestAfter(rest, blank);
    return day;
}

// The first month name found anywhere in the rest; the name itself is skipped with the year.
std::optional<int> FindMonth(std::string_view rest) {
    static constexpr std::array<std::string_view, 12> kMonths{
        "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (size_t i = 0; i < kMonths.size(); ++i)
        if (rest.find(kMonths[i]) != npos) return static_cast<int>(i + 1);
    return std::nullopt;
}

// The year from the next digit on, ended by a blank or a comma. A digit or a delimiter that is
// the last byte of the text makes the date unreadable.
std::optional<int> TakeYear(std::string_view& rest) {
    const size_t digit = FindDigit(rest);
    if (digit == npos || digit + 1 == rest.size()) return std::nullopt;
    rest = mailtext::Trim(rest.substr(digit));
    const size_t end = rest.find_first_of(" ,");
    if (end != npos && end + 1 == rest.size()) return std::nullopt;
    const std::string_view yearText = end == npos ? rest : rest.substr(0, end + 1);
    const auto year = ReadNumber(DropTrailingComma(mailtext::Trim(yearText)));
    rest = RestAfter(rest, end);
    if (!year) return std::nullopt;
    if (*year <= 50) return *year + 2000;
    if (*year <= 99) return *year + 1900;
    return year;
}

ParsedMailDate ReadDate(std::string_view rest) {
    const auto day = TakeDay(rest);
    const auto month = FindMonth(rest);
    if (!day || !month) return {};
    const auto year = TakeYear(rest);
    if (!year) return {};
    const auto date = EncodeDateTime(*year, *month, *day, 0, 0, 0);
    if (!date) return {};

    const size_t blank = rest.find(' ');
    const auto time = ReadTimeOfDay(DropTrailingComma(mailtext::Trim(rest.substr(0, blank))));
    const double timeOfDay = time.value_or(0);
    return {*date < 0 ? *date - timeOfDay : *date + timeOfDay, std::string(RestAfter(rest, blank))};
}

}  // namespace

ParsedMailDate ParseMailDate(std::string_view text) {
    const std::string upper = mailtext::Upper(StripQuotes(text));
    if (upper.empty()) return {};
    return ReadDate(upper);
}

std::optional<double> EncodeDateTime(int year, int month, int day, int hour, int minute,
                                     int second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return std::nullopt;
    if (day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const double days = static_cast<double>(DaysFromCivil(year, month, day) - kEpochDays);
    const double time = (hour * 3600 + minute * 60 + second) / double(kSecondsPerDay);
    // Before the epoch the time of day still counts forward from midnight.
    return days < 0 ? days - time : days + time;
}

CivilDateTime DateTimeToCivil(double dateTime) {
    CivilDateTime out;
    if (!std::isfinite(dateTime) || dateTime <= kMinDateTime - 1 || dateTime >= kMaxDateTime)
        return out;
    const double wholeDays = std::trunc(dateTime);
    int64_t days = static_cast<int64_t>(wholeDays);
    int64_t seconds = std::llround(std::fabs(dateTime - wholeDays) * kSecondsPerDay);
    if (seconds == kSecondsPerDay) {
        seconds = 0;
        ++days;
    }
    CivilFromDays(days + kEpochDays, out);
    out.hour = static_cast<int>(seconds / 3600);
    out.minute = static_cast<int>(seconds / 60 % 60);
    out.second = static_cast<int>(seconds % 60);
    return out;
}

}  // namespace kelvane

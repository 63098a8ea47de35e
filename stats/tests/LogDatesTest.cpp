#include "LogDates.h"

#include <gtest/gtest.h>

#include <optional>

namespace kelvane {
namespace {

struct DateCase {
    const char* name;
    const char* text;
    std::optional<LocalDateTime> date;
};

TEST(LogDatesTest, ReadsTheDatesTheLogWrites) {
    const DateCase cases[] = {
        {"four-digit year", "3/14/2000", LocalDateTime{2000, 3, 14}},
        {"two digits each", "12/31/2026", LocalDateTime{2026, 12, 31}},
        {"two-digit year in this century", "1/2/99", LocalDateTime{2099, 1, 2}},
        {"leap day", "2/29/2024", LocalDateTime{2024, 2, 29}},
        {"no leap day", "2/29/2026", std::nullopt},
        {"month 13", "13/1/2026", std::nullopt},
        {"day 0", "1/0/2026", std::nullopt},
        {"three-digit year", "1/1/202", std::nullopt},
        {"trailing text", "1/1/2026x", std::nullopt},
        {"dashes", "2026-01-01", std::nullopt},
        {"empty", "", std::nullopt},
        {"huge number", "99999999999/1/2026", std::nullopt},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<StatsMoment> read = ReadLogDate(c.text, 2000);
        ASSERT_EQ(read.has_value(), c.date.has_value());
        if (read) {
            EXPECT_EQ(LocalDateTimeOf(*read), *c.date);
        }
    }
}

TEST(LogDatesTest, ReadsTimesAndTheirHalfHour) {
    const struct {
        const char* text;
        std::optional<int> minute;
        int slot;
    } cases[] = {
        {"12:00 AM", 0, 0},
        {"12:29 AM", 29, 0},
        {"12:30 AM", 30, 1},
        {"11:59 AM", 719, 23},
        {"12:00 PM", 720, 24},
        {"2:05 PM", 845, 28},
        {"11:30 pm", 1410, 47},
        {"11:59 PM", 1439, 47},
        {"3:04:05 PM", 904, 30},
        {"14:05", 845, 28},
        {"13:05 PM", std::nullopt, 0},
        {"0:05 AM", std::nullopt, 0},
        {"2:60 PM", std::nullopt, 0},
        {"2:05 XM", std::nullopt, 0},
        {"3/14/2000 2:05", std::nullopt, 0},
        {"24:00", std::nullopt, 0},
        {"", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReadLogTime(c.text), c.minute);
        if (c.minute) {
            EXPECT_EQ(HalfHourSlot(*c.minute), c.slot);
        }
    }
}

TEST(LogDatesTest, MovesBackWholeMonthsToADayThatExists) {
    const struct {
        LocalDateTime today;
        int months;
        LocalDateTime expected;
    } cases[] = {
        {{2026, 12, 10, 15, 10}, 1, {2026, 11, 10}}, {{2026, 3, 31}, 1, {2026, 2, 28}},
        {{2024, 3, 31}, 1, {2024, 2, 29}},           {{2026, 1, 15}, 1, {2025, 12, 15}},
        {{2026, 2, 28}, 12, {2025, 2, 28}},          {{2026, 5, 31}, 3, {2026, 2, 28}},
        {{2026, 7, 31}, 1, {2026, 6, 30}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decrementMonths(c.today, c.months), c.expected)
            << c.today.year << "-" << c.today.month << "-" << c.today.day << " less " << c.months;
    }
}

TEST(LogDatesTest, MomentsRoundTripAndFindTheirDay) {
    for (const LocalDateTime when :
         {LocalDateTime{1998, 1, 1, 0, 0, 0}, LocalDateTime{2026, 12, 31, 23, 59, 59},
          LocalDateTime{1969, 12, 31, 23, 0, 0}}) {
        EXPECT_EQ(LocalDateTimeOf(MomentOf(when)), when);
        LocalDateTime midnight = when;
        midnight.hour = midnight.minute = midnight.second = 0;
        EXPECT_EQ(StartOfDay(MomentOf(when)), MomentOf(midnight));
    }
}

}  // namespace
}  // namespace kelvane

#include "MailDate.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>

namespace kelvane {

std::ostream& operator<<(std::ostream& out, const CivilDateTime& c) {
    return out << c.year << '-' << c.month << '-' << c.day << ' ' << c.hour << ':' << c.minute
               << ':' << c.second;
}

namespace {

constexpr CivilDateTime kUnreadable{};

struct DateCase {
    const char* name;
    std::string text;
    CivilDateTime when;  // all zero when the text gives 0
    std::string zone;
};

class ParseMailDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ParseMailDateTest, ReadsDateTimeAndZone) {
    const DateCase& c = GetParam();
    const ParsedMailDate parsed = ParseMailDate(c.text);
    if (c.when == kUnreadable) {
        EXPECT_EQ(parsed.dateTime, 0);
    } else {
        const auto expected = EncodeDateTime(c.when.year, c.when.month, c.when.day, c.when.hour,
                                             c.when.minute, c.when.second);
        ASSERT_TRUE(expected.has_value());
        EXPECT_DOUBLE_EQ(parsed.dateTime, *expected);
        EXPECT_EQ(DateTimeToCivil(parsed.dateTime), c.when);
    }
    EXPECT_EQ(parsed.zone, c.zone);
}

INSTANTIATE_TEST_SUITE_P(
    Readable, ParseMailDateTest,
    ::testing::Values(
        DateCase{"weekday-time-and-zone",
                 "Tue, 14 Mar 2000 10:20:30 +0100",
                 {2000, 3, 14, 10, 20, 30},
                 "+0100"},
        DateCase{"date-only", "14 Mar 2000", {2000, 3, 14, 0, 0, 0}, ""},
        DateCase{"two-digit-year-01", "Mon, 1 Jan 01 00:00:00 GMT", {2001, 1, 1, 0, 0, 0}, "GMT"},
        DateCase{"two-digit-year-50", "1 Jan 50", {2050, 1, 1, 0, 0, 0}, ""},
        DateCase{"two-digit-year-51", "1 Jan 51", {1951, 1, 1, 0, 0, 0}, ""},
        DateCase{"three-digit-year-kept", "1 Jan 100", {100, 1, 1, 0, 0, 0}, ""},
        DateCase{
            "comma-after-year", "Tue, 14 Mar 2000, 10:20:30 GMT", {2000, 3, 14, 10, 20, 30}, "GMT"},
        DateCase{
            "quoted", "\"Tue, 14 Mar 2000 10:20:30 +0100\"", {2000, 3, 14, 10, 20, 30}, "+0100"},
        DateCase{"lower-case-month-and-zone",
                 "tue, 14 mar 2000 10:20:30 gmt",
                 {2000, 3, 14, 10, 20, 30},
                 "GMT"},
        DateCase{"zone-with-comment",
                 "14 Mar 2000 10:20:30 +0100 (CET)",
                 {2000, 3, 14, 10, 20, 30},
                 "+0100 (CET)"},
        DateCase{"time-without-seconds", "14 Mar 2000 10:20 EST", {2000, 3, 14, 10, 20, 0}, "EST"},
        DateCase{"time-with-trailing-comma",
                 "14 Mar 2000 23:59:59, EST",
                 {2000, 3, 14, 23, 59, 59},
                 "EST"},
        DateCase{"leap-day", "29 Feb 2000", {2000, 2, 29, 0, 0, 0}, ""},
        DateCase{"before-the-epoch", "29 Dec 1899 06:00", {1899, 12, 29, 6, 0, 0}, ""},
        DateCase{"hour-out-of-range-gives-midnight",
                 "14 Mar 2000 24:00:00 +0100",
                 {2000, 3, 14, 0, 0, 0},
                 "+0100"},
        DateCase{"minute-out-of-range-gives-midnight",
                 "14 Mar 2000 10:60 +0100",
                 {2000, 3, 14, 0, 0, 0},
                 "+0100"},
        DateCase{"letters-in-time-give-midnight",
                 "14 Mar 2000 10:2x:30 +0100",
                 {2000, 3, 14, 0, 0, 0},
                 "+0100"},
        DateCase{
            "hour-only-gives-midnight", "14 Mar 2000 10 +0100", {2000, 3, 14, 0, 0, 0}, "+0100"},
        DateCase{"four-part-time-gives-midnight",
                 "14 Mar 2000 10:20:30:40 +0100",
                 {2000, 3, 14, 0, 0, 0},
                 "+0100"},
        DateCase{"huge-hour-gives-midnight",
                 "14 Mar 2000 99999999999999999999:00 +0100",
                 {2000, 3, 14, 0, 0, 0},
                 "+0100"}),
    testsupport::ParamName());

INSTANTIATE_TEST_SUITE_P(
    Unreadable, ParseMailDateTest,
    ::testing::Values(
        DateCase{"comma-ends-text", "14 Mar 2000,", kUnreadable, ""},
        DateCase{"impossible-day", "31 Feb 2000", kUnreadable, ""},
        DateCase{"no-leap-day-in-1900", "29 Feb 1900", kUnreadable, ""},
        DateCase{"day-zero", "0 Jan 2000", kUnreadable, ""},
        DateCase{"no-month", "14 2000 10:20:30", kUnreadable, ""},
        DateCase{"no-year", "14 Mar", kUnreadable, ""},
        DateCase{"day-with-letters", "14th Mar 2000", kUnreadable, ""},
        DateCase{"year-beyond-9999", "1 Jan 10000", kUnreadable, ""},
        DateCase{"forty-digit-day", "1234567890123456789012345678901234567890 Mar 2000",
                 kUnreadable, ""},
        DateCase{"forty-digit-year", "14 Mar 1234567890123456789012345678901234567890 10:00",
                 kUnreadable, ""},
        DateCase{"garbage", "no date here", kUnreadable, ""},
        DateCase{"only-quotes", "\"\"", kUnreadable, ""}, DateCase{"empty", "", kUnreadable, ""}),
    testsupport::ParamName());

struct EncodeCase {
    const char* name;
    CivilDateTime when;
    double dateTime;
};

class EncodeDateTimeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeDateTimeTest, CountsDaysFromEpochAndBack) {
    const CivilDateTime& w = GetParam().when;
    const auto encoded = EncodeDateTime(w.year, w.month, w.day, w.hour, w.minute, w.second);
    ASSERT_TRUE(encoded.has_value());
    EXPECT_DOUBLE_EQ(*encoded, GetParam().dateTime);
    EXPECT_EQ(DateTimeToCivil(*encoded), w);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, EncodeDateTimeTest,
    ::testing::Values(
        EncodeCase{"epoch", {1899, 12, 30, 0, 0, 0}, 0.0},
        EncodeCase{"first-of-1900", {1900, 1, 1, 0, 0, 0}, 2.0},
        EncodeCase{"march-2000", {2000, 3, 14, 0, 0, 0}, 36599.0},
        EncodeCase{"time-as-fraction", {2000, 3, 14, 18, 0, 0}, 36599.75},
        EncodeCase{"time-keeps-seconds",
                   {2000, 3, 14, 10, 20, 30},
                   36599.0 + (10 * 3600 + 20 * 60 + 30) / 86400.0},
        EncodeCase{"before-epoch-time-counts-forward", {1899, 12, 29, 6, 0, 0}, -1.25},
        EncodeCase{"first-valid-day", {1, 1, 1, 23, 59, 59}, -693593.0 - 86399 / 86400.0},
        EncodeCase{"last-valid-second", {9999, 12, 31, 23, 59, 59}, 2958465.0 + 86399 / 86400.0}),
    testsupport::ParamName());

struct InvalidCase {
    const char* name;
    CivilDateTime when;
};

class EncodeDateTimeInvalidTest : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(EncodeDateTimeInvalidTest, GivesNothing) {
    const CivilDateTime& w = GetParam().when;
    EXPECT_FALSE(EncodeDateTime(w.year, w.month, w.day, w.hour, w.minute, w.second));
}

INSTANTIATE_TEST_SUITE_P(Impossible, EncodeDateTimeInvalidTest,
                         ::testing::Values(InvalidCase{"year-zero", {0, 1, 1, 0, 0, 0}},
                                           InvalidCase{"year-10000", {10000, 1, 1, 0, 0, 0}},
                                           InvalidCase{"month-zero", {2000, 0, 1, 0, 0, 0}},
                                           InvalidCase{"month-13", {2000, 13, 1, 0, 0, 0}},
                                           InvalidCase{"day-zero", {2000, 1, 0, 0, 0, 0}},
                                           InvalidCase{"april-31", {2000, 4, 31, 0, 0, 0}},
                                           InvalidCase{"feb-30-leap", {2000, 2, 30, 0, 0, 0}},
                                           InvalidCase{"feb-29-2100", {2100, 2, 29, 0, 0, 0}},
                                           InvalidCase{"hour-24", {2000, 1, 1, 24, 0, 0}},
                                           InvalidCase{"minute-60", {2000, 1, 1, 0, 60, 0}},
                                           InvalidCase{"second-60", {2000, 1, 1, 0, 0, 60}},
                                           InvalidCase{"negative-hour", {2000, 1, 1, -1, 0, 0}}),
                         testsupport::ParamName());

TEST(DateTimeToCivilTest, RoundsToNearestSecond) {
    const double second = 1.0 / 86400;
    const double at = *EncodeDateTime(2000, 3, 14, 10, 20, 30);
    const CivilDateTime expected{2000, 3, 14, 10, 20, 30};
    EXPECT_EQ(DateTimeToCivil(at - 0.4 * second), expected);
    EXPECT_EQ(DateTimeToCivil(at + 0.4 * second), expected);
}

TEST(DateTimeToCivilTest, RoundingCarriesIntoNextDay) {
    const double almostNewYear = 2.0 - 0.2 / 86400;
    EXPECT_EQ(DateTimeToCivil(almostNewYear), (CivilDateTime{1900, 1, 1, 0, 0, 0}));
    EXPECT_EQ(DateTimeToCivil(-1.0 - (86400 - 0.2) / 86400),
              (CivilDateTime{1899, 12, 30, 0, 0, 0}));
}

TEST(DateTimeToCivilTest, OutOfRangeGivesZeroFields) {
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), -1e300,
          1e300, 2958466.0, -693594.0}) {
        EXPECT_EQ(DateTimeToCivil(bad), kUnreadable) << bad;
    }
}

}  // namespace
}  // namespace kelvane

#include "LogStamp.h"

#include <gtest/gtest.h>

#include <ostream>

#include "CaseName.h"

namespace kelvane {
namespace {

struct StampCase {
    const char* name;
    LocalDateTime when;
    const char* stamp;
};

void PrintTo(const StampCase& c, std::ostream* out) {
    *out << c.name;
}

class LogStampTest : public ::testing::TestWithParam<StampCase> {};

TEST_P(LogStampTest, FormatsDayDateAndTwelveHourTime) {
    EXPECT_EQ(FormatLogStamp(GetParam().when), GetParam().stamp);
}

INSTANTIATE_TEST_SUITE_P(
    Times, LogStampTest,
    ::testing::Values(
        StampCase{"afternoon", {2000, 3, 14, 14, 5, 0}, "Tue 3/14/2000 2:05 PM"},
        StampCase{"five-past-midnight", {2000, 3, 14, 0, 5, 59}, "Tue 3/14/2000 12:05 AM"},
        StampCase{"noon", {1999, 8, 1, 12, 0, 0}, "Sun 8/1/1999 12:00 PM"},
        StampCase{"single-digit-morning-hour", {1999, 12, 31, 9, 7, 0}, "Fri 12/31/1999 9:07 AM"},
        StampCase{"last-minute-of-the-day", {2000, 1, 1, 23, 59, 0}, "Sat 1/1/2000 11:59 PM"},
        StampCase{"one-in-the-afternoon", {2024, 2, 29, 13, 0, 0}, "Thu 2/29/2024 1:00 PM"},
        StampCase{"before-noon", {2001, 11, 5, 11, 30, 0}, "Mon 11/5/2001 11:30 AM"},
        StampCase{"wednesday", {2000, 3, 15, 10, 10, 0}, "Wed 3/15/2000 10:10 AM"}),
    testsupport::ParamName());

struct WideningCase {
    const char* name;
    const char* format;
    const char* widened;
};

void PrintTo(const WideningCase& c, std::ostream* out) {
    *out << c.name;
}

class Fix2000Test : public ::testing::TestWithParam<WideningCase> {};

TEST_P(Fix2000Test, GivesShortDatesAFourDigitYear) {
    EXPECT_EQ(fix2000(GetParam().format), GetParam().widened);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Fix2000Test,
    ::testing::Values(WideningCase{"us-two-digit", "M/d/yy", "M/d/yyyy"},
                      WideningCase{"already-four-digits", "yyyy-MM-dd", "yyyy-MM-dd"},
                      WideningCase{"dotted", "dd.MM.yy", "dd.MM.yyyy"},
                      WideningCase{"year-first", "yy/MM/dd", "yyyy/MM/dd"},
                      WideningCase{"only-the-first-yy", "yy-MM-yy", "yyyy-MM-yy"},
                      WideningCase{"four-digits-after-a-yy", "yy yyyy", "yy yyyy"},
                      WideningCase{"single-y", "d/M/y", "d/M/y"},
                      WideningCase{"no-year", "d/M", "d/M"}, WideningCase{"empty", "", ""}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

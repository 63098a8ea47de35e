#include <gtest/gtest.h>

#include "CaseName.h"
#include "ListDateText.h"

namespace kelvane {
namespace {

struct DateCase {
    const char* name;
    const char* field;
    const char* shown;
};

void PrintTo(const DateCase& c, std::ostream* out) {
    *out << c.name;
}

class ListDateTextTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ListDateTextTest, ShowsTheDateOrTheRawField) {
    EXPECT_EQ(ListDateText(GetParam().field, DefaultListDate), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListDateTextTest,
    ::testing::Values(
        DateCase{"Midnight", "Tue, 14 Mar 2000 00:00:00 +0100", "3/14/2000"},
        DateCase{"Morning", "Tue, 14 Mar 2000 10:20:30 +0100", "3/14/2000 10:20:30 AM"},
        DateCase{"Afternoon", "Tue, 14 Mar 2000 13:05:09 +0100", "3/14/2000 1:05:09 PM"},
        DateCase{"SecondAfterMidnight", "1 Jan 2001 00:00:01 GMT", "1/1/2001 12:00:01 AM"},
        DateCase{"Noon", "1 Jan 2001 12:00:00 GMT", "1/1/2001 12:00:00 PM"},
        DateCase{"Unreadable", "sometime soon", "sometime soon"}, DateCase{"Empty", "", ""}),
    testsupport::ParamName());

TEST(ListDateTextFormatter, ReplacesTheDefaultFormat) {
    EXPECT_EQ(ListDateText("1 Jan 2001 12:00:00 GMT", [](double) { return "local"; }), "local");
}

}  // namespace
}  // namespace kelvane

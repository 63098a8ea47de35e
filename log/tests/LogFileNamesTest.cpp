#include "LogFileNames.h"

#include <gtest/gtest.h>

#include <ostream>

#include "CaseName.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

LocalDateTime Day(int year, int month, int day = 15) {
    return {year, month, day, 10, 0, 0};
}

struct MonthCase {
    const char* name;
    int month;
    const char* monthly;
    const char* quarterly;
};

void PrintTo(const MonthCase& c, std::ostream* out) {
    *out << c.name;
}

class PeriodNameTest : public ::testing::TestWithParam<MonthCase> {};

TEST_P(PeriodNameTest, NamesTheMonthAndItsQuarter) {
    EXPECT_EQ(MonthlyLogFileName(Day(1999, GetParam().month)), GetParam().monthly);
    EXPECT_EQ(QuarterlyLogFileName(Day(1999, GetParam().month)), GetParam().quarterly);
}

INSTANTIATE_TEST_SUITE_P(Months1999, PeriodNameTest,
                         ::testing::Values(MonthCase{"january", 1, "Jan99.txt", "Q1_99.txt"},
                                           MonthCase{"february", 2, "Feb99.txt", "Q1_99.txt"},
                                           MonthCase{"march", 3, "Mar99.txt", "Q1_99.txt"},
                                           MonthCase{"april", 4, "Apr99.txt", "Q2_99.txt"},
                                           MonthCase{"may", 5, "May99.txt", "Q2_99.txt"},
                                           MonthCase{"june", 6, "Jun99.txt", "Q2_99.txt"},
                                           MonthCase{"july", 7, "Jul99.txt", "Q3_99.txt"},
                                           MonthCase{"august", 8, "Aug99.txt", "Q3_99.txt"},
                                           MonthCase{"september", 9, "Sep99.txt", "Q3_99.txt"},
                                           MonthCase{"october", 10, "Oct99.txt", "Q4_99.txt"},
                                           MonthCase{"november", 11, "Nov99.txt", "Q4_99.txt"},
                                           MonthCase{"december", 12, "Dec99.txt", "Q4_99.txt"}),
                         testsupport::ParamName());

TEST(PeriodNameYearTest, KeepsTwoDigitsWithLeadingZero) {
    EXPECT_EQ(MonthlyLogFileName(Day(2000, 1, 1)), "Jan00.txt");
    EXPECT_EQ(QuarterlyLogFileName(Day(2005, 12, 31)), "Q4_05.txt");
}

struct FieldCase {
    const char* name;
    const char* field;
    LogNaming naming;
    LocalDateTime today;
    const char* programFolder;
    const char* result;
};

void PrintTo(const FieldCase& c, std::ostream* out) {
    *out << c.name;
}

class CurrentLogFileNameTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(CurrentLogFileNameTest, DerivesTheNameFromTheField) {
    const FieldCase& c = GetParam();
    EXPECT_EQ(CurrentLogFileName(c.field, c.naming, c.today, c.programFolder), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CurrentLogFileNameTest,
    ::testing::Values(
        FieldCase{"as-is-keeps-the-field", "/home/ann/logs/old.txt", LogNaming::AsIs, Day(1999, 1),
                  "/opt/k", "/home/ann/logs/old.txt"},
        FieldCase{"as-is-keeps-a-blank-field", "  ", LogNaming::AsIs, Day(1999, 1), "/opt/k", "  "},
        FieldCase{"monthly-in-the-field-folder", "/home/ann/logs/old.txt", LogNaming::Monthly,
                  Day(1999, 1), "/opt/k", "/home/ann/logs/Jan99.txt"},
        FieldCase{"quarterly-in-the-field-folder", "/home/ann/logs/old.txt", LogNaming::Quarterly,
                  Day(1999, 8), "/opt/k", "/home/ann/logs/Q3_99.txt"},
        FieldCase{"monthly-without-folder", "old.txt", LogNaming::Monthly, Day(1999, 2), "/opt/k",
                  "Feb99.txt"},
        FieldCase{"field-naming-a-folder", "/var/log/", LogNaming::Quarterly, Day(2001, 4),
                  "/opt/k", "/var/log/Q2_01.txt"},
        FieldCase{"root-folder", "/old.txt", LogNaming::Monthly, Day(1999, 3), "/opt/k",
                  "/Mar99.txt"},
        FieldCase{"relative-folder", "logs/old.txt", LogNaming::Monthly, Day(1999, 3), "/opt/k",
                  "logs/Mar99.txt"},
        FieldCase{"empty-field-as-is", "", LogNaming::AsIs, Day(1999, 1), "/opt/k",
                  "/opt/k/logfile.txt"},
        FieldCase{"empty-field-folder-with-slash", "", LogNaming::AsIs, Day(1999, 1), "/opt/k/",
                  "/opt/k/logfile.txt"},
        FieldCase{"empty-field-monthly", "", LogNaming::Monthly, Day(1999, 1), "/opt/k",
                  "/opt/k/Jan99.txt"},
        FieldCase{"empty-field-quarterly", "", LogNaming::Quarterly, Day(1999, 11), "/opt/k",
                  "/opt/k/Q4_99.txt"}),
    testsupport::ParamName());

TEST(LogNamingTest, QuarterlyWinsOverMonthly) {
    EXPECT_EQ(LogNamingFrom(false, false), LogNaming::AsIs);
    EXPECT_EQ(LogNamingFrom(true, false), LogNaming::Monthly);
    EXPECT_EQ(LogNamingFrom(false, true), LogNaming::Quarterly);
    EXPECT_EQ(LogNamingFrom(true, true), LogNaming::Quarterly);
}

TEST(MakeLogFolderTest, MakesMissingParentsAndRefusesANameWithoutFolder) {
    testsupport::TempFolder temp;
    const std::string nested = temp.File("a/b/c/log.txt");
    EXPECT_TRUE(MakeLogFolder(nested));
    EXPECT_TRUE(std::filesystem::is_directory(temp.File("a/b/c")));
    EXPECT_FALSE(std::filesystem::exists(nested)) << "only the folder is made";
    EXPECT_TRUE(MakeLogFolder(nested)) << "an existing folder is fine";

    EXPECT_FALSE(MakeLogFolder("log.txt"));
    testsupport::WriteFileBytes(temp.File("plain"), "x");
    EXPECT_FALSE(MakeLogFolder(temp.File("plain/log.txt"))) << "a file in the way";
}

}  // namespace
}  // namespace kelvane

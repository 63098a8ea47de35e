#include "LogAnalysis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "DateRange.h"
#include "StatsLogs.h"

namespace kelvane {
namespace {

using statstest::kNow;
using statstest::LogText;
using statstest::ReadLog;
using ::testing::ElementsAre;

constexpr LocalDateTime kTuesday205{2000, 3, 14, 14, 5, 0};
constexpr LocalDateTime kTuesday206{2000, 3, 14, 14, 6, 0};

StatsFilter Everything() {
    return DefaultFilter(kNow);
}

Readings ReadingsOf(const LogTables& tables, const StatsFilter& filter = Everything()) {
    return PlotReadings(tables, fillInGrids(tables, filter));
}

TEST(LogAnalysisTest, OneCheckAndOneDeletionOnATuesdayAfternoon) {
    const LogTables tables = ReadLog(LogText()
                                         .Check(3, "ann", kTuesday205)
                                         .Deletion("spammer@junk.example", kTuesday206)
                                         .text());
    const GridRows rows = fillInGrids(tables, Everything());
    const Readings readings = PlotReadings(tables, rows);
    const ActivityCounts expected{1, 3, 1};
    EXPECT_EQ(readings.weekdays[2], expected);
    EXPECT_EQ(readings.halfHours[28], expected);
    for (int day = 0; day < 7; ++day) {
        if (day != 2) {
            EXPECT_EQ(readings.weekdays[day], ActivityCounts{}) << day;
        }
    }
    EXPECT_EQ(RecomputePie(tables, rows), (MailShare{2, 1}));
    EXPECT_THAT(readings.topSenders, ElementsAre(TopEntry{"spammer@junk.example", 1}));
    EXPECT_THAT(readings.topDomains, ElementsAre(TopEntry{"junk.example", 1}));
}

TEST(LogAnalysisTest, CountsEachRecordInItsHalfHourAndWeekday) {
    const struct {
        LocalDateTime when;
        int slot;
        int weekday;
    } cases[] = {
        {{2026, 12, 31, 0, 0}, 0, 4},   // Thursday, midnight
        {{2026, 12, 31, 0, 29}, 0, 4},  //
        {{2027, 1, 1, 0, 30}, 1, 5},    // Friday, across the year end
        {{2027, 1, 2, 11, 59}, 23, 6},  // Saturday
        {{2027, 1, 3, 12, 0}, 24, 0},   // Sunday, noon
        {{2027, 1, 4, 23, 30}, 47, 1},  // Monday
        {{2027, 1, 4, 23, 59}, 47, 1},
    };
    for (const auto& c : cases) {
        const LogTables tables = ReadLog(LogText().Check(2, "ann", c.when).text());
        const Readings readings = ReadingsOf(tables, {0, MomentOf({2030, 1, 1}), std::nullopt});
        EXPECT_EQ(readings.halfHours[c.slot], (ActivityCounts{1, 2, 0}))
            << c.when.hour << ":" << c.when.minute;
        EXPECT_EQ(readings.weekdays[c.weekday], (ActivityCounts{1, 2, 0}))
            << c.when.month << "/" << c.when.day;
    }
}

TEST(LogAnalysisTest, KeepsTheRangeWithBothEndsAndTheChosenMailbox) {
    const LogTables tables = ReadLog(LogText()
                                         .Check(1, "Ann", {2026, 11, 30, 23, 59})
                                         .Check(2, "ann", {2026, 12, 1, 0, 0})
                                         .Check(3, "bob", {2026, 12, 5, 12, 0})
                                         .Check(4, "ANN", {2026, 12, 10, 23, 59})
                                         .Check(5, "ann", {2026, 12, 11, 0, 0})
                                         .Deletion("x@y", {2026, 12, 10, 9, 0}, "ann")
                                         .Deletion("x@y", {2026, 12, 10, 9, 0}, "bob")
                                         .text());
    const StatsMoment first = MomentOf({2026, 12, 1});
    const StatsMoment last = MomentOf({2026, 12, 10});
    const struct {
        const char* name;
        StatsFilter filter;
        std::vector<std::uint32_t> checks;
        std::vector<std::uint32_t> deletions;
    } cases[] = {
        {"all mailboxes", {first, last, std::nullopt}, {1, 2, 3}, {0, 1}},
        {"one mailbox whatever its case", {first, last, "aNN"}, {1, 3}, {0}},
        {"a mailbox not in the log", {first, last, "carol"}, {}, {}},
        {"one day", {last, last, std::nullopt}, {3}, {0, 1}},
        {"an end before the start", {last, first, std::nullopt}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GridRows rows = fillInGrids(tables, c.filter);
        EXPECT_EQ(rows.checks, c.checks);
        EXPECT_EQ(rows.deletions, c.deletions);
    }
}

TEST(LogAnalysisTest, DayByDayPointsFollowRunsOfDates) {
    const LocalDateTime a{2026, 12, 1, 9, 0};
    const LocalDateTime b{2026, 12, 2, 9, 0};
    const LogTables tables = ReadLog(LogText()
                                         .Check(2, "ann", a)
                                         .Check(1, "ann", a)
                                         .Check(0, "ann", b)
                                         .Check(4, "ann", a)
                                         .Deletion("x@y", b)
                                         .Deletion("x@y", b)
                                         .text());
    const Readings readings = ReadingsOf(tables);
    const StatsMoment dayA = MomentOf({2026, 12, 1});
    const StatsMoment dayB = MomentOf({2026, 12, 2});
    EXPECT_THAT(readings.dayChecks,
                ElementsAre(DayPoint{dayA, 2}, DayPoint{dayB, 1}, DayPoint{dayA, 1}));
    // A day that found nothing gives no "found" point.
    EXPECT_THAT(readings.dayFound, ElementsAre(DayPoint{dayA, 3}, DayPoint{dayA, 4}));
    EXPECT_THAT(readings.dayDeleted, ElementsAre(DayPoint{dayB, 2}));
}

TEST(LogAnalysisTest, RanksTheTopTenByCountThenLastNameFirst) {
    LogText log;
    const LocalDateTime when{2026, 12, 1, 9, 0};
    for (int i = 0; i < 3; ++i) log.Deletion("alpha@one.example", when);
    for (int i = 0; i < 3; ++i) log.Deletion("zulu@two.example", when);
    for (int i = 0; i < 4; ++i) log.Deletion("no at sign", when);
    for (char c = 'a'; c <= 'j'; ++c) log.Deletion(std::string(1, c) + "@solo.example", when);
    const Readings readings = ReadingsOf(ReadLog(log.text()));
    EXPECT_THAT(readings.topSenders,
                ElementsAre(TopEntry{"no at sign", 4}, TopEntry{"zulu@two.example", 3},
                            TopEntry{"alpha@one.example", 3}, TopEntry{"j@solo.example", 1},
                            TopEntry{"i@solo.example", 1}, TopEntry{"h@solo.example", 1},
                            TopEntry{"g@solo.example", 1}, TopEntry{"f@solo.example", 1},
                            TopEntry{"e@solo.example", 1}, TopEntry{"d@solo.example", 1}));
    // The four senders without an at sign have an empty domain: it takes the first place
    // but shows no bar.
    EXPECT_THAT(readings.topDomains,
                ElementsAre(TopEntry{"solo.example", 10}, TopEntry{"two.example", 3},
                            TopEntry{"one.example", 3}));
}

TEST(LogAnalysisTest, TopTenOrdersLargeCountsAsNumbers) {
    LogTables tables;
    const TextId big = tables.texts.Intern("big.example");
    const TextId less = tables.texts.Intern("less.example");
    std::vector<TextId> values(10000, big);
    values.insert(values.end(), 9999, less);
    EXPECT_THAT(TopTen(tables, values),
                ElementsAre(TopEntry{"big.example", 10000}, TopEntry{"less.example", 9999}));
}

TEST(LogAnalysisTest, TheShareNeverGoesBelowNothing) {
    const LogTables tables = ReadLog(LogText()
                                         .Check(1, "ann", {2026, 12, 1, 9, 0})
                                         .Deletion("x@y", {2026, 12, 1, 9, 1})
                                         .Deletion("x@y", {2026, 12, 1, 9, 1})
                                         .text());
    EXPECT_EQ(RecomputePie(tables, fillInGrids(tables, Everything())), (MailShare{0, 2}));
    const LogTables empty = ReadLog("");
    EXPECT_EQ(RecomputePie(empty, fillInGrids(empty, Everything())), (MailShare{0, 0}));
}

TEST(LogAnalysisTest, FoundCountsAddUpPastThirtyTwoBits) {
    LogText log;
    for (int i = 0; i < 20; ++i) log.Check(999999999, "ann", kTuesday205);
    const LogTables tables = ReadLog(log.text());
    const GridRows rows = fillInGrids(tables, Everything());
    const Readings readings = PlotReadings(tables, rows);
    EXPECT_EQ(readings.weekdays[2].found, 19999999980);
    EXPECT_THAT(readings.dayFound, ElementsAre(DayPoint{MomentOf({2000, 3, 14}), 19999999980}));
    EXPECT_EQ(RecomputePie(tables, rows), (MailShare{19999999980, 0}));
}

// Counts no log line can give, for the sums' own limits.
LogTables ChecksOfOneDay(const std::vector<std::int64_t>& counts) {
    LogTables tables;
    const TextId day = tables.texts.Intern("3/14/2000");
    for (std::int64_t count : counts) {
        CheckEntry check;
        check.count = count;
        check.dateText = day;
        check.date = MomentOf({2000, 3, 14});
        check.minute = 14 * 60 + 5;
        tables.checks.push_back(check);
    }
    tables.deletions.resize(3);
    for (DeletionEntry& deletion : tables.deletions) deletion.date = MomentOf({2000, 3, 14});
    return tables;
}

TEST(LogAnalysisTest, SumsStopAtTheLargestCountInsteadOfWrapping) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const struct {
        const char* name;
        std::vector<std::int64_t> counts;
        std::int64_t found;
    } cases[] = {
        {"exactly the largest", {kMax - 1, 1}, kMax},
        {"one past it", {kMax, 1}, kMax},
        {"two halves and more", {kMax / 2 + 1, kMax / 2 + 1, 5}, kMax},
        {"many large counts", std::vector<std::int64_t>(100, kMax / 3), kMax},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LogTables tables = ChecksOfOneDay(c.counts);
        const GridRows rows = fillInGrids(tables, Everything());
        const Readings readings = PlotReadings(tables, rows);
        EXPECT_EQ(readings.weekdays[2].found, c.found);
        EXPECT_EQ(readings.halfHours[28].found, c.found);
        ASSERT_EQ(readings.dayFound.size(), 1u);
        EXPECT_EQ(readings.dayFound[0].value, c.found);
        EXPECT_EQ(RecomputePie(tables, rows), (MailShare{c.found - 3, 3}));
    }
}

TEST(LogAnalysisTest, DateRangeChoicesEndToday) {
    const LocalDateTime today{2026, 3, 31, 15, 10};
    const StatsMoment midnight = MomentOf({2026, 3, 31});
    DateRangeChoices choices;
    choices.between = MomentOf({2026, 1, 5});
    choices.andDate = MomentOf({2026, 2, 5});
    EXPECT_EQ(SelectedRange(choices, today), (DateRange{choices.between, choices.andDate}));
    choices.line = DateRangeChoices::Line::PreviousDays;
    EXPECT_EQ(SelectedRange(choices, today),
              (DateRange{MomentOf({2026, 3, 30}), midnight}));  // yesterday and today
    choices.line = DateRangeChoices::Line::PreviousMonths;
    choices.months = 1;
    EXPECT_EQ(SelectedRange(choices, today), (DateRange{MomentOf({2026, 2, 28}), midnight}));
    choices.months = 3;
    EXPECT_EQ(SelectedRange(choices, today), (DateRange{MomentOf({2025, 12, 31}), midnight}));
}

}  // namespace
}  // namespace kelvane

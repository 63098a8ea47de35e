#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "LogTables.h"

namespace kelvane {

constexpr const char* kAllMailboxes = "All mailboxes";

// Which records the statistics count: those dated from `start` to `end` (both included) of
// one mailbox, or of all when `mailbox` is empty.
struct StatsFilter {
    StatsMoment start = 0;
    StatsMoment end = 0;
    std::optional<std::string> mailbox;
};

// The statistics window's first range: 1 January 1998 up to `now`, every mailbox.
StatsFilter DefaultFilter(const LocalDateTime& now);

// The rows of both tables that pass the filter, in file order: the two tables of the window.
struct GridRows {
    std::vector<std::uint32_t> checks;
    std::vector<std::uint32_t> deletions;
};

GridRows fillInGrids(const LogTables& tables, const StatsFilter& filter);

struct ActivityCounts {
    std::int64_t checks = 0;
    std::int64_t found = 0;
    std::int64_t deleted = 0;
    friend bool operator==(const ActivityCounts&, const ActivityCounts&) = default;
};

// One point of the day-by-day lines: a run of records of one date.
struct DayPoint {
    StatsMoment date = 0;
    std::int64_t value = 0;
    friend bool operator==(const DayPoint&, const DayPoint&) = default;
};

struct TopEntry {
    std::string value;
    std::int64_t count = 0;
    friend bool operator==(const TopEntry&, const TopEntry&) = default;
};

constexpr int kHalfHourSlots = 48;
constexpr int kTopCount = 10;

// Everything the charts show, counted from the rows of the window's tables.
struct Readings {
    std::array<ActivityCounts, 7> weekdays{};  // Sunday first
    std::array<ActivityCounts, kHalfHourSlots> halfHours{};
    std::vector<DayPoint> dayChecks;
    std::vector<DayPoint> dayFound;
    std::vector<DayPoint> dayDeleted;
    std::vector<TopEntry> topDomains;  // highest count first
    std::vector<TopEntry> topSenders;
};

Readings PlotReadings(const LogTables& tables, const GridRows& rows);

// The "% Deleted" pie: the mail found that was not deleted, and the spam deleted.
struct MailShare {
    std::int64_t normal = 0;
    std::int64_t deleted = 0;
    friend bool operator==(const MailShare&, const MailShare&) = default;
};

MailShare RecomputePie(const LogTables& tables, const GridRows& rows);

// The top ten of `values` (one text id per deleted message): highest count first; of equal
// counts the value that sorts last comes first. An empty value takes its place in the ten
// but is left out of the result.
std::vector<TopEntry> TopTen(const LogTables& tables, const std::vector<TextId>& values);

}  // namespace kelvane

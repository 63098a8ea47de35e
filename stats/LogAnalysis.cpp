#include "LogAnalysis.h"

#include <algorithm>

#include "CountSum.h"
#include "MailText.h"

namespace kelvane {

namespace {

// Which mailbox texts pass, decided once per distinct text.
std::vector<bool> PassingMailboxes(const LogTables& tables, const StatsFilter& filter) {
    std::vector<bool> passes(tables.texts.size(), true);
    if (!filter.mailbox) return passes;
    for (TextId id = 0; id < passes.size(); ++id)
        passes[id] = mailtext::EqualsNoCase(tables.Text(id), *filter.mailbox);
    return passes;
}

template <typename Entry>
std::vector<std::uint32_t> Passing(const std::vector<Entry>& entries, const StatsFilter& filter,
                                   const std::vector<bool>& mailboxes) {
    std::vector<std::uint32_t> rows;
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (entry.date >= filter.start && entry.date <= filter.end && mailboxes[entry.mailbox])
            rows.push_back(i);
    }
    return rows;
}

int Weekday(StatsMoment date) {
    return DayOfWeek(LocalDateTimeOf(date));
}

// One point per run of rows of equal date text; `value` gives a row's share of the point.
template <typename Entry, typename Value>
std::vector<DayPoint> DayRuns(const std::vector<Entry>& entries,
                              const std::vector<std::uint32_t>& rows, Value value) {
    std::vector<DayPoint> points;
    TextId runDate = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Entry& entry = entries[rows[i]];
        if (i == 0 || entry.dateText != runDate) {
            points.push_back({entry.date, 0});
            runDate = entry.dateText;
        }
        points.back().value = AddCount(points.back().value, value(entry));
    }
    return points;
}

}  // namespace

StatsFilter DefaultFilter(const LocalDateTime& now) {
    return {MomentOf({1998, 1, 1, 0, 0, 0}), MomentOf(now), std::nullopt};
}

GridRows fillInGrids(const LogTables& tables, const StatsFilter& filter) {
    const std::vector<bool> mailboxes = PassingMailboxes(tables, filter);
    return {Passing(tables.checks, filter, mailboxes),
            Passing(tables.deletions, filter, mailboxes)};
}

Readings PlotReadings(const LogTables& tables, const GridRows& rows) {
    Readings readings;
    for (std::uint32_t row : rows.checks) {
        const CheckEntry& check = tables.checks[row];
        for (ActivityCounts* counts : {&readings.weekdays[Weekday(check.date)],
                                       &readings.halfHours[HalfHourSlot(check.minute)]}) {
            ++counts->checks;
            counts->found = AddCount(counts->found, check.count);
        }
    }
    std::vector<TextId> senders;
    std::vector<TextId> domains;
    for (std::uint32_t row : rows.deletions) {
        const DeletionEntry& deletion = tables.deletions[row];
        ++readings.weekdays[Weekday(deletion.date)].deleted;
        ++readings.halfHours[HalfHourSlot(deletion.minute)].deleted;
        senders.push_back(deletion.sender);
        domains.push_back(deletion.domain);
    }
    readings.dayChecks = DayRuns(tables.checks, rows.checks, [](const CheckEntry&) { return 1; });
    readings.dayFound =
        DayRuns(tables.checks, rows.checks, [](const CheckEntry& check) { return check.count; });
    std::erase_if(readings.dayFound, [](const DayPoint& point) { return point.value <= 0; });
    readings.dayDeleted =
        DayRuns(tables.deletions, rows.deletions, [](const DeletionEntry&) { return 1; });
    readings.topDomains = TopTen(tables, domains);
    readings.topSenders = TopTen(tables, senders);
    return readings;
}

// Never a negative slice: a range can hold deletions whose checks lie before it.
MailShare RecomputePie(const LogTables& tables, const GridRows& rows) {
    std::int64_t found = 0;
    for (std::uint32_t row : rows.checks) found = AddCount(found, tables.checks[row].count);
    const auto deleted = static_cast<std::int64_t>(rows.deletions.size());
    return {found > deleted ? found - deleted : 0, deleted};
}

// Ordered by the count as a number: ordering "0123"-style keys as text would put a count of
// 10000 below one of 9999.
std::vector<TopEntry> TopTen(const LogTables& tables, const std::vector<TextId>& values) {
    std::vector<std::int64_t> counts(tables.texts.size(), 0);
    std::vector<TextId> distinct;
    for (TextId id : values) {
        if (counts[id]++ == 0) distinct.push_back(id);
    }
    const auto before = [&](TextId a, TextId b) {
        if (counts[a] != counts[b]) return counts[a] > counts[b];
        return tables.Text(a) > tables.Text(b);
    };
    const std::size_t ranked = std::min<std::size_t>(kTopCount, distinct.size());
    std::partial_sort(distinct.begin(), distinct.begin() + ranked, distinct.end(), before);
    std::vector<TopEntry> top;
    for (std::size_t i = 0; i < ranked; ++i) {
        if (distinct[i] != TextPool::kEmpty)
            top.push_back({tables.Text(distinct[i]), counts[distinct[i]]});
    }
    return top;
}

}  // namespace kelvane

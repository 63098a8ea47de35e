#include "RuleTableMerge.h"

#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "RuleTableOperations.h"

namespace kelvane {
namespace {

// A rule row without its hit count.
using Rule = std::vector<std::string>;

Rule RuleOf(const RuleTable& table, int row) {
    RuleRow cells = table.row(row);
    const auto hitColumn = static_cast<size_t>(table.layout().hitColumn);
    if (hitColumn < cells.size()) cells.erase(cells.begin() + table.layout().hitColumn);
    return cells;
}

// An empty table's placeholder row; never a rule to keep.
bool IsBlankRow(const RuleTable& table, int row) {
    const RuleRow cells = table.row(row);
    return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

// Hits counted since; nothing for a count that went down (a hand-made cell) or cannot be told.
long long HitsGained(long long now, long long before) {
    long long gained = 0;
    return __builtin_sub_overflow(now, before, &gained) || gained < 0 ? 0 : gained;
}

struct ChangesInMemory {
    std::map<Rule, std::deque<long long>> gainedHits;  // per rule, in row order
    std::vector<RuleRow> newAtTop;
    std::vector<RuleRow> newAtEnd;
};

// Pairs each row of `current` with the first unpaired row of `loaded` that holds the same rule.
ChangesInMemory ChangesSince(const RuleTable& loaded, const RuleTable& current) {
    std::map<Rule, std::deque<long long>> loadedHits;
    for (int r = 1; r < loaded.rowCount(); ++r) {
        loadedHits[RuleOf(loaded, r)].push_back(RuleHits(loaded, r));
    }
    ChangesInMemory changes;
    bool olderRowSeen = false;
    for (int r = 1; r < current.rowCount(); ++r) {
        Rule rule = RuleOf(current, r);
        const auto older = loadedHits.find(rule);
        if (older != loadedHits.end() && !older->second.empty()) {
            changes.gainedHits[std::move(rule)].push_back(
                HitsGained(RuleHits(current, r), older->second.front()));
            older->second.pop_front();
            olderRowSeen = true;
        } else if (!IsBlankRow(current, r)) {
            (olderRowSeen ? changes.newAtEnd : changes.newAtTop).push_back(current.row(r));
        }
    }
    return changes;
}

void AddGainedHits(RuleTable& table, std::map<Rule, std::deque<long long>>& gainedHits) {
    for (int r = 1; r < table.rowCount(); ++r) {
        const auto gained = gainedHits.find(RuleOf(table, r));
        if (gained == gainedHits.end() || gained->second.empty()) continue;
        AddHits(table, r, gained->second.front());
        gained->second.pop_front();
    }
}

}  // namespace

RuleTable MergeRuleTable(const RuleTable& onDisk, const RuleTable& loaded,
                         const RuleTable& current) {
    ChangesInMemory changes = ChangesSince(loaded, current);
    RuleTable merged = onDisk;
    AddGainedHits(merged, changes.gainedHits);
    for (auto row = changes.newAtTop.rbegin(); row != changes.newAtTop.rend(); ++row) {
        InsertRuleAtTop(merged, *row);
    }
    for (const RuleRow& row : changes.newAtEnd) AppendRule(merged, row);
    for (int c = 0; c < merged.columnCount(); ++c) {
        merged.setColumnWidth(c, current.columnWidth(c));
    }
    return merged;
}

RuleTable AddHitsCountedElsewhere(const RuleTable& onDisk, const RuleTable& loaded,
                                  const RuleTable& current) {
    ChangesInMemory elsewhere = ChangesSince(loaded, onDisk);
    RuleTable edited = current;
    AddGainedHits(edited, elsewhere.gainedHits);
    return edited;
}

}  // namespace kelvane

#include "RuleTestCache.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "SpamSettings.h"

namespace kelvane {
namespace {

constexpr RuleTableKind kKinds[] = {RuleTableKind::Exceptions, RuleTableKind::Subject,
                                    RuleTableKind::Sender, RuleTableKind::Header};

// Hands every rule cell to `take`, each after its length, so that no two different tables give
// the same sequence.
template <class Take>
void VisitCells(const RuleTable& table, Take&& take) {
    const int hitColumn = table.layout().hitColumn;
    const auto takeSize = [&take](size_t size) {
        const auto bytes = static_cast<std::uint32_t>(size);
        take(std::string_view(reinterpret_cast<const char*>(&bytes), sizeof bytes));
    };
    takeSize(static_cast<size_t>(table.rowCount()));
    for (int r = 1; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c) {
            if (c == hitColumn) continue;
            const std::string& cell = table.cell(c, r);
            takeSize(cell.size());
            take(cell);
        }
    }
}

}  // namespace

RuleTests::RuleTests(const SpamSettings& settings)
    : exceptions(settings.table(RuleTableKind::Exceptions)),
      subjects(settings.table(RuleTableKind::Subject)),
      senders(settings.table(RuleTableKind::Sender)),
      headers(settings.table(RuleTableKind::Header)) {}

bool RuleTestCache::Unchanged(const SpamSettings& settings) const {
    std::string_view rest = key_;
    bool same = true;
    for (RuleTableKind kind : kKinds) {
        VisitCells(settings.table(kind), [&](std::string_view piece) {
            same = same && rest.substr(0, piece.size()) == piece;
            rest.remove_prefix(std::min(piece.size(), rest.size()));
        });
    }
    return same && rest.empty();
}

const RuleTests& RuleTestCache::Current(const SpamSettings& settings) {
    if (tests_ && Unchanged(settings)) return *tests_;
    tests_ = std::make_unique<RuleTests>(settings);
    key_.clear();
    for (RuleTableKind kind : kKinds) {
        VisitCells(settings.table(kind), [this](std::string_view piece) { key_.append(piece); });
    }
    return *tests_;
}

}  // namespace kelvane

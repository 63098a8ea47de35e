#include "RuleValueIndex.h"

namespace kelvane {

IndexUse IndexUseOf(const TextMatch& match) {
    if (!match.op()) return IndexUse::Never;
    const MatchOperator op = *match.op();
    if (!OperatorTakesValue(op)) return IndexUse::Always;
    if (!match.foldedValue().empty()) return IndexUse::Value;
    // Nothing holds an empty value.
    const bool substring = op == MatchOperator::Contains || op == MatchOperator::ContainsWholeWord;
    return substring ? IndexUse::Never : IndexUse::Always;
}

void RuleValueIndex::Add(int position, const TextMatch& match) {
    empty_ = false;
    switch (IndexUseOf(match)) {
        case IndexUse::Never:
            return;
        case IndexUse::Always:
            always_.push_back(position);
            return;
        case IndexUse::Value:
            break;
    }
    const MatchOperator op = *match.op();
    const std::string& value = match.foldedValue();
    if (op == MatchOperator::Contains || op == MatchOperator::ContainsWholeWord) {
        const auto pattern = static_cast<size_t>(contained_.Add(value));
        if (pattern >= positionsOf_.size()) positionsOf_.resize(pattern + 1);
        positionsOf_[pattern].push_back(position);
    } else if (op == MatchOperator::Equals) {
        equal_.Add(value, position);
    } else if (op == MatchOperator::StartsWith) {
        prefix_.Add(value, position);
    } else {
        suffix_.Add(value, position);
    }
}

void RuleValueIndex::Collect(std::string_view folded, CandidateRows& rows) const {
    rows.Add(always_);
    const auto add = [&rows](int position) { rows.Add(position); };
    contained_.Scan(folded,
                    [&](int pattern) { rows.Add(positionsOf_[static_cast<size_t>(pattern)]); });
    equal_.Equal(folded, add);
    prefix_.Prefixes(folded, add);
    suffix_.Suffixes(folded, add);
}

}  // namespace kelvane

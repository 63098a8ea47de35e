#include "HeaderLineIndex.h"

#include "RuleValueIndex.h"

namespace kelvane {

HeaderLineIndex::HeaderLineIndex(const HeaderRuleTest& headers, const ExceptionTest& exceptions) {
    for (size_t i = 0; i < headers.rules().size(); ++i) {
        const HeaderRuleTest::Rule& rule = headers.rules()[i];
        if (rule.kind == HeaderRuleTest::Kind::Ordinary) {
            Add(header_, static_cast<int>(i), rule.match);
        }
    }
    for (size_t i = 0; i < exceptions.rules().size(); ++i) {
        const ExceptionTest::Rule& rule = exceptions.rules()[i];
        if (rule.kind == ExceptionTest::Kind::AnyHeader) {
            Add(anyHeader_, static_cast<int>(i), rule.match);
        }
    }
    values_.Build();
    header_.positionsOf.resize(static_cast<size_t>(values_.patternCount()));
    anyHeader_.positionsOf.resize(static_cast<size_t>(values_.patternCount()));
}

void HeaderLineIndex::Add(Rules& rules, int position, const TextMatch& match) {
    rules.empty = false;
    switch (IndexUseOf(match)) {
        case IndexUse::Never:
            return;
        case IndexUse::Always:
            rules.always.push_back(position);
            return;
        case IndexUse::Value:
            break;
    }
    const auto pattern = static_cast<size_t>(values_.Add(match.foldedValue()));
    if (pattern >= rules.positionsOf.size()) rules.positionsOf.resize(pattern + 1);
    rules.positionsOf[pattern].push_back(position);
}

void HeaderLineIndex::CollectHeaderRules(MessageTexts& message, CandidateRows& rows) const {
    Collect(header_, message, rows);
}

void HeaderLineIndex::CollectAnyHeaderRules(MessageTexts& message, CandidateRows& rows) const {
    Collect(anyHeader_, message, rows);
}

void HeaderLineIndex::Collect(const Rules& rules, MessageTexts& message,
                              CandidateRows& rows) const {
    rows.Add(rules.always);
    for (const int pattern : message.BlockPatterns(values_)) {
        rows.Add(rules.positionsOf[static_cast<size_t>(pattern)]);
    }
}

}  // namespace kelvane

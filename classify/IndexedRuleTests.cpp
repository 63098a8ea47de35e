#include "IndexedRuleTests.h"

namespace kelvane {
namespace {

// Tests the candidates in table order with `testRule`, which is true when the scan ends.
template <class TestRule>
RuleScanResult TestCandidates(CandidateRows& candidates, TestRule&& testRule) {
    RuleScanResult result;
    for (int position = candidates.Next(); position >= 0; position = candidates.Next()) {
        if (testRule(static_cast<size_t>(position), result)) break;
    }
    return result;
}

}  // namespace

IndexedSubjectTest::IndexedSubjectTest(const SubjectRuleTest& test) : test_(test) {
    for (size_t i = 0; i < test.rules().size(); ++i) {
        subject_.Add(static_cast<int>(i), test.rules()[i].match);
    }
    subject_.Build();
}

RuleScanResult IndexedSubjectTest::Run(const MessageTexts& message, RuleTable& table,
                                       ReasonLog& log) const {
    CandidateRows candidates;
    subject_.Collect(message.subject().folded, candidates);
    return TestCandidates(candidates, [&](size_t position, RuleScanResult& result) {
        return test_.TestRule(position, message, table, log, result);
    });
}

IndexedSenderTest::IndexedSenderTest(const SenderRuleTest& test) : test_(test) {
    for (size_t i = 0; i < test.rules().size(); ++i) {
        const SenderRuleTest::Rule& rule = test.rules()[i];
        const int position = static_cast<int>(i);
        if (rule.match.op() && !OperatorTakesValue(*rule.match.op())) {
            always_.push_back(position);
        } else {
            (rule.domainKind ? domain_ : address_).Add(position, rule.match);
        }
    }
    domain_.Build();
    address_.Build();
}

RuleScanResult IndexedSenderTest::Run(MessageTexts& message, RuleTable& table,
                                      ReasonLog& log) const {
    CandidateRows candidates;
    candidates.Add(always_);
    // Any operator with a value sees the same part of the address.
    constexpr MatchOperator kWithValue = MatchOperator::Contains;
    if (!domain_.empty()) domain_.Collect(message.senderPart(true, kWithValue).folded, candidates);
    if (!address_.empty()) {
        address_.Collect(message.senderPart(false, kWithValue).folded, candidates);
    }
    return TestCandidates(candidates, [&](size_t position, RuleScanResult& result) {
        return test_.TestRule(position, message, table, log, result);
    });
}

IndexedHeaderTest::IndexedHeaderTest(const HeaderRuleTest& test, const HeaderLineIndex& lines)
    : test_(test), lines_(lines) {
    for (size_t i = 0; i < test.rules().size(); ++i) {
        if (test.rules()[i].kind != HeaderRuleTest::Kind::Ordinary) {
            special_.push_back(static_cast<int>(i));
        }
    }
}

RuleScanResult IndexedHeaderTest::Run(MessageTexts& message, int mailbox, RuleTable& table,
                                      ReasonLog& log) const {
    CandidateRows candidates;
    candidates.Add(special_);
    if (lines_.HasHeaderRules()) lines_.CollectHeaderRules(message, candidates);
    return TestCandidates(candidates, [&](size_t position, RuleScanResult& result) {
        return test_.TestRule(position, message, mailbox, table, log, result);
    });
}

}  // namespace kelvane

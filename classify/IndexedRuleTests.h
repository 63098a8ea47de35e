#pragma once

#include "HeaderLineIndex.h"
#include "HeaderRuleTest.h"
#include "RuleValueIndex.h"
#include "SenderRuleTest.h"
#include "SubjectRuleTest.h"

namespace kelvane {

// The subject, sender and header rules with their values indexed: a pass tests only the rules
// the indexes name for a message, in table order, with the rule tests' own TestRule, so that it
// gives what their Run gives (marks, hits and reasons) at a cost that hardly grows with the
// number of rules. Each refers to the test it was made from, which must outlive it.

class IndexedSubjectTest {
  public:
    explicit IndexedSubjectTest(const SubjectRuleTest& test);
    RuleScanResult Run(const MessageTexts& message, RuleTable& table, ReasonLog& log) const;

  private:
    const SubjectRuleTest& test_;
    RuleValueIndex subject_;
};

class IndexedSenderTest {
  public:
    explicit IndexedSenderTest(const SenderRuleTest& test);
    RuleScanResult Run(MessageTexts& message, RuleTable& table, ReasonLog& log) const;

  private:
    const SenderRuleTest& test_;
    // The two parts of the address that rules with a value test.
    RuleValueIndex domain_;
    RuleValueIndex address_;
    std::vector<int> always_;  // rules that look at the user part, without a value
};

class IndexedHeaderTest {
  public:
    IndexedHeaderTest(const HeaderRuleTest& test, const HeaderLineIndex& lines);
    RuleScanResult Run(MessageTexts& message, int mailbox, RuleTable& table, ReasonLog& log) const;

  private:
    const HeaderRuleTest& test_;
    const HeaderLineIndex& lines_;
    std::vector<int> special_;  // the rules that compare the sender with To and Reply-To
};

}  // namespace kelvane

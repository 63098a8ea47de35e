#pragma once

#include <memory>
#include <string>

#include "ExceptionTest.h"
#include "HeaderRuleTest.h"
#include "SenderRuleTest.h"
#include "SubjectRuleTest.h"

namespace kelvane {

class SpamSettings;

// The four rule tables read into their tests.
struct RuleTests {
    explicit RuleTests(const SpamSettings& settings);

    ExceptionTest exceptions;
    SubjectRuleTest subjects;
    SenderRuleTest senders;
    HeaderRuleTest headers;
};

// Keeps the rule tests between passes and reads the tables again only when a rule changed:
// rows are classified one by one as they arrive, and reading a thousand rules for each would
// cost more than testing them. Hit counts change on every match and are not rules.
class RuleTestCache {
  public:
    const RuleTests& Current(const SpamSettings& settings);

  private:
    bool Unchanged(const SpamSettings& settings) const;

    std::unique_ptr<RuleTests> tests_;
    std::string key_;  // every rule cell the tests were read from
};

}  // namespace kelvane

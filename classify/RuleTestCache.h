#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "ExceptionTest.h"
#include "HeaderRuleTest.h"
#include "IndexedExceptionTest.h"
#include "IndexedRuleTests.h"
#include "SenderRuleTest.h"
#include "SubjectRuleTest.h"

namespace kelvane {

class SpamSettings;

// The four rule tables read into their tests, and the tests with their values indexed, which
// refer to them.
struct RuleTests {
    explicit RuleTests(const SpamSettings& settings);
    RuleTests(const RuleTests&) = delete;
    RuleTests& operator=(const RuleTests&) = delete;

    ExceptionTest exceptions;
    SubjectRuleTest subjects;
    SenderRuleTest senders;
    HeaderRuleTest headers;

    HeaderLineIndex headerLines{headers, exceptions};
    IndexedExceptionTest indexedExceptions{exceptions, headerLines};
    IndexedSubjectTest indexedSubjects{subjects};
    IndexedSenderTest indexedSenders{senders};
    IndexedHeaderTest indexedHeaders{headers, headerLines};
};

// Keeps the rule tests between passes and reads the tables again only when a rule changed:
// rows are classified one by one as they arrive, and reading a thousand rules for each would
// cost more than testing them. Each table's rule stamp tells, whatever the number of rules; hit
// counts change on every match and are not rules.
class RuleTestCache {
  public:
    const RuleTests& Current(const SpamSettings& settings);

  private:
    using Stamps = std::array<std::uint64_t, 4>;
    static Stamps StampsOf(const SpamSettings& settings);

    std::unique_ptr<RuleTests> tests_;
    Stamps stamps_{};  // of the tables the tests were read from
};

}  // namespace kelvane

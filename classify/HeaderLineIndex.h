#pragma once

#include <vector>

#include "CandidateRows.h"
#include "ExceptionTest.h"
#include "HeaderRuleTest.h"
#include "MessageTexts.h"
#include "MultiPatternMatcher.h"

namespace kelvane {

// The values of every rule that tests header lines, the header table's and the exceptions' "Any
// Header" rules, in one matcher, so that a message's header block is scanned once for both. A
// line that contains, equals, starts or ends with a value lies inside the block, so the block
// holds the value: the rules whose value the block's upper-case form holds are all that may match
// a line. Refers to the two tests, which must outlive it.
class HeaderLineIndex {
  public:
    HeaderLineIndex(const HeaderRuleTest& headers, const ExceptionTest& exceptions);

    bool HasHeaderRules() const { return !header_.empty; }
    bool HasAnyHeaderRules() const { return !anyHeader_.empty; }
    // Adds the positions of the header table's rules that may match a line of the message.
    void CollectHeaderRules(MessageTexts& message, CandidateRows& rows) const;
    // Adds the positions of the exceptions' "Any Header" rules that may match a line.
    void CollectAnyHeaderRules(MessageTexts& message, CandidateRows& rows) const;

  private:
    // One table's rules in the matcher.
    struct Rules {
        bool empty = true;
        std::vector<std::vector<int>> positionsOf;  // per pattern
        std::vector<int> always;                    // rules no value tells apart
    };

    void Add(Rules& rules, int position, const TextMatch& match);
    void Collect(const Rules& rules, MessageTexts& message, CandidateRows& rows) const;

    MultiPatternMatcher values_;
    Rules header_;
    Rules anyHeader_;
};

}  // namespace kelvane

#pragma once

#include <string_view>
#include <vector>

#include "AffixIndex.h"
#include "CandidateRows.h"
#include "MultiPatternMatcher.h"
#include "TextMatch.h"

namespace kelvane {

// What an index can tell about a rule from its value: that it never matches (no operator, or
// nothing to look for), that no value tells the texts it matches apart (operators without one,
// and an empty value that every text equals, starts and ends with), or that it matches only
// texts that hold its value.
enum class IndexUse { Never, Always, Value };
IndexUse IndexUseOf(const TextMatch& match);

// The rules of one table that test one text of a message, indexed by their values so that the
// rules that may match a text are found without testing each rule. The index answers for the
// upper-case form of the text: whatever matches the text, with or without case, matches there
// too, so it never leaves out a rule that matches and the rule's own test decides.
class RuleValueIndex {
  public:
    // The rule at `position` of its table tests this text with `match`.
    void Add(int position, const TextMatch& match);
    // Call after the last Add.
    void Build() { contained_.Build(); }
    bool empty() const { return empty_; }

    // Adds the position of every rule that may match the text whose upper-case form is `folded`.
    void Collect(std::string_view folded, CandidateRows& rows) const;

  private:
    bool empty_ = true;
    MultiPatternMatcher contained_;
    std::vector<std::vector<int>> positionsOf_;  // per pattern of contained_
    AffixIndex equal_;
    AffixIndex prefix_;
    AffixIndex suffix_;
    std::vector<int> always_;  // rules no value tells apart: tested on every text
};

}  // namespace kelvane

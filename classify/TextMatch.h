#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "MatchOperator.h"

namespace kelvane {

// A text together with its ASCII upper-case form, so that many rules can test it without
// folding it again.
struct FoldedText {
    std::string_view text;
    std::string_view folded;
};

// The stored operator name as an operator when it is one of the first `highestPosition` + 1
// operators, which are all that a rule kind may use; nothing otherwise.
std::optional<MatchOperator> OperatorUpTo(std::string_view storedName, int highestPosition);

// One rule's operator and value, made ready to test many texts: the value is folded once. Gives
// the same answers as EvaluateOperator.
class TextMatch {
  public:
    TextMatch(std::optional<MatchOperator> op, std::string value, bool caseSensitive);

    bool Matches(FoldedText text) const;
    // False only when no part of `block` can match, so a caller may skip testing its lines.
    bool MayMatchWithin(FoldedText block) const;

    const std::optional<MatchOperator>& op() const { return op_; }
    const std::string& value() const { return value_; }
    const std::string& foldedValue() const { return foldedValue_; }
    bool caseSensitive() const { return caseSensitive_; }

  private:
    bool NeedsSubstring() const;
    bool ValueIsPartOfMatch() const;

    std::optional<MatchOperator> op_;
    std::string value_;
    std::string foldedValue_;
    bool caseSensitive_;
};

}  // namespace kelvane

#include "TextMatch.h"

#include <string.h>

namespace kelvane {
namespace {

// glibc's memmem skips ahead far better than a search led by the first character, which
// matters when one header block is searched for hundreds of rule values.
bool Holds(std::string_view text, std::string_view part) {
    return ::memmem(text.data(), text.size(), part.data(), part.size()) != nullptr;
}

}  // namespace

std::optional<MatchOperator> OperatorUpTo(std::string_view storedName, int highestPosition) {
    const std::optional<MatchOperator> op = OperatorFromStoredName(storedName);
    if (!op || OperatorPosition(*op) > highestPosition) return std::nullopt;
    return op;
}

TextMatch::TextMatch(std::optional<MatchOperator> op, std::string value, bool caseSensitive)
    : op_(op),
      value_(std::move(value)),
      foldedValue_(UpperAscii(value_)),
      caseSensitive_(caseSensitive) {}

bool TextMatch::NeedsSubstring() const {
    return op_ == MatchOperator::Contains || op_ == MatchOperator::ContainsWholeWord;
}

bool TextMatch::ValueIsPartOfMatch() const {
    return op_ && OperatorTakesValue(*op_) && !value_.empty();
}

bool TextMatch::Matches(FoldedText text) const {
    if (!op_) return false;
    // Operators without a value look at the text as it is and ignore the case flag.
    if (!OperatorTakesValue(*op_)) return EvaluateOperator(op_, text.text, {}, false);
    const std::string_view tested = caseSensitive_ ? text.text : text.folded;
    const std::string_view value = caseSensitive_ ? value_ : foldedValue_;
    // A whole word is always a substring too; checking that first spares the word split.
    if (NeedsSubstring() && (value.empty() || !Holds(tested, value))) return false;
    return EvaluateOperator(op_, tested, value, true);
}

bool TextMatch::MayMatchWithin(FoldedText block) const {
    if (!op_) return false;
    if (NeedsSubstring() && value_.empty()) return false;
    // A text that contains, equals, starts or ends with a value holds it.
    if (!ValueIsPartOfMatch()) return true;
    return Holds(caseSensitive_ ? block.text : block.folded,
                 caseSensitive_ ? value_ : foldedValue_);
}

}  // namespace kelvane

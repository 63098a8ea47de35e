#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// The comparisons a rule can name. The order is the order the rule dialogs list them in.
enum class MatchOperator {
    Contains,
    ContainsWholeWord,
    Equals,
    StartsWith,
    EndsWith,
    IsBlank,
    IsUppercase,
    AllNumeric,
    HalfNumeric,
    FirstCharNumeric,
};

inline constexpr int kMatchOperatorCount = 10;

// Sender rule kinds, as stored in a sender rule's "What" cell.
inline constexpr std::string_view kSenderKindAddress = "E-mail address";
inline constexpr std::string_view kSenderKindDomain = "Domain name";

// Name conversions. A text that is no stored name (compared exactly) gives no operator, and a
// missing operator never matches anything.
std::optional<MatchOperator> OperatorFromStoredName(std::string_view storedName);
std::string_view StoredName(MatchOperator op);
std::string_view ShownName(MatchOperator op);
std::optional<MatchOperator> OperatorAtPosition(int position);
int OperatorPosition(MatchOperator op);
// Whether a rule with this operator carries a value (and a case flag).
bool OperatorTakesValue(MatchOperator op);

// True when `text` satisfies the rule. `value` and `caseSensitive` matter only to operators
// that take a value.
bool EvaluateOperator(std::optional<MatchOperator> op, std::string_view text,
                      std::string_view value, bool caseSensitive);

// The test behind "Contains (whole word)".
bool WholeWordCheck(std::string_view text, std::string_view word, bool caseSensitive);

// True for an empty text or one made only of blanks, CR, LF and backspace (not tab).
bool IsBlankText(std::string_view text);

// The part of a sender address that a sender rule of `kind` tests with `op`.
std::string SenderTestText(std::string_view address, std::string_view kind,
                           std::optional<MatchOperator> op);

// ASCII-only upper case: bytes other than a-z are left as they are.
std::string UpperAscii(std::string_view text);

}  // namespace kelvane

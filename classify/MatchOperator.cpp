#include "MatchOperator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "LetterCase.h"

namespace kelvane {
namespace {

struct OperatorNames {
    std::string_view shown;
    std::string_view stored;
};

constexpr std::array<OperatorNames, kMatchOperatorCount> kNames{{
    {"Contains", "Contains"},
    {"Contains (whole word)", "Contains (whole word)"},
    {"Equals (exact match)", "Equals"},
    {"Starts with", "Starts with"},
    {"Ends with", "Ends with"},
    {"Is blank or empty", "Is blank"},
    {"Is all UPPERCASE", "Is UPPERCASE"},
    {"Is ALL numeric", "All numeric"},
    {"Is at least 1/2 numeric", "50% numeric"},
    {"Starts with a number", "First char numeric"},
}};

constexpr std::string_view kWordDelimiters = "\t'\r\n ,./?;:`\"<>[]{}-=\\+|()%@&^$#!~*";

// Longest tail that "Ends with" compares: longer values never match.
constexpr size_t kEndsWithLimit = 255;
constexpr size_t kDomainLimit = 255;

// Eight bytes upper-cased at once: a byte is a lower-case letter when its low seven bits are
// from 'a' to 'z' and its top bit is clear, and clearing 0x20 makes it upper case.
std::uint64_t UpperAsciiBytes(std::uint64_t bytes) {
    constexpr std::uint64_t kEach = 0x0101010101010101;
    constexpr std::uint64_t kTopBits = 0x80 * kEach;
    const std::uint64_t low7 = bytes & ~kTopBits;
    const std::uint64_t fromA = low7 + (0x80 - 'a') * kEach;
    const std::uint64_t pastZ = low7 + (0x80 - 'z' - 1) * kEach;
    const std::uint64_t lower = fromA & ~pastZ & ~bytes & kTopBits;
    return bytes ^ (lower >> 2);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsNumericChar(char c) {
    return IsDigit(c) || c == '_';
}
bool IsBlankChar(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\b';
}

size_t CountNumeric(std::string_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), IsNumericChar));
}

bool Contains(std::string_view text, std::string_view value) {
    return !value.empty() && !text.empty() && text.find(value) != std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view value) {
    return text.substr(0, value.size()) == value;
}

bool EndsWith(std::string_view text, std::string_view value) {
    if (value.size() > text.size()) return false;
    return text.substr(text.size() - value.size(), kEndsWithLimit) == value;
}

// Digits, signs and letters without case (Hebrew, Chinese) leave a text upper-case, so a
// non-blank text with no cased letter at all counts as upper-case.
bool IsUppercase(std::string_view text) {
    if (IsBlankText(text)) return false;
    return !HoldsLowerCaseLetter(text);
}

bool CompareValue(MatchOperator op, std::string_view text, std::string_view value) {
    switch (op) {
        case MatchOperator::Contains:
            return Contains(text, value);
        case MatchOperator::ContainsWholeWord:
            return WholeWordCheck(text, value, true);
        case MatchOperator::Equals:
            return text == value;
        case MatchOperator::StartsWith:
            return StartsWith(text, value);
        case MatchOperator::EndsWith:
            return EndsWith(text, value);
        default:
            return false;
    }
}

}  // namespace

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= out.size(); i += sizeof(std::uint64_t)) {
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, out.data() + i, sizeof bytes);
        bytes = UpperAsciiBytes(bytes);
        std::memcpy(out.data() + i, &bytes, sizeof bytes);
    }
    for (; i < out.size(); ++i) {
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
    return out;
}

std::optional<MatchOperator> OperatorFromStoredName(std::string_view storedName) {
    for (int i = 0; i < kMatchOperatorCount; ++i) {
        if (kNames[static_cast<size_t>(i)].stored == storedName)
            return static_cast<MatchOperator>(i);
    }
    return std::nullopt;
}

std::string_view StoredName(MatchOperator op) {
    return kNames[static_cast<size_t>(op)].stored;
}

std::string_view ShownName(MatchOperator op) {
    return kNames[static_cast<size_t>(op)].shown;
}

std::optional<MatchOperator> OperatorAtPosition(int position) {
    if (position < 0 || position >= kMatchOperatorCount) return std::nullopt;
    return static_cast<MatchOperator>(position);
}

int OperatorPosition(MatchOperator op) {
    return static_cast<int>(op);
}

bool OperatorTakesValue(MatchOperator op) {
    return OperatorPosition(op) <= 4;
}

bool IsBlankText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsBlankChar);
}

bool WholeWordCheck(std::string_view text, std::string_view word, bool caseSensitive) {
    if (IsBlankText(text) || IsBlankText(word)) return false;
    std::string haystack = caseSensitive ? std::string(text) : UpperAscii(text);
    const std::string needle = caseSensitive ? std::string(word) : UpperAscii(word);
    if (haystack.find(needle) == std::string::npos) return false;
    // A word holding a delimiter can never equal a token, so it never matches.
    size_t start = 0;
    for (size_t i = 0; i <= haystack.size(); ++i) {
        if (i < haystack.size() && kWordDelimiters.find(haystack[i]) == std::string_view::npos) {
            continue;
        }
        if (i > start && std::string_view(haystack).substr(start, i - start) == needle) return true;
        start = i + 1;
    }
    return false;
}

bool EvaluateOperator(std::optional<MatchOperator> op, std::string_view text,
                      std::string_view value, bool caseSensitive) {
    if (!op) return false;
    switch (*op) {
        case MatchOperator::IsBlank:
            return IsBlankText(text);
        case MatchOperator::IsUppercase:
            return IsUppercase(text);
        case MatchOperator::AllNumeric:
            return CountNumeric(text) == text.size();
        case MatchOperator::HalfNumeric:
            return CountNumeric(text) >= text.size() / 2;
        case MatchOperator::FirstCharNumeric:
            return !text.empty() && IsDigit(text.front());
        default:
            break;
    }
    if (caseSensitive) return CompareValue(*op, text, value);
    return CompareValue(*op, UpperAscii(text), UpperAscii(value));
}

std::string SenderTestText(std::string_view address, std::string_view kind,
                           std::optional<MatchOperator> op) {
    const auto at = address.find('@');
    if (at == std::string_view::npos) return std::string(address);
    if (kind == kSenderKindDomain) return std::string(address.substr(at + 1, kDomainLimit));
    const bool userPartOperator = op && OperatorPosition(*op) >= 6;
    if (kind == kSenderKindAddress && userPartOperator) return std::string(address.substr(0, at));
    return std::string(address);
}

}  // namespace kelvane

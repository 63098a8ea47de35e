#include "MatchOperator.h"

#include <gtest/gtest.h>

#include "CaseName.h"
#include "TextMatch.h"

namespace kelvane {
namespace {

struct OperatorCase {
    const char* name;
    const char* op;  // stored name
    std::string text;
    std::string value;
    bool caseSensitive;
    bool expected;
};

void PrintTo(const OperatorCase& c, std::ostream* os) {
    *os << c.name;
}

class EvaluateOperatorTest : public ::testing::TestWithParam<OperatorCase> {};

TEST_P(EvaluateOperatorTest, GivesExpectedResult) {
    const OperatorCase& c = GetParam();
    EXPECT_EQ(EvaluateOperator(OperatorFromStoredName(c.op), c.text, c.value, c.caseSensitive),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Operators, EvaluateOperatorTest,
    ::testing::Values(
        OperatorCase{"contains-folded", "Contains", "Get FREE stuff", "free", false, true},
        OperatorCase{"contains-case-sensitive", "Contains", "Get FREE stuff", "free", true, false},
        OperatorCase{"contains-empty-value", "Contains", "anything", "", false, false},
        OperatorCase{"contains-empty-text", "Contains", "", "a", false, false},
        OperatorCase{"contains-high-bytes-not-folded", "Contains", "\xC9t\xC9", "\xE9", false,
                     false},
        OperatorCase{"whole-word-bang", "Contains (whole word)", "Get FREE stuff!", "free", false,
                     true},
        OperatorCase{"whole-word-hyphen", "Contains (whole word)", "free-for-all", "free", false,
                     true},
        OperatorCase{"whole-word-prefix", "Contains (whole word)", "freedom", "free", false, false},
        OperatorCase{"whole-word-underscore", "Contains (whole word)", "free_stuff", "free", false,
                     false},
        OperatorCase{"whole-word-with-blank", "Contains (whole word)", "free money", "free money",
                     false, false},
        OperatorCase{"whole-word-second-token", "Contains (whole word)", "freedom, free", "free",
                     false, true},
        OperatorCase{"whole-word-high-byte-is-letter", "Contains (whole word)", "free\xE9", "free",
                     false, false},
        OperatorCase{"whole-word-case-sensitive", "Contains (whole word)", "Get FREE", "free", true,
                     false},
        OperatorCase{"equals-empty-both", "Equals", "", "", false, true},
        OperatorCase{"equals-empty-value", "Equals", "x", "", false, false},
        OperatorCase{"equals-folded", "Equals", "Hello", "HELLO", false, true},
        OperatorCase{"equals-case-sensitive", "Equals", "Hello", "HELLO", true, false},
        OperatorCase{"starts-empty-value", "Starts with", "abc", "", true, true},
        OperatorCase{"starts-match", "Starts with", "Re: offer", "re:", false, true},
        OperatorCase{"starts-value-longer", "Starts with", "ab", "abc", false, false},
        OperatorCase{"ends-empty-value", "Ends with", "abc", "", true, true},
        OperatorCase{"ends-match", "Ends with", "cheap pills", "PILLS", false, true},
        OperatorCase{"ends-value-longer", "Ends with", "ls", "pills", false, false},
        OperatorCase{"ends-value-over-255", "Ends with", std::string(300, 'a'),
                     std::string(256, 'a'), true, false},
        OperatorCase{"ends-value-255", "Ends with", std::string(300, 'a'), std::string(255, 'a'),
                     true, true},
        OperatorCase{"blank-empty", "Is blank", "", "", false, true},
        OperatorCase{"blank-spaces", "Is blank", "   ", "", false, true},
        OperatorCase{"blank-crlf-bs", "Is blank", "\r\n\b", "", false, true},
        OperatorCase{"blank-tab-is-not", "Is blank", "\t", "", false, false},
        OperatorCase{"upper-with-symbols", "Is UPPERCASE", "WIN $$$", "", false, true},
        OperatorCase{"upper-digits-only", "Is UPPERCASE", "12345", "", false, true},
        OperatorCase{"upper-mixed", "Is UPPERCASE", "Win", "", false, false},
        OperatorCase{"upper-empty", "Is UPPERCASE", "", "", false, false},
        OperatorCase{"upper-blank", "Is UPPERCASE", "   ", "", false, false},
        OperatorCase{"all-numeric-underscore", "All numeric", "12_3", "", false, true},
        OperatorCase{"all-numeric-empty", "All numeric", "", "", false, true},
        OperatorCase{"all-numeric-letter", "All numeric", "12a", "", false, false},
        OperatorCase{"half-numeric-5-of-7", "50% numeric", "432ab43", "", false, true},
        OperatorCase{"half-numeric-1-of-5", "50% numeric", "abcd1", "", false, false},
        OperatorCase{"half-numeric-underscore", "50% numeric", "ab_", "", false, true},
        OperatorCase{"half-numeric-2-of-5", "50% numeric", "ab1c2", "", false, true},
        OperatorCase{"half-numeric-empty", "50% numeric", "", "", false, true},
        OperatorCase{"first-char-digit", "First char numeric", "4abc", "", false, true},
        OperatorCase{"first-char-underscore", "First char numeric", "_4", "", false, false},
        OperatorCase{"first-char-empty", "First char numeric", "", "", false, false},
        OperatorCase{"unknown-operator", "Equals (exact match)", "x", "x", false, false},
        OperatorCase{"operator-name-case-matters", "contains", "x", "x", false, false}),
    testsupport::ParamName());

struct UppercaseCase {
    const char* name;
    std::string text;  // UTF-8, as decoded subjects are
    bool uppercase;
};

void PrintTo(const UppercaseCase& c, std::ostream* os) {
    *os << c.name;
}

class IsUppercaseTest : public ::testing::TestWithParam<UppercaseCase> {};

// The rule path tests the text as it is, never its ASCII-folded form.
TEST_P(IsUppercaseTest, LooksForLowerCaseLettersOfEveryAlphabet) {
    const UppercaseCase& c = GetParam();
    EXPECT_EQ(EvaluateOperator(MatchOperator::IsUppercase, c.text, "", false), c.uppercase);
    const TextMatch rule(MatchOperator::IsUppercase, "", false);
    const std::string folded = UpperAscii(c.text);
    EXPECT_EQ(rule.Matches({c.text, folded}), c.uppercase);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, IsUppercaseTest,
    ::testing::Values(
        UppercaseCase{"latin-upper", "FREE OFFER", true},
        UppercaseCase{"latin-one-lower", "FREE OFFEr", false},
        UppercaseCase{"latin-accented-upper", "CAF\u00C9 CR\u00C8ME", true},
        UppercaseCase{"latin-accented-lower", "CAF\u00E9", false},
        UppercaseCase{"cyrillic-lower", "\u043F\u0440\u0438\u0432\u0435\u0442", false},
        UppercaseCase{"cyrillic-upper", "\u041F\u0420\u0418\u0412\u0415\u0422!", true},
        UppercaseCase{"cyrillic-capitalised", "\u041F\u0440\u0438\u0432\u0435\u0442", false},
        UppercaseCase{"greek-lower", "\u03B3\u03B5\u03B9\u03B1 \u03C3\u03B1\u03C2", false},
        UppercaseCase{"greek-upper", "\u0393\u0395\u0399\u0391 \u03A3\u0391\u03A3", true},
        UppercaseCase{"greek-final-sigma-is-lower", "\u0393\u0395\u0399\u0391\u03C2", false},
        // Upper-case German keeps ß, which has no one-letter capital in common use.
        UppercaseCase{"german-sharp-s-in-upper-text", "GRO\u00DFE PREISE", true},
        UppercaseCase{"german-lower", "stra\u00DFe", false},
        UppercaseCase{"mixed-scripts-upper",
                      "SALE \u041F\u0420\u041E\u0414\u0410\u0416\u0410 "
                      "\u03A0\u03A9\u039B\u0397\u03A3\u0397",
                      true},
        UppercaseCase{"mixed-scripts-one-lower", "SALE \u041F\u0420\u041E\u0414\u0410\u0436",
                      false},
        UppercaseCase{"scripts-without-case", "\u05E9\u05DC\u05D5\u05DD \u4E2D\u6587", true},
        UppercaseCase{"digits-only", "2024", true},
        UppercaseCase{"digits-and-cyrillic-upper", "2024 \u0413\u041E\u0414", true},
        UppercaseCase{"digits-and-cyrillic-lower", "2024 \u0433\u043E\u0434", false},
        // Bytes that are not UTF-8 (such as Latin-1 text) are no letters; decoding goes on after.
        UppercaseCase{"latin1-bytes-around-upper", "\xC9T\xC9", true},
        UppercaseCase{"latin1-bytes-around-lower", "\xE9t\xE9", false},
        UppercaseCase{"overlong-encoding-of-a", "WIN \xC1\xA1", true},
        UppercaseCase{"encoded-surrogate", "WIN \xED\xB0\x80", true},
        UppercaseCase{"cut-off-at-the-end", "WIN \xD0", true},
        UppercaseCase{"lower-after-invalid-byte", "WIN \xFF\u0430", false},
        UppercaseCase{"blank", " \r\n", false}, UppercaseCase{"empty", "", false}),
    testsupport::ParamName());

TEST(MatchOperatorNames, ShownStoredAndPositionsRoundTrip) {
    const std::pair<const char*, const char*> expected[] = {
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
    };
    for (int position = 0; position < kMatchOperatorCount; ++position) {
        const auto op = OperatorAtPosition(position);
        ASSERT_TRUE(op.has_value());
        EXPECT_EQ(ShownName(*op), expected[position].first);
        EXPECT_EQ(StoredName(*op), expected[position].second);
        EXPECT_EQ(OperatorFromStoredName(expected[position].second), op);
        EXPECT_EQ(OperatorPosition(*op), position);
        EXPECT_EQ(OperatorTakesValue(*op), position <= 4);
    }
    EXPECT_FALSE(OperatorAtPosition(-1).has_value());
    EXPECT_FALSE(OperatorAtPosition(kMatchOperatorCount).has_value());
    EXPECT_FALSE(OperatorFromStoredName("Is blank or empty").has_value());
}

TEST(WholeWordCheck, EveryDelimiterSplitsWords) {
    const std::string delimiters = "\t'\r\n ,./?;:`\"<>[]{}-=\\+|()%@&^$#!~*";
    ASSERT_EQ(delimiters.size(), 35u);
    for (char d : delimiters) {
        EXPECT_TRUE(WholeWordCheck(std::string("x") + d + "free" + d + "y", "free", true))
            << "delimiter " << static_cast<int>(d);
    }
    EXPECT_FALSE(WholeWordCheck("save $5 now", "save $", false));
    EXPECT_FALSE(WholeWordCheck("   ", " ", false));
}

struct SenderCase {
    const char* name;
    const char* address;
    std::string_view kind;
    const char* op;
    const char* tested;
};

TEST(SenderTestText, PicksThePartTheRuleLooksAt) {
    const SenderCase cases[] = {
        {"domain-any-operator", "joe@mail.example", kSenderKindDomain, "Equals", "mail.example"},
        {"domain-numeric-operator", "joe@1.example", kSenderKindDomain, "All numeric", "1.example"},
        {"address-value-operator", "joe@mail.example", kSenderKindAddress, "Contains",
         "joe@mail.example"},
        {"address-blank-operator", "joe@mail.example", kSenderKindAddress, "Is blank",
         "joe@mail.example"},
        {"address-user-part", "4325154@mail.example", kSenderKindAddress, "All numeric", "4325154"},
        {"address-upper-user-part", "JOE@mail.example", kSenderKindAddress, "Is UPPERCASE", "JOE"},
        {"no-at-domain", "nobody", kSenderKindDomain, "Equals", "nobody"},
        {"no-at-address", "nobody", kSenderKindAddress, "All numeric", "nobody"},
        {"first-at-sign", "a@b@c", kSenderKindDomain, "Equals", "b@c"},
    };
    for (const SenderCase& c : cases) {
        EXPECT_EQ(SenderTestText(c.address, c.kind, OperatorFromStoredName(c.op)), c.tested)
            << c.name;
    }
    EXPECT_EQ(SenderTestText(std::string("a@") + std::string(300, 'd'), kSenderKindDomain,
                             MatchOperator::Equals)
                  .size(),
              255u);
}

TEST(SenderRules, EndToEndExamples) {
    const auto test = [](const char* address, std::string_view kind, const char* op,
                         const char* value) {
        const auto parsed = OperatorFromStoredName(op);
        return EvaluateOperator(parsed, SenderTestText(address, kind, parsed), value, false);
    };
    EXPECT_TRUE(test("432ab43@x.example", kSenderKindAddress, "50% numeric", ""));
    EXPECT_FALSE(test("abcd1@x.example", kSenderKindAddress, "50% numeric", ""));
    EXPECT_TRUE(test("4abc@x.example", kSenderKindAddress, "First char numeric", ""));
    EXPECT_FALSE(test("_4@x.example", kSenderKindAddress, "First char numeric", ""));
    EXPECT_TRUE(test("", kSenderKindAddress, "All numeric", ""));
    EXPECT_TRUE(test("", kSenderKindAddress, "Is blank", ""));
    EXPECT_TRUE(test("joe@MAIL.EXAMPLE", kSenderKindDomain, "Equals", "mail.example"));
}

}  // namespace
}  // namespace kelvane

#include "EncodedWords.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <string>

#include "MailErrors.h"

namespace kelvane {
namespace {

struct WordsCase {
    const char* name;
    std::string text;
    std::string expected;
};

class DecodeEncodedWordsTest : public testing::TestWithParam<WordsCase> {};

TEST_P(DecodeEncodedWordsTest, DecodesToExpectedText) {
    EXPECT_EQ(DecodeEncodedWords(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeEncodedWordsTest,
    testing::Values(
        WordsCase{"plain-text-unchanged", "Hello world", "Hello world"},
        WordsCase{"q-word-latin1", "=?ISO-8859-1?Q?Caf=E9_au_lait?=", "Caf\xC3\xA9 au lait"},
        WordsCase{"b-word-utf8", "=?UTF-8?B?Q2Fmw6k=?=", "Caf\xC3\xA9"},
        WordsCase{"lower-case-letters", "=?iso-8859-1?q?caf=e9?=", "caf\xC3\xA9"},
        WordsCase{"q-text-starting-with-escape", "=?ISO-8859-1?Q?=E9t=E9?=", "\xC3\xA9t\xC3\xA9"},
        WordsCase{"blank-before-plain-text-kept", "=?ISO-8859-1?Q?Hello?= world", "Hello world"},
        WordsCase{"blank-after-plain-text-kept", "Re: =?ISO-8859-1?Q?Caf=E9?=", "Re: Caf\xC3\xA9"},
        WordsCase{"adjacent-words-joined", "=?UTF-8?Q?Caf?= =?UTF-8?Q?=C3=A9?=", "Caf\xC3\xA9"},
        WordsCase{"folding-white-space-between-words-dropped",
                  "=?UTF-8?Q?a?=\r\n\t =?UTF-8?B?Yg==?=", "ab"},
        WordsCase{"text-between-words-kept", "=?UTF-8?Q?a?= - =?UTF-8?Q?b?=", "a - b"},
        WordsCase{"underscore-in-plain-text-kept", "a_b =?x?Q?c_d?=", "a_b c d"},
        WordsCase{"encoded-underscore-kept", "=?UTF-8?Q?a=5Fb?=", "a_b"},
        WordsCase{"underscore-in-b-word-kept", "=?UTF-8?B?YV9i?=", "a_b"},
        WordsCase{"unknown-charset-keeps-bytes", "=?x-unknown?Q?Caf=E9?=", "Caf\xE9"},
        WordsCase{"empty-charset-keeps-bytes",
                  "=?"
                  "?Q?Caf=E9?=",
                  "Caf\xE9"},
        WordsCase{"language-suffix-dropped", "=?ISO-8859-1*en?Q?Caf=E9?=", "Caf\xC3\xA9"},
        WordsCase{"windows-1252", "=?windows-1252?Q?=80_5?=", "\xE2\x82\xAC 5"},
        WordsCase{"unknown-letter-kept",
                  "=?UTF-8?X?abc?= and =?UTF-8?Q?d?=", "=?UTF-8?X?abc?= and d"},
        WordsCase{"malformed-word-kept", "=?abc?= x", "=?abc?= x"},
        WordsCase{"unclosed-word-cut", "Hello =?x", "Hello "},
        WordsCase{"unclosed-after-word-cut", "=?UTF-8?Q?a?= b =?UTF-8?Q?c", "a b "},
        WordsCase{"decoded-text-not-decoded-again",
                  "=?UTF-8?B?PT9VVEYtOD9RP2E/PQ==?=", "=?UTF-8?Q?a?="},
        WordsCase{"q-text-first-line-only", "=?UTF-8?Q?a=0D=0Ab?= c", "a c"},
        WordsCase{"empty-encoded-text",
                  "=?UTF-8?Q?"
                  "?=x",
                  "x"}),
    testsupport::ParamName());

TEST(DecodeEncodedWordsTest, BadBase64WordIsKeptAsItStands) {
    EXPECT_EQ(DecodeEncodedWords("=?UTF-8?B?ab c?="), "=?UTF-8?B?ab c?=");
    EXPECT_EQ(DecodeEncodedWords("x =?UTF-8?B?Q2Fm!?= y =?UTF-8?B?Q2Fm?="),
              "x =?UTF-8?B?Q2Fm!?= y Caf");
}

TEST(DecodeEncodedWordsTest, InputIsCutAt255Bytes) {
    EXPECT_EQ(DecodeEncodedWords(std::string(300, 'a')), std::string(255, 'a'));
    // The word's closing "?=" lies beyond the cut, so it never closes.
    EXPECT_EQ(DecodeEncodedWords(std::string(250, 'a') + "=?UTF-8?Q?b?="), std::string(250, 'a'));
}

TEST(DecodeEncodedWordsTest, OutputCutNeverSplitsUtf8) {
    // 177 Latin-1 bytes become 354 UTF-8 bytes; byte 255 lies inside the 128th character.
    std::string latin1 = "=?ISO-8859-1?B?";
    for (int i = 0; i < 59; ++i) latin1 += "6enp";  // three 0xE9 bytes each
    latin1 += "?=";
    std::string expected;
    for (int i = 0; i < 127; ++i) expected += "\xC3\xA9";
    EXPECT_EQ(DecodeEncodedWords(latin1), expected);

    // Three-byte characters after one ASCII byte: byte 255 lies inside the 85th.
    std::string euros = "x=?windows-1252?B?";
    for (int i = 0; i < 58; ++i) euros += "gICA";  // three 0x80 bytes each
    euros += "?=";
    std::string expectedEuros = "x";
    for (int i = 0; i < 84; ++i) expectedEuros += "\xE2\x82\xAC";
    EXPECT_EQ(DecodeEncodedWords(euros), expectedEuros);
}

struct QTextCase {
    const char* name;
    std::string text;
    std::string expected;
};

class DecodeQTextTest : public testing::TestWithParam<QTextCase> {};

TEST_P(DecodeQTextTest, DecodesOneLine) {
    EXPECT_EQ(DecodeQText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DecodeQTextTest,
                         testing::Values(QTextCase{"escape", "a=3Db", "a=b"},
                                         QTextCase{"underscore-left-alone", "a_b", "a_b"},
                                         QTextCase{"bad-escape-kept", "a=ZZ", "a=ZZ"},
                                         QTextCase{"trailing-equals-dropped", "abc=", "abc"},
                                         QTextCase{"first-line-only", "a=0Ab", "a"},
                                         QTextCase{"cut-at-255", std::string(300, 'q'),
                                                   std::string(255, 'q')}),
                         testsupport::ParamName());

}  // namespace
}  // namespace kelvane

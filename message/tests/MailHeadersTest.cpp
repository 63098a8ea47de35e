#include "MailHeaders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CaseName.h"

#include <algorithm>
#include <string>

#include "MailErrors.h"

namespace kelvane {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

struct SplitCase {
    const char* name;
    std::string block;
    TmsHeaders lines;
};

class SplitHeaderLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitHeaderLinesTest, OneEntryPerPhysicalLine) {
    EXPECT_EQ(SplitHeaderLines(GetParam().block), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, SplitHeaderLinesTest,
    ::testing::Values(SplitCase{"crlf", "To: a\r\nFrom: b\r\n", {"To: a", "From: b"}},
                      SplitCase{"lf", "To: a\nFrom: b\n", {"To: a", "From: b"}},
                      SplitCase{"lone-cr", "To: a\rFrom: b\r", {"To: a", "From: b"}},
                      SplitCase{"mixed", "A\r\nB\nC\rD", {"A", "B", "C", "D"}},
                      SplitCase{"final-line-without-end", "To: a\r\nFrom: b", {"To: a", "From: b"}},
                      SplitCase{"cr-cr-lf-is-two-line-ends", "A\r\r\nB", {"A", "", "B"}},
                      SplitCase{"lf-cr-is-two-line-ends", "A\n\rB", {"A", "", "B"}},
                      SplitCase{"blank-line-kept", "A\r\n\r\nbody\r\n", {"A", "", "body"}},
                      SplitCase{"empty-block", "", {}}, SplitCase{"only-a-line-end", "\r\n", {""}}),
    testsupport::ParamName());

// A header block with the traps lookups must avoid: a longer field name sharing the prefix, a
// folded field, duplicates, and a field name with a blank before its colon.
const TmsHeaders kBlock = {
    "Received: from first.example",
    "\tby relay.example",
    "Received: from second.example",
    "Subjects: not this one",
    "Subject : not this one either",
    "Subject: part one",
    "   part two   ",
    "\tpart three",
    "From: Ann <ann@example.org>",
    "X-Last: at the end",
};

struct LookupCase {
    const char* name;
    const char* field;
    std::string value;
};

class GetFieldValueInBlockTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(GetFieldValueInBlockTest, FindsFirstMatchingField) {
    EXPECT_EQ(GetFieldValue(kBlock, GetParam().field), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, GetFieldValueInBlockTest,
    ::testing::Values(LookupCase{"name-without-colon", "Subject", "part one part two part three"},
                      LookupCase{"lower-case-name-with-colon",
                                 "subject:", "part one part two part three"},
                      LookupCase{"longer-name-is-own-field", "Subjects", "not this one"},
                      LookupCase{"first-of-duplicates-with-its-fold", "Received",
                                 "from first.example by relay.example"},
                      LookupCase{"fold-ends-at-next-field", "From", "Ann <ann@example.org>"},
                      LookupCase{"field-on-last-line", "X-Last", "at the end"},
                      LookupCase{"absent-field", "Reply-To", ""}),
    testsupport::ParamName());

struct FieldCase {
    const char* name;
    TmsHeaders headers;
    const char* field;
    std::string value;
};

class GetFieldValueTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(GetFieldValueTest, ReadsValue) {
    EXPECT_EQ(GetFieldValue(GetParam().headers, GetParam().field), GetParam().value);
}

const std::string kLongUidl =
    std::string(150, 'u') + "=?utf-8?B?SGVsbG8=?=" + std::string(130, 'v');

INSTANTIATE_TEST_SUITE_P(
    Values, GetFieldValueTest,
    ::testing::Values(
        FieldCase{"empty-list", {}, "Subject", ""},
        FieldCase{"no-blank-after-colon", {"Subject:Hello"}, "Subject", "Hello"},
        FieldCase{"tab-after-colon", {"Subject:\tHello"}, "Subject", "Hello"},
        FieldCase{"extra-blanks-trimmed", {"Subject:   Hello  \t"}, "Subject", "Hello"},
        FieldCase{"empty-value", {"Subject:"}, "Subject", ""},
        FieldCase{"q-encoded-word",
                  {"Subject: =?UTF-8?Q?Caf=C3=A9_au_lait?="},
                  "Subject",
                  "Caf\xC3\xA9 au lait"},
        FieldCase{"b-encoded-word-in-fold",
                  {"Subject: Re:", " =?us-ascii?B?SGVsbG8=?="},
                  "Subject",
                  "Re: Hello"},
        FieldCase{"content-type-undecoded",
                  {"Content-Type: text/plain;", "\tname=\"=?utf-8?B?SGVsbG8=?=\""},
                  "content-type",
                  "text/plain; name=\"=?utf-8?B?SGVsbG8=?=\""},
        FieldCase{"long-uidl-whole-and-undecoded", {"X-UIDL: " + kLongUidl}, "X-UIDL:", kLongUidl}),
    testsupport::ParamName());

TEST(GetFieldValueLimitTest, CutsAt255BytesBeforeDecoding) {
    // Decoding first would turn the word into "Hello" and keep part of it within 255 bytes; the
    // cut comes first and leaves only the unfinished word, which the decoder drops.
    const std::string plain(250, 'a');
    const std::string value =
        GetFieldValue({"Subject: " + plain + " =?utf-8?B?SGVsbG8=?="}, "Subject");
    EXPECT_THAT(value, StartsWith(plain));
    EXPECT_THAT(value, Not(HasSubstr("Hel")));
    EXPECT_LE(value.size(), 255u);
}

TEST(GetFieldValueLimitTest, LongPlainValueKeeps255Bytes) {
    EXPECT_EQ(GetFieldValue({"Subject: " + std::string(300, 's')}, "Subject"),
              std::string(255, 's'));
}

TEST(GetFieldValueLimitTest, CutNeverSplitsUtf8Sequence) {
    // The two bytes of U+00E9 would sit at offsets 254 and 255.
    const std::string value =
        GetFieldValue({"Subject: " + std::string(254, 'a') + "\xC3\xA9tail"}, "Subject");
    EXPECT_EQ(value, std::string(254, 'a'));
}

TEST(GetFieldValueLimitTest, FoldedPiecesCountTowardsTheLimit) {
    const TmsHeaders headers = {"Subject: " + std::string(200, 'a'), " " + std::string(200, 'b')};
    EXPECT_EQ(GetFieldValue(headers, "Subject"),
              std::string(200, 'a') + " " + std::string(54, 'b'));
}

TEST(GetFieldValueErrorTest, BadBase64InEncodedWordLeavesTheWordAsItStands) {
    EXPECT_EQ(GetFieldValue({"Subject: =?utf-8?B?no*base64?= deal"}, "Subject"),
              "=?utf-8?B?no*base64?= deal");
}

struct RemoveCase {
    const char* name;
    TmsHeaders before;
    const char* field;
    TmsHeaders after;
};

class RemoveFieldTest : public ::testing::TestWithParam<RemoveCase> {};

TEST_P(RemoveFieldTest, DeletesFirstFieldWithItsFold) {
    TmsHeaders headers = GetParam().before;
    RemoveField(headers, GetParam().field);
    EXPECT_EQ(headers, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Removals, RemoveFieldTest,
    ::testing::Values(
        RemoveCase{"continuation-lines-go-too",
                   {"To: a", "Received: one", " two", "\tthree", "Subject: s"},
                   "received",
                   {"To: a", "Subject: s"}},
        RemoveCase{"only-first-of-duplicates",
                   {"Received: one", "Received: two", " fold"},
                   "Received:",
                   {"Received: two", " fold"}},
        RemoveCase{
            "longer-name-left-alone", {"Subjects: x", "Subject: y"}, "Subject", {"Subjects: x"}},
        RemoveCase{"field-at-end", {"To: a", "Subject: s", " more"}, "Subject", {"To: a"}},
        RemoveCase{"absent-field", {"To: a", " b"}, "Subject", {"To: a", " b"}},
        RemoveCase{"empty-list", {}, "Subject", {}}),
    testsupport::ParamName());

struct CutCase {
    const char* name;
    TmsHeaders before;
    TmsHeaders after;
};

class CutAtBodyTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutAtBodyTest, DropsBlankLineAndBody) {
    TmsHeaders headers = GetParam().before;
    CutAtBody(headers);
    EXPECT_EQ(headers, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, CutAtBodyTest,
    ::testing::Values(CutCase{"top-answer",
                              {"To: a", "Subject: s", "", "first body line", "."},
                              {"To: a", "Subject: s"}},
                      CutCase{"first-blank-line-wins", {"To: a", "", "b", "", "c"}, {"To: a"}},
                      CutCase{"blank-continuation-is-not-the-end",
                              {"Subject: s", " ", "To: a"},
                              {"Subject: s", " ", "To: a"}},
                      CutCase{"no-blank-line", {"To: a", "Subject: s"}, {"To: a", "Subject: s"}},
                      CutCase{"blank-first-line", {"", "body"}, {}}, CutCase{"empty-list", {}, {}}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

#include "DnsMessage.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "CaseName.h"
#include "DnsAnswers.h"
#include "ResolverErrors.h"
#include "ResolverOutcome.h"

namespace kelvane {
namespace {

using namespace dnsanswers;

template <class Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

const std::string kMalformed = ResolverError(0, kAnswerMalformed);

TEST(BuildMxQuery, HeaderAskingForRecursionThenTheNameInLabelsMxAndInternet) {
    const std::string header("\xBE\xEF\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 12);
    const std::string question(
        "\x02"
        "ab\x03"
        "cde\x00\x00\x0F\x00\x01",
        12);
    EXPECT_EQ(BuildMxQuery(0xBEEF, "ab.cde"), header + question);
    EXPECT_EQ(BuildMxQuery(0xBEEF, "ab.cde."), header + question) << "one trailing dot";
}

struct DomainCase {
    const char* name;
    std::string domain;
    bool valid;
};

class DomainNames : public ::testing::TestWithParam<DomainCase> {};

// A label holds at most 63 bytes and the name at most 255 in label form (253 as text).
TEST_P(DomainNames, OnlyNamesThatFitALabelFormAreAskedFor) {
    const DomainCase& c = GetParam();
    if (c.valid) {
        const std::string query = BuildMxQuery(1, c.domain);
        std::string text = c.domain;
        if (text.back() == '.') text.pop_back();
        EXPECT_EQ(query.substr(kQuestionOffset), Name(text) + U16(15) + U16(1));
        return;
    }
    EXPECT_EQ(Outcome([&] {
                  BuildMxQuery(1, c.domain);
                  return TMXList{};
              }),
              ResolverError(0, kInvalidDomainName));
}

const std::string kLabel63(63, 'a');
const std::string kName253 =
    kLabel63 + "." + kLabel63 + "." + kLabel63 + "." + std::string(61, 'b');

INSTANTIATE_TEST_SUITE_P(
    Cases, DomainNames,
    ::testing::Values(DomainCase{"one-label", "localhost", true},
                      DomainCase{"label-of-63", kLabel63 + ".cde", true},
                      DomainCase{"name-of-253", kName253, true},
                      DomainCase{"name-of-253-and-trailing-dot", kName253 + ".", true},
                      DomainCase{"any-bytes-in-a-label", "a b_c.de", true},
                      DomainCase{"empty", "", false}, DomainCase{"only-a-dot", ".", false},
                      DomainCase{"empty-label", "ab..cde", false},
                      DomainCase{"leading-dot", ".ab.cde", false},
                      DomainCase{"two-trailing-dots", "ab.cde..", false},
                      DomainCase{"label-of-64", "a" + kLabel63 + ".cde", false},
                      DomainCase{"name-of-254", "c" + kName253, false}),
    testsupport::ParamName());

struct AnswerCase {
    const char* name;
    std::function<std::string(const std::string& query)> answer;
    std::string outcome;
};

class ParseAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ParseAnswer, ReadsOnlyWhatTheAnswerHolds) {
    const std::string query = BuildMxQuery(0x2468, "ab.cde");
    // Exactly the answer's bytes, so that a read past them is a sanitizer error.
    const std::string answer = GetParam().answer(query);
    EXPECT_EQ(Outcome([&] { return ParseMxAnswer(answer, query); }), GetParam().outcome);
}

// The question of "ab.cde" sits at 12, the first record at 24 and its data at 36.
std::string Chained(const std::string& query, int records) {
    std::string answer = Reply(query, static_cast<std::uint16_t>(records));
    std::size_t previous = kQuestionOffset;
    for (int i = 0; i < records; ++i) {
        const std::size_t exchange = answer.size() + 14;
        answer += Mx(1, '\x3F' + std::string(63, 'x') + Pointer(static_cast<uint16_t>(previous)));
        previous = exchange;
    }
    return answer;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseAnswer,
    ::testing::Values(
        AnswerCase{"other-records-skipped",
                   [](const std::string& q) {
                       return Reply(q, 3) + Record(Pointer(12), 5, Name("alias.ab.cde")) +
                              Record(Pointer(12), 1, std::string("\x7F\0\0\x01", 4)) +
                              Mx(5, Name("mx.ab.cde"));
                   },
                   "ok: 5 mx.ab.cde."},
        AnswerCase{"question-name-in-other-case",
                   [](const std::string& q) {
                       return Header(IdOf(q), kAnswerFlags, 1) + Name("AB.cDe") + U16(15) + U16(1) +
                              Mx(5, Name("mx.ab.cde"));
                   },
                   "ok: 5 mx.ab.cde."},
        AnswerCase{"pointer-to-a-name-that-ends-in-a-pointer",
                   [](const std::string& q) {
                       return Reply(q, 2) + Mx(1, "\x03mx1" + Pointer(12)) +
                              Mx(2, "\x03mx2" + Pointer(38));
                   },
                   "ok: 1 mx1.ab.cde., 2 mx2.mx1.ab.cde."},
        AnswerCase{"root-exchange",
                   [](const std::string& q) { return Reply(q, 1) + Mx(0, std::string(1, '\0')); },
                   "ok: 0 "},
        AnswerCase{"truncated-keeps-complete-records",
                   [](const std::string& q) {
                       const std::string second = Mx(20, Name("mx2.ab.cde"));
                       return Reply(q, 2, kAnswerFlags | kTruncatedFlag) +
                              Mx(10, Name("mx1.ab.cde")) + second.substr(0, 9);
                   },
                   "ok: 10 mx1.ab.cde."},
        AnswerCase{"cut-record-without-truncated-flag",
                   [](const std::string& q) {
                       const std::string second = Mx(20, Name("mx2.ab.cde"));
                       return Reply(q, 2) + Mx(10, Name("mx1.ab.cde")) + second.substr(0, 9);
                   },
                   kMalformed},
        AnswerCase{"shorter-than-a-header",
                   [](const std::string& q) { return Reply(q, 0).substr(0, 11); }, kMalformed},
        AnswerCase{"forward-pointer",
                   [](const std::string& q) {
                       return Reply(q, 1) + Mx(1, Pointer(40)) + Name("mx.ab.cde");
                   },
                   kMalformed},
        AnswerCase{
            "label-type-of-later-standards",
            [](const std::string& q) { return Reply(q, 1) + Mx(1, "\x41" + Name("mx.ab.cde")); },
            kMalformed},
        AnswerCase{"name-of-200-bytes-through-pointers",
                   [](const std::string& q) { return Chained(q, 3); },
                   "ok: 1 " + std::string(63, 'x') + ".ab.cde., 1 " + std::string(63, 'x') + "." +
                       std::string(63, 'x') + ".ab.cde., 1 " + std::string(63, 'x') + "." +
                       std::string(63, 'x') + "." + std::string(63, 'x') + ".ab.cde."},
        AnswerCase{"name-over-255-bytes-through-pointers",
                   [](const std::string& q) { return Chained(q, 4); }, kMalformed},
        AnswerCase{"data-length-past-the-end",
                   [](const std::string& q) {
                       return Reply(q, 1) + Pointer(12) + U16(15) + U16(1) + U32(300) + U16(200) +
                              U16(10) + Name("mx.ab.cde");
                   },
                   kMalformed},
        AnswerCase{"exchange-runs-past-its-data-length",
                   [](const std::string& q) {
                       return Reply(q, 1) + Pointer(12) + U16(15) + U16(1) + U32(300) + U16(5) +
                              U16(10) + Name("mx.ab.cde");
                   },
                   kMalformed}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

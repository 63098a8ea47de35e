#include "MXDomainChecker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "CaseName.h"
#include "UdpFakeDns.h"

namespace kelvane {
namespace {

// The query turned into an answer with `rcode` and no records: same ID and question.
std::optional<std::string> AnswerWith(const std::string& query, int rcode) {
    if (query.size() < 12) return std::nullopt;
    std::string answer = query;
    answer[2] = static_cast<char>(0x81);
    answer[3] = static_cast<char>(0x80 | rcode);
    return answer;
}

struct AnswerCase {
    const char* name;
    std::function<std::optional<std::string>(const std::string&)> server;
    const char* domain;
    DomainAnswer expected;
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
    *out << c.name;
}

class MXDomainCheckerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(MXDomainCheckerTest, OnlyANameErrorMakesADomainUnknown) {
    testsupport::UdpFakeDns server(GetParam().server);
    MXDomainChecker checker;
    checker.resolver().DNSAddress = "127.0.0.1";
    checker.resolver().Port = server.port();
    checker.resolver().TimeOut = 1;
    EXPECT_EQ(checker.CheckDomainExists(GetParam().domain), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MXDomainCheckerTest,
    ::testing::Values(
        AnswerCase{"exists-without-mx", [](const std::string& q) { return AnswerWith(q, 0); },
                   "plain.example", DomainAnswer::Exists},
        AnswerCase{"name-error", [](const std::string& q) { return AnswerWith(q, 3); },
                   "nope.example", DomainAnswer::DoesNotExist},
        AnswerCase{"server-failure", [](const std::string& q) { return AnswerWith(q, 2); },
                   "any.example", DomainAnswer::Unjudged},
        AnswerCase{"refused", [](const std::string& q) { return AnswerWith(q, 5); }, "any.example",
                   DomainAnswer::Unjudged},
        AnswerCase{"other-id",
                   [](const std::string& q) {
                       auto answer = AnswerWith(q, 3);
                       if (answer) (*answer)[0] = static_cast<char>((*answer)[0] ^ 0x5A);
                       return answer;
                   },
                   "nope.example", DomainAnswer::Unjudged},
        AnswerCase{"silence", [](const std::string&) { return std::optional<std::string>(); },
                   "quiet.example", DomainAnswer::TimedOut},
        AnswerCase{"name-that-cannot-be-asked",
                   [](const std::string& q) { return AnswerWith(q, 3); }, "a..b",
                   DomainAnswer::Unjudged}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

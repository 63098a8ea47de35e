#include "ReasonLog.h"

#include <gtest/gtest.h>

#include "CaseName.h"

namespace kelvane {
namespace {

struct ReasonCase {
    const char* name;
    bool exception;
    bool deletes;
    const char* field;
    const char* op;
    const char* value;
    bool caseSensitive;
    const char* expected;
};

void PrintTo(const ReasonCase& c, std::ostream* os) {
    *os << c.name;
}

class ReasonLineTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(ReasonLineTest, HasOneBlankAfterThePrefixAndTheValueQuoted) {
    const ReasonCase& c = GetParam();
    ReasonLog log;
    log.setExplaining(true);
    if (c.exception) {
        log.whyExcept(c.field, c.op, c.value, c.caseSensitive);
    } else {
        log.whyAdd(c.deletes, c.field, c.op, c.value, c.caseSensitive);
    }
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReasonLineTest,
    ::testing::Values(ReasonCase{"delete-without-case", false, true, "Subject", "Contains", "free",
                                 false, "Delete   : Subject Contains \"free\" "},
                      ReasonCase{"question-with-case", false, false, "Subject", "Contains", "free",
                                 true, "Question : Subject Contains \"free\"  (Case Sensitive)"},
                      ReasonCase{"no-value-no-quotes-no-suffix", false, true, "E-mail address",
                                 "All numeric", "", true, "Delete   : E-mail address All numeric"},
                      ReasonCase{"exception-prefix-whatever-the-answer", true, false, "Subject",
                                 "Equals", "Hi", false, "Exception : Subject Equals \"Hi\" "}),
    testsupport::ParamName());

TEST(ReasonLog, RecordsOnlyWhileExplainingAndTheExceptionPrefixDoesNotLinger) {
    ReasonLog log;
    log.whyAdd(true, "Subject", "Contains", "free", false);
    log.whyExcept("Subject", "Contains", "free", false);
    EXPECT_TRUE(log.lines().empty());

    log.setExplaining(true);
    log.whyExcept("Domain name", "Equals", "example.org", false);
    log.whyAdd(false, "Size", "larger than", "20000", false);
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"Exception : Domain name Equals \"example.org\" ",
                                        "Question : Size larger than \"20000\" "}));
    log.clear();
    EXPECT_TRUE(log.lines().empty());
}

}  // namespace
}  // namespace kelvane

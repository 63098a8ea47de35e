#include "RuleTrial.h"

#include <gmock/gmock.h>

#include <variant>

#include "CaseName.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Fields =
    std::variant<SubjectRuleFields, HeaderRuleFields, SenderRuleFields, ExceptionRuleFields>;

TrialMessage Message(TrialSource source, int mailbox, std::string subject, std::string sender,
                     TmsHeaders headers) {
    return {source, mailbox, std::move(subject), std::move(sender), std::move(headers)};
}

// Three messages of mailbox 1's last listing, then two deleted ones, one of them from mailbox 2.
std::vector<TrialMessage> Messages() {
    constexpr TrialSource kListing = TrialSource::LastListing;
    constexpr TrialSource kDeleted = TrialSource::DeletedJunk;
    return {
        Message(kListing, 1, "Cheap pills now", "promo@pills.example",
                {"From: Promo <promo@pills.example>", "To: ann@a.test", "Subject: Cheap pills now",
                 "X-Mailer: Floodgate 3"}),
        Message(kListing, 1, "Lunch on Friday?", "bob@friends.test",
                {"From: Bob <bob@friends.test>", "To: ann@a.test", "Reply-To: bob@friends.test",
                 "Subject: Lunch on Friday?"}),
        Message(kListing, 1, "WIN NOW", "12345678@numbers.example",
                {"From: <12345678@numbers.example>", "To: someone@else.test",
                 "Reply-To: other@reply.example", "Subject: WIN NOW", "X-Mailer: floodgate"}),
        Message(kDeleted, 1, "cheap PILLS", "deals@pills.example",
                {"From: deals@pills.example", "To: ann@a.test", "Subject: cheap PILLS",
                 "List-Id: <deals.pills.example>"}),
        Message(kDeleted, 2, "Invoice 42", "billing@shop.test",
                {"From: Billing <billing@shop.test>", "To: billing@shop.test",
                 "CC: bob@friends.test", "Subject: Invoice 42"}),
    };
}

struct TrialCase {
    const char* name;
    Fields fields;
    std::vector<std::size_t> matched;  // positions in Messages()
    int listing;
    int deleted;
};

void PrintTo(const TrialCase& c, std::ostream* os) {
    *os << c.name;
}

HeaderRuleFields HeaderLine(int op, std::string text, bool caseMatters = false) {
    HeaderRuleFields fields;
    fields.op = op;
    fields.text = std::move(text);
    fields.caseMatters = caseMatters;
    return fields;
}

HeaderRuleFields Special(HeaderChoice choice, std::string address = "", int mailbox = 0) {
    HeaderRuleFields fields;
    fields.choice = choice;
    fields.address = std::move(address);
    fields.mailbox = mailbox;
    return fields;
}

ExceptionRuleFields Exception(ExceptionChoice choice, std::string value, int headerLine = 0,
                              int op = 0) {
    ExceptionRuleFields fields;
    fields.choice = choice;
    fields.address = fields.domain = fields.text = std::move(value);
    fields.headerLine = headerLine;
    fields.op = op;
    return fields;
}

// One trial for all cases, so that each also runs after the others on the same prepared texts.
RuleTrial& SharedTrial() {
    static RuleTrial trial(Messages());
    return trial;
}

class RuleTrialCaseTest : public ::testing::TestWithParam<TrialCase> {};

TEST_P(RuleTrialCaseTest, CountsTheMessagesTheRuleMatchesBySource) {
    const TrialCase& c = GetParam();
    RuleTrial& trial = SharedTrial();
    const std::optional<RuleTrialResult> result =
        std::visit([&trial](const auto& fields) { return trial.Try(fields); }, c.fields);
    ASSERT_TRUE(result);
    EXPECT_THAT(result->shown, ElementsAreArray(c.matched));
    EXPECT_EQ(result->listingMatches, c.listing);
    EXPECT_EQ(result->deletedMatches, c.deleted);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleTrialCaseTest,
    ::testing::Values(
        TrialCase{
            "subject-contains-ignores-case", SubjectRuleFields{0, "pills", false}, {0, 3}, 1, 1},
        TrialCase{"subject-contains-with-case", SubjectRuleFields{0, "PILLS", true}, {3}, 0, 1},
        TrialCase{"subject-whole-word", SubjectRuleFields{1, "win", false}, {2}, 1, 0},
        TrialCase{
            "subject-whole-word-not-inside-a-word", SubjectRuleFields{1, "pill", false}, {}, 0, 0},
        TrialCase{
            "subject-all-uppercase-takes-no-text", SubjectRuleFields{6, "", false}, {2}, 1, 0},
        TrialCase{"header-line-contains", HeaderLine(0, "X-Mailer: Floodgate"), {0, 2}, 2, 0},
        TrialCase{"header-line-contains-with-case",
                  HeaderLine(0, "X-Mailer: Floodgate", true),
                  {0},
                  1,
                  0},
        TrialCase{"header-line-starts-with", HeaderLine(3, "List-Id:"), {3}, 0, 1},
        TrialCase{"header-reply-to-mismatch", Special(HeaderChoice::ReplyToMismatch), {2}, 1, 0},
        TrialCase{"header-sender-equals-to", Special(HeaderChoice::SenderEqualsTo), {4}, 0, 1},
        // Message 4 is from mailbox 2: a rule for mailbox 1 passes it over.
        TrialCase{"header-to-does-not-contain-in-its-mailbox",
                  Special(HeaderChoice::ToDoesNotContain, "ann@", 1),
                  {2},
                  1,
                  0},
        TrialCase{"header-to-does-not-contain-other-mailbox",
                  Special(HeaderChoice::ToDoesNotContain, "ann@", 2),
                  {4},
                  0,
                  1},
        TrialCase{"sender-domain-equals", SenderRuleFields{true, 2, "PILLS.example"}, {0, 3}, 1, 1},
        TrialCase{"sender-address-contains", SenderRuleFields{false, 0, "bob"}, {1}, 1, 0},
        TrialCase{"sender-all-numeric", SenderRuleFields{false, 7, ""}, {2}, 1, 0},
        TrialCase{"exception-address",
                  Exception(ExceptionChoice::Address, "bob@friends.test"),
                  {1},
                  1,
                  0},
        TrialCase{
            "exception-domain", Exception(ExceptionChoice::Domain, "pills.example"), {0, 3}, 1, 1},
        TrialCase{
            "exception-cc-line", Exception(ExceptionChoice::HeaderLine, "bob@", 1), {4}, 0, 1},
        TrialCase{"exception-subject-starts-with",
                  Exception(ExceptionChoice::HeaderLine, "cheap", 0, 3),
                  {0, 3},
                  1,
                  1},
        TrialCase{"exception-any-header",
                  Exception(ExceptionChoice::HeaderLine, "friends", 4),
                  {1, 4},
                  1,
                  1}),
    testsupport::ParamName());

TEST(RuleTrialTest, CountsEverySourceAndHoldsItsMessages) {
    const RuleTrial trial(Messages());
    EXPECT_EQ(trial.listingCount(), 3);
    EXPECT_EQ(trial.deletedCount(), 2);
    ASSERT_EQ(trial.messages().size(), 5u);
    EXPECT_EQ(trial.messages()[4].subject, "Invoice 42");
    EXPECT_EQ(TrialSourceName(trial.messages()[0].source), "Last listing");
    EXPECT_EQ(TrialSourceName(trial.messages()[4].source), "Deleted junk");
}

// What OK would refuse is no rule yet: nothing is tried, rather than a blank text matching all.
TEST(RuleTrialTest, FieldsThatAreNoRuleYetAreNotTried) {
    RuleTrial trial(Messages());
    EXPECT_FALSE(trial.Try(SubjectRuleFields{0, " ", false}));
    EXPECT_FALSE(trial.Try(HeaderLine(0, "")));
    EXPECT_FALSE(trial.Try(Special(HeaderChoice::ToDoesNotContain, "ann@", 0)));
    EXPECT_FALSE(trial.Try(SenderRuleFields{true, 2, ""}));
    EXPECT_FALSE(trial.Try(Exception(ExceptionChoice::Domain, "")));
}

TEST(RuleTrialTest, ShowsTheFirstFiftyMatchesAndCountsThemAll) {
    std::vector<TrialMessage> messages;
    for (int i = 0; i < 60; ++i) {
        messages.push_back(
            Message(TrialSource::LastListing, 1, "offer " + std::to_string(i), "a@b.test", {}));
    }
    messages.push_back(Message(TrialSource::LastListing, 1, "no match", "a@b.test", {}));
    for (int i = 0; i < 10; ++i) {
        messages.push_back(Message(TrialSource::DeletedJunk, 1, "offer", "a@b.test", {}));
    }
    RuleTrial trial(std::move(messages));

    const std::optional<RuleTrialResult> result = trial.Try(SubjectRuleFields{0, "offer", false});

    ASSERT_TRUE(result);
    EXPECT_EQ(result->listingMatches, 60);
    EXPECT_EQ(result->deletedMatches, 10);
    ASSERT_EQ(result->shown.size(), RuleTrialResult::kMostShown);
    EXPECT_EQ(result->shown.front(), 0u);
    EXPECT_EQ(result->shown.back(), 49u);
}

TEST(RuleTrialTest, AnEmptyListMatchesNothing) {
    RuleTrial trial({});
    const std::optional<RuleTrialResult> result = trial.Try(SubjectRuleFields{6, "", false});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->listingMatches + result->deletedMatches, 0);
    EXPECT_THAT(result->shown, ElementsAre());
}

}  // namespace
}  // namespace kelvane

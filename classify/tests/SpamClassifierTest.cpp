#include "SpamClassifier.h"

#include <gtest/gtest.h>

#include "CaseName.h"
#include "ClassificationFixture.h"

namespace kelvane::passfixture {
namespace {

using Rows = std::vector<RuleRow>;
using Texts = std::vector<std::string>;

// One message through a whole pass: the rules, the options and the list, the mark it starts
// from, the mark it ends with and the hits counted.
struct PassCase {
    const char* name = "";
    Rows exceptions = {};
    Rows subjects = {};
    Rows senders = {};
    SpamOptions options = {};
    Texts knownList = {};
    TestMessage message = {};
    MarkState startMark = kNoMark;
    MarkState expected = kNoMark;
    Texts exceptionHits = {};
    Texts subjectHits = {};
    Texts senderHits = {};
};

void PrintTo(const PassCase& c, std::ostream* os) {
    *os << c.name;
}

class PassOrderTest : public ClassifierTest, public ::testing::WithParamInterface<PassCase> {};

TEST_P(PassOrderTest, GivesTheStrongestMarkAndCountsTheRulesReached) {
    const PassCase& c = GetParam();
    AddRules(RuleTableKind::Exceptions, c.exceptions);
    AddRules(RuleTableKind::Subject, c.subjects);
    AddRules(RuleTableKind::Sender, c.senders);
    settings.options() = c.options;
    known.Assign(c.knownList);
    const int index = AddMessage(c.message);
    rows[0].mark = c.startMark;

    classifier.MarkForDeletion(index);

    EXPECT_EQ(MarkOf(index), c.expected);
    if (!c.exceptions.empty()) {
        EXPECT_EQ(Hits(settings.exceptions()), c.exceptionHits);
    }
    if (!c.subjects.empty()) {
        EXPECT_EQ(Hits(settings.subjects()), c.subjectHits);
    }
    if (!c.senders.empty()) {
        EXPECT_EQ(Hits(settings.senders()), c.senderHits);
    }
}

SpamOptions Smaller(int limit, bool checkMark) {
    SpamOptions options;
    options.smallerOn = true;
    options.smallerLimit = limit;
    options.smallerCheckMark = checkMark;
    return options;
}

SpamOptions Larger(int limit) {
    SpamOptions options;
    options.largerOn = true;
    options.largerLimit = limit;
    return options;
}

SpamOptions NoBlacklist() {
    SpamOptions options;
    options.compareKnownSpammers = false;
    return options;
}

const TestMessage kFreeStuff{"free stuff", "spammer@example.org", {}};

INSTANTIATE_TEST_SUITE_P(
    Pass, PassOrderTest,
    ::testing::Values(
        PassCase{.name = "exception-beats-delete-rule-size-and-blacklist",
                 .exceptions = {ExceptionRow("E-mail address", "Equals", "spammer@", "No", "7")},
                 .subjects = {SubjectRow("Contains", "free", "Yes")},
                 .options = Smaller(5000, true),
                 .knownList = {"spammer@example.org"},
                 .message = kFreeStuff,
                 .expected = 7,
                 .exceptionHits = {"1"},
                 .subjectHits = {"0"}},
        PassCase{.name = "size-equal-to-smaller-limit-does-not-match",
                 .options = Smaller(500, true),
                 .message = {"hello", "ann@example.org", {}, "500"}},
        PassCase{.name = "size-below-limit-check-marks-and-ends-the-row",
                 .subjects = {SubjectRow("Contains", "free", "No")},
                 .options = Smaller(500, true),
                 .message = {"free", "ann@example.org", {}, "499"},
                 .expected = kCheckMark,
                 .subjectHits = {"0"}},
        PassCase{.name = "size-question-lets-a-delete-rule-run",
                 .subjects = {SubjectRow("Contains", "free", "Yes")},
                 .options = Smaller(500, false),
                 .message = {"free", "ann@example.org", {}, "499"},
                 .expected = kCheckMark,
                 .subjectHits = {"1"}},
        PassCase{.name = "size-above-larger-limit",
                 .options = Larger(20000),
                 .message = {"hello", "ann@example.org", {}, "20001"},
                 .expected = kCheckMark},
        PassCase{.name = "size-equal-to-larger-limit-does-not-match",
                 .options = Larger(20000),
                 .message = {"hello", "ann@example.org", {}, "20000"}},
        PassCase{.name = "size-not-a-number-is-not-tested",
                 .options = Smaller(500, true),
                 .message = {"hello", "ann@example.org", {}, "12 kB"}},
        PassCase{.name = "suspect-subject-then-delete-sender",
                 .subjects = {SubjectRow("Contains", "free", "No")},
                 .senders = {SenderRow("E-mail address", "Starts with", "spammer", "Yes")},
                 .message = kFreeStuff,
                 .expected = kCheckMark,
                 .subjectHits = {"1"},
                 .senderHits = {"1"}},
        PassCase{.name = "delete-subject-leaves-sender-table-untested",
                 .subjects = {SubjectRow("Contains", "free", "Yes")},
                 .senders = {SenderRow("E-mail address", "Starts with", "spammer", "Yes")},
                 .message = kFreeStuff,
                 .expected = kCheckMark,
                 .subjectHits = {"1"},
                 .senderHits = {"0"}},
        PassCase{.name = "two-suspect-rows-give-a-question-mark",
                 .subjects = {SubjectRow("Contains", "free", "No"),
                              SubjectRow("Ends with", "STUFF", "No")},
                 .message = kFreeStuff,
                 .expected = kQuestionMark,
                 .subjectHits = {"1", "1"}},
        PassCase{.name = "suspects-then-delete-all-count",
                 .subjects = {SubjectRow("Contains", "free", "No"),
                              SubjectRow("Contains (whole word)", "stuff", "No"),
                              SubjectRow("Starts with", "free", "Yes")},
                 .message = kFreeStuff,
                 .expected = kCheckMark,
                 .subjectHits = {"1", "1", "1"}},
        PassCase{.name = "delete-then-suspect-counts-the-first-only",
                 .subjects = {SubjectRow("Contains", "free", "Yes"),
                              SubjectRow("Contains", "stuff", "No")},
                 .message = kFreeStuff,
                 .expected = kCheckMark,
                 .subjectHits = {"1", "0"}},
        PassCase{.name = "blacklist-turns-a-question-mark-into-its-own",
                 .subjects = {SubjectRow("Contains", "free", "No")},
                 .knownList = {"Spammer@Example.org"},
                 .message = kFreeStuff,
                 .expected = kBlacklistMark,
                 .subjectHits = {"1"}},
        PassCase{.name = "blacklist-switched-off",
                 .subjects = {SubjectRow("Contains", "free", "No")},
                 .options = NoBlacklist(),
                 .knownList = {"spammer@example.org"},
                 .message = kFreeStuff,
                 .expected = kQuestionMark,
                 .subjectHits = {"1"}},
        PassCase{.name = "check-mark-from-an-earlier-pass-is-not-tested-again",
                 .subjects = {SubjectRow("Contains", "free", "No")},
                 .message = kFreeStuff,
                 .startMark = kCheckMark,
                 .expected = kCheckMark,
                 .subjectHits = {"0"}},
        PassCase{.name = "question-mark-from-an-earlier-pass-is-tested-again",
                 .subjects = {SubjectRow("Contains", "free", "No")},
                 .message = kFreeStuff,
                 .startMark = kQuestionMark,
                 .expected = kQuestionMark,
                 .subjectHits = {"1"}},
        PassCase{.name = "empty-operator-cell-ends-the-subject-scan",
                 .subjects = {SubjectRow("Contains", "nothing", "Yes"),
                              SubjectRow("", "free", "Yes"), SubjectRow("Contains", "free", "Yes")},
                 .message = kFreeStuff,
                 .subjectHits = {"0", "0", "0"}},
        PassCase{.name = "operator-that-is-no-stored-name-never-matches",
                 .subjects = {SubjectRow("Equals (exact match)", "free stuff", "Yes"),
                              SubjectRow("Contains", "free", "No")},
                 .message = kFreeStuff,
                 .expected = kQuestionMark,
                 .subjectHits = {"0", "1"}},
        PassCase{.name = "subject-case-sensitive-row",
                 .subjects = {SubjectRow("Contains", "FREE", "Yes", "Yes")},
                 .message = kFreeStuff,
                 .subjectHits = {"0"}},
        PassCase{.name = "sender-domain-rule-ignores-case",
                 .senders = {SenderRow("Domain name", "Equals", "mail.example", "Yes")},
                 .message = {"hi", "x@MAIL.EXAMPLE", {}},
                 .expected = kCheckMark,
                 .senderHits = {"1"}},
        PassCase{.name = "sender-numeric-rule-tests-the-user-part",
                 .senders = {SenderRow("E-mail address", "All numeric", "", "No")},
                 .message = {"hi", "4325154@mail.example", {}},
                 .expected = kQuestionMark,
                 .senderHits = {"1"}},
        PassCase{.name = "sender-unknown-kind-is-taken-as-e-mail-address",
                 .senders = {SenderRow("Mailbox", "All numeric", "", "No")},
                 .message = {"hi", "4325154@mail.example", {}},
                 .expected = kQuestionMark,
                 .senderHits = {"1"}}),
    testsupport::ParamName());

// A check passes over every row as it arrives, then over all rows again from their marks.
TEST_F(ClassifierTest, CheckRunPassesCountOnceForCheckMarksAndTwiceForTheRest) {
    AddRules(RuleTableKind::Subject,
             {SubjectRow("Contains", "free", "Yes"), SubjectRow("Contains", "offer", "No")});
    AddRules(RuleTableKind::Exceptions, {ExceptionRow("E-mail address", "Equals", "friend@")});
    const int deleted = AddMessage({"free gift", "a@example.org", {}});
    classifier.MarkForDeletion(deleted);
    const int suspect = AddMessage({"an offer", "b@example.org", {}});
    classifier.MarkForDeletion(suspect);
    const int accepted = AddMessage({"free offer", "friend@example.org", {}});
    classifier.MarkForDeletion(accepted);
    classifier.MarkForDeletion(-1);

    EXPECT_EQ(MarkOf(deleted), kCheckMark);
    EXPECT_EQ(MarkOf(suspect), kQuestionMark);
    EXPECT_EQ(MarkOf(accepted), kDefaultExceptionPicture);
    EXPECT_EQ(Hits(settings.subjects()), (Texts{"1", "2"}));
    EXPECT_EQ(Hits(settings.exceptions()), (Texts{"2"}));

    EXPECT_EQ(classifier.AutoMark(), 1);
    EXPECT_EQ(Hits(settings.subjects()), (Texts{"2", "3"}));
    EXPECT_EQ(Hits(settings.exceptions()), (Texts{"3"}));
}

TEST_F(ClassifierTest, AutoMarkClearsOldMarksAndCountsRowsMarkedForDeletion) {
    AddRules(RuleTableKind::Subject, {SubjectRow("Contains", "offer", "No")});
    known.Assign({"listed@example.org"});
    AddMessage({"hello", "ann@example.org", {}});
    AddMessage({"an offer", "listed@example.org", {}});
    AddMessage({"an offer", "bob@example.org", {}});
    rows[0].mark = kCheckMark;

    EXPECT_EQ(classifier.AutoMark(), 1);
    EXPECT_EQ(MarkOf(0), kNoMark);
    EXPECT_EQ(MarkOf(1), kBlacklistMark);
    EXPECT_EQ(MarkOf(2), kQuestionMark);

    known.Assign({});
    EXPECT_EQ(classifier.AutoMark(), 0);
}

TEST_F(ClassifierTest, ExplainingListsEveryMatchInOrderWithoutHitsOrMarkChanges) {
    AddRules(RuleTableKind::Subject,
             {SubjectRow("Contains", "free", "Yes"), SubjectRow("Contains", "Stuff", "No", "Yes")});
    AddRules(RuleTableKind::Sender, {SenderRow("E-mail address", "All numeric", "", "Yes")});
    const int index = AddMessage({"free Stuff", "12345@example.org", {}});
    rows[0].mark = kQuestionMark;

    const Texts reasons = classifier.Explain(index);

    EXPECT_EQ(reasons, (Texts{"Delete   : Subject Contains \"free\" ",
                              "Question : Subject Contains \"Stuff\"  (Case Sensitive)",
                              "Delete   : E-mail address All numeric"}));
    EXPECT_EQ(Hits(settings.subjects()), (Texts{"0", "0"}));
    EXPECT_EQ(Hits(settings.senders()), (Texts{"0"}));
    EXPECT_EQ(MarkOf(index), kQuestionMark);
    EXPECT_FALSE(classifier.explaining());
}

TEST_F(ClassifierTest, ExplainingGoesOnAfterACheckMarkButNeverWeakensIt) {
    AddRules(RuleTableKind::Subject, {SubjectRow("Contains", "free", "Yes")});
    known.Assign({"example.org"});
    dns.answers["bad.example"] = DomainAnswer::DoesNotExist;
    const int index = AddMessage({"free", "x@example.org", {"From: x@bad.example"}});

    classifier.setExplaining(true);
    classifier.MarkForDeletion(index);
    classifier.setExplaining(false);

    EXPECT_EQ(MarkOf(index), kCheckMark) << "neither the unknown domain nor the list weaken it";
    EXPECT_EQ(classifier.reasonLog().lines(),
              (Texts{"Delete   : Subject Contains \"free\" ",
                     "Question : Reply to or From (bad.example)  is an \"Unknown domain\" ",
                     "Delete   : Domain \"example.org\" is on the KNOWN SPAMMER BLACKLIST (you "
                     "may edit if this is in error)"}));
}

// Rows are classified one at a time as they arrive; edits made in between must count.
TEST_F(ClassifierTest, RuleAndMailboxChangesBetweenPassesAreSeen) {
    AddRules(RuleTableKind::Subject, {SubjectRow("Contains", "free", "Yes")});
    AddRules(RuleTableKind::Header, {HeaderRow("To does not contain", "bob - MailBox #2", "No")});
    const int index = AddMessage({"free", "a@example.org", {"To: carol@example.org"}});
    const auto remark = [&] {
        rows[0].mark = kNoMark;
        classifier.MarkForDeletion(index);
        return MarkOf(index);
    };
    ASSERT_EQ(remark(), kCheckMark);

    settings.subjects().setCell(4, 1, "No");
    EXPECT_EQ(remark(), kQuestionMark);
    settings.subjects().setCell(2, 1, "fret");  // same length
    EXPECT_EQ(remark(), kNoMark);
    classifier.SetCurrentMailbox("POP.example.org", "Bob");
    EXPECT_EQ(remark(), kQuestionMark) << "the To rule of mailbox 2 now applies";
    EXPECT_EQ(Hits(settings.subjects()), (Texts{"2"}));
    EXPECT_EQ(Hits(settings.headers()), (Texts{"1"}));
}

TEST_F(ClassifierTest, OrdinaryPassRecordsNoReasons) {
    AddRules(RuleTableKind::Subject, {SubjectRow("Contains", "free", "No")});
    AddMessage(kFreeStuff);
    classifier.MarkForDeletion(-1);
    EXPECT_TRUE(classifier.reasonLog().lines().empty());
}

TEST_F(ClassifierTest, ExceptionReasonsAndAnyHeaderLinesInAnExplanation) {
    AddRules(RuleTableKind::Exceptions, {ExceptionRow("Any Header", "Contains", "list-id")});
    AddRules(RuleTableKind::Subject, {SubjectRow("Contains", "free", "Yes")});
    const int index =
        AddMessage({"free", "a@example.org", {"List-Id: one", "Subject: free", "List-ID: two"}});

    EXPECT_EQ(classifier.Explain(index),
              (Texts{"Exception : Any Header List-Id: one Contains \"list-id\" ",
                     "Exception : Any Header List-ID: two Contains \"list-id\" "}));
}

TEST_F(ClassifierTest, MissingHeaderBlockReadsAsEmpty) {
    AddRules(RuleTableKind::Header, {HeaderRow("Contains", "X-Mailer", "Yes"),
                                     HeaderRow("To does not contain", "ann - MailBox #1", "Yes")});
    AddRules(RuleTableKind::Exceptions, {ExceptionRow("Any Header", "Starts with", "")});
    rows.push_back({"hello", "ann@example.org", "100", "", kNoMark, false});  // no header block

    classifier.MarkForDeletion(-1);

    EXPECT_EQ(MarkOf(0), kNoMark);
    EXPECT_TRUE(dns.asked.empty());
}

// Header rules against one message, with mailbox 1 (server pop.example.org, user ann) checked.
struct HeaderCase {
    const char* name;
    Rows rules;
    TmsHeaders headers;
    RuleScanResult expected;
    Texts hits;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class HeaderRulesTest : public ClassifierTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderRulesTest, MatchAndCountHits) {
    const HeaderCase& c = GetParam();
    AddRules(RuleTableKind::Header, c.rules);
    const int index = AddMessage({"subject", "sender@example.org", c.headers});
    EXPECT_EQ(classifier.qMarkThisHeader(index), c.expected);
    EXPECT_EQ(Hits(settings.headers()), c.hits);
}

const TmsHeaders kReplyElsewhere{"From: Ann <ann@example.org>", "Reply-To: collect@other.example",
                                 "To: bob@example.net"};
constexpr RuleScanResult kNoMatch{false, false};
constexpr RuleScanResult kDeletes{true, true};
constexpr RuleScanResult kSuspect{true, false};

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderRulesTest,
    ::testing::Values(
        HeaderCase{"to-does-not-contain-other-mailbox-ignored",
                   {HeaderRow("To does not contain", "bob - MailBox #2", "Yes")},
                   {"To: carol@example.net"},
                   kNoMatch,
                   {"0"}},
        HeaderCase{"to-does-not-contain-this-mailbox",
                   {HeaderRow("To does not contain", "ann - MailBox #1", "Yes")},
                   {"To: carol@example.net"},
                   kDeletes,
                   {"1"}},
        HeaderCase{"to-does-not-contain-ignores-case",
                   {HeaderRow("To does not contain", "ann - MailBox #1", "Yes", "Yes")},
                   {"To: ANN@example.net"},
                   kNoMatch,
                   {"0"}},
        HeaderCase{"to-does-not-contain-empty-to-never-matches",
                   {HeaderRow("To does not contain", "ann - MailBox #1", "Yes")},
                   {"From: x@example.net"},
                   kNoMatch,
                   {"0"}},
        HeaderCase{"to-does-not-contain-empty-address-never-matches",
                   {HeaderRow("To does not contain", " - MailBox #1", "Yes")},
                   {"To: carol@example.net"},
                   kNoMatch,
                   {"0"}},
        HeaderCase{"to-does-not-contain-mailbox-not-a-number-skipped",
                   {HeaderRow("To does not contain", "ann - MailBox #one", "Yes"),
                    HeaderRow("Contains", "carol", "No")},
                   {"To: carol@example.net"},
                   kSuspect,
                   {"0", "1"}},
        HeaderCase{"reply-to-mismatch",
                   {HeaderRow("Sender", "does not match Reply-to", "Yes")},
                   kReplyElsewhere,
                   kDeletes,
                   {"1"}},
        HeaderCase{"reply-to-holding-the-sender-matches-it",
                   {HeaderRow("Sender", "does not match Reply-to", "Yes")},
                   {"From: ann@example.org", "Reply-To: Ann <ANN@example.org>"},
                   kNoMatch,
                   {"0"}},
        HeaderCase{"no-reply-to-never-mismatches",
                   {HeaderRow("Sender", "does not match Reply-to", "Yes")},
                   {"From: ann@example.org"},
                   kNoMatch,
                   {"0"}},
        HeaderCase{"sender-equals-to-field",
                   {HeaderRow("Sender", "equals To field", "No")},
                   {"From: Ann <ann@example.org>", "To: \"Me\" <Ann@Example.org>"},
                   kSuspect,
                   {"1"}},
        HeaderCase{"sender-differs-from-to-field",
                   {HeaderRow("Sender", "equals To field", "No")},
                   kReplyElsewhere,
                   kNoMatch,
                   {"0"}},
        HeaderCase{"empty-to-never-equals-sender",
                   {HeaderRow("Sender", "equals To field", "No")},
                   {"From: ann@example.org"},
                   kNoMatch,
                   {"0"}},
        HeaderCase{"ordinary-rule-reaches-the-last-line",
                   {HeaderRow("Starts with", "x-mailer: floodgate", "Yes")},
                   {"From: a@b.example", "Subject: hi", "X-Mailer: Floodgate 3"},
                   kDeletes,
                   {"1"}},
        HeaderCase{"suspect-rule-counts-every-matching-line",
                   {HeaderRow("Contains", "received", "No"), HeaderRow("Contains", "from", "Yes")},
                   {"Received: a", "Received: b", "From: c@d.example", "Received: e"},
                   kDeletes,
                   {"3", "1"}},
        HeaderCase{"delete-rule-stops-at-its-first-line",
                   {HeaderRow("Contains", "received", "Yes"), HeaderRow("Contains", "from", "Yes")},
                   {"Received: a", "Received: b", "From: c@d.example"},
                   kDeletes,
                   {"1", "0"}},
        HeaderCase{"operator-only-for-senders-never-matches",
                   {HeaderRow("All numeric", "", "Yes")},
                   {"12345"},
                   kNoMatch,
                   {"0"}}),
    testsupport::ParamName());

TEST_F(ClassifierTest, HeaderReasonLines) {
    AddRules(RuleTableKind::Header,
             {HeaderRow("To does not contain", "ann - MailBox #1", "Yes"),
              HeaderRow("Sender", "does not match Reply-to", "No"),
              HeaderRow("Sender", "equals To field", "No"), HeaderRow("Contains", "x-", "No")});
    settings.options().checkValidDomain = false;
    const int elsewhere = AddMessage({"s",
                                      "ann@example.org",
                                      {"From: ann@example.org", "Reply-To: other@example.net",
                                       "To: Carol <carol@example.net>", "X-Spam: yes"}});
    const int toSelf =
        AddMessage({"s", "ann@example.org", {"From: ann@example.org", "To: ANN@example.org"}});

    EXPECT_EQ(classifier.Explain(elsewhere),
              (Texts{"Delete   : Header \"Carol <carol@example.net>\" To does not contain \"ann\" ",
                     "Question : Header Sender \"other@example.net does not match Reply-to "
                     "ann@example.org\" ",
                     "Question : Header Contains \"x-\" "}));
    EXPECT_EQ(classifier.Explain(toSelf),
              (Texts{"Question : Header Sender \"ANN@example.org equals To field "
                     "ann@example.org\" "}));
}

// Exception rules against one message; the picture of the first matching row, or none.
struct ExceptionCase {
    const char* name;
    Rows rules;
    TestMessage message;
    std::optional<int> expected;
    Texts hits;
};

void PrintTo(const ExceptionCase& c, std::ostream* os) {
    *os << c.name;
}

class ExceptionRulesTest : public ClassifierTest,
                           public ::testing::WithParamInterface<ExceptionCase> {};

TEST_P(ExceptionRulesTest, GiveThePictureOfTheFirstMatchingRow) {
    const ExceptionCase& c = GetParam();
    AddRules(RuleTableKind::Exceptions, c.rules);
    const int index = AddMessage(c.message);
    EXPECT_EQ(classifier.qIsInException(index, rows[0].subject, rows[0].sender), c.expected);
    EXPECT_EQ(Hits(settings.exceptions()), c.hits);
}

const TestMessage kNewsletter{"Weekly Invoice",
                              "News@Lists.Example.org",
                              {"From: News <News@Lists.Example.org>", "Subject: Weekly Invoice",
                               "CC: team@example.net", "List-Id: <weekly.lists.example.org>"}};

INSTANTIATE_TEST_SUITE_P(
    Exceptions, ExceptionRulesTest,
    ::testing::Values(
        ExceptionCase{"domain-name-ends-with-ignoring-case",
                      {ExceptionRow("Domain name", "Equals", "example.ORG", "Yes", "5")},
                      kNewsletter,
                      5,
                      {"1"}},
        ExceptionCase{"domain-name-must-end-the-address",
                      {ExceptionRow("Domain name", "Equals", "lists.example", "No", "5")},
                      kNewsletter,
                      std::nullopt,
                      {"0"}},
        ExceptionCase{"e-mail-address-starts-with-ignoring-case",
                      {ExceptionRow("E-mail address", "Contains", "news@", "Yes", "4")},
                      kNewsletter,
                      4,
                      {"1"}},
        ExceptionCase{"subject-by-the-rows-operator",
                      {ExceptionRow("Subject", "Contains (whole word)", "invoice")},
                      kNewsletter,
                      3,
                      {"1"}},
        ExceptionCase{"subject-case-sensitive",
                      {ExceptionRow("Subject", "Contains", "invoice", "Yes")},
                      kNewsletter,
                      std::nullopt,
                      {"0"}},
        ExceptionCase{"any-header-reaches-the-last-line",
                      {ExceptionRow("Any Header", "Starts with", "list-id:", "No", "9")},
                      kNewsletter,
                      9,
                      {"1"}},
        ExceptionCase{"named-field-value",
                      {ExceptionRow("CC:", "Ends with", "@EXAMPLE.NET")},
                      kNewsletter,
                      3,
                      {"1"}},
        ExceptionCase{"missing-field-reads-empty",
                      {ExceptionRow("Reply-To:", "Contains", "example")},
                      kNewsletter,
                      std::nullopt,
                      {"0"}},
        ExceptionCase{"empty-kind-skipped-and-scan-goes-on",
                      {ExceptionRow("", "Contains", "Weekly", "No", "6"),
                       ExceptionRow("Subject", "Contains", "weekly", "No", "8")},
                      kNewsletter,
                      8,
                      {"0", "1"}},
        ExceptionCase{"first-matching-row-wins",
                      {ExceptionRow("Subject", "Contains", "weekly", "No", "8"),
                       ExceptionRow("Subject", "Contains", "invoice", "No", "10")},
                      kNewsletter,
                      8,
                      {"1", "0"}},
        ExceptionCase{"picture-not-a-number-shows-the-default",
                      {ExceptionRow("Subject", "Contains", "weekly", "No", "x")},
                      kNewsletter,
                      3,
                      {"1"}},
        ExceptionCase{"picture-of-a-deletion-mark-shows-the-default",
                      {ExceptionRow("Subject", "Contains", "weekly", "No", "0")},
                      kNewsletter,
                      3,
                      {"1"}},
        ExceptionCase{"operator-only-for-senders-never-matches",
                      {ExceptionRow("Subject", "Is blank", "")},
                      {"", "a@b.example", {}},
                      std::nullopt,
                      {"0"}}),
    testsupport::ParamName());

TEST_F(ClassifierTest, ExceptionReasonLinesPerKind) {
    AddRules(RuleTableKind::Exceptions, {ExceptionRow("CC:", "Contains", "team", "Yes", "4")});
    const int named = AddMessage(kNewsletter);
    EXPECT_EQ(classifier.Explain(named),
              (Texts{"Exception : CC: team@example.net Contains \"team\"  (Case Sensitive)"}));

    settings.exceptions().clear();
    AddRules(RuleTableKind::Exceptions, {ExceptionRow("Domain name", "Equals", "example.org")});
    EXPECT_EQ(classifier.Explain(named),
              (Texts{"Exception : Domain name Equals \"example.org\" "}));
}

// The mailbox being checked is found among the configured ones by server and user name.
struct MailboxCase {
    const char* name;
    const char* server;
    const char* userName;
    int expected;
};

void PrintTo(const MailboxCase& c, std::ostream* os) {
    *os << c.name;
}

class ServerToIndexTest : public ClassifierTest,
                          public ::testing::WithParamInterface<MailboxCase> {};

TEST_P(ServerToIndexTest, NumbersTheCheckedMailbox) {
    accounts.Account(7) = {"mail.example.net", "ann", true, "", 0, ""};
    classifier.SetCurrentMailbox(GetParam().server, GetParam().userName);
    EXPECT_EQ(classifier.serverToIndex(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Mailboxes, ServerToIndexTest,
    ::testing::Values(MailboxCase{"first", "pop.example.org", "ann", 1},
                      MailboxCase{"same-server-other-user", "pop.example.org", "bob", 2},
                      MailboxCase{"case-ignored", "MAIL.Example.NET", "ANN", 7},
                      MailboxCase{"user-must-match-too", "mail.example.net", "bob", 0},
                      MailboxCase{"unknown-server", "pop.example.com", "ann", 0}),
    testsupport::ParamName());

// A lookup waits with the events pumped, and a handler may replace the rows meanwhile by fewer.
// The pass must neither read nor mark a row that is gone, and stops classifying it.
enum class Pass { All, LastRow, ExplainSecondRow };

struct RowsChangedCase {
    const char* name;
    Pass pass;
    int changedAt;                 // the lookup, counted from 1, during which the rows change
    std::size_t left;              // how many rows the handler keeps
    Texts asked;                   // the domains looked up
    std::vector<MarkState> marks;  // of the rows kept
};

void PrintTo(const RowsChangedCase& c, std::ostream* os) {
    *os << c.name;
}

class RowsChangedDuringLookupTest : public ClassifierTest,
                                    public ::testing::WithParamInterface<RowsChangedCase> {};

TEST_P(RowsChangedDuringLookupTest, ClassifiesNoRowThatIsGone) {
    const RowsChangedCase& c = GetParam();
    known.Assign({"x@one.example", "x@two.example", "x@three.example"});
    for (const std::string name : {"one", "two", "three"}) {
        const std::string sender = "x@" + name + ".example";
        dns.answers[name + ".example"] = DomainAnswer::DoesNotExist;
        AddMessage({"offer " + name, sender, {"From: " + sender}});
    }
    int lookups = 0;
    dns.onLookup = [&] {
        if (++lookups != c.changedAt) return;
        // New, shorter vectors: the old storage is freed, so that a stale index shows.
        const auto kept = static_cast<std::ptrdiff_t>(c.left);
        rows = std::vector<MessageEntry>(rows.begin(), rows.begin() + kept);
        headerBlocks = std::vector<TmsHeaders>(headerBlocks.begin(), headerBlocks.begin() + kept);
    };
    constexpr MarkState kUntouched = 99;
    MarkState passMark = kUntouched;

    if (c.pass == Pass::All) classifier.MarkForDeletion(-1);
    if (c.pass == Pass::LastRow) classifier.MarkForDeletion(2);
    if (c.pass == Pass::ExplainSecondRow) classifier.Explain(1, &passMark);

    EXPECT_EQ(dns.asked, c.asked);
    std::vector<MarkState> marks;
    for (const MessageEntry& row : rows) marks.push_back(row.mark);
    EXPECT_EQ(marks, c.marks);
    EXPECT_EQ(passMark, kUntouched);
    EXPECT_FALSE(classifier.explaining());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, RowsChangedDuringLookupTest,
    ::testing::Values(
        RowsChangedCase{
            "all-rows-emptied-at-the-first-lookup", Pass::All, 1, 0, {"one.example"}, {}},
        RowsChangedCase{"all-rows-cut-to-one-at-the-second-lookup",
                        Pass::All,
                        2,
                        1,
                        {"one.example", "two.example"},
                        {kBlacklistMark}},
        RowsChangedCase{"last-row-emptied", Pass::LastRow, 1, 0, {"three.example"}, {}},
        RowsChangedCase{
            "explained-row-cut-away", Pass::ExplainSecondRow, 1, 1, {"two.example"}, {kNoMark}}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane::passfixture

#include "DomainCheck.h"

#include <gtest/gtest.h>

#include <functional>

#include "ClassificationFixture.h"
#include "RuleTableOperations.h"

namespace kelvane::passfixture {
namespace {

using Texts = std::vector<std::string>;

TEST(DomainPart, TextAfterTheFirstAtSignOrTheWholeAddress) {
    EXPECT_EQ(DomainPart("a@b@c.example"), "b@c.example");
    EXPECT_EQ(DomainPart("localname"), "localname");
    EXPECT_EQ(DomainPart("user@"), "");
    EXPECT_EQ(DomainPart("u@" + std::string(300, 'd')).size(), 255u);
}

TEST_F(ClassifierTest, ReplyToDomainIsPreferredOverFrom) {
    const int both = AddMessage(
        {"s", "a@from.example", {"From: A <a@From.Example>", "Reply-To: b@Reply.Example"}});
    const int fromOnly = AddMessage({"s", "a@from.example", {"From: A <a@From.Example>"}});
    const int bare = AddMessage({"s", "localname", {"From: localname"}});
    const int none = AddMessage({"s", "", {"Subject: nothing"}});

    for (int index : {both, fromOnly, bare, none}) classifier.CheckDomain(index);

    EXPECT_EQ(dns.asked, (Texts{"Reply.Example", "From.Example", "localname"}))
        << "looked up as written; the caches fold";
    EXPECT_EQ(classifier.domains().OkDomains().count("reply.example"), 1u);
}

TEST_F(ClassifierTest, UnknownDomainIsLookedUpOnceCountedOnceAndMarksEveryMessage) {
    dns.answers["junk.example"] = DomainAnswer::DoesNotExist;
    AddMessage({"one", "x@junk.example", {"From: x@junk.example"}});
    AddMessage({"two", "y@junk.example", {"From: y@JUNK.example"}});
    AddMessage({"three", "z@fine.example", {"From: z@fine.example"}});

    classifier.AutoMark();
    classifier.MarkForDeletion(-1);

    EXPECT_EQ(dns.asked, (Texts{"junk.example", "fine.example"}));
    EXPECT_EQ(settings.options().unknownDomainCount, "1");
    EXPECT_EQ(MarkOf(0), kQuestionMark);
    EXPECT_EQ(MarkOf(1), kQuestionMark);
    EXPECT_EQ(MarkOf(2), kNoMark);
    EXPECT_EQ(classifier.domains().BadDomains().count("junk.example"), 1u);
}

TEST_F(ClassifierTest, UnknownDomainMarkFollowsTheUsersChoice) {
    dns.answers["junk.example"] = DomainAnswer::DoesNotExist;
    settings.options().invalidDomainCheckMark = true;
    const int index = AddMessage({"s", "x@junk.example", {"From: x@junk.example"}});

    classifier.MarkForDeletion(index);

    EXPECT_EQ(MarkOf(index), kCheckMark);
    EXPECT_EQ(classifier.Explain(index),
              (Texts{"Delete   : Reply to or From (junk.example)  is an \"Unknown domain\" "}));
}

TEST_F(ClassifierTest, UnjudgedDomainIsNeitherCachedNorCountedNorMarked) {
    dns.answers["flaky.example"] = DomainAnswer::Unjudged;
    AddMessage({"one", "x@flaky.example", {"From: x@flaky.example"}});
    AddMessage({"two", "y@flaky.example", {"From: y@flaky.example"}});

    classifier.AutoMark();

    EXPECT_EQ(dns.asked, (Texts{"flaky.example", "flaky.example"}));
    EXPECT_EQ(settings.options().unknownDomainCount, "0");
    EXPECT_EQ(MarkOf(0), kNoMark);
    EXPECT_EQ(MarkOf(1), kNoMark);
    EXPECT_TRUE(classifier.domains().OkDomains().empty());
    EXPECT_TRUE(classifier.domains().BadDomains().empty());
    EXPECT_EQ(classifier.DomainCheckNotice(), "");
}

TEST_F(ClassifierTest, AfterATimeOutNoLookupUntilTheNextCheckRun) {
    dns.answers["slow.example"] = DomainAnswer::TimedOut;
    dns.answers["junk.example"] = DomainAnswer::DoesNotExist;
    AddMessage({"one", "x@slow.example", {"From: x@slow.example"}});
    AddMessage({"two", "y@junk.example", {"From: y@junk.example"}});

    classifier.StartCheckRun();
    classifier.MarkForDeletion(-1);
    classifier.MarkForDeletion(-1);

    EXPECT_EQ(dns.asked, (Texts{"slow.example"}));
    EXPECT_EQ(MarkOf(1), kNoMark) << "an unchecked domain is not held against the message";
    EXPECT_EQ(classifier.DomainCheckNotice(), kDomainsNotCheckedNotice);

    dns.answers.erase("slow.example");
    classifier.StartCheckRun();
    EXPECT_EQ(classifier.DomainCheckNotice(), "");
    classifier.MarkForDeletion(-1);
    EXPECT_EQ(dns.asked, (Texts{"slow.example", "slow.example", "junk.example"}));
    EXPECT_EQ(MarkOf(1), kQuestionMark);
}

TEST_F(ClassifierTest, DomainCheckSwitchedOffLooksNothingUp) {
    settings.options().checkValidDomain = false;
    AddMessage({"s", "x@junk.example", {"From: x@junk.example"}});
    classifier.AutoMark();
    EXPECT_TRUE(dns.asked.empty());
}

TEST_F(ClassifierTest, CheckMarkedMessageIsNotLookedUp) {
    AddRules(RuleTableKind::Subject, {SubjectRow("Contains", "free", "Yes")});
    AddMessage({"free", "x@junk.example", {"From: x@junk.example"}});
    classifier.AutoMark();
    EXPECT_TRUE(dns.asked.empty());
}

// A lookup keeps the windows live; rules edited meanwhile apply to the rows after it.
class EditingDomainChecker : public FakeDomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string& domain) override {
        if (onLookup) onLookup();
        return FakeDomainChecker::CheckDomainExists(domain);
    }
    std::function<void()> onLookup;
};

TEST(SpamClassifierLookups, RulesEditedDuringALookupApplyToTheFollowingRows) {
    SpamSettings settings("/nonexistent-kelvane-folder");
    std::vector<MessageEntry> rows{{"offer", "a@one.example", "10", "", kNoMark, false},
                                   {"offer", "b@two.example", "10", "", kNoMark, false}};
    std::vector<TmsHeaders> headers{{"From: a@one.example"}, {"From: b@two.example"}};
    EditingDomainChecker dns;
    KnownSpammers known;
    MailboxAccounts accounts;
    SpamClassifier classifier(
        settings, [&](int i) { return &headers[static_cast<size_t>(i)]; }, rows, dns, known,
        accounts);
    AppendRule(settings.subjects(), SubjectRow("Contains", "nothing", "Yes"));
    dns.onLookup = [&] {
        settings.subjects().clear();
        AppendRule(settings.subjects(), SubjectRow("Contains", "offer", "Yes"));
    };

    classifier.MarkForDeletion(-1);

    EXPECT_EQ(rows[0].mark, kNoMark);
    EXPECT_EQ(rows[1].mark, kCheckMark);
    EXPECT_EQ(Hits(settings.subjects()), (Texts{"1"}));
}

}  // namespace
}  // namespace kelvane::passfixture

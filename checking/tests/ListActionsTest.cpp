#include <gmock/gmock.h>

#include <sys/stat.h>
#include <filesystem>
#include <functional>

#include "CaseName.h"
#include "CheckRunFixture.h"
#include "ListActions.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"
#include "TextChecks.h"

namespace kelvane::checktest {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using testsupport::PlainCapa;
using testsupport::Retr;

TEST(ToggleMarksTest, EachSelectedRowFlipsOnItsOwn) {
    std::vector<MessageEntry> rows(6);
    const MarkState before[] = {kCheckMark, kQuestionMark, kNoMark, kBlacklistMark, 5, kCheckMark};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i].mark = before[i];

    ToggleMarks(rows, {0, 1, 2, 3, 4});

    std::vector<MarkState> after;
    for (const MessageEntry& row : rows) after.push_back(row.mark);
    // The unselected last row keeps its mark.
    EXPECT_THAT(after,
                ElementsAre(kNoMark, kCheckMark, kCheckMark, kNoMark, kCheckMark, kCheckMark));
    ResetMarks(rows);
    for (const MessageEntry& row : rows) EXPECT_EQ(row.mark, kNoMark);
}

TEST(BodyQuestionTest, AsksAboveFiftyThousandBytesOnly) {
    EXPECT_FALSE(BodyNeedsQuestion("50000"));
    EXPECT_TRUE(BodyNeedsQuestion("50001"));
    EXPECT_FALSE(BodyNeedsQuestion("big"));
    EXPECT_EQ(LargeBodyQuestion("50001"),
              "The message you have selected to view is quite large - 50001 bytes. Are you sure "
              "you wish to download and view it?");
}

const std::vector<std::string> kLunch{"From: Ann Lee <ann@friends.test>", "Subject: lunch",
                                      "To: me@home.test"};
const std::vector<std::string> kOffer{"From: offers@junk.test", "Subject: cheap watches",
                                      "X-Mailer: BulkBlaster"};

// A check of two messages, lunch (100 bytes) and an offer (200 bytes), over the rules a test
// sets up.
class ListActionsTest : public CheckRunFixture {
  protected:
    void ListTwo() {
        Serve(Join({Login("+OK 2 300"), Listing({{100, kLunch}, {200, kOffer}}), Quit()}));
        ASSERT_EQ(run->Check(), RunOutcome::Done);
        ASSERT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
        front.boxes.shown.clear();
        front.statuses.clear();
        front.requests.clear();
    }
    // The session in which the client downloads a listed message: `exchange` follows the login.
    void ServeRetrieval(const Script& exchange) {
        server =
            std::make_unique<testsupport::ScriptedServer>(Join({Login("+OK 2 300"), exchange}));
        client.Server = server->address();
        client.SetMessageDirectory(folder.path().string());
    }
    // The lines below the three heading lines.
    std::vector<std::string> Reasons(int index) {
        std::vector<std::string> lines = run->Why(index);
        if (lines.size() < kWhyHeadingLines) return {"too short"};
        return {lines.begin() + kWhyHeadingLines, lines.end()};
    }
    std::vector<std::string> Hits(RuleTableKind kind) {
        std::vector<std::string> hits;
        const RuleTable& table = spam.table(kind);
        for (int row = 1; row < table.rowCount(); ++row) {
            hits.push_back(table.cell(table.layout().hitColumn, row));
        }
        return hits;
    }
};

// What a case may set up before the listing.
struct World {
    SpamSettings& spam;
    FixedDomains& domains;
    KnownSpammers& known;
};

struct WhyCase {
    const char* name;
    std::function<void(const World&)> setUp;
    std::vector<std::string> reasons;  // for the offer, row 1
};

// The reason text of the offer for each kind of rule and test that can mark it.
const WhyCase kWhyCases[] = {
    {"subject_rule_that_deletes",
     [](const World& w) {
         AppendRule(w.spam.subjects(), {"", "Contains", "cheap", "No", "Yes", "0"});
     },
     {"Delete   : Subject Contains \"cheap\" "}},
    {"subject_rule_that_asks",
     [](const World& w) {
         AppendRule(w.spam.subjects(), {"", "Contains", "watches", "Yes", "No", "0"});
     },
     {"Question : Subject Contains \"watches\"  (Case Sensitive)"}},
    {"sender_rule",
     [](const World& w) { AppendRule(w.spam.senders(), SpamSenderRule("offers@junk.test")); },
     {"Delete   : E-mail address Equals \"offers@junk.test\" "}},
    {"header_rule",
     [](const World& w) {
         AppendRule(w.spam.headers(), {"", "Contains", "BulkBlaster", "No", "Yes", "0"});
     },
     {"Delete   : Header Contains \"BulkBlaster\" "}},
    {"exception",
     [](const World& w) {
         AppendRule(w.spam.exceptions(), ExceptionAddressRule("offers@junk.test"));
     },
     {"Exception : E-mail address Equals \"offers@junk.test\" "}},
    {"size",
     [](const World& w) {
         w.spam.options().largerOn = true;
         w.spam.options().largerLimit = 150;
     },
     {"Delete   : Size larger than \"150\" "}},
    {"unknown_domain",
     [](const World& w) { w.domains.answer = DomainAnswer::DoesNotExist; },
     {"Question : Reply to or From (junk.test)  is an \"Unknown domain\" "}},
    {"known_spammer",
     [](const World& w) { w.known.Assign({"junk.test"}); },
     {"Delete   : Domain \"junk.test\" is on the KNOWN SPAMMER BLACKLIST (you may edit if this "
      "is in error)"}},
    {"nothing", [](const World&) {}, {kNoReasonLine}},
};

class WhyTest : public ListActionsTest, public ::testing::WithParamInterface<WhyCase> {};

TEST_P(WhyTest, ExplainsTheMarkWithoutCountingOrChangingIt) {
    GetParam().setUp({spam, domains, known});
    ListTwo();
    const MarkState mark = run->rows()[1].mark;
    const std::vector<std::string> hits = Hits(RuleTableKind::Subject);

    const std::vector<std::string> lines = run->Why(1);

    ASSERT_GE(lines.size(), kWhyHeadingLines);
    EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + kWhyHeadingLines),
                ElementsAre("Message from offers@junk.test", "Subject of   cheap watches", ""));
    EXPECT_THAT(Reasons(1), ElementsAreArray(GetParam().reasons));
    EXPECT_EQ(run->rows()[1].mark, mark);
    EXPECT_EQ(Hits(RuleTableKind::Subject), hits);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WhyTest, ::testing::ValuesIn(kWhyCases), testsupport::ParamName());

TEST_F(ListActionsTest, WhyTellsWhatTheUserChangedByHandAndKeepsIt) {
    AppendRule(spam.subjects(), {"", "Contains", "cheap", "No", "Yes", "0"});
    ListTwo();
    run->rows()[0].mark = kCheckMark;  // marked by hand; no rule would
    run->rows()[1].mark = kNoMark;     // un-marked by hand

    EXPECT_THAT(Reasons(0), ElementsAre(kNoReasonLine, kYouMarked));
    EXPECT_THAT(Reasons(1), ElementsAre("Delete   : Subject Contains \"cheap\" ", kYouUnmarked));
    EXPECT_EQ(run->rows()[0].mark, kCheckMark);
    EXPECT_EQ(run->rows()[1].mark, kNoMark);
}

TEST_F(ListActionsTest, HeaderLinesShowEachSelectedBlockUnderItsHeading) {
    ListTwo();
    const std::string stars(38, '*');
    std::vector<std::string> expected{stars, "Subject : lunch Sender : ann@friends.test", stars};
    expected.insert(expected.end(), kLunch.begin(), kLunch.end());
    expected.insert(expected.end(),
                    {stars, "Subject : cheap watches Sender : offers@junk.test", stars});
    expected.insert(expected.end(), kOffer.begin(), kOffer.end());

    EXPECT_THAT(HeaderLines(run->rows(), client.Info(), {0, 1}), ElementsAreArray(expected));
}

TEST_F(ListActionsTest, RetrieveDownloadsTheListedMessageForItsOwnerAlone) {
    ListTwo();
    ServeRetrieval(Join({Recheck(2, 200, kOffer),
                         Retr(2, {kOffer[0], kOffer[1], kOffer[2], "", "Buy now."}), Quit()}));

    ASSERT_EQ(run->Retrieve(1), RunOutcome::Done);
    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();

    const std::string file = run->RetrievedFile(1);
    EXPECT_EQ(file, folder.File("msg_1.eml"));
    EXPECT_THAT(testsupport::FileBytes(file), HasSubstr("Buy now."));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_FALSE(client.Info().Items(1).MarkedForRetrieval());
    EXPECT_THAT(front.requests,
                ElementsAre("busy", "show Retrieving messages ... standby", "hide", "idle"));
}

TEST_F(ListActionsTest, RetrieveNeverCarriesOutDeletionsLeftSelected) {
    ListTwo();
    client.SelectForDeletion(0);  // as a deletion run that broke off leaves it
    ServeRetrieval(Join({Recheck(2, 200, kOffer), Retr(2, {kOffer[1], "", "x"}), Quit()}));

    EXPECT_EQ(run->Retrieve(1), RunOutcome::Done);
    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
}

TEST_F(ListActionsTest, MessageChangedOnTheServerIsNotDownloadedAndSaysWhy) {
    ListTwo();
    ServeRetrieval(Join({Recheck(2, 250, {"From: other@else.test", "Subject: new"}), Quit()}));

    EXPECT_EQ(run->Retrieve(1), RunOutcome::Failed);
    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();

    EXPECT_FALSE(std::filesystem::exists(run->RetrievedFile(1)));
    ASSERT_EQ(front.boxes.shown.size(), 1u);
    EXPECT_THAT(front.boxes.shown[0], HasSubstr("Message 2 is no longer the message listed"));
    EXPECT_THAT(LogText(), HasSubstr("Message 2 is no longer the message listed"));
    EXPECT_THAT(LogText(), ::testing::Not(HasSubstr("was not deleted")));
    EXPECT_EQ(front.requests.back(), "idle");
}

TEST_F(ListActionsTest, RetrieveThatFailsIsLoggedShownAndRestoresTheWindow) {
    ListTwo();
    ServeRetrieval(Join({Recheck(2, 200, kOffer), {"C: RETR 2", "S: -ERR message locked"}}));

    EXPECT_EQ(run->Retrieve(1), RunOutcome::Failed);

    EXPECT_FALSE(std::filesystem::exists(run->RetrievedFile(1)));
    ASSERT_EQ(front.boxes.shown.size(), 1u);
    EXPECT_THAT(front.boxes.shown[0], HasSubstr("message locked"));
    EXPECT_THAT(LogText(), HasSubstr("message locked"));
    EXPECT_THAT(front.requests,
                ElementsAre("busy", "show Retrieving messages ... standby", "hide", "idle"));
}

TEST_F(ListActionsTest, ExceptionsFromSelectedSendersAreSavedOnceAndMarkTheRows) {
    AppendRule(spam.subjects(), {"", "Contains", "cheap", "No", "Yes", "0"});
    ListTwo();
    ASSERT_EQ(run->rows()[1].mark, kCheckMark);

    ASSERT_TRUE(run->AddToExceptions({1, 1}));
    ASSERT_TRUE(run->AddToExceptions({1}));

    const RuleTable& exceptions = spam.exceptions();
    ASSERT_EQ(exceptions.rowCount(), 2);  // the placeholder filled, no duplicate added
    EXPECT_THAT(exceptions.row(1), ElementsAre("E-mail address", "Equals", "offers@junk.test", "No",
                                               ::testing::_, "", "3"));
    EXPECT_EQ(run->rows()[1].mark, kDefaultExceptionPicture);
    EXPECT_THAT(testsupport::FileBytes(spam.filePath(RuleTableKind::Exceptions)),
                HasSubstr("offers@junk.test"));
}

TEST_F(ListActionsTest, SpamRulesGoOnTopLaterMessagesFirstAndSkipEmptySubjects) {
    ListTwo();
    std::vector<SpamCandidate> candidates = SpamCandidates(run->rows(), {0, 1});
    candidates.push_back({"", "nosubject@junk.test"});

    ASSERT_TRUE(run->AddToSpamRules(candidates, true, true));

    const RuleTable& subjects = spam.subjects();
    ASSERT_EQ(subjects.rowCount(), 3);
    // Made with one hit each, and one more from the marking afterwards.
    EXPECT_THAT(subjects.row(1), ElementsAre("", "Equals", "cheap watches", "Yes", "Yes", "2"));
    EXPECT_THAT(subjects.row(2), ElementsAre("", "Equals", "lunch", "Yes", "Yes", "2"));
    const RuleTable& senders = spam.senders();
    ASSERT_EQ(senders.rowCount(), 3);
    EXPECT_EQ(senders.cell(3, 1), "offers@junk.test");
    EXPECT_EQ(senders.cell(3, 2), "ann@friends.test");
    // Both rows now deleted by the new rules, which the files hold.
    EXPECT_EQ(run->rows()[0].mark, kCheckMark);
    EXPECT_EQ(run->rows()[1].mark, kCheckMark);
    EXPECT_THAT(testsupport::FileBytes(spam.filePath(RuleTableKind::Sender)),
                HasSubstr("ann@friends.test"));

    // Offered again, nothing is added twice; with both boxes off nothing at all.
    ASSERT_TRUE(run->AddToSpamRules(candidates, true, true));
    ASSERT_TRUE(run->AddToSpamRules({{"other", "x@y.test"}}, false, false));
    EXPECT_EQ(spam.subjects().rowCount(), 3);
    EXPECT_EQ(spam.senders().rowCount(), 3);
}

TEST(SpamCandidatesTest, TheDialogTakesTheFirst249SelectedMessages) {
    std::vector<MessageEntry> rows(300);
    std::vector<int> selected;
    for (int i = 0; i < 300; ++i) {
        rows[static_cast<std::size_t>(i)].subject = "s" + std::to_string(i);
        selected.push_back(i);
    }
    const std::vector<SpamCandidate> candidates = SpamCandidates(rows, selected);
    ASSERT_EQ(candidates.size(), 249u);
    EXPECT_EQ(candidates.back().subject, "s248");
}

}  // namespace
}  // namespace kelvane::checktest

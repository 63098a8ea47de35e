#include <gmock/gmock.h>

#include "CaseName.h"
#include "CheckRunFixture.h"
#include "EventPump.h"
#include "Quarantine.h"
#include "TextChecks.h"

#include <fstream>

namespace kelvane::checktest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;
using testsupport::CountOccurrences;

std::vector<std::string> Headers(int n) {
    return {"From: sender" + std::to_string(n) + "@mail.test",
            "Subject: offer " + std::to_string(n)};
}

// Three messages listed by a first server; the deletion then talks to `deleting` and the
// refresh to `refreshing`, both standing in for the same mailbox.
class DeletionRunTest : public CheckRunFixture {
  protected:
    void ListThree(const std::vector<int>& marks) {
        Serve(Join({Login("+OK 3 600"),
                    Listing({{100, Headers(1)}, {200, Headers(2)}, {300, Headers(3)}}), Quit()}));
        ASSERT_EQ(run->Check(), RunOutcome::Done);
        ASSERT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
        for (std::size_t i = 0; i < marks.size(); ++i) run->rows()[i].mark = marks[i];
        front.statuses.clear();
        front.boxes.shown.clear();
    }
    void ServeDeletion(const Script& deletion, const Script& refresh) {
        deleting = std::make_unique<testsupport::ScriptedServer>(deletion);
        refreshing = std::make_unique<testsupport::ScriptedServer>(refresh);
        client.Server = deleting->address();
        front.onStatus = [this](const std::string& text) {
            if (text == "Connection closed") client.Server = refreshing->address();
        };
    }
    std::unique_ptr<testsupport::ScriptedServer> deleting;
    std::unique_ptr<testsupport::ScriptedServer> refreshing;
};

TEST_F(DeletionRunTest, DeletesCheckAndBlacklistMarksCountsLogsAndListsAgain) {
    model.general.launch = false;
    ListThree({kCheckMark, kQuestionMark, kBlacklistMark});
    ServeDeletion(Join({Login("+OK 3 600"), Recheck(1, 100, Headers(1)),
                        Recheck(3, 300, Headers(3)), Dele(1), Dele(3), Quit()}),
                  Join({Login("+OK 1 200"), Listing({{200, Headers(2)}}), Quit()}));
    EXPECT_EQ(run->Delete(), RunOutcome::Done);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();
    EXPECT_TRUE(refreshing->WaitUntilClosed(2000)) << refreshing->failure();

    EXPECT_THAT(front.boxes.shown, ElementsAre("confirm: Really delete 2 messages from server?"));
    EXPECT_THAT(front.statuses,
                IsSupersetOf(std::vector<std::string>{"Deleting 1 offer 1", "Deleting 3 offer 3"}));
    EXPECT_EQ(front.statuses.back(), "There were 2 messages deleted");
    const std::string log = LogText();
    EXPECT_EQ(CountOccurrences(log, "DELETE SPAM on "), 2);
    EXPECT_THAT(log, HasSubstr("Subject: offer 3"));
    EXPECT_THAT(log, Not(HasSubstr("Subject: offer 2")));
    EXPECT_EQ(store.ReadString(settingkeys::Count), "2");
    ASSERT_EQ(run->rows().size(), 1u);
    EXPECT_EQ(run->rows()[0].subject, "offer 2");
    EXPECT_THAT(front.requests, Not(IsSupersetOf(std::vector<std::string>{"launch"})));
}

TEST_F(DeletionRunTest, AnsweringNoChangesNothing) {
    ListThree({kCheckMark, kNoMark, kCheckMark});
    const std::string logBefore = LogText();
    front.boxes.answers = {false};
    EXPECT_EQ(run->Delete(), RunOutcome::Stopped);
    EXPECT_THAT(front.boxes.shown, ElementsAre("confirm: Really delete 2 messages from server?"));
    EXPECT_EQ(Marks(), (std::vector<int>{kCheckMark, kNoMark, kCheckMark}));
    EXPECT_EQ(LogText(), logBefore);
    EXPECT_EQ(store.ReadString(settingkeys::Count), "0");
}

TEST_F(DeletionRunTest, NothingMarkedInformsOnlyWhenAskingInManualMode) {
    ListThree({kQuestionMark, kNoMark, 3});
    EXPECT_EQ(run->Delete(), RunOutcome::Stopped);
    EXPECT_THAT(front.boxes.shown,
                ElementsAre("information: There were no messages marked to delete!"));
    front.boxes.shown.clear();
    model.general.automatic = true;
    EXPECT_EQ(run->Delete(), RunOutcome::Stopped);
    EXPECT_TRUE(front.boxes.shown.empty());
}

TEST_F(DeletionRunTest, RefusedAndMovedMessagesAreNotCountedButLoggedAsErrors) {
    model.general.automatic = true;
    ListThree({kCheckMark, kCheckMark, kCheckMark});
    ServeDeletion(
        Join({Login("+OK 3 600"), Recheck(1, 100, Headers(1)),
              Recheck(2, 200, {"From: someone@else.test", "Subject: other"}),
              Recheck(3, 300, Headers(3)), Dele(1, "-ERR locked"), Dele(3), Quit()}),
        Join({Login("+OK 2 300"), Listing({{100, Headers(1)}, {200, Headers(2)}}), Quit()}));
    EXPECT_EQ(run->Delete(), RunOutcome::Done);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();

    const std::string refused = "Message 1 was not deleted: the server replied -ERR locked";
    const std::string moved = "Message 2 was not deleted: another program changed the mailbox";
    EXPECT_THAT(front.statuses, IsSupersetOf(std::vector<std::string>{refused, moved}));
    EXPECT_EQ(front.statuses.back(), "There were 1 messages deleted");
    const std::string log = LogText();
    EXPECT_EQ(CountOccurrences(log, "DELETE SPAM on "), 1);
    EXPECT_THAT(log, HasSubstr("ERROR " + refused + " FOR ann"));
    EXPECT_THAT(log, HasSubstr("ERROR " + moved + " FOR ann"));
    EXPECT_EQ(store.ReadString(settingkeys::Count), "1");
    EXPECT_EQ(run->rows().size(), 2u);
    ASSERT_EQ(run->notDeleted().size(), 2u);
    EXPECT_EQ(run->notDeleted()[0].number, 1);
    EXPECT_EQ(run->notDeleted()[0].text, refused);
    EXPECT_EQ(run->notDeleted()[1].number, 2);
    EXPECT_EQ(run->notDeleted()[1].text, moved);

    // The next deletion run starts afresh, also when it finds nothing marked.
    EXPECT_EQ(run->Delete(), RunOutcome::Stopped);
    EXPECT_TRUE(run->notDeleted().empty());
    EXPECT_EQ(run->deletedCount(), 0);
}

// The server commits DELE only when QUIT succeeds; a session that breaks off before deleted
// nothing, so nothing may be logged or counted as deleted.
TEST_F(DeletionRunTest, SessionLostBeforeQuitLogsAndCountsNoDeletion) {
    model.general.automatic = true;
    ListThree({kCheckMark, kNoMark, kCheckMark});
    ServeDeletion(Join({Login("+OK 3 600"),
                        Recheck(1, 100, Headers(1)),
                        Recheck(3, 300, Headers(3)),
                        Dele(1),
                        Dele(3),
                        {"C: QUIT", "close"}}),
                  {});
    EXPECT_EQ(run->Delete(), RunOutcome::Failed);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();

    EXPECT_EQ(run->deletedCount(), 0);
    EXPECT_THAT(LogText(), Not(HasSubstr("DELETE SPAM on ")));
    EXPECT_EQ(store.ReadString(settingkeys::Count), "0");
    ASSERT_EQ(front.boxes.shown.size(), 1u);
    EXPECT_THAT(front.boxes.shown[0], HasSubstr("error: "));
    EXPECT_EQ(Marks(), (std::vector<int>{kCheckMark, kNoMark, kCheckMark}));
}

TEST_F(DeletionRunTest, ManualModeWithLaunchLeavesTheListEmptyAndLaunches) {
    ListThree({kCheckMark, kNoMark, kNoMark});
    ServeDeletion(Join({Login("+OK 3 600"), Recheck(1, 100, Headers(1)), Dele(1), Quit()}), {});
    EXPECT_EQ(run->Delete(), RunOutcome::Done);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();
    EXPECT_TRUE(run->rows().empty());
    EXPECT_EQ(front.requests.back(), "launch");
    EXPECT_EQ(front.statuses.back(), "There were 1 messages deleted");
}

// How a first deletion of messages 1 and 3 breaks off after the server has answered DELE 1.
struct BrokenOffCase {
    const char* name;
    Script ending;  // what the server does once DELE 3 has come
    bool cancels;   // the user clicks Cancel while DELE 3 waits for its reply
};

void PrintTo(const BrokenOffCase& c, std::ostream* os) {
    *os << c.name;
}

class BrokenOffDeletionTest : public DeletionRunTest,
                              public ::testing::WithParamInterface<BrokenOffCase> {};

// A run that broke off deleted nothing and kept its rows; the user then unmarks message 3, and
// the next run must delete message 1 alone, not what the broken-off run had selected.
TEST_P(BrokenOffDeletionTest, TheNextRunDeletesOnlyWhatIsStillMarked) {
    ListThree({kCheckMark, kNoMark, kCheckMark});
    ServeDeletion(Join({Login("+OK 3 600"),
                        Recheck(1, 100, Headers(1)),
                        Recheck(3, 300, Headers(3)),
                        Dele(1),
                        {"C: DELE 3"},
                        GetParam().ending}),
                  {});
    SetEventPump([this] {
        if (GetParam().cancels && !front.statuses.empty() &&
            front.statuses.back() == "Deleting 1 offer 1") {
            run->Cancel();
        }
    });
    ASSERT_EQ(run->Delete(), RunOutcome::Failed);
    SetEventPump({});
    EXPECT_TRUE(deleting->WaitUntilClosed(3000)) << deleting->failure();
    ASSERT_EQ(Marks(), (std::vector<int>{kCheckMark, kNoMark, kCheckMark}));

    run->rows()[2].mark = kNoMark;
    ServeDeletion(Join({Login("+OK 3 600"), Recheck(1, 100, Headers(1)), Dele(1), Quit()}), {});
    EXPECT_EQ(run->Delete(), RunOutcome::Done);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();
    EXPECT_THAT(deleting->received(), Contains("DELE 1"));
    EXPECT_THAT(deleting->received(), Not(Contains(HasSubstr(" 3"))));
    EXPECT_EQ(run->deletedCount(), 1);
    EXPECT_EQ(CountOccurrences(LogText(), "DELETE SPAM on "), 1);
    EXPECT_THAT(LogText(), Not(HasSubstr("Subject: offer 3")));
}

INSTANTIATE_TEST_SUITE_P(Endings, BrokenOffDeletionTest,
                         ::testing::Values(BrokenOffCase{"cancel", {"silence"}, true},
                                           BrokenOffCase{"link-dropped", {"close"}, false}),
                         testsupport::ParamName());

// With the quarantine on, every message goes to it before its DELE; one that cannot be kept stays
// on the server and is reported like a refused deletion.
class KeepingDeletionTest : public DeletionRunTest {
  protected:
    KeepingDeletionTest() {
        model.general.automatic = true;
        run->SetQuarantine(&quarantine);
    }
    Quarantine quarantine{QuarantineFolder(folder.path().string())};
};

TEST_F(KeepingDeletionTest, KeepsEachMessageBeforeItsDeleteAndLeavesWhatTheServerWithholds) {
    ListThree({kCheckMark, kBlacklistMark, kCheckMark});
    ServeDeletion(Join({Login("+OK 3 600"),
                        Recheck(1, 100, Headers(1)),
                        Recheck(2, 200, Headers(2)),
                        Recheck(3, 300, Headers(3)),
                        Retr(1, Join({Headers(1), {"", "..dotted line", "end"}})),
                        {"C: RETR 2", "S: -ERR in use"},
                        Retr(3, Headers(3)),
                        Dele(1),
                        Dele(3),
                        Quit()}),
                  Join({Login("+OK 1 200"), Listing({{200, Headers(2)}}), Quit()}));
    EXPECT_EQ(run->Delete(), RunOutcome::Done);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();

    const auto kept = quarantine.List();
    ASSERT_EQ(kept.size(), 2u);
    const KeptMessage& first = kept[0].subject == "offer 1" ? kept[0] : kept[1];
    EXPECT_EQ(quarantine.Message(first.id),
              "From: sender1@mail.test\r\nSubject: offer 1\r\n\r\n.dotted line\r\nend\r\n");
    EXPECT_EQ(first.mailbox, 1);
    EXPECT_EQ(first.mark, kCheckMark);
    EXPECT_EQ(first.server, deleting->address());
    EXPECT_EQ(first.user, "ann");
    EXPECT_FALSE(first.reasons.empty());

    const std::string withheld =
        "Message 2 was not deleted: the server did not send it to be kept, it replied -ERR in use";
    ASSERT_EQ(run->notDeleted().size(), 1u);
    EXPECT_EQ(run->notDeleted()[0].text, withheld);
    EXPECT_EQ(run->deletedCount(), 2);
    const std::string log = LogText();
    EXPECT_EQ(CountOccurrences(log, "DELETE SPAM on "), 2);
    EXPECT_THAT(log, HasSubstr("ERROR " + withheld + " FOR ann"));
}

TEST_F(KeepingDeletionTest, NothingIsDeletedWhenTheQuarantineCannotHoldIt) {
    { std::ofstream(quarantine.folder()) << "a file where the folder belongs"; }
    ListThree({kCheckMark, kNoMark, kCheckMark});
    ServeDeletion(
        Join({Login("+OK 3 600"), Recheck(1, 100, Headers(1)), Recheck(3, 300, Headers(3)),
              Retr(1, Headers(1)), Retr(3, Headers(3)), Quit()}),
        Join({Login("+OK 3 600"),
              Listing({{100, Headers(1)}, {200, Headers(2)}, {300, Headers(3)}}), Quit()}));
    EXPECT_EQ(run->Delete(), RunOutcome::Done);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();
    EXPECT_THAT(deleting->received(), Not(Contains(HasSubstr("DELE"))));
    EXPECT_EQ(run->deletedCount(), 0);
    ASSERT_EQ(run->notDeleted().size(), 2u);
    EXPECT_THAT(run->notDeleted()[1].text,
                HasSubstr("Message 3 was not deleted: it could not be kept for restoring: "));
    EXPECT_THAT(LogText(), Not(HasSubstr("DELETE SPAM on ")));
}

TEST_F(KeepingDeletionTest, ARetrievalCutShortDeletesNothing) {
    ListThree({kCheckMark, kNoMark, kCheckMark});
    ServeDeletion(Join({Login("+OK 3 600"),
                        Recheck(1, 100, Headers(1)),
                        Recheck(3, 300, Headers(3)),
                        Retr(1, Headers(1)),
                        {"C: RETR 3", "S: +OK", "S: From: sender3@mail.test", "close"}}),
                  {});
    EXPECT_EQ(run->Delete(), RunOutcome::Failed);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();
    EXPECT_THAT(deleting->received(), Not(Contains(HasSubstr("DELE"))));
    EXPECT_THAT(deleting->received(), Not(Contains("QUIT")));
    EXPECT_EQ(run->deletedCount(), 0);
    EXPECT_EQ(Marks(), (std::vector<int>{kCheckMark, kNoMark, kCheckMark}));
}

TEST_F(KeepingDeletionTest, TurnedOffTheRunDeletesWithoutRetrieving) {
    spam.options().quarantine.keep = false;
    ListThree({kCheckMark, kNoMark, kNoMark});
    ServeDeletion(
        Join({Login("+OK 3 600"), Recheck(1, 100, Headers(1)), Dele(1), Quit()}),
        Join({Login("+OK 2 500"), Listing({{200, Headers(2)}, {300, Headers(3)}}), Quit()}));
    EXPECT_EQ(run->Delete(), RunOutcome::Done);
    EXPECT_TRUE(deleting->WaitUntilClosed(2000)) << deleting->failure();
    EXPECT_EQ(run->deletedCount(), 1);
    EXPECT_TRUE(quarantine.List().empty());
}

}  // namespace
}  // namespace kelvane::checktest

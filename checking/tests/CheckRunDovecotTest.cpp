// The check and deletion runs against a real POP3 server: a private Dovecot per test.
#include <gmock/gmock.h>

#include <iostream>
#include <optional>

#include "AtomicFile.h"
#include "CaseName.h"
#include "CheckRunFixture.h"
#include "DovecotServer.h"
#include "MailboxProbe.h"
#include "Quarantine.h"
#include "TextChecks.h"

namespace kelvane::checktest {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::CountOccurrences;
using testsupport::DovecotServer;
using testsupport::HasInOrder;
using testsupport::SampleMessage;

// The listing shows the date in the message's own time.
constexpr const char* kListedDate = "3/14/2000 10:20:30 AM";

const std::string kLunch = SampleMessage("Bo <bo@friends.test>", "lunch");
const std::string kWatches = SampleMessage("offers@junk.test", "cheap watches");
const std::string kToday = SampleMessage("news@paper.test", "today");

// Mailbox 1 (ann, password "pw") on a private Dovecot; mailbox 3 stays configured but unchecked,
// so every listing logs out and the deletion commits by its QUIT.
class CheckRunDovecotTest : public CheckRunFixture {
  protected:
    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        dovecot.emplace();
        dovecot->AddUser("ann", "pw");
        // A loaded machine must not turn a slow reply into a failed run.
        client.TimeOut = 10;
    }
    void TearDown() override {
        if (HasFailure() && dovecot) std::cerr << dovecot->LogTail();
    }

    void StartWith(const std::vector<std::string>& messages) {
        for (const std::string& message : messages) dovecot->AddMessage("ann", message);
        dovecot->Start();
        Configure(1, dovecot->address(), "ann", true);
    }

    // Three messages, the second from a known spammer.
    void CheckThree() {
        known.Assign({"offers@junk.test"});
        StartWith({kLunch, kWatches, kToday});
        ASSERT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    }

    std::vector<std::string> SubjectsOnServer() const {
        return testsupport::SubjectsOnServer(dovecot->address(), "ann", "pw");
    }

    std::string Where() const { return "ann on " + dovecot->address(); }

    // A deletion block after its first line (which holds the time stamp).
    std::string BlockBody(const std::string& message, const std::string& subject,
                          const std::string& sender) const {
        return "   Server:  " + dovecot->address() + " Mailbox: ann\r\n   Subject: " + subject +
               "\r\n   Sender:  " + sender + "\r\n   Size:    " + std::to_string(message.size()) +
               "  Date: " + kListedDate + "\r\n";
    }

    std::optional<DovecotServer> dovecot;
};

TEST_F(CheckRunDovecotTest, ThreeMessagesAreListedInOrderMarkedAndLogged) {
    CheckThree();

    std::vector<std::string> subjects;
    for (const MessageEntry& row : run->rows()) subjects.push_back(row.subject);
    EXPECT_THAT(subjects, ElementsAre("lunch", "cheap watches", "today"));
    EXPECT_EQ(Marks(), (std::vector<int>{kNoMark, kBlacklistMark, kNoMark}));
    ASSERT_EQ(run->rows().size(), 3u);
    EXPECT_EQ(run->rows()[0].sender, "bo@friends.test");
    EXPECT_EQ(run->rows()[0].size, std::to_string(kLunch.size()));
    EXPECT_EQ(run->rows()[0].date, kListedDate);

    EXPECT_THAT(front.statuses,
                HasInOrder(std::vector<std::string>{
                    "Opening connection for " + Where(), "Updating headers",
                    "Checking message 1 of 3 total waiting messages",
                    "Checking message 2 of 3 total waiting messages",
                    "Checking message 3 of 3 total waiting messages", "Closing connection",
                    "Connection closed", "3 msg(s) for " + Where()}));
    EXPECT_EQ(front.statuses.back(), "Message Total: 3 Number Marked: 1");
    EXPECT_THAT(LogText(), HasSubstr("MAIL CHECK 3 msg(s) for \"ann\" on server " +
                                     dovecot->address() + " at "));
    EXPECT_TRUE(front.boxes.shown.empty());
    // A check only looks: everything is still there.
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("lunch", "cheap watches", "today"));
}

TEST_F(CheckRunDovecotTest, EmptyMailboxLogsACheckOfNone) {
    StartWith({});
    EXPECT_EQ(run->Check(), RunOutcome::Done);
    EXPECT_TRUE(run->rows().empty());
    EXPECT_THAT(front.statuses, HasInOrder(std::vector<std::string>{
                                    "Opening connection for " + Where(), "Connection closed",
                                    "0 msg(s) for " + Where()}));
    EXPECT_EQ(front.statuses.back(), "Message Total: 0 Number Marked: 0");
    EXPECT_THAT(LogText(), HasSubstr("MAIL CHECK 0 msg(s) for \"ann\" on server " +
                                     dovecot->address() + " at "));
    EXPECT_TRUE(front.boxes.shown.empty());
}

// The user confirming, or a run without anyone to ask: either deletes the same messages.
struct DeletionCase {
    const char* name;
    bool interactive;
    bool launch;  // the launch setting; an unattended run lists again all the same
    std::vector<std::string> boxes;
};

void PrintTo(const DeletionCase& c, std::ostream* out) {
    *out << c.name;
}

class DovecotDeletionTest : public CheckRunDovecotTest,
                            public ::testing::WithParamInterface<DeletionCase> {};

// Of a check, a question and a blacklist mark, the question mark is the user's to decide: only
// the other two messages go.
TEST_P(DovecotDeletionTest, DeletesTheCheckAndBlacklistMarksCountsLogsAndListsAgain) {
    CheckThree();
    model.general.launch = GetParam().launch;
    store.WriteString(settingkeys::Count, "40");  // the count as stored, whatever the model holds
    run->rows()[0].mark = kCheckMark;
    run->rows()[1].mark = kQuestionMark;
    run->rows()[2].mark = kBlacklistMark;
    const std::string logBefore = LogText();
    front.statuses.clear();
    front.requests.clear();

    EXPECT_EQ(run->Delete({GetParam().interactive}), RunOutcome::Done);

    EXPECT_THAT(front.boxes.shown, ElementsAreArray(GetParam().boxes));
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("cheap watches"));
    EXPECT_EQ(run->deletedCount(), 2);
    EXPECT_THAT(front.statuses,
                HasInOrder(std::vector<std::string>{
                    "Deleting 1 lunch", "Deleting 3 today", "Connection closed",
                    "Opening connection for " + Where(),
                    "Checking message 1 of 1 total waiting messages", "1 msg(s) for " + Where()}));
    EXPECT_THAT(front.statuses, Not(::testing::Contains(HasSubstr("cheap watches"))));
    EXPECT_EQ(front.statuses.back(), "There were 2 messages deleted");
    EXPECT_THAT(front.requests, Not(::testing::Contains("launch")));

    // The check's record stays first; one block per deleted message follows.
    const std::string log = LogText();
    ASSERT_EQ(log.substr(0, logBefore.size()), logBefore);
    const std::string added = log.substr(logBefore.size());
    EXPECT_EQ(CountOccurrences(added, "DELETE SPAM on "), 2);
    EXPECT_THAT(added, HasSubstr(BlockBody(kLunch, "lunch", "bo@friends.test")));
    EXPECT_THAT(added, HasSubstr(BlockBody(kToday, "today", "news@paper.test")));
    EXPECT_THAT(added, Not(HasSubstr("cheap watches")));

    EXPECT_EQ(model.general.count, "42");
    EXPECT_EQ(store.ReadString(settingkeys::Count), "42");

    // The list is the server's again, the remaining message classified afresh.
    ASSERT_EQ(run->rows().size(), 1u);
    EXPECT_EQ(run->rows()[0].subject, "cheap watches");
    EXPECT_EQ(run->rows()[0].mark, kBlacklistMark);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DovecotDeletionTest,
    ::testing::Values(DeletionCase{"ConfirmedByTheUser",
                                   true,
                                   false,
                                   {"confirm: Really delete 2 messages from server?"}},
                      DeletionCase{"Unattended", false, true, {}}),
    testsupport::ParamName());

// The quarantine keeps each deleted message as Dovecot served it, so that a restore gives back
// exactly that; a message it cannot keep stays on the server.
TEST_F(CheckRunDovecotTest, DeletedMessagesAreKeptAndRestoredByteForByte) {
    const std::string dotted = SampleMessage("offers@junk.test", "dots") +
                               ".leading dot\r\n..two dots\r\n.\r\nafter a lone dot\r\n";
    known.Assign({"offers@junk.test"});
    StartWith({kLunch, dotted, kWatches});
    ASSERT_EQ(run->Check(), RunOutcome::Done);
    Quarantine quarantine(QuarantineFolder(folder.path().string()));
    run->SetQuarantine(&quarantine);

    EXPECT_EQ(run->Delete({false}), RunOutcome::Done);
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("lunch"));
    const auto kept = quarantine.List();
    ASSERT_EQ(kept.size(), 2u);
    for (const KeptMessage& message : kept) {
        const std::string restored = folder.File(message.id + ".eml");
        quarantine.Restore(message.id, restored);
        const std::string& served = message.subject == "dots" ? dotted : kWatches;
        EXPECT_EQ(ReadWholeFile(restored), DovecotServer::OnTheWire(served)) << message.subject;
        EXPECT_EQ(message.mark, kBlacklistMark);
        EXPECT_EQ(message.server, dovecot->address());
    }
}

TEST_F(CheckRunDovecotTest, AMessageThatCannotBeKeptStaysOnTheServer) {
    CheckThree();
    Quarantine quarantine(QuarantineFolder(folder.path().string()));
    // A folder that even root cannot write into: a file stands where it belongs.
    WriteFileAtomically(quarantine.folder(), "not a folder");
    run->SetQuarantine(&quarantine);

    EXPECT_EQ(run->Delete({false}), RunOutcome::Done);
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("lunch", "cheap watches", "today"));
    EXPECT_EQ(run->deletedCount(), 0);
    ASSERT_EQ(run->notDeleted().size(), 1u);
    EXPECT_THAT(run->notDeleted()[0].text,
                HasSubstr("Message 2 was not deleted: it could not be kept for restoring: "));
    EXPECT_THAT(LogText(), HasSubstr("ERROR Message 2 was not deleted"));
    EXPECT_THAT(LogText(), Not(HasSubstr("DELETE SPAM on ")));
}

TEST_F(CheckRunDovecotTest, AnsweringNoLeavesServerLogAndCountAlone) {
    CheckThree();
    run->rows()[0].mark = kCheckMark;
    run->rows()[1].mark = kQuestionMark;
    run->rows()[2].mark = kBlacklistMark;
    const std::string logBefore = LogText();
    const std::string countBefore = store.ReadString(settingkeys::Count);
    front.boxes.answers = {false};

    EXPECT_EQ(run->Delete(), RunOutcome::Stopped);

    EXPECT_THAT(front.boxes.shown, ElementsAre("confirm: Really delete 2 messages from server?"));
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("lunch", "cheap watches", "today"));
    EXPECT_EQ(LogText(), logBefore);
    EXPECT_EQ(store.ReadString(settingkeys::Count), countBefore);
    EXPECT_EQ(Marks(), (std::vector<int>{kCheckMark, kQuestionMark, kBlacklistMark}));
}

// With mailbox 1 alone configured the listing's session is kept for the deletion; the next
// check must still log in afresh, or it would show the maildrop as it was at the first login:
// neither new mail nor another account would ever appear.
TEST_F(CheckRunDovecotTest, OnlyMailboxSeesWhatChangedBetweenChecks) {
    Configure(3, "", "", false);
    StartWith({kLunch});
    ASSERT_EQ(run->Check(), RunOutcome::Done);
    ASSERT_TRUE(client.Connected()) << "the session is kept for a deletion";

    dovecot->AddMessage("ann", kToday);
    ASSERT_EQ(run->Check(), RunOutcome::Done);
    std::vector<std::string> subjects;
    for (const MessageEntry& row : run->rows()) subjects.push_back(row.subject);
    EXPECT_THAT(subjects, ElementsAre("lunch", "today"));

    dovecot->AddUser("bob", "pw");
    dovecot->AddMessage("bob", kWatches);
    Configure(1, dovecot->address(), "bob", true);
    ASSERT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    ASSERT_EQ(run->rows().size(), 1u);
    EXPECT_EQ(run->rows()[0].subject, "cheap watches");
    EXPECT_THAT(LogText(), HasSubstr("MAIL CHECK 1 msg(s) for \"bob\" on server " +
                                     dovecot->address() + " at "));
    client.Disconnect();  // the kept session would hold up the server's shutdown
}

}  // namespace
}  // namespace kelvane::checktest

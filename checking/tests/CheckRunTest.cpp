#include <gmock/gmock.h>

#include <filesystem>

#include "CaseName.h"
#include "CheckRunFixture.h"
#include "EventPump.h"

namespace kelvane::checktest {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Not;

const std::vector<std::string> kPlain{"From: Ann Lee <ann@friends.test>", "Subject: lunch",
                                      "Date: Tue, 14 Mar 2000 00:00:00 +0100"};
const std::vector<std::string> kSpam{"From: offers@junk.test", "Subject: cheap watches",
                                     "Date: not a date"};
const std::vector<std::string> kNews{
    "From: news@paper.test", "Subject: =?bogus?Q?x?=", "Date: Tue, 14 Mar 2000 13:05:09 +0100"};

using CheckMailTest = CheckRunFixture;

TEST_F(CheckMailTest, ThreeMessagesAreListedMarkedLoggedAndSaved) {
    known.Assign({"offers@junk.test"});
    Serve(Join({Login("+OK 3 600"), Listing({{100, kPlain}, {200, kSpam}, {300, kNews}}), Quit()}));
    EXPECT_EQ(run->Check(), RunOutcome::Done);
    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();

    EXPECT_EQ(Marks(), (std::vector<int>{kNoMark, kBlacklistMark, kNoMark}));
    const std::vector<MessageEntry>& rows = run->rows();
    EXPECT_EQ(rows[0].sender, "ann@friends.test");
    EXPECT_EQ(rows[0].date, "3/14/2000");
    EXPECT_EQ(rows[1].date, "not a date");
    EXPECT_EQ(rows[2].date, "3/14/2000 1:05:09 PM");
    EXPECT_EQ(rows[2].size, "300");

    const std::string where = "ann on " + server->address();
    EXPECT_THAT(front.statuses,
                IsSupersetOf(std::vector<std::string>{
                    "Opening connection for " + where, "Updating headers",
                    "Checking message 3 of 3 total waiting messages", "Closing connection",
                    "Connection closed", "3 msg(s) for " + where}));
    EXPECT_EQ(front.statuses.back(), "Message Total: 3 Number Marked: 1");
    EXPECT_FALSE(client.KeepConnected);
    EXPECT_THAT(LogText(), HasSubstr("MAIL CHECK 3 msg(s) for \"ann\""));
    EXPECT_TRUE(std::filesystem::exists(spam.filePath(RuleTableKind::Subject)));
    EXPECT_TRUE(front.boxes.shown.empty());
}

TEST_F(CheckMailTest, EmptyMailboxLogsZeroAndEndsTheProgramWhenAsked) {
    model.general.exitIfNoMail = true;
    Serve(Join({Login("+OK 0 0"), Quit()}));
    EXPECT_EQ(run->Check(), RunOutcome::Done);
    EXPECT_TRUE(run->rows().empty());
    EXPECT_THAT(front.statuses,
                IsSupersetOf(std::vector<std::string>{"0 msg(s) for ann on " + server->address()}));
    EXPECT_EQ(front.statuses.back(), "Message Total: 0 Number Marked: 0");
    EXPECT_THAT(front.requests, IsSupersetOf(std::vector<std::string>{"close"}));
    EXPECT_THAT(LogText(), HasSubstr("MAIL CHECK 0 msg(s)"));
}

struct SettingsProblem {
    const char* name;
    const char* server;
    const char* user;
    const char* box;
};

void PrintTo(const SettingsProblem& c, std::ostream* out) {
    *out << c.name;
}

class SettingsProblemTest : public CheckRunFixture,
                            public ::testing::WithParamInterface<SettingsProblem> {};

TEST_P(SettingsProblemTest, ShowsTheBoxOpensTheSettingsAndContactsNoServer) {
    Configure(1, GetParam().server, GetParam().user, true);
    EXPECT_EQ(run->Check(), RunOutcome::Stopped);
    EXPECT_THAT(front.boxes.shown, ElementsAre(std::string("error: ") + GetParam().box));
    EXPECT_THAT(front.requests, ElementsAre("general settings"));
    EXPECT_FALSE(std::filesystem::exists(folder.File("log.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsProblemTest,
    ::testing::Values(
        SettingsProblem{"NoMailboxChecked", "", "ann", "At least ONE mailbox needs to be checked."},
        SettingsProblem{"NoUserName", "127.0.0.1:1", " ",
                        "You need to enter your e-mail username in the settings."},
        SettingsProblem{"BlankServer", "  ", "ann",
                        "You need to enter the name of your mail server in the settings."}),
    testsupport::ParamName());

TEST_F(CheckMailTest, PickerListsTheCheckedMailboxesAndItsCancelChangesNothing) {
    Serve({});
    Configure(3, "mail.test", "bob", true);
    // The picker offers the mailbox chosen in the settings, even when an unattended visit left
    // another one current.
    model.accounts.which = 3;
    run->setCurrentMailbox(1);
    EXPECT_EQ(run->Check(), RunOutcome::Stopped);
    EXPECT_EQ(front.pickerCurrent, 3);
    EXPECT_THAT(front.pickerEntries, ElementsAre("1) Mailbox ann - Server " + server->address(),
                                                 "3) Mailbox bob - Server mail.test"));
    EXPECT_EQ(run->currentMailbox(), 1);
    EXPECT_TRUE(front.requests.empty());
}

TEST_F(CheckMailTest, OnlyMailboxOneConfiguredKeepsTheSessionOpen) {
    Configure(3, "", "", false);
    Serve(Join({Login("+OK 0 0"), Quit()}));
    EXPECT_EQ(run->Check(), RunOutcome::Done);
    EXPECT_TRUE(client.KeepConnected);
    EXPECT_TRUE(client.Connected());
    client.Disconnect();
    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
}

TEST_F(CheckMailTest, ServerRefusalEndsTheRunWithoutCheckRecord) {
    Serve(Join({Greeting(), {"C: USER ann", "S: +OK", "C: PASS pw", "S: -ERR wrong password"}}));
    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    EXPECT_THAT(front.boxes.shown, ElementsAre(HasSubstr("wrong password")));
    // The client only raises a refusal; the run logs it, whichever program shows it.
    EXPECT_THAT(LogText(), HasSubstr("ERROR -ERR wrong password FOR ann ON "));
    EXPECT_THAT(LogText(), Not(HasSubstr("MAIL CHECK")));
}

TEST_F(CheckMailTest, CancelDuringSlowListingEmptiesTheListAndLogsIt) {
    Serve(Join({Login("+OK 2 300"),
                ListingStart({100, 200}),
                Top(1, kPlain),
                {"C: TOP 2 1", "sleep 3000"}}));
    bool cancelled = false;
    SetEventPump([&] {
        if (!cancelled && !run->rows().empty()) {
            cancelled = true;
            run->Cancel();
        }
    });
    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(run->rows().empty());
    EXPECT_THAT(front.boxes.shown, ElementsAre("error: Operation has been canceled"));
    const std::string text = LogText();
    EXPECT_THAT(text, HasSubstr("OPERATION CANCELED FOR ann"));
    EXPECT_THAT(text, HasSubstr("ERROR Operation has been canceled FOR ann"));
    EXPECT_THAT(text, Not(HasSubstr("MAIL CHECK")));
}

// Mailbox 2 has no stored password: its server must get an empty one, never mailbox 1's.
TEST_F(CheckMailTest, AccountWithoutPasswordNeverSendsAnotherOne) {
    Serve(Join({Login("+OK 0 0"), Quit()}));
    testsupport::ScriptedServer second(
        Join({Greeting(),
              {"C: USER carl", "S: +OK", "C: PASS ", "S: -ERR [AUTH] Authentication failed.",
               "silence"}}));
    Configure(2, second.address(), "carl", true);
    store.WriteString(settingkeys::PasswdN, "", 2);

    run->setCurrentMailbox(1);
    ASSERT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Done);
    run->setCurrentMailbox(2);
    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Failed);
    EXPECT_EQ(run->lastError(), "-ERR [AUTH] Authentication failed.");
    client.Close();
    EXPECT_TRUE(second.WaitUntilClosed(3000)) << second.failure();
    EXPECT_EQ(second.received(), (std::vector<std::string>{"CAPA", "USER carl", "PASS "}));
}

}  // namespace
}  // namespace kelvane::checktest

#include "AutomaticCheck.h"

#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

#include "CaseName.h"
#include "CheckRunFixture.h"
#include "EventPump.h"

namespace kelvane::checktest {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

const std::vector<std::string> kGood{"From: Ann Lee <ann@friends.test>", "Subject: lunch",
                                     "Date: Tue, 14 Mar 2000 00:00:00 +0100"};
const std::vector<std::string> kJunk{"From: offers@junk.test", "Subject: cheap watches",
                                     "Date: Tue, 14 Mar 2000 00:00:00 +0100"};

class RecordingView : public AutomaticCheckView {
  public:
    void SetTitle(const std::string& text) override { titles.push_back(text); }
    void SetMinuteTrigger(bool enabled) override { trigger = enabled; }
    void SetTrayAnimated(bool on) override { animated = on; }
    void SetAutomaticMenuChecked(bool on) override { menuOn = on; }
    void ShowApplication() override { ++shown; }
    void PlayAlarm(bool on) override { alarms.push_back(on); }
    bool MainWindowVisible() const override { return visible; }

    std::vector<std::string> titles;
    bool trigger = false;
    bool animated = false;
    bool menuOn = false;
    int shown = 0;
    std::vector<bool> alarms;
    bool visible = false;
};

// Unattended checking over mailboxes served by scripted servers; mailbox 3 stays unchecked.
class AutomaticCheckTest : public CheckRunFixture {
  protected:
    AutomaticCheckTest() {
        model.general.automatic = true;
        model.general.minutes = 1;
    }

    void ServeMailbox(int n, const std::string& user, const Script& script) {
        servers.push_back(std::make_unique<testsupport::ScriptedServer>(script));
        Configure(n, servers.back()->address(), user, true);
    }

    // Starts with a one-minute countdown and lets it run out.
    void TickUntilTheVisit() {
        automatic.Start();
        automatic.tmCheckForMailTimer();
    }

    static Script LoginAs(const std::string& user, const std::string& stat) {
        return Join(
            {Greeting(),
             {"C: USER " + user, "S: +OK", "C: PASS pw", "S: +OK in", "C: STAT", "S: " + stat}});
    }
    static Script Empty(const std::string& user = "ann") {
        return Join({LoginAs(user, "+OK 0 0"), Quit()});
    }

    RecordingView view;
    std::vector<std::unique_ptr<testsupport::ScriptedServer>> servers;
    AutomaticCheck automatic{*run, model, store, log, view};
};

TEST_F(AutomaticCheckTest, TheCountdownNamesTheMinutesLeftAndChecksAtZero) {
    model.general.minutes = 3;
    automatic.Start();
    EXPECT_EQ(view.titles.back(), "Kelvane - next e-mail check in 3 minutes");
    EXPECT_TRUE(view.trigger);
    EXPECT_TRUE(view.animated);
    EXPECT_TRUE(view.menuOn);

    automatic.tmCheckForMailTimer();
    EXPECT_EQ(view.titles.back(), "Kelvane - next e-mail check in 2 minutes");
    automatic.tmCheckForMailTimer();
    EXPECT_EQ(view.titles.back(), "Kelvane - next e-mail check in 1 minute");
    automatic.tmCheckForMailTimer();
    EXPECT_EQ(view.titles.back(), "Kelvane - No waiting messages found") << "nothing to check";
    EXPECT_EQ(automatic.MinutesToCheck(), 3);
    EXPECT_TRUE(view.trigger) << "on again after the visit";
    EXPECT_FALSE(automatic.UnattendedRun());

    model.general.automatic = false;
    automatic.UpdateAutomaticCaptions(false, 3);
    EXPECT_EQ(view.titles.back(), "Kelvane");
    EXPECT_FALSE(view.trigger);
    EXPECT_FALSE(view.animated);
}

TEST_F(AutomaticCheckTest, TheVisitStopsAtTheFirstMailboxWithMail) {
    ServeMailbox(1, "ann", Empty());
    ServeMailbox(
        2, "bea",
        Join({LoginAs("bea", "+OK 2 300"), Listing({{100, kGood}, {200, kJunk}}), Quit()}));
    ServeMailbox(4, "cid", Empty("cid"));
    TickUntilTheVisit();

    EXPECT_THAT(view.titles, ::testing::IsSupersetOf({"Kelvane - Now checking e-mail for ann",
                                                      "Kelvane - Now checking e-mail for bea"}));
    EXPECT_EQ(view.titles.back(), "Kelvane - MailBox bea - 2 messages");
    EXPECT_EQ(view.shown, 1);
    EXPECT_THAT(view.alarms, ElementsAre(true));
    // The rows, the current mailbox and the client's account belong together; the default
    // mailbox for the user's next check is still the one chosen in the settings.
    EXPECT_EQ(run->rows().size(), 2u);
    EXPECT_EQ(run->currentMailbox(), 2);
    EXPECT_EQ(run->client().UserName, "bea");
    EXPECT_EQ(model.accounts.which, 1);
}

TEST_F(AutomaticCheckTest, WithoutAlarmTheWindowStillComesUp) {
    model.general.alarm = false;
    ServeMailbox(1, "ann", Join({Login("+OK 1 100"), Listing({{100, kGood}}), Quit()}));
    TickUntilTheVisit();
    EXPECT_EQ(view.shown, 1);
    EXPECT_TRUE(view.alarms.empty());
}

TEST_F(AutomaticCheckTest, KillDeletesTheJunkOfEveryMailboxQuietly) {
    model.general.kill = true;
    known.Assign({"offers@junk.test"});
    ServeMailbox(1, "ann",
                 Join({Login("+OK 1 200"),
                       Listing({{200, kJunk}}),
                       Quit(),
                       {"next"},
                       Login("+OK 1 200"),
                       Recheck(1, 200, kJunk),
                       Dele(1),
                       Quit(),
                       {"next"},
                       Empty()}));
    ServeMailbox(2, "bea", Join({LoginAs("bea", "+OK 1 100"), Listing({{100, kGood}}), Quit()}));
    TickUntilTheVisit();

    EXPECT_TRUE(servers[0]->WaitUntilClosed(2000)) << servers[0]->failure();
    EXPECT_TRUE(servers[0]->failure().empty()) << servers[0]->failure();
    EXPECT_EQ(run->deletedCount(), 0) << "the last mailbox visited had nothing marked";
    EXPECT_EQ(view.titles.back(), "Kelvane - No waiting messages found");
    EXPECT_EQ(view.shown, 0);
    EXPECT_TRUE(view.alarms.empty());
    EXPECT_NE(LogText().find("DELETE SPAM on "), std::string::npos);
}

TEST_F(AutomaticCheckTest, SessionErrorsAreAbsorbedOnlyWhileTheWindowIsHidden) {
    ServeMailbox(1, "ann", {"close"});
    ServeMailbox(2, "bea", Join({LoginAs("bea", "+OK 1 100"), Listing({{100, kGood}}), Quit()}));
    TickUntilTheVisit();
    EXPECT_EQ(view.titles.back(), "Kelvane - MailBox bea - 1 messages");
    EXPECT_TRUE(front.boxes.shown.empty());
    EXPECT_NE(LogText().find("ERROR "), std::string::npos) << "absorbed, but still logged";

    servers.clear();
    view = RecordingView{};
    view.visible = true;
    ServeMailbox(1, "ann", {"close"});
    ServeMailbox(2, "bea", Join({LoginAs("bea", "+OK 1 100"), Listing({{100, kGood}}), Quit()}));
    TickUntilTheVisit();
    EXPECT_EQ(front.boxes.shown.size(), 1u) << "the error is shown";
    EXPECT_EQ(view.titles.back(), "Kelvane - Now checking e-mail for ann");
    EXPECT_LE(automatic.MinutesToCheck(), 0) << "the next tick tries again";
}

TEST_F(AutomaticCheckTest, SkipsMailboxesThatAreOffOrIncomplete) {
    ServeMailbox(1, "", Empty(""));
    Configure(2, "pop.invalid", "bea", false);
    TickUntilTheVisit();
    EXPECT_EQ(view.titles.back(), "Kelvane - No waiting messages found");
    EXPECT_EQ(run->currentMailbox(), 1) << "no mailbox was loaded";
}

// A user name or server of blanks only: the check run would stop on it with an error and the
// General settings window, so the visit passes it over as quietly as an empty one. A tab is
// text to the check run, so it is no blank here either.
struct BlankAccountCase {
    const char* name;
    const char* server;
    const char* user;
};

void PrintTo(const BlankAccountCase& c, std::ostream* os) {
    *os << c.name;
}

class BlankAccountVisitTest : public AutomaticCheckTest,
                              public ::testing::WithParamInterface<BlankAccountCase> {};

TEST_P(BlankAccountVisitTest, IsSkippedSilentlyAndTheNextMailboxVisited) {
    Configure(1, GetParam().server, GetParam().user, true);
    ServeMailbox(2, "bea", Join({LoginAs("bea", "+OK 1 100"), Listing({{100, kGood}}), Quit()}));
    TickUntilTheVisit();

    EXPECT_TRUE(front.boxes.shown.empty());
    EXPECT_THAT(front.requests, Not(Contains("general settings")));
    std::vector<std::string> visited;
    for (const std::string& title : view.titles) {
        if (title.rfind("Kelvane - Now checking e-mail for ", 0) == 0) visited.push_back(title);
    }
    EXPECT_THAT(visited, ElementsAre("Kelvane - Now checking e-mail for bea"));
    EXPECT_EQ(view.titles.back(), "Kelvane - MailBox bea - 1 messages");
    EXPECT_EQ(run->currentMailbox(), 2);
    EXPECT_TRUE(servers[0]->WaitUntilClosed(2000)) << servers[0]->failure();
}

INSTANTIATE_TEST_SUITE_P(
    BlankForms, BlankAccountVisitTest,
    ::testing::Values(BlankAccountCase{"empty-user", "pop.one.invalid", ""},
                      BlankAccountCase{"one-blank-user", "pop.one.invalid", " "},
                      BlankAccountCase{"blanks-user", "pop.one.invalid", "   "},
                      BlankAccountCase{"line-end-user", "pop.one.invalid", "\r\n"},
                      BlankAccountCase{"backspace-user", "pop.one.invalid", " \b "},
                      BlankAccountCase{"empty-server", "", "ann"},
                      BlankAccountCase{"one-blank-server", " ", "ann"},
                      BlankAccountCase{"blanks-server", "    ", "ann"},
                      BlankAccountCase{"line-ends-server", "\r\n\r\n", "ann"},
                      BlankAccountCase{"mixed-server", " \b\r ", "ann"}),
    testsupport::ParamName());

TEST_F(AutomaticCheckTest, ATickDuringARunOnlyCounts) {
    model.general.minutes = 1;
    automatic.Start();
    int ticks = 0;
    SetEventPump([&] {
        if (ticks++ == 0) automatic.tmCheckForMailTimer();
    });
    ServeMailbox(1, "ann", Join({Login("+OK 0 0"), {"sleep 100"}, Quit()}));
    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Done);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(automatic.MinutesToCheck(), 0);
    EXPECT_EQ(view.titles.back(), "Kelvane - next e-mail check in 1 minute") << "no visit began";
}

TEST_F(AutomaticCheckTest, SwitchingFromTheTrayIsStoredAndLoggedEveryTime) {
    model.general.automatic = false;
    model.general.minutes = 5;
    automatic.Start();
    automatic.EnableAutomatic1Click(true);
    automatic.EnableAutomatic1Click(true);
    EXPECT_TRUE(ReadGeneralSettings(store).automatic);
    EXPECT_TRUE(view.menuOn);
    EXPECT_EQ(view.titles.back(), "Kelvane - next e-mail check in 5 minutes");

    automatic.tmCheckForMailTimer();
    automatic.EnableAutomatic1Click(false);
    EXPECT_FALSE(ReadGeneralSettings(store).automatic);
    EXPECT_EQ(automatic.MinutesToCheck(), 5) << "switching off resets the countdown";
    EXPECT_EQ(view.titles.back(), "Kelvane");

    const std::string log = LogText();
    std::size_t enabled = 0;
    for (std::size_t at = log.find("enabled"); at != std::string::npos;
         at = log.find("enabled", at + 1)) {
        ++enabled;
    }
    EXPECT_EQ(enabled, 2u);
    EXPECT_NE(log.find("disabled"), std::string::npos);
}

TEST_F(AutomaticCheckTest, ClosingTheGeneralSettingsLoadsTheirMailboxUnlessRowsAreShown) {
    Configure(2, "pop.two.invalid", "bea", true);
    model.accounts.which = 2;
    automatic.GeneralSettingsClosed();
    EXPECT_EQ(run->currentMailbox(), 2);
    EXPECT_EQ(run->client().UserName, "bea");
    EXPECT_EQ(automatic.MinutesToCheck(), 1);
}

}  // namespace
}  // namespace kelvane::checktest

#include "CommandGate.h"

#include <gmock/gmock.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using ::testing::ElementsAre;

struct NamedSituation {
    const char* name;
    GateSituation situation;
};

const NamedSituation kIdle{"idle", {}};
const NamedSituation kRunWaiting{"run waiting", {.runOnStack = true}};
const NamedSituation kMessageWindow{"message window open", {.messageWindowOpen = true}};
const NamedSituation kSpamOpen{"spam settings open", {.spamSettingsOpen = true}};
const NamedSituation kGeneralOpen{"General settings open", {.generalSettingsOpen = true}};

// Every command in every situation: what may start, and the reason when it may not.
TEST(CommandGateTest, JudgesEveryCommandInEverySituation) {
    using B = Blocker;
    const B run = B::RunWaiting, win = B::MessageWindowOpen, spam = B::SpamSettingsOpen,
            gen = B::GeneralSettingsOpen, open = B::AlreadyOpen, ok = B::None;
    const NamedSituation situations[] = {kIdle, kRunWaiting, kMessageWindow, kSpamOpen,
                                         kGeneralOpen};
    const struct {
        Command command;
        Blocker expected[5];  // in the order of `situations`
    } cases[] = {
        {Command::Check, {ok, run, win, spam, gen}},
        {Command::Delete, {ok, run, win, spam, gen}},
        {Command::AutoMark, {ok, run, win, spam, gen}},
        {Command::TrayCheck, {ok, run, win, spam, gen}},
        {Command::MinuteTick, {ok, run, win, spam, gen}},
        {Command::Mark, {ok, run, win, ok, ok}},
        {Command::ResetMarks, {ok, run, win, ok, ok}},
        {Command::Why, {ok, run, win, ok, ok}},
        {Command::ViewHeaders, {ok, run, win, ok, ok}},
        {Command::ViewBody, {ok, run, win, ok, ok}},
        {Command::AddToExceptions, {ok, run, win, spam, ok}},
        {Command::AddToSpamList, {ok, run, win, spam, ok}},
        // The General settings window has a launch button of its own.
        {Command::LaunchMailProgram, {ok, run, win, ok, ok}},
        {Command::SpamSettings, {ok, run, win, open, gen}},
        {Command::GeneralSettings, {ok, run, win, spam, open}},
        {Command::Statistics, {ok, run, ok, ok, ok}},
        {Command::About, {ok, run, ok, ok, ok}},
        {Command::AutomaticMode, {ok, run, ok, ok, ok}},
        {Command::Exit, {ok, run, ok, ok, ok}},
        {Command::Help, {ok, ok, ok, ok, ok}},
        {Command::ViewLog, {ok, ok, ok, ok, ok}},
        {Command::ShowMain, {ok, ok, ok, ok, ok}},
        {Command::Cancel, {ok, ok, ok, ok, ok}},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Judge(c.command, Origin::User, situations[i].situation), c.expected[i])
                << CommandName(c.command) << " while " << situations[i].name;
        }
    }
}

// A step of the run that waits may do what the user may not: a deletion launches the mail
// program, a check opens the General settings. Without a run the step is like any request.
TEST(CommandGateTest, TheRunsOwnStepsPassWhileItWaits) {
    for (Command step : {Command::LaunchMailProgram, Command::GeneralSettings}) {
        EXPECT_EQ(Judge(step, Origin::RunStep, kRunWaiting.situation), Blocker::None)
            << CommandName(step);
        EXPECT_EQ(Judge(step, Origin::User, kRunWaiting.situation), Blocker::RunWaiting)
            << CommandName(step);
    }
    EXPECT_EQ(Judge(Command::Check, Origin::RunStep, kRunWaiting.situation), Blocker::RunWaiting);
    EXPECT_EQ(Judge(Command::LaunchMailProgram, Origin::RunStep, kMessageWindow.situation),
              Blocker::MessageWindowOpen);
}

TEST(CommandGateTest, TheOwnWindowOfAStatisticsOrAboutCommandIsNotOpenedTwice) {
    EXPECT_EQ(Judge(Command::Statistics, Origin::User, {.statisticsOpen = true}),
              Blocker::AlreadyOpen);
    EXPECT_EQ(Judge(Command::About, Origin::User, {.aboutOpen = true}), Blocker::AlreadyOpen);
    EXPECT_EQ(Judge(Command::Check, Origin::User, {.statisticsOpen = true, .aboutOpen = true}),
              Blocker::None)
        << "neither window reads what a check changes";
}

// A gate over a run probe the test switches, recording what it refuses.
class GateTest : public ::testing::Test {
  protected:
    GateTest() {
        gate.setRunProbe([this] { return runWaiting; });
        gate.setRefusalShower([this](Command command, Blocker blocker) {
            refusals.push_back(std::string(CommandName(command)) + ": " + RefusalText(blocker));
        });
        gate.setBeforeCommand([this](Command command) { started.push_back(CommandName(command)); });
        gate.setPoster([this](CommandGate::Action action) { posted.push_back(std::move(action)); });
        gate.setGuard([this](const CommandGate::Action& action) {
            try {
                action();
            } catch (const std::exception& error) {
                errors.push_back(error.what());
            }
        });
    }

    void RunPosted() {
        std::vector<CommandGate::Action> now;
        now.swap(posted);
        for (auto& action : now) action();
    }

    CommandGate gate;
    bool runWaiting = false;
    std::vector<std::string> refusals;
    std::vector<std::string> started;
    std::vector<std::string> errors;
    std::vector<CommandGate::Action> posted;
};

// What a command started from inside another asks of the gate: the spam settings window's loop
// is on the stack while the tray asks for a check.
TEST_F(GateTest, CommandsOnTheStackAreWhatIsOpen) {
    std::vector<bool> ran;
    gate.Run(Command::SpamSettings, Origin::User, [&] {
        EXPECT_TRUE(gate.Situation().spamSettingsOpen);
        EXPECT_TRUE(gate.CountdownPaused());
        ran.push_back(gate.Run(Command::TrayCheck, Origin::User, [] {}));
        ran.push_back(gate.Run(Command::SpamSettings, Origin::User, [] {}));
        ran.push_back(gate.Run(Command::Statistics, Origin::User, [] {}));
    });
    EXPECT_THAT(ran, ElementsAre(false, false, true));
    EXPECT_THAT(refusals,
                ElementsAre("TrayCheck: Close the spam settings window first", "SpamSettings: "));
    EXPECT_THAT(started, ElementsAre("SpamSettings", "Statistics"));
    EXPECT_TRUE(gate.Idle());
    EXPECT_FALSE(gate.CountdownPaused());
}

// A tick or an exit while a run waits happens once the program is idle again; a refused click
// is not remembered, and a tick under an open window is dropped silently.
TEST_F(GateTest, TicksAndExitsWaitForTheRunOthersAreRefused) {
    std::vector<std::string> done;
    gate.Run(Command::Check, Origin::User, [&] {
        gate.Run(Command::MinuteTick, Origin::Timer, [&] { done.push_back("tick"); });
        gate.Run(Command::MinuteTick, Origin::Timer, [&] { done.push_back("second tick"); });
        gate.Run(Command::Exit, Origin::User, [&] { done.push_back("exit"); });
        gate.Run(Command::Delete, Origin::User, [&] { done.push_back("delete"); });
    });
    EXPECT_TRUE(done.empty());
    EXPECT_THAT(refusals, ElementsAre("Delete: " + RefusalText(Blocker::RunWaiting)));
    RunPosted();
    EXPECT_THAT(done, ElementsAre("tick", "exit")) << "one tick, however many came";

    refusals.clear();
    gate.Run(Command::SpamSettings, Origin::User, [&] {
        gate.Run(Command::MinuteTick, Origin::Timer, [&] { done.push_back("tick under spam"); });
    });
    RunPosted();
    EXPECT_THAT(done, ElementsAre("tick", "exit"));
    EXPECT_TRUE(refusals.empty());
}

TEST_F(GateTest, AnErrorEscapingACommandGoesToTheGuardAndTheStackUnwinds) {
    EXPECT_TRUE(gate.Run(Command::AddToExceptions, Origin::User,
                         [] { throw std::runtime_error("Unable to write except.lst"); }));
    EXPECT_THAT(errors, ElementsAre("Unable to write except.lst"));
    EXPECT_TRUE(gate.Idle());
    EXPECT_TRUE(gate.Allows(Command::Check, Origin::User));
}

TEST_F(GateTest, TheRunsOwnFlagCountsAsARunOnTheStack) {
    runWaiting = true;
    EXPECT_FALSE(gate.Run(Command::Mark, Origin::User, [] { FAIL() << "marked during a run"; }));
    EXPECT_TRUE(gate.Run(Command::LaunchMailProgram, Origin::RunStep, [] {}));
    EXPECT_THAT(started, ElementsAre()) << "a run's own step is not the user's command";
}

}  // namespace
}  // namespace kelvane

// The Deleted junk window at the command gate: it opens only when nothing runs or edits the rule
// tables, nothing runs while it is open, and its commands wait for what would conflict.
#include "CommandGate.h"

#include <gmock/gmock.h>
#include <iterator>
#include <string>
#include <vector>

namespace kelvane {
namespace {

TEST(DeletedJunkGateTest, JudgesItsCommandsInEverySituation) {
    using B = Blocker;
    const B run = B::RunWaiting, win = B::MessageWindowOpen, spam = B::SpamSettingsOpen,
            gen = B::GeneralSettingsOpen, junk = B::DeletedJunkOpen, open = B::AlreadyOpen,
            ok = B::None;
    const struct {
        const char* name;
        GateSituation situation;
    } situations[] = {
        {"idle", {}},
        {"run waiting", {.runOnStack = true}},
        {"message window open", {.messageWindowOpen = true}},
        {"spam settings open", {.spamSettingsOpen = true}},
        {"General settings open", {.generalSettingsOpen = true}},
        {"Deleted junk open", {.deletedJunkOpen = true}},
    };
    const struct {
        Command command;
        Blocker expected[6];  // in the order of `situations`
    } cases[] = {
        {Command::DeletedJunk, {ok, run, win, spam, gen, open}},
        {Command::RestoreDeleted, {ok, run, ok, ok, ok, ok}},
        {Command::RemoveDeleted, {ok, run, ok, ok, ok, ok}},
        {Command::NeverMarkSender, {ok, run, ok, spam, ok, ok}},
        // While it is open nothing runs and no settings window opens under it.
        {Command::Check, {ok, run, win, spam, gen, junk}},
        {Command::Delete, {ok, run, win, spam, gen, junk}},
        {Command::TrayCheck, {ok, run, win, spam, gen, junk}},
        {Command::MinuteTick, {ok, run, win, spam, gen, junk}},
        {Command::SpamSettings, {ok, run, win, open, gen, junk}},
        {Command::GeneralSettings, {ok, run, win, spam, open, junk}},
        {Command::Exit, {ok, run, ok, ok, ok, ok}},
    };
    for (const auto& c : cases) {
        for (std::size_t i = 0; i < std::size(situations); ++i) {
            EXPECT_EQ(Judge(c.command, Origin::User, situations[i].situation), c.expected[i])
                << CommandName(c.command) << " while " << situations[i].name;
        }
    }
    EXPECT_EQ(RefusalText(Blocker::DeletedJunkOpen), "Close the Deleted junk window first");
}

// The open window is the command on the gate's stack: its own commands nest inside it, a check
// does not, and the countdown waits.
TEST(DeletedJunkGateTest, TheOpenWindowHoldsOffRunsButNotItsOwnCommands) {
    CommandGate gate;
    std::vector<std::string> refused;
    gate.setRefusalShower(
        [&](Command command, Blocker) { refused.push_back(CommandName(command)); });
    std::vector<std::string> ran;
    gate.Run(Command::DeletedJunk, Origin::User, [&] {
        EXPECT_TRUE(gate.CountdownPaused());
        for (Command inside : {Command::RestoreDeleted, Command::NeverMarkSender,
                               Command::RemoveDeleted, Command::Check, Command::DeletedJunk}) {
            gate.Run(inside, Origin::User, [&] { ran.push_back(CommandName(inside)); });
        }
    });
    EXPECT_THAT(ran, ::testing::ElementsAre("RestoreDeleted", "NeverMarkSender", "RemoveDeleted"));
    EXPECT_THAT(refused, ::testing::ElementsAre("Check", "DeletedJunk"));
    EXPECT_FALSE(gate.CountdownPaused());
}

}  // namespace
}  // namespace kelvane

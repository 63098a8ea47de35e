// Where a check's password comes from: a password command run for the sign-in, or the stored
// password; a command that fails stops the check before anything goes to the server.
#include <gmock/gmock.h>

#include "CheckRunFixture.h"
#include "SettingsKeys.h"

namespace kelvane::checktest {
namespace {

using ::testing::HasSubstr;

class SignInTest : public CheckRunFixture {
  protected:
    void UseCommand(const std::string& command) {
        store.Write([&](SettingsWriter& writer) {
            writer.WriteString(settingkeys::PasswordCommandN, command, 1);
        });
    }
};

TEST_F(SignInTest, ThePasswordCommandsFirstLineSignsIn) {
    Serve(Join({Login("+OK 0 0"), Quit()}));  // Login() sends PASS pw
    UseCommand("printf 'pw\\nsecond line\\n'");
    EXPECT_EQ(run->Check(), RunOutcome::Done) << ::testing::PrintToString(front.boxes.shown);
    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
}

TEST_F(SignInTest, AFailingCommandStopsTheCheckBeforeTheServerHearsAnything) {
    Serve({"quiet 300"});
    UseCommand("echo 'no such entry' >&2; exit 2");
    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    const std::string error = "The password command exited with status 2: no such entry";
    ASSERT_EQ(front.boxes.shown.size(), 1u);
    EXPECT_THAT(front.boxes.shown[0], HasSubstr(error));
    EXPECT_THAT(LogText(), HasSubstr("ERROR " + error + " FOR ann"));
    EXPECT_TRUE(server->received().empty());
    EXPECT_EQ(run->lastError(), error);
}

TEST_F(SignInTest, UnattendedTheFailureIsLoggedWithoutABox) {
    Serve({"quiet 300"});
    UseCommand("exit 1");
    EXPECT_EQ(run->Check({.chooseMailbox = false, .absorbErrors = true}), RunOutcome::Failed);
    EXPECT_TRUE(front.boxes.shown.empty());
    EXPECT_THAT(LogText(), HasSubstr("ERROR The password command exited with status 1"));
}

}  // namespace
}  // namespace kelvane::checktest

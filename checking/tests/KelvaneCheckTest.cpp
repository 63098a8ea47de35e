#include <gmock/gmock.h>

#include <filesystem>
#include <optional>

#include "CaseName.h"
#include "CheckProgram.h"
#include "PasswordCipher.h"
#include "ProgramPaths.h"
#include "ScriptedServer.h"
#include "SettingsStore.h"
#include "TempFolder.h"

namespace kelvane::checktest {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class KelvaneCheckTest : public ::testing::Test {
  protected:
    // The settings store the program finds with XDG_CONFIG_HOME in the temp folder.
    SettingsStore Store() const {
        const std::string home = folder.File("config");
        return SettingsStore(paths::ResolveSettingsFile([home](const char* name) {
            return std::string(name) == "XDG_CONFIG_HOME" ? std::optional<std::string>(home)
                                                          : std::nullopt;
        }));
    }
    void ConfigureMailbox(int n, const std::string& server, const std::string& user,
                          const std::string& password) {
        SettingsStore store = Store();
        store.WriteString(settingkeys::ServerN, server, n);
        store.WriteString(settingkeys::MailboxN, user, n);
        store.WriteString(settingkeys::PasswdN, EncipherPassword(password), n);
        store.WriteString(settingkeys::Version161, "161");
    }
    std::string DataFile(const std::string& name) const { return folder.File("data/" + name); }
    ProgramResult Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        return RunCheckProgram(arguments, folder.path().string(), input);
    }
    testsupport::TempFolder folder;
};

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
};

void PrintTo(const UsageCase& c, std::ostream* out) {
    *out << c.name;
}

class UsageErrorTest : public KelvaneCheckTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageErrorTest, ExitsWithTwoAndTheUsageOnStandardError) {
    const ProgramResult result = Run(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, StartsWith("usage: kelvane-check"));
    EXPECT_EQ(result.out, "");
}

INSTANTIATE_TEST_SUITE_P(Cases, UsageErrorTest,
                         ::testing::Values(UsageCase{"UnknownFlag", {"--bogus"}},
                                           UsageCase{"MailboxWithoutNumber", {"--mailbox"}},
                                           UsageCase{"MailboxOutOfRange", {"--mailbox", "13"}},
                                           UsageCase{"MailboxNotANumber", {"--mailbox", "one"}},
                                           UsageCase{"MailboxAndAll", {"--mailbox", "2", "--all"}},
                                           UsageCase{"PasswordWithCheckFlags",
                                                     {"--set-password", "1", "--delete"}}),
                         testsupport::ParamName());

TEST_F(KelvaneCheckTest, HelpAndVersionGoToStandardOutput) {
    const ProgramResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("--set-password N"));
    const ProgramResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_THAT(version.out, StartsWith("kelvane-check "));
}

TEST_F(KelvaneCheckTest, SetPasswordStoresTheFirstLineEnciphered) {
    const ProgramResult result = Run({"--set-password", "4"}, "hunter2\r\nignored\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const SettingsStore store = Store();
    const std::string stored = store.ReadString(settingkeys::PasswdN, 4);
    EXPECT_NE(stored, "hunter2");
    EXPECT_EQ(DecipherPassword(stored), "hunter2");
    EXPECT_EQ(store.ReadString(settingkeys::Version161), "161");
}

TEST_F(KelvaneCheckTest, RefusedConnectionExitsWithOneAndLogsTheError) {
    ConfigureMailbox(1, "127.0.0.1:" + std::to_string(testsupport::UnusedPort()), "ann", "pw");
    const ProgramResult result = Run({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, StartsWith("error: "));
    EXPECT_THAT(testsupport::FileBytes(DataFile("logfile.txt")), HasSubstr("ERROR "));
}

TEST_F(KelvaneCheckTest, RefusedLoginExitsWithOneAndLogsTheServerReply) {
    testsupport::ScriptedServer server(
        {"S: +OK ready", "C: USER ann", "S: +OK", "C: PASS pw", "S: -ERR wrong password"});
    ConfigureMailbox(1, server.address(), "ann", "pw");
    const ProgramResult result = Run({"--mailbox", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("wrong password"));
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(testsupport::FileBytes(DataFile("logfile.txt")),
                HasSubstr("ERROR -ERR wrong password FOR ann"));
}

TEST_F(KelvaneCheckTest, ListsEachMessageWithItsReasons) {
    testsupport::ScriptedServer server({"S: +OK ready",
                                        "C: USER ann",
                                        "S: +OK",
                                        "C: PASS pw",
                                        "S: +OK",
                                        "C: STAT",
                                        "S: +OK 2 300",
                                        "C: LIST 1",
                                        "S: +OK 1 100",
                                        "C: TOP 1 1",
                                        "S: +OK",
                                        "S: From: Ann <ann@friends.test>",
                                        "S: Subject: lunch",
                                        "S: ",
                                        "S: .",
                                        "C: LIST 2",
                                        "S: +OK 2 200",
                                        "C: TOP 2 1",
                                        "S: +OK",
                                        "S: From: offers@junk.test",
                                        "S: Subject: watches",
                                        "S: Date: someday",
                                        "S: ",
                                        "S: .",
                                        "C: QUIT",
                                        "S: +OK bye"});
    ConfigureMailbox(1, server.address(), "ann", "pw");
    std::filesystem::create_directories(folder.File("data"));
    testsupport::WriteFileBytes(DataFile("known.lst"), "offers@junk.test\r\n");
    const ProgramResult result = Run({"--mailbox", "1", "--why"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();
    EXPECT_THAT(result.out,
                StartsWith("# 1\tann\t" + server.address() +
                           "\t2\n"
                           "1\t-1\t100\tann@friends.test\tlunch\t\n"
                           "\tMessage was neither on the exception list nor on the list of "
                           "matching criteria\n"
                           "2\t2\t200\toffers@junk.test\twatches\tsomeday\n\t"));
    EXPECT_THAT(testsupport::FileBytes(DataFile("logfile.txt")), HasSubstr("MAIL CHECK 2 msg(s)"));
}

}  // namespace
}  // namespace kelvane::checktest

// kelvane-check through a whole check and deletion cycle against a real POP3 server.
#include <gmock/gmock.h>

#include <filesystem>
#include <iostream>
#include <optional>

#include "CheckProgram.h"
#include "DovecotServer.h"
#include "MailboxProbe.h"
#include "PasswordCipher.h"
#include "ProgramPaths.h"
#include "SettingsStore.h"
#include "TempFolder.h"
#include "TextChecks.h"

namespace kelvane::checktest {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using testsupport::CountOccurrences;
using testsupport::DovecotServer;
using testsupport::SampleMessage;

class KelvaneCheckDovecotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        server.emplace();
        server->AddUser("ann", "pw");
        server->AddMessage("ann", SampleMessage("offers@junk.test", "cheap watches"));
        server->AddMessage("ann", SampleMessage("Bo <bo@friends.test>", "lunch"));
        server->AddMessage("ann", SampleMessage("deals@junk.test", "more watches"));
        server->Start();
        Configure();
    }
    void TearDown() override {
        if (HasFailure() && server) std::cerr << server->LogTail();
    }
    SettingsStore Store() const {
        const std::string home = folder.File("config");
        return SettingsStore(paths::ResolveSettingsFile([home](const char* name) {
            return std::string(name) == "XDG_CONFIG_HOME" ? std::optional<std::string>(home)
                                                          : std::nullopt;
        }));
    }
    void Configure() {
        SettingsStore store = Store();
        store.WriteString(settingkeys::ServerN, server->address(), 1);
        store.WriteString(settingkeys::MailboxN, "ann", 1);
        store.WriteString(settingkeys::PasswdN, EncipherPassword("pw"), 1);
        store.WriteString(settingkeys::Version161, "161");
        std::filesystem::create_directories(folder.File("data"));
        testsupport::WriteFileBytes(folder.File("data/known.lst"), "junk.test\r\n");
    }
    testsupport::TempFolder folder;
    std::optional<DovecotServer> server;
};

TEST_F(KelvaneCheckDovecotTest, ListsExplainsDeletesAndCountsTheSpam) {
    const ProgramResult first = RunCheckProgram({"--why", "--delete"}, folder.path().string());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_THAT(first.out, StartsWith("# 1\tann\t" + server->address() + "\t3\n"));
    EXPECT_THAT(first.out, HasSubstr("\tbo@friends.test\tlunch\t3/14/2000 10:20:30 AM\n\tMessage "
                                     "was neither on the exception list nor on the list of "
                                     "matching criteria\n"));
    EXPECT_THAT(first.out, HasSubstr("1\t2\t"));
    EXPECT_THAT(first.out, HasSubstr("3\t2\t"));
    EXPECT_THAT(first.out, HasSubstr("There were 2 messages deleted\n"));
    const std::string log = testsupport::FileBytes(folder.File("data/logfile.txt"));
    EXPECT_EQ(CountOccurrences(log, "DELETE SPAM on "), 2);
    EXPECT_THAT(log, HasSubstr("MAIL CHECK 3 msg(s)"));
    EXPECT_EQ(Store().ReadString(settingkeys::Count), "2");

    const ProgramResult second = RunCheckProgram({}, folder.path().string());
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_THAT(second.out, StartsWith("# 1\tann\t" + server->address() + "\t1\n1\t-1\t"));
    EXPECT_THAT(second.out, HasSubstr("\tbo@friends.test\tlunch\t"));
    EXPECT_THAT(second.out, ::testing::Not(HasSubstr("watches")));
}

}  // namespace
}  // namespace kelvane::checktest

// kelvane-check's commands on the deleted messages kept in the program folder: the messages are
// kept by the quarantine itself, then listed, restored and forgotten through the program.
#include <gmock/gmock.h>

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "CaseName.h"
#include "CheckProgram.h"
#include "KeptMessageFile.h"
#include "PasswordCipher.h"
#include "Pop3Script.h"
#include "Quarantine.h"
#include "ScriptedServer.h"
#include "SettingsStore.h"
#include "TempFolder.h"

namespace kelvane::checktest {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;
using testsupport::FileBytes;
using testsupport::WriteFileBytes;
using namespace std::string_literals;

constexpr long long kElevenDecember = 1796986500;  // 2026-12-11T10:55:00Z
constexpr long long kTenDecember = 1796889909;     // 2026-12-10T08:05:09Z

// A message as a server sends it: CR LF line ends, a line that started with a dot, a NUL and
// bytes that are not UTF-8, none of which a restore may change.
const std::string kMessage =
    "From: Ann <ann@friends.test>\r\nSubject: invoice\r\n\r\nDear Bob,\r\n.\r\n..dots\r\n"
    "bin\0ary \xff\xfe\r\n"
    "end\r\n"s;

class KelvaneCheckKeptTest : public ::testing::Test {
  protected:
    KelvaneCheckKeptTest() : quarantine(QuarantineFolder(folder.File("data"))) {
        std::filesystem::create_directories(folder.File("data"));
    }

    std::string Keep(long long deletedAt, int mailbox, const std::string& subject,
                     const std::string& sender, const std::string& message = kMessage,
                     const QuarantineLimits& limits = {}) {
        KeptMessage kept;
        kept.deletedAt = deletedAt;
        kept.mailbox = mailbox;
        kept.user = "ann";
        kept.server = "pop.test";
        kept.subject = subject;
        kept.sender = sender;
        kept.size = std::to_string(message.size());
        kept.mark = 0;
        kept.reasons = {"Subject contains \"invoice\""};
        return quarantine.Keep(kept, message, limits);
    }
    void ConfigureMailbox(const std::string& server) {
        SettingsStore store = ProgramSettings(folder.path().string());
        store.WriteString(settingkeys::ServerN, server, 1);
        store.WriteString(settingkeys::MailboxN, "ann", 1);
        store.WriteString(settingkeys::PasswdN, EncipherPassword("pw"), 1);
        store.WriteString(settingkeys::Version161, "161");
    }
    ProgramResult Run(const std::vector<std::string>& arguments) {
        return RunCheckProgram(arguments, folder.path().string());
    }

    testsupport::TempFolder folder;
    Quarantine quarantine;
};

TEST_F(KelvaneCheckKeptTest, HelpNamesTheCommands) {
    const ProgramResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, AllOf(HasSubstr("--deleted"), HasSubstr("--restore ID --to FILE"),
                                HasSubstr("--forget ID")));
}

// Newest first, whatever order they were kept in; the subject and sender are outside text, so a
// TAB, a line break or a terminal escape in them must not make more fields or lines. A file the
// quarantine did not write is not a kept message.
TEST_F(KelvaneCheckKeptTest, DeletedListsEachKeptMessageNewestFirstWithItsTextsMadeSafe) {
    const std::string older = Keep(kTenDecember, 3, "invoice", "ann@friends.test");
    const std::string newer =
        Keep(kElevenDecember, 12, "cheap\twatches \x1b]0;owned\x07now\r\nX-Forged: 1\xff",
             "\x1b[2Joffers@junk.test");
    WriteFileBytes(QuarantineFolder(folder.File("data")) + "/20261211-105501-0001.kept",
                   "not a kept message");
    WriteFileBytes(QuarantineFolder(folder.File("data")) + "/notes.txt", "mine");

    const ProgramResult result = Run({"--deleted"});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, newer +
                              "\t2026-12-11T10:55:00Z\t12\tcheap watches  ]0;owned now  "
                              "X-Forged: 1\xEF\xBF\xBD\t [2Joffers@junk.test\n" +
                              older + "\t2026-12-10T08:05:09Z\t3\tinvoice\tann@friends.test\n");
}

TEST_F(KelvaneCheckKeptTest, DeletedWithNothingKeptPrintsNothing) {
    const ProgramResult result = Run({"--deleted"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
}

TEST_F(KelvaneCheckKeptTest, RestoreWritesTheMessageByteForByteIntoANewPrivateFile) {
    const std::string id = Keep(kElevenDecember, 1, "invoice", "ann@friends.test");
    const std::string target = folder.File("invoice.eml");

    const ProgramResult result = Run({"--restore", id, "--to", target});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(FileBytes(target), kMessage);
    EXPECT_EQ(testsupport::FilePermissions(target), 0600u);
    EXPECT_TRUE(quarantine.Find(id)) << "a restored message stays kept";
}

// A message larger than the limit was kept as its header block and the start of its body: the
// restore writes what was kept and says that it is not the whole message.
TEST_F(KelvaneCheckKeptTest, RestoreOfAMessageNotKeptWholeSaysSo) {
    const std::string large =
        "Subject: scan\r\n\r\n" + std::string(kBodyKeptOfLarge + 5000, 'x') + "\r\n";
    QuarantineLimits limits;
    limits.wholeLimit = 1024;
    const std::string id = Keep(kElevenDecember, 1, "scan", "ann@friends.test", large, limits);
    const std::string target = folder.File("scan.eml");

    const ProgramResult result = Run({"--restore", id, "--to", target});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(FileBytes(target), std::string(KeptPart(large, limits.wholeLimit)));
    EXPECT_EQ(result.err, "warning: Message " + id + " had " + std::to_string(large.size()) +
                              " bytes: only its header block and the first 64 KiB of its body "
                              "were kept\n");
}

// Nothing is written and nothing kept is lost; the file in the way keeps its bytes.
struct RefusedRestoreCase {
    const char* name;
    std::string id;  // "kept": the id of the message kept
    bool targetExists;
    std::string error;  // the start of the error line; "ID" stands for the id given
};

void PrintTo(const RefusedRestoreCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedRestoreTest : public KelvaneCheckKeptTest,
                           public ::testing::WithParamInterface<RefusedRestoreCase> {};

TEST_P(RefusedRestoreTest, ExitsWithOneAndLeavesEveryFileAsItWas) {
    const std::string kept = Keep(kElevenDecember, 1, "invoice", "ann@friends.test");
    const std::string id = GetParam().id == "kept" ? kept : GetParam().id;
    const std::string target = folder.File("target.eml");
    if (GetParam().targetExists) WriteFileBytes(target, "the user's own file");

    const ProgramResult result = Run({"--restore", id, "--to", target});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    std::string error = GetParam().error;
    if (const auto at = error.find("ID"); at != std::string::npos) error.replace(at, 2, id);
    if (const auto at = error.find("FILE"); at != std::string::npos) error.replace(at, 4, target);
    EXPECT_THAT(result.err, StartsWith("error: " + error));
    EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;
    if (GetParam().targetExists)
        EXPECT_EQ(FileBytes(target), "the user's own file");
    else
        EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(quarantine.Find(kept));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedRestoreTest,
    ::testing::Values(RefusedRestoreCase{"file-exists", "kept", true, "FILE already exists"},
                      RefusedRestoreCase{"unknown-id", "20261211-105500-0099", false,
                                         "No deleted message is kept with the id ID\n"},
                      RefusedRestoreCase{
                          "not-an-id", "../../config/kelvane", false,
                          "No deleted message is kept with the id ../../config/kelvane\n"},
                      RefusedRestoreCase{"escape-in-the-id", "x\x1b[2J", false,
                                         "No deleted message is kept with the id x [2J\n"}),
    testsupport::ParamName());

TEST_F(KelvaneCheckKeptTest, ForgetRemovesOneKeptMessageOnly) {
    const std::string gone = Keep(kTenDecember, 1, "invoice", "ann@friends.test");
    const std::string stays = Keep(kElevenDecember, 2, "lunch", "bob@friends.test");

    const ProgramResult forgotten = Run({"--forget", gone});
    EXPECT_EQ(forgotten.exitCode, 0) << forgotten.err;
    EXPECT_EQ(forgotten.out, "");
    EXPECT_EQ(forgotten.err, "");
    EXPECT_FALSE(quarantine.Find(gone));
    ASSERT_TRUE(quarantine.Find(stays));
    EXPECT_THAT(Run({"--deleted"}).out, StartsWith(stays + "\t"));

    const ProgramResult again = Run({"--forget", gone});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "error: No deleted message is kept with the id " + gone + "\n");
    EXPECT_TRUE(quarantine.Find(stays));
}

// The program's own deletion keeps what it deletes where the commands find it: the message
// comes back as the server sent it, its dot-stuffing undone.
TEST_F(KelvaneCheckKeptTest, MessageDeletedByTheProgramIsListedAndRestored) {
    const std::vector<std::string> headers{"From: offers@junk.test", "Subject: watches"};
    std::vector<std::string> served = headers;
    served.insert(served.end(), {"", "Buy now", "..dotted"});
    WriteFileBytes(folder.File("data/known.lst"), "junk.test\r\n");
    testsupport::ScriptedServer server(testsupport::Join({
        testsupport::Login("+OK 1 100"),
        testsupport::Listing({{100, headers}}),
        testsupport::Recheck(1, 100, headers),
        testsupport::Retr(1, served),
        testsupport::Dele(1),
        testsupport::Quit(),
        {"next"},
        testsupport::Login("+OK 0 0"),
        testsupport::Quit(),
    }));
    ConfigureMailbox(server.address());
    const long long before = std::time(nullptr);

    const ProgramResult deletion = Run({"--delete"});
    ASSERT_EQ(deletion.exitCode, 0) << deletion.err;
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();

    const std::vector<KeptMessage> kept = quarantine.List();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_GE(kept[0].deletedAt, before);
    const ProgramResult listed = Run({"--deleted"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_THAT(listed.out,
                MatchesRegex(kept[0].id +
                             "\t20[0-9]{2}-[01][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-5][0-9]Z"
                             "\t1\twatches\toffers@junk.test\n"));
    const std::string target = folder.File("restored.eml");
    const ProgramResult restored = Run({"--restore", kept[0].id, "--to", target});
    EXPECT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(FileBytes(target),
              "From: offers@junk.test\r\nSubject: watches\r\n\r\nBuy now\r\n.dotted\r\n");
}

// A check expires what the spam options no longer keep before it starts, and that alone.
TEST_F(KelvaneCheckKeptTest, CheckFirstRemovesMessagesKeptLongerThanTheOptionsAllow) {
    WriteFileBytes(folder.File("data/kelvane.ini"), "[Quarantine]\r\nDays=1\r\n");
    const long long now = std::time(nullptr);
    const std::string old = Keep(now - 2 * 24 * 60 * 60, 1, "old", "ann@friends.test");
    const std::string recent = Keep(now - 60 * 60, 1, "recent", "ann@friends.test");
    testsupport::ScriptedServer server(
        testsupport::Join({testsupport::Login("+OK 0 0"), testsupport::Quit()}));
    ConfigureMailbox(server.address());

    const ProgramResult result = Run({});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();
    EXPECT_FALSE(quarantine.Find(old));
    EXPECT_TRUE(quarantine.Find(recent));
}

// Each command stands alone, and a restore needs both its id and its file.
struct KeptUsageCase {
    const char* name;
    std::vector<std::string> arguments;
};

void PrintTo(const KeptUsageCase& c, std::ostream* out) {
    *out << c.name;
}

class KeptUsageErrorTest : public KelvaneCheckKeptTest,
                           public ::testing::WithParamInterface<KeptUsageCase> {};

TEST_P(KeptUsageErrorTest, ExitsWithTwoAndTouchesNothing) {
    const std::string id = Keep(kElevenDecember, 1, "invoice", "ann@friends.test");
    std::vector<std::string> arguments = GetParam().arguments;
    for (std::string& argument : arguments) {
        if (argument == "ID") argument = id;
        if (argument == "FILE") argument = folder.File("out.eml");
    }

    const ProgramResult result = Run(arguments);

    EXPECT_EQ(result.exitCode, 2);
    EXPECT_THAT(result.err, StartsWith("usage: kelvane-check"));
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(folder.File("out.eml")));
    EXPECT_TRUE(quarantine.Find(id));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeptUsageErrorTest,
    ::testing::Values(
        KeptUsageCase{"RestoreWithoutTo", {"--restore", "ID"}},
        KeptUsageCase{"ToWithoutRestore", {"--to", "FILE"}},
        KeptUsageCase{"RestoreWithoutId", {"--restore", "--to", "FILE"}},
        KeptUsageCase{"ToWithoutFile", {"--restore", "ID", "--to"}},
        KeptUsageCase{"ToEmpty", {"--restore", "ID", "--to", ""}},
        KeptUsageCase{"ForgetWithoutId", {"--forget"}},
        KeptUsageCase{"RestoreWithDelete", {"--restore", "ID", "--to", "FILE", "--delete"}},
        KeptUsageCase{"ForgetWithMailbox", {"--mailbox", "1", "--forget", "ID"}},
        KeptUsageCase{"DeletedWithAll", {"--deleted", "--all"}},
        KeptUsageCase{"DeletedWithForget", {"--deleted", "--forget", "ID"}},
        KeptUsageCase{"RestoreAndForget", {"--forget", "ID", "--restore", "ID", "--to", "FILE"}},
        KeptUsageCase{"DeletedWithStats", {"--stats", "--deleted"}},
        KeptUsageCase{"ForgetWithSetPassword", {"--set-password", "1", "--forget", "ID"}}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane::checktest

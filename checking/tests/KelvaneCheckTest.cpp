#include <gmock/gmock.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "CaseName.h"
#include "CheckProgram.h"
#include "PasswordCipher.h"
#include "Pop3Script.h"
#include "ScriptedServer.h"
#include "SettingsStore.h"
#include "TempFolder.h"
#include "TextChecks.h"

namespace kelvane::checktest {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testsupport::CountOccurrences;
using testsupport::Dele;
using testsupport::Greeting;
using testsupport::Join;
using testsupport::Listing;
using testsupport::ListingStart;
using testsupport::Login;
using testsupport::Quit;
using testsupport::Recheck;
using testsupport::Retr;
using testsupport::Script;
using testsupport::Top;

class KelvaneCheckTest : public ::testing::Test {
  protected:
    // The settings store the program finds with XDG_CONFIG_HOME in the temp folder.
    SettingsStore Store() const { return ProgramSettings(folder.path().string()); }
    void ConfigureMailbox(int n, const std::string& server, const std::string& user,
                          const std::string& password) {
        SettingsStore store = Store();
        store.WriteString(settingkeys::ServerN, server, n);
        store.WriteString(settingkeys::MailboxN, user, n);
        store.WriteString(settingkeys::PasswdN, EncipherPassword(password), n);
        store.WriteString(settingkeys::Version161, "161");
    }
    std::string DataFile(const std::string& name) const { return folder.File("data/" + name); }
    std::string LogText() const { return testsupport::FileBytes(DataFile("logfile.txt")); }
    void WriteKnownSpammers(const std::string& lines) {
        std::filesystem::create_directories(folder.File("data"));
        testsupport::WriteFileBytes(DataFile("known.lst"), lines);
    }
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

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrorTest,
    ::testing::Values(
        UsageCase{"UnknownFlag", {"--bogus"}}, UsageCase{"MailboxWithoutNumber", {"--mailbox"}},
        UsageCase{"MailboxOutOfRange", {"--mailbox", "13"}},
        UsageCase{"MailboxNotANumber", {"--mailbox", "one"}},
        UsageCase{"MailboxAndAll", {"--mailbox", "2", "--all"}},
        UsageCase{"PasswordWithCheckFlags", {"--set-password", "1", "--delete"}},
        UsageCase{"TrustWithoutNumber", {"--trust-certificate"}},
        UsageCase{"TrustMailboxZero", {"--trust-certificate", "0"}},
        UsageCase{"TrustOutOfRange", {"--trust-certificate", "13"}},
        UsageCase{"TrustFlagAsNumber", {"--trust-certificate", "--all"}},
        UsageCase{"TrustWithMailbox", {"--trust-certificate", "1", "--mailbox", "1"}},
        UsageCase{"TrustWithAll", {"--all", "--trust-certificate", "2"}},
        UsageCase{"TrustWithWhy", {"--trust-certificate", "2", "--why"}},
        UsageCase{"TrustWithDelete", {"--delete", "--trust-certificate", "2"}},
        UsageCase{"TrustWithSetPassword", {"--trust-certificate", "2", "--set-password", "2"}},
        UsageCase{"FingerprintWithoutTrust", {"--fingerprint", std::string(64, 'a')}},
        UsageCase{"FingerprintWithCheck",
                  {"--mailbox", "1", "--fingerprint", std::string(64, 'a')}},
        UsageCase{"FingerprintWithoutValue", {"--trust-certificate", "1", "--fingerprint"}},
        UsageCase{"FingerprintNotHex",
                  {"--trust-certificate", "1", "--fingerprint", std::string(64, 'g')}},
        UsageCase{"FingerprintTooShort", {"--trust-certificate", "1", "--fingerprint", "AB:CD:EF"}},
        UsageCase{"StatsWithDelete", {"--stats", "--delete"}},
        UsageCase{"StatsWithMailbox", {"--mailbox", "1", "--stats", "log.txt"}},
        UsageCase{"StatsTwoFiles", {"--stats", "a.txt", "b.txt"}}),
    testsupport::ParamName());

TEST_F(KelvaneCheckTest, HelpAndVersionGoToStandardOutput) {
    const ProgramResult help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("--set-password N"));
    EXPECT_THAT(help.out, HasSubstr("--trust-certificate N"));
    const ProgramResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_THAT(version.out, StartsWith("kelvane-check "));
}

TEST_F(KelvaneCheckTest, SetPasswordStoresTheFirstLineEnciphered) {
    const ProgramResult result = Run({"--set-password", "4"}, "hunter2\r\nignored\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "") << "no question for a script";
    const SettingsStore store = Store();
    const std::string stored = store.ReadString(settingkeys::PasswdN, 4);
    EXPECT_NE(stored, "hunter2");
    EXPECT_EQ(DecipherPassword(stored), "hunter2");
    EXPECT_EQ(store.ReadString(settingkeys::Version161), "161");
}

// The terminal is checked for what the program set it to, so the password is typed only once
// it is hidden: typed earlier, the terminal itself would have shown it.
TEST_F(KelvaneCheckTest, SetPasswordAtATerminalIsNotShownAsItIsTyped) {
    TerminalProgram program({"--set-password", "4"}, folder.path().string());
    ASSERT_TRUE(program.WaitUntilEchoOff()) << program.output();
    ASSERT_TRUE(program.WaitForOutput("Password for mailbox 4: ")) << program.output();
    program.Type("hunter2\r");

    EXPECT_EQ(program.Wait(), 0) << program.output();
    EXPECT_THAT(program.output(), Not(HasSubstr("hunter2")));
    EXPECT_TRUE(program.Echoes()) << "the terminal shows typing again";
    EXPECT_EQ(DecipherPassword(Store().ReadString(settingkeys::PasswdN, 4)), "hunter2");
}

class InterruptedPasswordTest : public KelvaneCheckTest,
                                public ::testing::WithParamInterface<int> {};

TEST_P(InterruptedPasswordTest, LeavesTheTerminalShowingTypingAndStoresNothing) {
    TerminalProgram program({"--set-password", "4"}, folder.path().string());
    ASSERT_TRUE(program.WaitUntilEchoOff()) << program.output();
    program.Type("hunt");
    program.Signal(GetParam());

    EXPECT_EQ(program.Wait(), 128 + GetParam()) << program.output();
    EXPECT_TRUE(program.Echoes());
    EXPECT_EQ(Store().ReadString(settingkeys::PasswdN, 4), "");
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedPasswordTest,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

// The figures come from the statistics' own analysis (tested with it); here: which file, and
// the errors a script sees.
TEST_F(KelvaneCheckTest, StatsReadsTheNamedLogOrTheOneTheSettingsName) {
    std::filesystem::create_directories(folder.File("data"));
    testsupport::WriteFileBytes(DataFile("logfile.txt"),
                                "MAIL CHECK 4 msg(s) for \"ann\" on server pop at Tue 3/14/2000 "
                                "2:05 PM\r\n");
    const ProgramResult byDefault = Run({"--stats"});
    EXPECT_EQ(byDefault.exitCode, 0) << byDefault.err;
    EXPECT_THAT(byDefault.out, StartsWith("checks\t1\nfound\t4\ndeleted\t0\n"));
    testsupport::WriteFileBytes(folder.File("other.txt"), "");
    const ProgramResult named = Run({"--stats", folder.File("other.txt")});
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_THAT(named.out, StartsWith("checks\t0\n"));
    const ProgramResult missing = Run({"--stats", folder.File("none.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_THAT(missing.err, StartsWith("error: The activity log file does not exist!"));
}

// Trust is for a certificate: a mailbox in plain text has none to offer, and no connection is made.
TEST_F(KelvaneCheckTest, TrustingAMailboxWithoutTlsIsAnError) {
    testsupport::ScriptedServer server({"S: +OK ready"});
    ConfigureMailbox(3, server.address(), "ann", "pw");
    Store().WriteString(settingkeys::SecurityN, "0", 3);

    const ProgramResult result = Run({"--trust-certificate", "3"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "error: Mailbox 3 does not use TLS\n");
    EXPECT_EQ(Store().ReadString(settingkeys::FingerprintN, 3), "");
}

// A server that answers in plain text where TLS was asked for shows no certificate, so nothing
// is trusted.
TEST_F(KelvaneCheckTest, TrustingStoresNothingWhenTheHandshakeFails) {
    testsupport::ScriptedServer server({"S: +OK ready"});
    ConfigureMailbox(2, server.address(), "ann", "pw");
    Store().WriteString(settingkeys::SecurityN, "2", 2);

    const ProgramResult result = Run({"--trust-certificate", "2"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.out, Not(HasSubstr("Fingerprint stored")));
    EXPECT_THAT(result.err, StartsWith("error: "));
    EXPECT_EQ(Store().ReadString(settingkeys::FingerprintN, 2), "");
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
        Join({Greeting(), {"C: USER ann", "S: +OK", "C: PASS pw", "S: -ERR wrong password"}}));
    ConfigureMailbox(1, server.address(), "ann", "pw");
    const ProgramResult result = Run({"--mailbox", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_THAT(result.err, HasSubstr("wrong password"));
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(testsupport::FileBytes(DataFile("logfile.txt")),
                HasSubstr("ERROR -ERR wrong password FOR ann"));
}

TEST_F(KelvaneCheckTest, ListsEachMessageWithItsReasons) {
    // A server without CAPA gets one command at a time.
    testsupport::ScriptedServer server({"S: +OK ready",
                                        "C: CAPA",
                                        "S: -ERR unknown command",
                                        "C: USER ann",
                                        "S: +OK",
                                        "C: PASS pw",
                                        "S: +OK",
                                        "C: STAT",
                                        "S: +OK 2 300",
                                        "C: LIST",
                                        "S: +OK 2 messages",
                                        "S: 1 100",
                                        "S: 2 200",
                                        "S: .",
                                        "C: TOP 1 1",
                                        "S: +OK",
                                        "S: From: Ann <ann@friends.test>",
                                        "S: Subject: lunch",
                                        "S: ",
                                        "S: .",
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

std::vector<std::string> Headers(int n) {
    return {"From: sender" + std::to_string(n) + "@mail.test",
            "Subject: offer " + std::to_string(n)};
}

// The listing line kelvane-check prints for Headers(n) without a mark.
std::string Line(int n, int size) {
    const std::string number = std::to_string(n);
    return number + "\t-1\t" + std::to_string(size) + "\tsender" + number + "@mail.test\toffer " +
           number + "\t\n";
}

// A check that fails after it has listed something still prints what it listed (the header
// counting only those rows), then the error, and logs the error once.
struct FailedListingCase {
    const char* name;
    Script afterFirstMessage;
    int listed;  // rows printed
    std::string error;
};

void PrintTo(const FailedListingCase& c, std::ostream* out) {
    *out << c.name;
}

class FailedListingTest : public KelvaneCheckTest,
                          public ::testing::WithParamInterface<FailedListingCase> {};

TEST_P(FailedListingTest, PrintsTheRowsListedThenTheErrorAndExitsWithOne) {
    // Mailbox 1 alone has a server, so the listing keeps its session for kelvane-check to end.
    testsupport::ScriptedServer server(Join({Login("+OK 2 300"), ListingStart({100, 200}),
                                             Top(1, Headers(1)), GetParam().afterFirstMessage}));
    ConfigureMailbox(1, server.address(), "ann", "pw");

    const ProgramResult result = Run({});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();
    std::string listing = "# 1\tann\t" + server.address() + "\t" +
                          std::to_string(GetParam().listed) + "\n" + Line(1, 100);
    if (GetParam().listed == 2) listing += Line(2, 200);
    EXPECT_EQ(result.out, listing);
    EXPECT_THAT(result.err, EndsWith("error: " + GetParam().error + "\n"));
    const std::string log = LogText();
    EXPECT_EQ(CountOccurrences(log, "ERROR "), 1) << log;
    EXPECT_THAT(log, HasSubstr("ERROR " + GetParam().error + " FOR ann ON "));
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedListingTest,
                         ::testing::Values(
                             FailedListingCase{
                                 "refused-quit-after-a-complete-listing",
                                 Join({Top(2, Headers(2)), {"C: QUIT", "S: -ERR cannot commit"}}),
                                 2, "-ERR cannot commit"},
                             FailedListingCase{"refused-top-part-way",
                                               {"C: TOP 2 1", "S: -ERR no such message"},
                                               1,
                                               "-ERR no such message"},
                             FailedListingCase{"connection-lost-part-way",
                                               {"C: TOP 2 1", "close"},
                                               1,
                                               "The server closed the connection"}),
                         testsupport::ParamName());

// A mailbox whose check stops before its server (no user name) prints nothing, not the rows
// the mailbox before it listed.
TEST_F(KelvaneCheckTest, MailboxStoppedBeforeItsServerPrintsNoListing) {
    testsupport::ScriptedServer server(
        Join({Login("+OK 1 100"), Listing({{100, Headers(1)}}), Quit()}));
    ConfigureMailbox(1, server.address(), "ann", "pw");
    ConfigureMailbox(2, "pop.unused.invalid", "", "pw");

    const ProgramResult result = Run({"--all"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();
    EXPECT_EQ(result.out, "# 1\tann\t" + server.address() + "\t1\n" + Line(1, 100));
    EXPECT_THAT(result.err, HasSubstr("error: You need to enter your e-mail username"));
}

// Outside text in the listing: TABs raw and encoded, terminal escapes (a C1 one too) and a byte
// that is not UTF-8, in every column they can reach.
TEST_F(KelvaneCheckTest, ControlBytesNeitherSplitTheLineNorReachTheTerminal) {
    testsupport::ScriptedServer server(Join(
        {Login("+OK 2 300"),
         Listing({{100,
                   {"From: \"\x1b[2JBoss\" <boss@corp.test>",
                    "Subject: cheap\twatches \x1b]0;owned\x07now\xff", "Date: some\x1b[5mday"}},
                  {200, {"From: \x1b[31m@junk.test", "Subject: =?utf-8?Q?a=09b=1B=C2=9Bc?="}}}),
         Quit()}));
    ConfigureMailbox(1, server.address(), "ann", "pw");

    const ProgramResult result = Run({"--why"});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos) << result.out;
    EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;
    std::vector<std::string> messageLines;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '#' && line[0] != '\t') messageLines.push_back(line);
    }
    ASSERT_EQ(messageLines.size(), 2u) << result.out;
    for (const std::string& line : messageLines) {
        EXPECT_EQ(CountOccurrences(line, "\t"), 5) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    }
    EXPECT_THAT(messageLines[0],
                HasSubstr("\tcheap watches  ]0;owned now\xEF\xBF\xBD\tsome [5mday"));
    EXPECT_THAT(messageLines[1], HasSubstr("\ta b  c\t"));
}

// A server's refusal is shown as text, never as terminal control.
struct RefusalCase {
    const char* name;
    Script script;
};

void PrintTo(const RefusalCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusalTextTest : public KelvaneCheckTest,
                        public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTextTest, ReachesStandardErrorAndTheLogWithoutEscapes) {
    testsupport::ScriptedServer server(GetParam().script);
    ConfigureMailbox(1, server.address(), "ann", "pw");

    const ProgramResult result = Run({});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_THAT(result.err, HasSubstr("error: -ERR  [2J gone\n"));
    EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err;
    const std::string log = LogText();
    EXPECT_THAT(log, HasSubstr("ERROR -ERR  [2J gone FOR ann"));
    EXPECT_EQ(log.find('\x1b'), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Replies, RefusalTextTest,
                         ::testing::Values(RefusalCase{"greeting", {"S: -ERR \x1b[2J gone"}},
                                           RefusalCase{"password-reply",
                                                       Join({Greeting(),
                                                             {"C: USER ann", "S: +OK", "C: PASS pw",
                                                              "S: -ERR \x1b[2J gone"}})}),
                         testsupport::ParamName());

// The messages the server kept although they were marked: each gets its line on standard error
// after the count, and the run exits with one. The listing's session does the deletion; the
// list afterwards is a new session on the same server.
TEST_F(KelvaneCheckTest, DeletionThatLeavesMarkedMessagesReportsEachAndExitsWithOne) {
    WriteKnownSpammers("mail.test\r\n");
    testsupport::ScriptedServer server(Join({
        Login("+OK 3 600"),
        Listing({{100, Headers(1)}, {200, Headers(2)}, {300, Headers(3)}}),
        Recheck(1, 100, Headers(1)),
        Recheck(2, 200, Headers(2)),
        Recheck(3, 300, {"From: someone@else.test", "Subject: other"}),
        Retr(1, Headers(1)),
        Retr(2, Headers(2)),
        Dele(1, "-ERR locked\x1b[2J"),
        Dele(2),
        Quit(),
        {"next"},
        Login("+OK 2 400"),
        Listing({{100, Headers(1)}, {300, {"From: someone@else.test"}}}),
        Quit(),
    }));
    ConfigureMailbox(1, server.address(), "ann", "pw");

    const ProgramResult result = Run({"--delete"});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();
    EXPECT_THAT(result.out, EndsWith("There were 1 messages deleted\n"));
    const std::string refused = "Message 1 was not deleted: the server replied -ERR locked [2J";
    const std::string moved = "Message 3 was not deleted: another program changed the mailbox";
    EXPECT_THAT(result.err, EndsWith("error: " + refused + "\nerror: " + moved + "\n"));
    const std::string log = LogText();
    EXPECT_EQ(CountOccurrences(log, "DELETE SPAM on "), 1);
    EXPECT_THAT(log, HasSubstr("ERROR " + refused + " FOR ann"));
    EXPECT_THAT(log, HasSubstr("ERROR " + moved + " FOR ann"));
}

TEST_F(KelvaneCheckTest, DeletionOfEveryMarkedMessageExitsWithZero) {
    WriteKnownSpammers("mail.test\r\n");
    testsupport::ScriptedServer server(Join({Login("+OK 1 100"),
                                             Listing({{100, Headers(1)}}),
                                             Recheck(1, 100, Headers(1)),
                                             Retr(1, Headers(1)),
                                             Dele(1),
                                             Quit(),
                                             {"next"},
                                             Login("+OK 0 0"),
                                             Quit()}));
    ConfigureMailbox(1, server.address(), "ann", "pw");

    const ProgramResult result = Run({"--delete"});

    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(server.WaitUntilClosed(2000)) << server.failure();
    EXPECT_THAT(result.out, EndsWith("There were 1 messages deleted\n"));
    EXPECT_THAT(result.err, Not(HasSubstr("error: ")));
}

}  // namespace
}  // namespace kelvane::checktest

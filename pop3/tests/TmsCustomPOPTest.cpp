#include "TmsCustomPOP.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CaseName.h"
#include "MailErrors.h"
#include "Pop3Session.h"

namespace kelvane {
namespace {

using pop3test::Join;
using pop3test::Login;
using pop3test::LoginCommands;
using pop3test::Quit;
using pop3test::RaisedText;
using pop3test::Script;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class Pop3LoginTest : public pop3test::Pop3Session {};

TEST_F(Pop3LoginTest, ListensOnThePop3PortByDefault) {
    EXPECT_EQ(pop.DefaultPort, 110);
    EXPECT_EQ(pop.ServiceName, "pop3");
    EXPECT_EQ(pop.MessageCount(), -1);
    EXPECT_EQ(pop.MailboxSize(), -1);
}

struct ReplyCodeCase {
    const char* name;
    const char* line;
    int code;
};

class Pop3ReplyCodeTest : public ::testing::TestWithParam<ReplyCodeCase> {};

TEST_P(Pop3ReplyCodeTest, OnlyTheFirstCharacterCounts) {
    TmsRemotePOP pop;
    EXPECT_EQ(pop.ReplyCode(GetParam().line), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Replies, Pop3ReplyCodeTest,
                         ::testing::Values(ReplyCodeCase{"ok", "+OK 2 320", 1},
                                           ReplyCodeCase{"bare-plus", "+", 1},
                                           ReplyCodeCase{"err", "-ERR no such message", -1},
                                           ReplyCodeCase{"empty", "", 0},
                                           ReplyCodeCase{"blank-before-plus", " +OK", 0},
                                           ReplyCodeCase{"smtp-style-number", "250 OK", 0},
                                           ReplyCodeCase{"word-without-sign", "OK", 0}),
                         testsupport::ParamName());

struct RequiredCase {
    const char* name;
    const char* user;
    const char* password;
    const char* error;
};

class Pop3RequiredPropertyTest : public pop3test::Pop3Session,
                                 public ::testing::WithParamInterface<RequiredCase> {};

// Checked before anything is opened: no OnOpen, no connection, OnError first.
TEST_P(Pop3RequiredPropertyTest, RaisedThroughOnErrorBeforeOpening) {
    pop.Server = "127.0.0.1:" + std::to_string(testsupport::UnusedPort());
    pop.UserName = GetParam().user;
    pop.Password = GetParam().password;
    EXPECT_EQ(RaisedText<ESocketError>([&] { pop.Connect(); }), GetParam().error);
    EXPECT_THAT(events, ElementsAre("OnError " + std::string(GetParam().error)));
    EXPECT_FALSE(pop.Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Properties, Pop3RequiredPropertyTest,
    ::testing::Values(RequiredCase{"no-user-name", "", "s3cret!", "UserName property is required"},
                      RequiredCase{"no-password-either", "", "", "UserName property is required"}),
    testsupport::ParamName());

struct StatCase {
    const char* name;
    std::string reply;
    int messageCount;
    int mailboxSize;
};

class Pop3StatTest : public pop3test::Pop3Session,
                     public ::testing::WithParamInterface<StatCase> {};

TEST_P(Pop3StatTest, ReadsTheMailboxTotals) {
    Serve(Join({Login(GetParam().reply), Quit()}));
    pop.Connect();
    EXPECT_EQ(pop.MessageCount(), GetParam().messageCount);
    EXPECT_EQ(pop.MailboxSize(), GetParam().mailboxSize);
    pop.Disconnect();
    ExpectScriptFollowed();
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Pop3StatTest,
    ::testing::Values(StatCase{"count-and-size", "+OK 2 320", 2, 320},
                      StatCase{"empty-mailbox", "+OK 0 0", 0, 0},
                      StatCase{"text-after-the-size", "+OK 3 4096 messages", 3, 4096},
                      StatCase{"no-blank-keeps-the-old-values", "+OK 5", -1, -1},
                      StatCase{"bare-ok-keeps-the-old-values", "+OK", -1, -1},
                      StatCase{"size-not-a-number", "+OK 4 lots", 4, 0},
                      StatCase{"count-not-a-number", "+OK many 900", 0, 900}),
    testsupport::ParamName());

TEST_F(Pop3LoginTest, ConnectWhileConnectedDoesNotLogInAgain) {
    Serve(Join({Login("+OK 0 0"), Quit()}));
    pop.Connect();
    pop.Connect();
    pop.Disconnect();
    ExpectScriptFollowed();
    EXPECT_EQ(server->received(), Join({LoginCommands(), {"QUIT"}}));
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnClosing", "OnClosed"));
    EXPECT_FALSE(pop.Connected());
}

// A login the server refused, at STLS, USER or PASS. The refusal is the server's answer, not
// a transport failure (no OnError), yet the session must not outlive it: kept open, it would be
// taken for a logged-in one by the next Connect.
struct RefusedLoginCase {
    const char* name;
    PopSecurity security;
    Script refused;           // the session up to the refusal
    Script again;             // what the server does on the next connection
    std::string againRaises;  // what the next UpdateInfo raises
};

void PrintTo(const RefusedLoginCase& c, std::ostream* os) {
    *os << c.name;
}

// Every line the client is expected to send in `script`.
Script ClientLines(const Script& script) {
    Script lines;
    for (const std::string& step : script) {
        if (step.rfind("C: ", 0) == 0) lines.push_back(step.substr(3));
    }
    return lines;
}

class Pop3RefusedLoginTest : public pop3test::Pop3Session,
                             public ::testing::WithParamInterface<RefusedLoginCase> {};

TEST_P(Pop3RefusedLoginTest, ClosesTheSessionSoTheNextLogsInAfresh) {
    const RefusedLoginCase& c = GetParam();
    const Script script = Join({c.refused, {"next"}, c.again});
    Serve(script);
    pop.Security = c.security;
    pop.KeepConnected = true;

    EXPECT_EQ(RaisedText<EServerError>([&] { pop.UpdateInfo(); }), c.refused.back().substr(3));
    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnClosing", "OnClosed"));

    EXPECT_EQ(RaisedText<EServerError>([&] { pop.UpdateInfo(); }), c.againRaises);
    pop.Disconnect();
    ExpectScriptFollowed();
    // Nothing more on the refused session, not even QUIT: the next one began with a greeting.
    EXPECT_EQ(server->received(), ClientLines(script));
}

const Script kUserRefused =
    Join({{"S: +OK POP3 ready"}, pop3test::PlainCapa(), {"C: USER ann", "S: -ERR who?"}});
const Script kPasswordRefused =
    Join({{"S: +OK POP3 ready"},
          pop3test::PlainCapa(),
          {"C: USER ann", "S: +OK", "C: PASS s3cret!", "S: -ERR [AUTH] Authentication failed."}});
const Script kStlsRefused =
    Join({{"S: +OK POP3 ready"}, pop3test::Capa({"STLS", "USER"}), {"C: STLS", "S: -ERR not now"}});
const Script kListingOfOne = Join({Login("+OK 1 100"), pop3test::Listing({100}), Quit()});

INSTANTIATE_TEST_SUITE_P(
    Refusals, Pop3RefusedLoginTest,
    ::testing::Values(
        RefusedLoginCase{"user", PopSecurity::Plain, kUserRefused, kListingOfOne,
                         "(nothing raised)"},
        RefusedLoginCase{"password", PopSecurity::Plain, kPasswordRefused, kListingOfOne,
                         "(nothing raised)"},
        // The scripted server speaks no TLS: the next session is refused the same way.
        RefusedLoginCase{"stls", PopSecurity::StartTls, kStlsRefused, kStlsRefused,
                         "-ERR not now"}),
    testsupport::ParamName());

// An account without a stored password logs in with an empty one; the server says no.
TEST_F(Pop3LoginTest, EmptyPasswordIsSentAndTheRefusalRaised) {
    pop.Password.clear();
    Serve(Join({{"S: +OK POP3 ready"},
                pop3test::PlainCapa(),
                {"C: USER ann", "S: +OK", "C: PASS ", "S: -ERR [AUTH] Authentication failed.",
                 "silence"}}));
    EXPECT_EQ(RaisedText<EServerError>([&] { pop.UpdateInfo(); }),
              "-ERR [AUTH] Authentication failed.");
    pop.Close();
    ExpectScriptFollowed();
}

TEST_F(Pop3LoginTest, NegativeGreetingOrUserReplyStopsTheLogin) {
    for (const Script& script : {Script{"S: -ERR too busy, come back later"}, kUserRefused}) {
        SCOPED_TRACE(script.back());
        TmsRemotePOP client;
        client.UserName = pop3test::kUser;
        client.Password = pop3test::kPassword;
        client.TimeOut = 2;
        testsupport::ScriptedServer refusing(script);
        client.Server = refusing.address();
        EXPECT_EQ(RaisedText<EServerError>([&] { client.Connect(); }), script.back().substr(3));
        EXPECT_EQ(client.MessageCount(), -1);
    }
}

TEST_F(Pop3LoginTest, RefusedQuitRaisesAndKeepsTheConnection) {
    Serve(Join({Login("+OK 0 0"), {"C: QUIT", "S: -ERR cannot commit"}}));
    EXPECT_EQ(RaisedText<EServerError>([&] { pop.UpdateInfo(); }), "-ERR cannot commit");
    EXPECT_TRUE(pop.Connected());
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnUpdatingInfo"));
}

// Transport failures reach OnError with the same text that is raised, and close the session.
TEST_F(Pop3LoginTest, RefusedConnectionIsReportedThroughOnError) {
    pop.Server = "127.0.0.1:" + std::to_string(testsupport::UnusedPort());
    const std::string raised = RaisedText<EMailError>([&] { pop.UpdateInfo(); });
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front(), raised);
    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(events, Not(::testing::Contains("OnUpdatingInfo")));
}

TEST_F(Pop3LoginTest, TraceShowsTheConversationWithoutThePassword) {
    Serve(Join({Login("+OK 0 0"), Quit()}));
    Script trace;
    pop.OnTrace = [&](const std::string& line) { trace.push_back(line); };
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(trace, Script({"S: +OK POP3 ready", "C: CAPA", "S: +OK capability list follows",
                             "S: (26 bytes of data)", "C: USER ann", "S: +OK", "C: PASS {password}",
                             "S: +OK mailbox unlocked", "C: STAT", "S: +OK 0 0", "C: QUIT",
                             "S: +OK bye"}));
}

// A server that echoes the password, and one that falls silent after it: neither the raised
// error, OnError, LastReply nor the trace may carry the secret.
TEST_F(Pop3LoginTest, PasswordReachesNoErrorTextOrTrace) {
    const Script plain = Join({{"S: +OK POP3 ready"}, pop3test::PlainCapa()});
    const Script pipelined = Join({{"S: +OK POP3 ready"},
                                   pop3test::Capa({"PIPELINING"}),
                                   {"C: USER ann", "C: PASS s3cret!", "C: STAT", "C: LIST"}});
    const std::vector<Script> servers = {
        Join({plain,
              {"C: USER ann", "S: +OK", "C: PASS s3cret!",
               "S: -ERR wrong password s3cret! for ann"}}),
        Join({plain, {"C: USER ann", "S: +OK", "C: PASS s3cret!", "silence"}}),
        Join({pipelined,
              {"S: +OK echo PASS s3cret!", "S: -ERR wrong password s3cret! for ann",
               "S: -ERR not logged in", "S: -ERR not logged in"}}),
        Join({pipelined, {"S: +OK", "S: +OK s3cret!", "S: -ERR s3cret! is no command"}}),
        Join({pipelined, {"silence"}}),
    };
    for (const Script& script : servers) {
        SCOPED_TRACE(script.back());
        TmsRemotePOP client;
        client.UserName = pop3test::kUser;
        client.Password = pop3test::kPassword;
        client.TimeOut = 1;
        Script texts;
        client.OnTrace = [&](const std::string& line) { texts.push_back(line); };
        client.OnError = [&](TagSocket&, std::string& text) { texts.push_back(text); };
        testsupport::ScriptedServer peer(script);
        client.Server = peer.address();
        const std::string raised = RaisedText<EMailError>([&] { client.UpdateInfo(); });
        EXPECT_NE(raised, "(nothing raised)");
        texts.push_back(raised);
        texts.push_back(client.LastReply());
        EXPECT_THAT(texts, ::testing::Contains("C: PASS {password}"));
        EXPECT_THAT(texts, ::testing::Each(Not(HasSubstr(pop3test::kPassword))));
    }
}

}  // namespace
}  // namespace kelvane

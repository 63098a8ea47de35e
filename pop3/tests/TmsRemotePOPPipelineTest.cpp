// The listing and the deletion run against servers that pipeline (RFC 2449): which commands go
// out ahead of their replies, how many at once, and what happens when a burst breaks off.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CaseName.h"
#include "EventPump.h"
#include "MailErrors.h"
#include "Pop3Session.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

using pop3test::Capa;
using pop3test::HeadersOf;
using pop3test::Join;
using pop3test::Login;
using pop3test::PipelinedLogin;
using pop3test::Quit;
using pop3test::RaisedText;
using pop3test::Script;
using pop3test::Sizes;
using pop3test::SizesReply;
using pop3test::TopReply;
using ::testing::ElementsAre;

Script Commands(const std::vector<std::string>& lines) {
    Script steps;
    for (const std::string& line : lines) steps.push_back("C: " + line);
    return steps;
}

Script TopCommands(int first, int last) {
    Script steps;
    for (int n = first; n <= last; ++n) steps.push_back("C: TOP " + std::to_string(n) + " 1");
    return steps;
}

class PipelineTest : public pop3test::Pop3Session {
  protected:
    std::vector<std::string> Subjects() const {
        std::vector<std::string> subjects;
        for (int num = 0; num < pop.Info().Count(); ++num) {
            subjects.push_back(pop.Info().Items(num).Headers.at(1));
        }
        return subjects;
    }
};

// Four commands in flight at most, LIST (sent with the login) included: the fourth TOP goes out
// only once the sizes are read, and the messages are still announced one after the other.
TEST_F(PipelineTest, TopCommandsGoAheadOfTheirRepliesWithinTheWindow) {
    pop.PipelineDepth = 4;
    Serve(Join({PipelinedLogin("+OK 6 600", {"TOP", "PIPELINING"}, {"LIST"}),
                TopCommands(1, 3),
                {"quiet 200"},
                SizesReply({1, 2, 3, 4, 5, 6}),
                TopCommands(4, 4),
                {"quiet 100"},
                TopReply(1),
                TopCommands(5, 5),
                {"quiet 100"},
                TopReply(2),
                TopCommands(6, 6),
                TopReply(3),
                Commands({"QUIT"}),
                TopReply(4),
                TopReply(5),
                TopReply(6),
                {"S: +OK bye"}}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_THAT(
        events,
        ElementsAre("OnOpen", "OnUpdatingInfo", "OnNextInfoUpdated 0", "OnNextInfoUpdated 1",
                    "OnNextInfoUpdated 2", "OnNextInfoUpdated 3", "OnNextInfoUpdated 4",
                    "OnNextInfoUpdated 5", "OnClosing", "OnClosed", "OnInfoUpdated"));
    ASSERT_EQ(pop.Info().Count(), 6);
    for (int num = 0; num < 6; ++num) {
        EXPECT_EQ(pop.Info().Items(num).Headers, HeadersOf(num + 1));
        EXPECT_EQ(pop.Info().Items(num).Size, num + 1);
    }
}

// A check that ends its session sends QUIT behind the last TOP, once the sizes are in; one that
// keeps the session for a deletion does not.
TEST_F(PipelineTest, QuitFollowsTheLastTopUnlessTheSessionIsKept) {
    Serve(Join({PipelinedLogin("+OK 2 200", {"PIPELINING"}, {"LIST"}),
                Commands({"TOP 1 1", "TOP 2 1"}),
                {"quiet 150"},
                SizesReply({100, 100}),
                Commands({"QUIT"}),
                TopReply(1),
                TopReply(2),
                {"S: +OK bye"}}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_THAT(events,
                ElementsAre("OnOpen", "OnUpdatingInfo", "OnNextInfoUpdated 0",
                            "OnNextInfoUpdated 1", "OnClosing", "OnClosed", "OnInfoUpdated"));

    pop.KeepConnected = true;
    Serve(Join({PipelinedLogin("+OK 2 200", {"PIPELINING"}, {"LIST"}),
                SizesReply({100, 100}),
                Commands({"TOP 1 1", "TOP 2 1"}),
                {"quiet 150"},
                TopReply(1),
                TopReply(2),
                Quit()}));
    pop.UpdateInfo();
    EXPECT_TRUE(pop.Connected());
    pop.Disconnect();
    ExpectScriptFollowed();
}

// USER, PASS, STAT and LIST go out in one flight, the password written as a placeholder; an empty
// mailbox still has its LIST reply read, so that QUIT gets its own reply.
TEST_F(PipelineTest, LoginGoesOutInOneFlight) {
    Serve(Join({PipelinedLogin("+OK 0 0", {"PIPELINING"}, {"LIST"}),
                {"S: +OK 0 messages", "S: ."},
                Quit()}));
    Script trace;
    pop.OnTrace = [&](const std::string& line) { trace.push_back(line); };
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(trace,
              Script({"S: +OK POP3 ready", "C: CAPA", "S: +OK capability list follows",
                      "S: (15 bytes of data)", "C: USER ann", "C: PASS {password}", "C: STAT",
                      "C: LIST", "S: +OK", "S: +OK mailbox unlocked", "S: +OK 0 0",
                      "S: +OK 0 messages", "S: (3 bytes of data)", "C: QUIT", "S: +OK bye"}));
    EXPECT_EQ(pop.Info().Count(), 0);
}

struct FlightRefusalCase {
    const char* name;
    std::string replies;  // to USER, PASS, STAT and LIST, in one piece
    std::string raised;
};

void PrintTo(const FlightRefusalCase& c, std::ostream* out) {
    *out << c.name;
}

class FlightRefusalTest : public PipelineTest,
                          public ::testing::WithParamInterface<FlightRefusalCase> {};

// The server refuses the rest of the flight too. The refusal is what is reported, and the
// session ends without reading the other replies, so that none of them answers a later command:
// the next check logs in afresh.
TEST_P(FlightRefusalTest, ReportsTheRefusalAndEndsTheSession) {
    Serve(Join({{"S: +OK POP3 ready"},
                Capa({"PIPELINING"}),
                Commands({"USER ann", "PASS s3cret!", "STAT", "LIST"}),
                {"S: " + GetParam().replies, "next"},
                PipelinedLogin("+OK 1 100", {"PIPELINING"}, {"LIST"}),
                SizesReply({100}),
                TopCommands(1, 1),
                TopReply(1),
                Quit()}));
    EXPECT_EQ(RaisedText<EServerError>([&] { pop.UpdateInfo(); }), GetParam().raised);
    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnClosing", "OnClosed"));

    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Subject: message 1"});
    EXPECT_EQ(server->received(),
              Script({"CAPA", "USER ann", "PASS s3cret!", "STAT", "LIST", "CAPA", "USER ann",
                      "PASS s3cret!", "STAT", "LIST", "TOP 1 1", "QUIT"}));
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, FlightRefusalTest,
    ::testing::Values(FlightRefusalCase{"password",
                                        "+OK\r\n-ERR [AUTH] Authentication failed.\r\n-ERR Unknown "
                                        "command\r\n-ERR Unknown command",
                                        "-ERR [AUTH] Authentication failed."},
                      FlightRefusalCase{
                          "user",
                          "-ERR who?\r\n-ERR USER first\r\n-ERR Unknown command\r\n-ERR "
                          "Unknown command",
                          "-ERR who?"}),
    testsupport::ParamName());

// Without PIPELINING (or without CAPA at all) each command waits for the reply before it.
TEST_F(PipelineTest, ServerWithoutPipeliningGetsOneCommandAtATime) {
    for (const Script& capabilities :
         {Capa({"TOP", "UIDL"}), Script{"C: CAPA", "S: -ERR unknown command"}}) {
        Serve(Join({Login("+OK 2 300", capabilities),
                    Sizes({100, 200}),
                    TopCommands(1, 1),
                    {"quiet 150"},
                    TopReply(1),
                    TopCommands(2, 2),
                    TopReply(2),
                    Quit()}));
        pop.UpdateInfo();
        ExpectScriptFollowed();
        EXPECT_EQ(Subjects(),
                  (std::vector<std::string>{"Subject: message 1", "Subject: message 2"}));
    }
}

// A server that refuses the list of all sizes gets LIST n for each message once the header
// blocks sent along with the refused LIST are in; the session ends with a QUIT of its own.
TEST_F(PipelineTest, RefusedListFallsBackToOneListPerMessage) {
    Serve(Join({PipelinedLogin("+OK 2 300", {"PIPELINING"}, {"LIST"}),
                Commands({"TOP 1 1", "TOP 2 1"}),
                {"S: -ERR syntax error"},
                TopReply(1),
                TopReply(2),
                Commands({"LIST 1", "LIST 2"}),
                {"S: +OK 1 100", "S: +OK 2 250"},
                Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    ASSERT_EQ(pop.Info().Count(), 2);
    EXPECT_EQ(pop.Info().Items(0).Size, 100);
    EXPECT_EQ(pop.Info().Items(1).Size, 250);
    EXPECT_EQ(Subjects(), (std::vector<std::string>{"Subject: message 1", "Subject: message 2"}));
}

struct BrokenBurstCase {
    const char* name;
    Script afterFirstReply;  // what the server does after answering TOP 1 1
    std::string error;
};

void PrintTo(const BrokenBurstCase& c, std::ostream* out) {
    *out << c.name;
}

class BrokenBurstTest : public PipelineTest,
                        public ::testing::WithParamInterface<BrokenBurstCase> {};

// The first message stays listed; the session ends, since the replies still on their way would
// answer whatever the client sent next.
TEST_P(BrokenBurstTest, EndsTheCheckAndTheSession) {
    pop.TimeOut = 1;
    Serve(Join({PipelinedLogin("+OK 3 300", {"PIPELINING"}, {"LIST"}), TopCommands(1, 3),
                SizesReply({100, 100, 100}), TopReply(1), GetParam().afterFirstReply}));
    std::string raised;
    try {
        pop.UpdateInfo();
    } catch (const EMailError& error) {
        raised = error.what();
    }
    EXPECT_EQ(raised, GetParam().error);
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Subject: message 1"});
    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(events, ::testing::Not(::testing::Contains("OnInfoUpdated")));
}

INSTANTIATE_TEST_SUITE_P(
    Bursts, BrokenBurstTest,
    ::testing::Values(BrokenBurstCase{"cut-in-a-header-block",
                                      {"S: +OK", "S~ Subject: half a li", "close"},
                                      kServerClosedConnection},
                      BrokenBurstCase{"cut-between-replies", {"close"}, kServerClosedConnection},
                      BrokenBurstCase{"refused-top",
                                      {"S: -ERR message 2 is locked", "silence"},
                                      "-ERR message 2 is locked"},
                      BrokenBurstCase{"silent-after-a-reply", {"silence"}, kOperationTimedOut}),
    testsupport::ParamName());

TEST_F(PipelineTest, CancelInTheMiddleOfABurstClosesTheSession) {
    Serve(Join({PipelinedLogin("+OK 3 300", {"PIPELINING"}, {"LIST"}),
                TopCommands(1, 3),
                SizesReply({100, 100, 100}),
                TopReply(1),
                {"silence"}}));
    bool cancelWanted = false;
    pop.OnNextInfoUpdated = [&](TagSocket&, int num) {
        events.push_back("OnNextInfoUpdated " + std::to_string(num));
        cancelWanted = true;
    };
    SetEventPump([&] {
        if (!cancelWanted) return;
        cancelWanted = false;
        pop.Cancel();
    });
    EXPECT_EQ(RaisedText<ECanceledError>([&] { pop.UpdateInfo(); }), kOperationCanceled);
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(Subjects(), std::vector<std::string>{"Subject: message 1"});
    ExpectScriptFollowed();

    SetEventPump(nullptr);
    Serve(Join({Login("+OK 0 0"), Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
}

class PipelinedDeletionTest : public PipelineTest {
  protected:
    void Listed(int count) {
        for (int n = 1; n <= count; ++n) {
            TmsRemoteInfoItem item;
            item.Size = 100;
            item.Headers = HeadersOf(n);
            item.UIDL = "uid-" + std::to_string(n);
            pop.Info().Add(std::move(item));
        }
    }

    // The replies to UIDL n, LIST n and TOP n 1 for message n as listed.
    static Script CheckReplies(int n, const std::string& id) {
        const std::string number = std::to_string(n);
        return Join({{"S: +OK " + number + " " + id, "S: +OK " + number + " 100"}, TopReply(n)});
    }
};

// Every marked message is looked at again in one burst, then the DELE commands of the ones that
// still match go out together. A message whose unique id changed is another message, even
// with the same header block and size.
TEST_F(PipelinedDeletionTest, ChecksThenDeletionsGoOutInBursts) {
    Listed(3);
    pop.SelectForDeletion(0);
    pop.SelectForDeletion(1);
    pop.SelectForDeletion(2);
    Serve(Join({PipelinedLogin("+OK 3 300", {"PIPELINING", "UIDL"}),
                Commands({"UIDL 1", "LIST 1", "TOP 1 1", "UIDL 2", "LIST 2", "TOP 2 1", "UIDL 3",
                          "LIST 3", "TOP 3 1"}),
                CheckReplies(1, "uid-1"),
                CheckReplies(2, "uid-new"),
                CheckReplies(3, "uid-3"),
                Commands({"DELE 1", "DELE 3"}),
                {"S: +OK deleted", "S: -ERR locked"},
                Quit()}));
    pop.ProcessMarked();
    ExpectScriptFollowed();
    EXPECT_THAT(events, ElementsAre("OnOpen", "OnTransferringData", "OnDeleting 0", "OnDeleted 0",
                                    "OnSkipped 1", "OnDeleting 2", "OnDeleteRefused 2 -ERR locked",
                                    "OnDataTransfered", "OnClosing", "OnClosed"));
}

// A deletion run cut off part-way ends without QUIT, so that the server deletes nothing.
TEST_F(PipelinedDeletionTest, BurstCutOffEndsWithoutQuit) {
    Listed(2);
    pop.SelectForDeletion(0);
    pop.SelectForDeletion(1);
    Serve(Join({PipelinedLogin("+OK 2 200", {"PIPELINING"}),
                Commands({"UIDL 1", "LIST 1", "TOP 1 1", "UIDL 2", "LIST 2", "TOP 2 1"}),
                CheckReplies(1, "uid-1"),
                CheckReplies(2, "uid-2"),
                Commands({"DELE 1", "DELE 2"}),
                {"S: +OK deleted", "close"}}));
    EXPECT_EQ(RaisedText<ESocketError>([&] { pop.ProcessMarked(); }), kServerClosedConnection);
    ExpectScriptFollowed();
    EXPECT_THAT(server->received(), ::testing::Not(::testing::Contains("QUIT")));
    EXPECT_FALSE(pop.Connected());
}

}  // namespace
}  // namespace kelvane

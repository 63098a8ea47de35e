#include "TagSocket.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "CaseName.h"
#include "DialUpLink.h"
#include "EventPump.h"
#include "MailErrors.h"
#include "ScriptedServer.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using testsupport::ScriptedServer;
using testsupport::UnusedPort;

// What `action` raised, as "ESocketError: text", so that one comparison checks class and text.
std::string Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const ESocketError& e) {
        return std::string("ESocketError: ") + e.what();
    } catch (const ETimedOutError& e) {
        return std::string("ETimedOutError: ") + e.what();
    } catch (const ECanceledError& e) {
        return std::string("ECanceledError: ") + e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
    return "nothing";
}

// Failure messages name a table case by its name rather than by its bytes.
template <class Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class RecordingDialUpLink : public DialUpLink {
  public:
    explicit RecordingDialUpLink(std::vector<std::string>& events) : events_(events) {}
    void EnsureConnected() override { events_.push_back("dial"); }
    void Release() override { events_.push_back("release"); }

  private:
    std::vector<std::string>& events_;
};

// A socket with a one-second time-out whose events are written to `events` as they fire.
class TagSocketTest : public ::testing::Test {
  protected:
    TagSocketTest() {
        socket.TimeOut = 1;
        socket.ServiceName = "pop3";
        socket.OnOpen = [this](TagSocket&) { events.push_back("open"); };
        socket.OnClosing = [this](TagSocket&) { events.push_back("closing"); };
        socket.OnClosed = [this](TagSocket&) { events.push_back("closed"); };
        socket.OnCancel = [this](TagSocket&) { events.push_back("cancel"); };
        socket.OnError = [this](TagSocket&, std::string& text) {
            events.push_back("error: " + text);
        };
    }
    ~TagSocketTest() override { SetEventPump({}); }

    void Connect(const ScriptedServer& server) {
        socket.Server = server.address();
        socket.Open();
        socket.ConnectSocket();
        events.clear();
    }
    std::string ReadLine() { return socket.ReadReplyLine().line; }

    std::vector<std::string> events;
    TagSocket socket;
};

// Connecting

struct ServerForm {
    const char* name;
    std::string host;
};

class ServerFormTest : public TagSocketTest, public ::testing::WithParamInterface<ServerForm> {};

TEST_P(ServerFormTest, PortInServerWinsOverServiceAndDefault) {
    ScriptedServer server({"S: +OK ready"});
    socket.Server = GetParam().host + ":" + std::to_string(server.port());
    socket.DefaultPort = UnusedPort();  // "pop3" names port 110; neither may be used
    socket.Open();
    socket.ConnectSocket();
    EXPECT_EQ(ReadLine(), "+OK ready");
}

INSTANTIATE_TEST_SUITE_P(Hosts, ServerFormTest,
                         ::testing::Values(ServerForm{"dotted-address", "127.0.0.1"},
                                           ServerForm{"host-name", "localhost"},
                                           // as typed into the settings file by hand
                                           ServerForm{"blanks-around", " localhost\t"}),
                         testsupport::ParamName());

TEST_F(TagSocketTest, UnknownServiceFallsBackToDefaultPort) {
    ScriptedServer server({"S: +OK ready"});
    socket.Server = "127.0.0.1";
    socket.ServiceName = "no-such-service-xyz";
    socket.DefaultPort = server.port();
    socket.Open();
    socket.ConnectSocket();
    EXPECT_EQ(ReadLine(), "+OK ready");
}

struct OpenFailure {
    const char* name;
    std::string server;
    std::string service;
    std::string raised;
};

class OpenFailureTest : public TagSocketTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailureTest, IsReportedThenRaised) {
    socket.Server = GetParam().server;
    socket.ServiceName = GetParam().service;
    EXPECT_EQ(Raised([&] { socket.Open(); }), "ESocketError: " + GetParam().raised);
    EXPECT_THAT(events, ElementsAre("open", "error: " + GetParam().raised));
    EXPECT_FALSE(socket.Connected());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailureTest,
    ::testing::Values(OpenFailure{"no-server", "", "pop3", kServerPropertyRequired},
                      OpenFailure{"no-port-and-no-service", "127.0.0.1", "", kServiceNameRequired},
                      OpenFailure{"unresolvable-host", "bad..host:110", "pop3",
                                  kErrorResolvingRemoteHost}),
    testsupport::ParamName());

TEST_F(TagSocketTest, RefusedConnectionFailsAtOnceNotByTimeOut) {
    socket.Server = "127.0.0.1:" + std::to_string(UnusedPort());
    socket.Open();
    EXPECT_EQ(Raised([&] { socket.ConnectSocket(); }), "ESocketError: Connection refused");
    EXPECT_THAT(events, ElementsAre("open", "error: Connection refused", "closing", "closed"));
    EXPECT_FALSE(socket.Connected());
}

TEST_F(TagSocketTest, DialUpLinkIsAskedFirstAndReleasedLast) {
    RecordingDialUpLink link(events);
    socket.RAS = &link;
    ScriptedServer server({});
    socket.Server = server.address();
    socket.Open();
    socket.ConnectSocket();
    socket.Close();
    EXPECT_THAT(events, ElementsAre("dial", "open", "closing", "closed", "release"));

    events.clear();
    socket.Close();  // already closed: only the dial-up step
    EXPECT_THAT(events, ElementsAre("release"));
}

// Reply lines

TEST_F(TagSocketTest, RepliesSharingOnePacketAreReadOneByOne) {
    ScriptedServer server({"S~ +OK one\r\n-ERR two\r\n", "C: USER ann", "S~ +OK th", "sleep 100",
                           "S: ree", "S~ 250 bare line feed\n"});
    Connect(server);
    EXPECT_EQ(ReadLine(), "+OK one");
    EXPECT_EQ(ReadLine(), "-ERR two");
    socket.SendLine("USER ann");
    EXPECT_EQ(ReadLine(), "+OK three");
    const ReplyLine last = socket.ReadReplyLine();
    EXPECT_EQ(last.line, "250 bare line feed");
    EXPECT_EQ(last.code, 250);
    EXPECT_TRUE(server.WaitUntilDone(2000)) << server.failure();
}

TEST_F(TagSocketTest, LongReplyLineIsReadWhole) {
    const std::string line = "+OK " + std::string(1996, 'x');
    ScriptedServer server({"S: " + line, "S: +OK next"});
    Connect(server);
    EXPECT_EQ(ReadLine(), line);
    EXPECT_EQ(ReadLine(), "+OK next");
}

TEST_F(TagSocketTest, OverlongReplyLineIsRefusedAndClosesTheConnection) {
    ScriptedServer server({"S: +OK " + std::string(70000, 'x')});
    Connect(server);
    const std::string text = "The server sent a reply line longer than 65536 bytes";
    EXPECT_EQ(Raised([&] { ReadLine(); }), "ESocketError: " + text);
    EXPECT_THAT(events, ElementsAre("error: " + text, "closing", "closed"));
    EXPECT_FALSE(socket.Connected());
}

TEST_F(TagSocketTest, SilentServerTimesOutAndClosesTheSocket) {
    ScriptedServer server({"silence"});
    Connect(server);
    EXPECT_EQ(Raised([&] { ReadLine(); }), "ETimedOutError: Operation timed out");
    EXPECT_THAT(events, ElementsAre("error: Operation timed out", "closing", "closed"));
    EXPECT_FALSE(socket.Connected());
}

TEST(TagSocketReplyCodeTest, IsTheFirstThreeDigitsOrMinusOne) {
    TagSocket socket;
    EXPECT_EQ(socket.ReplyCode("250 fine"), 250);
    EXPECT_EQ(socket.ReplyCode("007"), 7);
    EXPECT_EQ(socket.ReplyCode("+OK 250"), -1);
    EXPECT_EQ(socket.ReplyCode("2x0 odd"), -1);
    EXPECT_EQ(socket.ReplyCode("25"), -1);
    EXPECT_EQ(socket.ReplyCode(""), -1);
}

// Data blocks

TEST_F(TagSocketTest, ReplyDataBlockAndNextReplyInOnePacketAreKeptApart) {
    ScriptedServer server({"S~ +OK 24 octets\r\nSubject: hi\r\n\r\nbody\r\n.\r\n+OK next\r\n"});
    Connect(server);
    EXPECT_EQ(ReadLine(), "+OK 24 octets");
    std::string block;
    socket.ReceiveData(block, 24);
    EXPECT_EQ(block, "Subject: hi\r\n\r\nbody\r\n.\r\n");
    EXPECT_EQ(ReadLine(), "+OK next");
}

TEST_F(TagSocketTest, EmptyDataBlockEndsAtItsDotLine) {
    ScriptedServer server({"S: +OK 0 messages", "S: .", "S: +OK next"});
    Connect(server);
    EXPECT_EQ(ReadLine(), "+OK 0 messages");
    std::string block;
    socket.ReceiveData(block, 0);
    EXPECT_EQ(block, ".\r\n");
    EXPECT_EQ(ReadLine(), "+OK next");
}

struct TerminatorSplit {
    const char* name;
    std::string first;
    std::string second;
};

class TerminatorSplitTest : public TagSocketTest,
                            public ::testing::WithParamInterface<TerminatorSplit> {};

TEST_P(TerminatorSplitTest, IsRecognisedAcrossTwoReads) {
    ScriptedServer server({"S: +OK", "S~ a. line\r\n..\r\nend" + GetParam().first, "sleep 100",
                           "S~ " + GetParam().second, "silence"});
    Connect(server);
    ReadLine();
    std::string block;
    socket.ReceiveData(block, 0);
    EXPECT_EQ(block, "a. line\r\n..\r\nend\r\n.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Splits, TerminatorSplitTest,
                         ::testing::Values(TerminatorSplit{"after-cr", "\r", "\n.\r\n"},
                                           TerminatorSplit{"after-crlf", "\r\n", ".\r\n"},
                                           TerminatorSplit{"after-dot", "\r\n.", "\r\n"},
                                           TerminatorSplit{"before-last-lf", "\r\n.\r", "\n"}),
                         testsupport::ParamName());

TEST_F(TagSocketTest, TimeOutMeasuresSilenceNotTheWholeTransfer) {
    ScriptedServer server(
        {"S: +OK", "S~ one\r\n", "sleep 700", "S~ two\r\n", "sleep 700", "S~ .\r\n"});
    Connect(server);
    ReadLine();
    std::string block;
    socket.ReceiveData(block, 0);  // 1.4 s in all, never 1 s without a byte
    EXPECT_EQ(block, "one\r\ntwo\r\n.\r\n");
}

struct ProgressCase {
    const char* name;
    long long expectedSize;
    std::vector<std::string> reports;
};

class ProgressTest : public TagSocketTest, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(ProgressTest, ReportsEachChunkWithThePositionBeforeIt) {
    ScriptedServer server({"S: +OK", "S~ 0123456789\r\n", "sleep 200", "S~ .\r\n"});
    Connect(server);
    ReadLine();
    std::vector<std::string> reports;
    socket.OnProgress = [&](TagSocket&, int perc, long long transferred) {
        reports.push_back(std::to_string(perc) + "% after " + std::to_string(transferred));
    };
    std::string block;
    socket.ReceiveData(block, GetParam().expectedSize);
    EXPECT_EQ(reports, GetParam().reports);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProgressTest,
                         ::testing::Values(ProgressCase{"known-size-rounds-to-nearest",
                                                        14,
                                                        {"0% after 0", "86% after 12"}},
                                           ProgressCase{
                                               "unknown-size", 0, {"-1% after 0", "-1% after 12"}}),
                         testsupport::ParamName());

// The peer going away and the user cancelling

struct PeerClose {
    const char* name;
    std::vector<std::string> script;
    std::function<void(TagSocket&)> action;
};

class PeerCloseTest : public TagSocketTest, public ::testing::WithParamInterface<PeerClose> {};

TEST_P(PeerCloseTest, EndsTheWaitAtOnce) {
    ScriptedServer server(GetParam().script);
    Connect(server);
    EXPECT_EQ(Raised([&] { GetParam().action(socket); }),
              std::string("ESocketError: ") + kServerClosedConnection);
    EXPECT_THAT(events,
                ElementsAre(std::string("error: ") + kServerClosedConnection, "closing", "closed"));
    EXPECT_FALSE(socket.Connected());
}

INSTANTIATE_TEST_SUITE_P(Cases, PeerCloseTest,
                         ::testing::Values(PeerClose{"in-a-reply-line",
                                                     {"S~ +OK half a li", "close"},
                                                     [](TagSocket& s) { s.ReadReplyLine(); }},
                                           PeerClose{"in-a-data-block",
                                                     {"S: +OK", "S~ Subject: hi\r\n", "close"},
                                                     [](TagSocket& s) {
                                                         s.ReadReplyLine();
                                                         std::string block;
                                                         s.ReceiveData(block, 100);
                                                     }}),
                         testsupport::ParamName());

TEST_F(TagSocketTest, CancelDuringTransferClosesAndRaises) {
    ScriptedServer server({"S: +OK", "S~ Subject: hi\r\n", "silence"});
    Connect(server);
    ReadLine();
    int pumped = 0;
    SetEventPump([&] {
        if (++pumped == 5) socket.Cancel();  // as a Cancel button pressed during the wait
    });
    std::string block;
    EXPECT_EQ(Raised([&] { socket.ReceiveData(block, 0); }),
              "ECanceledError: Operation has been canceled");
    EXPECT_THAT(events,
                ElementsAre("cancel", "closing", "closed", "error: Operation has been canceled"));
    EXPECT_FALSE(socket.Connected());
    EXPECT_EQ(block, "Subject: hi\r\n");
}

// Errors

struct NeedsConnection {
    const char* name;
    std::function<void(TagSocket&)> action;
};

class NeedsConnectionTest : public TagSocketTest,
                            public ::testing::WithParamInterface<NeedsConnection> {};

TEST_P(NeedsConnectionTest, RaisesConnectFirst) {
    EXPECT_EQ(Raised([&] { GetParam().action(socket); }),
              std::string("ESocketError: ") + kConnectFirst);
    EXPECT_THAT(events, ElementsAre(std::string("error: ") + kConnectFirst));
}

INSTANTIATE_TEST_SUITE_P(
    Operations, NeedsConnectionTest,
    ::testing::Values(NeedsConnection{"send-line", [](TagSocket& s) { s.SendLine("NOOP"); }},
                      NeedsConnection{"read-reply-line", [](TagSocket& s) { s.ReadReplyLine(); }},
                      NeedsConnection{"receive-data",
                                      [](TagSocket& s) {
                                          std::string block;
                                          s.ReceiveData(block, 0);
                                      }},
                      NeedsConnection{"connect-before-open",
                                      [](TagSocket& s) { s.ConnectSocket(); }}),
    testsupport::ParamName());

struct ErrorNumber {
    const char* name;
    int error;
    std::string raised;
};

class ErrorNumberTest : public TagSocketTest, public ::testing::WithParamInterface<ErrorNumber> {};

TEST_P(ErrorNumberTest, GivesTheSystemTextOrTheNumber) {
    EXPECT_EQ(Raised([&] { socket.RaiseSocketError(GetParam().error); }), GetParam().raised);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ErrorNumberTest,
    ::testing::Values(ErrorNumber{"zero-does-nothing", 0, "nothing"},
                      ErrorNumber{"system-error", ECONNREFUSED, "ESocketError: Connection refused"},
                      ErrorNumber{"unknown-number", 99999, "ESocketError: Error #99999"}),
    testsupport::ParamName());

TEST_F(TagSocketTest, ConnectionResetClosesTheSocketOtherErrorsDoNot) {
    ScriptedServer server({"silence"});
    Connect(server);
    Raised([&] { socket.RaiseSocketError(ETIMEDOUT); });
    EXPECT_TRUE(socket.Connected());
    EXPECT_EQ(Raised([&] { socket.RaiseSocketError(ECONNRESET); }),
              "ESocketError: Connection reset by peer");
    EXPECT_FALSE(socket.Connected());
    EXPECT_THAT(events, ElementsAre("error: Connection timed out",
                                    "error: Connection reset by peer", "closing", "closed"));
}

TEST_F(TagSocketTest, ErrorHandlerCanRewordTheRaisedText) {
    socket.OnError = [](TagSocket&, std::string& text) { text = "Mailbox 1: " + text; };
    EXPECT_EQ(Raised([&] { socket.SendLine("NOOP"); }),
              std::string("ESocketError: Mailbox 1: ") + kConnectFirst);
}

}  // namespace
}  // namespace kelvane

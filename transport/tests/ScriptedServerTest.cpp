#include "ScriptedServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

namespace kelvane::testsupport {
namespace {

using ::testing::ElementsAre;

// A plain blocking client, independent of the transport under test, with 2 s read limits.
class PlainClient {
  public:
    explicit PlainClient(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        timeval limit{2, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connect_result_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        connect_errno_ = errno;
    }
    ~PlainClient() { Close(); }

    bool connected() const { return connect_result_ == 0; }
    int connect_errno() const { return connect_errno_; }
    void Send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    // Everything up to and including `count` bytes, or less when the server closes first.
    std::string Receive(std::size_t count) {
        std::string bytes;
        char c;
        while (bytes.size() < count && ::recv(fd_, &c, 1, 0) == 1) bytes += c;
        return bytes;
    }
    bool SeesEndOfConnection() {
        char c;
        return ::recv(fd_, &c, 1, 0) == 0;
    }

  private:
    int fd_ = -1;
    int connect_result_ = -1;
    int connect_errno_ = 0;
};

TEST(ScriptedServerTest, RunsATranscriptAndKeepsWhatTheClientSentAfterIt) {
    ScriptedServer server({"S: +OK ready", "C: USER ann", "S~ +OK ", "S: go on"});
    PlainClient client(server.port());
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.Receive(10), "+OK ready\r");
    EXPECT_EQ(client.Receive(1), "\n");
    client.Send("USER ann\r\n");
    EXPECT_EQ(client.Receive(11), "+OK go on\r\n");
    EXPECT_TRUE(server.WaitUntilDone(2000));  // the client is still connected
    client.Send("QUIT\r\n");
    client.Close();

    EXPECT_TRUE(server.WaitUntilClosed(2000));
    EXPECT_EQ(server.failure(), "");
    EXPECT_THAT(server.received(), ElementsAre("USER ann", "QUIT"));
    EXPECT_EQ(server.address(), "127.0.0.1:" + std::to_string(server.port()));
}

TEST(ScriptedServerTest, ReportsTheFirstMismatchWithItsLineAndStops) {
    ScriptedServer server({"S: +OK", "C? ", "C: USER ann", "S: +OK never sent"});
    PlainClient client(server.port());
    client.Send("CAPA\r\nUSER bob\r\n");

    EXPECT_FALSE(server.WaitUntilDone(2000));
    EXPECT_EQ(server.failure(), "line 3: expected 'C: USER ann', got 'USER bob'");
    EXPECT_EQ(client.Receive(100), "+OK\r\n");  // then the end: the last step never ran
}

TEST(ScriptedServerTest, CloseStepEndsTheConnectionAtOnce) {
    ScriptedServer server({"S: +OK", "close"});
    PlainClient client(server.port());
    EXPECT_EQ(client.Receive(5), "+OK\r\n");
    EXPECT_TRUE(client.SeesEndOfConnection());
    EXPECT_TRUE(server.WaitUntilDone(2000));
}

TEST(ScriptedServerTest, DestroyingASilentServerEndsItsWait) {
    std::unique_ptr<PlainClient> client;
    {
        ScriptedServer server({"S: +OK", "silence"});
        client = std::make_unique<PlainClient>(server.port());
        EXPECT_EQ(client->Receive(5), "+OK\r\n");
        EXPECT_FALSE(server.WaitUntilDone(100));
    }  // the client still holds the connection open here
    EXPECT_TRUE(client->SeesEndOfConnection());
}

TEST(ScriptedServerTest, UnusedPortRefusesConnections) {
    PlainClient client(UnusedPort());
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(client.connect_errno(), ECONNREFUSED);
}

}  // namespace
}  // namespace kelvane::testsupport

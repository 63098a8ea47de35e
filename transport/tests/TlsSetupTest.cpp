// Setting up TLS fails closed: a server name that cannot be given to the certificate check ends
// the session before the handshake, never a session that checks no name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CaseName.h"
#include "MailErrors.h"
#include "TagSocket.h"
#include "TlsSession.h"

namespace kelvane {
namespace {

using namespace std::string_literals;
using ::testing::StartsWith;

// A socket over one end of a socket pair; the test holds the other end as the server.
class PairedSocket : public TagSocket {
  public:
    PairedSocket() {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends_) != 0) std::abort();
        AdoptSocket(ends_[0]);
    }
    ~PairedSocket() override { ::close(ends_[1]); }

    // Whether anything (a TLS hello) reached the server's end.
    bool ServerReceivedAnything() const {
        char byte = 0;
        return ::recv(ends_[1], &byte, 1, MSG_DONTWAIT) > 0;
    }

  private:
    int ends_[2] = {-1, -1};
};

struct NameCase {
    const char* name;
    std::string server;  // as the settings hold it, host and port
    std::string reason;  // what the error says after "could not be set up: "
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << c.name;
}

class UncheckableNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(UncheckableNameTest, EndsTheSessionBeforeTheHandshake) {
    PairedSocket socket;
    socket.TimeOut = 1;
    socket.Server = GetParam().server;
    std::vector<std::string> errors;
    socket.OnError = [&](TagSocket&, std::string& text) { errors.push_back(text); };
    std::string raised;
    try {
        socket.StartTls();
    } catch (const ESocketError& error) {
        raised = error.what();
    }
    EXPECT_THAT(raised,
                StartsWith("The secure connection could not be set up: " + GetParam().reason));
    EXPECT_EQ(errors, std::vector<std::string>{raised});
    EXPECT_FALSE(socket.Connected());
    EXPECT_FALSE(socket.TlsActive());
    EXPECT_FALSE(socket.ServerReceivedAnything());
}

INSTANTIATE_TEST_SUITE_P(
    Names, UncheckableNameTest,
    ::testing::Values(NameCase{"no-host-before-the-port", ":995",
                               "there is no server name to check the certificate against"},
                      NameCase{"blanks-for-a-host", "   :995",
                               "there is no server name to check the certificate against"},
                      // Checked as far as the NUL, the name would be another server's.
                      NameCase{"nul-inside", "pop.example.org\0.attacker.example:995"s,
                               "the server name holds a NUL byte"},
                      // Longer than a name sent to the server may be (SNI).
                      NameCase{"overlong-name", std::string(300, 'a') + ".example:995",
                               "the server name cannot be checked: "}),
    testsupport::ParamName());

// The names a session is set up for, by name or by address, pass the same steps.
TEST(TlsSetupTest, UsualNamesAndAddressesAreAccepted) {
    for (const std::string host : {"pop.example.org", "127.0.0.1", "localhost", "a"}) {
        int ends[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
        EXPECT_NO_THROW(TlsSession(ends[0], host)) << host;
        ::close(ends[0]);
        ::close(ends[1]);
    }
}

}  // namespace
}  // namespace kelvane

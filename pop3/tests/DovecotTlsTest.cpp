// The POP3 client over TLS: a private Dovecot with certificates the test makes itself (implicit
// TLS and STLS, verified, refused and pinned), and a scripted server for what Dovecot never does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CaseName.h"
#include "DovecotServer.h"
#include "EventPump.h"
#include "MailErrors.h"
#include "NumberedMessage.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "TlsErrors.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using testsupport::DovecotServer;
using testsupport::NumberedMessage;
using testsupport::ScriptedServer;
using testsupport::TestCertificates;
using testsupport::TrustedAuthority;

constexpr const char* kUser = "ann";
constexpr const char* kPassword = "s3cret!";

// A listing as one comparable value: size and header lines of every message, in order.
std::vector<std::string> Listing(const TmsRemotePOP& pop) {
    std::vector<std::string> rows;
    for (int i = 0; i < pop.Info().Count(); ++i) {
        std::string row = std::to_string(pop.Info().Items(i).Size);
        for (const std::string& line : pop.Info().Items(i).Headers) row += "|" + line;
        rows.push_back(row);
    }
    return rows;
}

// What a client that failed told, and the trace of what it sent and read.
struct Outcome {
    std::string error;  // "" when the listing succeeded
    std::optional<ECertificateError> refusal;
    std::vector<std::string> trace;
};

// The authority and certificates are made once: every case reads the same files.
class TlsPeerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { certificates = std::make_unique<TestCertificates>(); }
    static void TearDownTestSuite() { certificates.reset(); }

    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        trust.emplace(certificates->AuthorityFile());
        server.emplace();
        server->AddUser(kUser, kPassword);
        for (int n = 1; n <= 3; ++n) server->AddMessage(kUser, NumberedMessage(n));
    }

    void TearDown() override {
        if (HasFailure() && server) std::cerr << server->LogTail();
    }

    // Starts Dovecot serving the named certificate on both of its TLS listeners.
    void StartWith(const std::string& certificate) {
        server->UseTls((*certificates)[certificate].certificateFile,
                       (*certificates)[certificate].keyFile);
        server->Start();
    }

    static std::unique_ptr<TmsRemotePOP> Client(PopSecurity security, const std::string& address,
                                                int timeOut = 3) {
        auto pop = std::make_unique<TmsRemotePOP>();
        pop->Server = address;
        pop->Security = security;
        pop->UserName = kUser;
        pop->Password = kPassword;
        pop->TimeOut = timeOut;
        return pop;
    }

    // Lists the mailbox with `pop`, catching whatever it raises.
    static Outcome Attempt(TmsRemotePOP& pop) {
        Outcome outcome;
        pop.OnTrace = [&](const std::string& line) { outcome.trace.push_back(line); };
        try {
            pop.UpdateInfo();
        } catch (const ECertificateError& error) {
            outcome.error = error.what();
            outcome.refusal = error;
        } catch (const EMailError& error) {
            outcome.error = error.what();
        }
        pop.OnTrace = nullptr;
        return outcome;
    }

    static const testsupport::TestCertificate& Certificate(const std::string& name) {
        return (*certificates)[name];
    }

    static inline std::unique_ptr<TestCertificates> certificates;
    std::optional<TrustedAuthority> trust;
    std::optional<DovecotServer> server;
};

// No login may leave the client before the certificate was accepted.
void ExpectNoLogin(const std::vector<std::string>& trace) {
    EXPECT_THAT(trace, Each(Not(StartsWith("C: USER"))));
    EXPECT_THAT(trace, Each(Not(StartsWith("C: PASS"))));
}

// Listings

using DovecotTlsTest = TlsPeerTest;

TEST_F(DovecotTlsTest, ImplicitTlsAndStlsListTheMailboxAsPlainTextDoes) {
    StartWith("valid");
    auto plain = Client(PopSecurity::Plain, server->address());
    plain->UpdateInfo();
    const std::vector<std::string> expected = Listing(*plain);
    ASSERT_EQ(expected.size(), 3u);

    struct Route {
        const char* name;
        PopSecurity security;
        std::string address;
    };
    const std::uint16_t tlsPort = server->tlsPort();
    const Route routes[] = {
        {"implicit-by-address", PopSecurity::Implicit, server->tlsAddress()},
        {"implicit-by-name", PopSecurity::Implicit, "localhost:" + std::to_string(tlsPort)},
        {"stls-by-address", PopSecurity::StartTls, server->address()},
        {"stls-by-name", PopSecurity::StartTls, "localhost:" + std::to_string(server->port())},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        auto pop = Client(route.security, route.address);
        const Outcome outcome = Attempt(*pop);
        EXPECT_EQ(outcome.error, "");
        EXPECT_EQ(Listing(*pop), expected);
        EXPECT_EQ(pop->PeerCertificate().fingerprint, Certificate("valid").fingerprint);
        EXPECT_FALSE(pop->Connected());
    }
}

// The login and everything after it travel inside TLS: with STLS, the trace shows the upgrade
// before the first USER.
TEST_F(DovecotTlsTest, StlsUpgradesBeforeTheLogin) {
    StartWith("valid");
    auto pop = Client(PopSecurity::StartTls, server->address());
    const Outcome outcome = Attempt(*pop);
    ASSERT_EQ(outcome.error, "");
    const auto position = [&](const std::string& prefix) {
        return std::find_if(outcome.trace.begin(), outcome.trace.end(),
                            [&](const std::string& line) { return line.starts_with(prefix); }) -
               outcome.trace.begin();
    };
    EXPECT_LT(position("C: CAPA"), position("C: STLS"));
    EXPECT_LT(position("C: STLS"), position("C: USER"));
    EXPECT_LT(position("C: USER"), static_cast<long>(outcome.trace.size()));
}

// Refusals

struct RefusedCase {
    const char* name;  // also the certificate's
    const char* reason;
};

class RefusedCertificateTest : public TlsPeerTest,
                               public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedCertificateTest, IsRefusedWithItsReasonAndDetailsOverImplicitTlsAndStls) {
    const RefusedCase& c = GetParam();
    StartWith(c.name);
    const std::string fingerprint = Certificate(c.name).fingerprint;
    for (const auto& [security, address] : {std::pair{PopSecurity::Implicit, server->tlsAddress()},
                                            std::pair{PopSecurity::StartTls, server->address()}}) {
        SCOPED_TRACE(security == PopSecurity::Implicit ? "implicit" : "stls");
        auto pop = Client(security, address);
        const Outcome outcome = Attempt(*pop);
        ASSERT_TRUE(outcome.refusal) << "not refused as a certificate: '" << outcome.error << "'";
        EXPECT_THAT(outcome.error, HasSubstr(c.reason));
        EXPECT_THAT(outcome.error, HasSubstr(fingerprint)) << "the details follow the reason";
        EXPECT_EQ(outcome.refusal->certificate().fingerprint, fingerprint);
        EXPECT_THAT(outcome.refusal->certificate().subject,
                    HasSubstr(std::string("kelvane ") + c.name));
        EXPECT_FALSE(outcome.refusal->certificate().notAfter.empty());
        EXPECT_EQ(pop->PeerCertificate().fingerprint, fingerprint);
        ExpectNoLogin(outcome.trace);
        EXPECT_FALSE(pop->Connected());
    }
}

INSTANTIATE_TEST_SUITE_P(Certificates, RefusedCertificateTest,
                         ::testing::Values(RefusedCase{"other-name", "issued for another name"},
                                           RefusedCase{"expired", "has expired"},
                                           RefusedCase{"not-yet-valid", "is not valid yet"},
                                           RefusedCase{"self-signed", "is self-signed"},
                                           RefusedCase{"untrusted-authority",
                                                       "not issued by a trusted authority"}),
                         testsupport::ParamName());

// Pinning

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TEST_F(DovecotTlsTest, APinnedSelfSignedCertificateIsAccepted) {
    StartWith("self-signed");
    const std::string pin = Certificate("self-signed").fingerprint;
    for (const std::string& written : {pin, LowerCase(pin)}) {
        SCOPED_TRACE(written);
        auto pop = Client(PopSecurity::Implicit, server->tlsAddress());
        pop->PinnedFingerprint = written;
        const Outcome outcome = Attempt(*pop);
        EXPECT_EQ(outcome.error, "");
        EXPECT_EQ(pop->Info().Count(), 3);
    }
}

TEST_F(DovecotTlsTest, APinThatDoesNotMatchRefusesACertificateTheAuthoritySigned) {
    StartWith("valid");
    for (const auto& [security, address] : {std::pair{PopSecurity::Implicit, server->tlsAddress()},
                                            std::pair{PopSecurity::StartTls, server->address()}}) {
        SCOPED_TRACE(security == PopSecurity::Implicit ? "implicit" : "stls");
        auto pop = Client(security, address);
        pop->PinnedFingerprint = Certificate("self-signed").fingerprint;
        const Outcome outcome = Attempt(*pop);
        ASSERT_TRUE(outcome.refusal) << "not refused as a certificate: '" << outcome.error << "'";
        EXPECT_EQ(outcome.refusal->certificate().fingerprint, Certificate("valid").fingerprint);
        ExpectNoLogin(outcome.trace);
    }
}

// Servers without TLS

class PlainDovecotTest : public TlsPeerTest {
  protected:
    void SetUp() override {
        TlsPeerTest::SetUp();
        if (!IsSkipped()) server->Start();  // ssl = no: CAPA lists no STLS
    }
};

TEST_F(PlainDovecotTest, StlsNotOfferedIsAnErrorAndNoPlainTextLogin) {
    auto pop = Client(PopSecurity::StartTls, server->address());
    const Outcome outcome = Attempt(*pop);
    EXPECT_THAT(outcome.error, Not(IsEmpty()));
    EXPECT_THAT(outcome.trace, Contains("C: CAPA"));
    EXPECT_THAT(outcome.trace, Each(Not(StartsWith("C: STLS"))));
    ExpectNoLogin(outcome.trace);
    EXPECT_EQ(pop->Info().Count(), 0);
    EXPECT_FALSE(pop->Connected());
}

TEST_F(PlainDovecotTest, TlsOnAPlainTextPortFailsWithinTheTimeOut) {
    auto pop = Client(PopSecurity::Implicit, server->address(), 3);
    const auto start = std::chrono::steady_clock::now();
    const Outcome outcome = Attempt(*pop);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_THAT(outcome.error, Not(IsEmpty()));
    EXPECT_LT(took, std::chrono::milliseconds(4500)) << "bounded by TimeOut = 3";
    ExpectNoLogin(outcome.trace);
    EXPECT_FALSE(pop->Connected());
}

// Against a scripted server

class ScriptedTlsTest : public ::testing::Test {
  protected:
    ~ScriptedTlsTest() override { SetEventPump({}); }
};

// Text sent after "+OK" to STLS and before the handshake came from before the encryption,
// possibly from an attacker: it is dropped, never read as a reply. The silent server then lets
// the handshake run into the time-out; had the text been fed to the handshake, it would have
// failed at once on a record that is no TLS.
TEST_F(ScriptedTlsTest, TextInjectedAfterTheStlsReplyIsDiscarded) {
    ScriptedServer server({"S: +OK ready", "C: CAPA", "S: +OK", "S: STLS", "S: .", "C: STLS",
                           "S: +OK begin TLS\r\n+OK injected", "silence"});
    TmsRemotePOP pop;
    pop.Server = server.address();
    pop.Security = PopSecurity::StartTls;
    pop.UserName = kUser;
    pop.Password = kPassword;
    pop.TimeOut = 2;
    std::vector<std::string> trace;
    pop.OnTrace = [&](const std::string& line) { trace.push_back(line); };

    EXPECT_THROW(pop.UpdateInfo(), ETimedOutError);
    pop.OnTrace = nullptr;

    EXPECT_FALSE(pop.Connected());
    EXPECT_THAT(trace, Each(Not(HasSubstr("injected"))));
    ExpectNoLogin(trace);
    ASSERT_TRUE(server.WaitUntilClosed(5000)) << server.failure();
    const std::vector<std::string> received = server.received();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(received[0], "CAPA");
    EXPECT_EQ(received[1], "STLS");
    // A TLS handshake record (0x16, version 3.x) followed, and nothing in plain text.
    EXPECT_THAT(received[2], StartsWith("\x16\x03"));
    EXPECT_THAT(received, Each(Not(AnyOf(StartsWith("USER"), StartsWith("PASS")))));
}

TEST_F(ScriptedTlsTest, CancelEndsAHandshakeThatNeverCompletes) {
    ScriptedServer server({"silence"});
    TmsRemotePOP pop;
    pop.Server = server.address();
    pop.Security = PopSecurity::Implicit;
    pop.UserName = kUser;
    pop.Password = kPassword;
    pop.TimeOut = 30;
    int pumped = 0;
    SetEventPump([&] {
        if (++pumped == 5) pop.Cancel();  // as a Cancel button pressed during the wait
    });
    const auto start = std::chrono::steady_clock::now();

    EXPECT_THROW(pop.UpdateInfo(), ECanceledError);

    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(pop.Connected());
    ASSERT_TRUE(server.WaitUntilClosed(5000)) << server.failure();
    const std::vector<std::string> received = server.received();
    EXPECT_THAT(received, Each(Not(AnyOf(StartsWith("USER"), StartsWith("PASS")))));
}

}  // namespace
}  // namespace kelvane

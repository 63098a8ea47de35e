// A check of a mailbox served over TLS whose certificate the user has to judge: refused, the
// user may trust it for this mailbox, and the next check accepts exactly that certificate.
#include <gmock/gmock.h>

#include <optional>

#include "CheckRunFixture.h"
#include "DovecotServer.h"
#include "MailboxProbe.h"
#include "TestCertificates.h"

namespace kelvane::checktest {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using testsupport::DovecotServer;

constexpr const char* kSelfSigned = "The server's certificate is self-signed";

class CheckRunTlsTest : public CheckRunFixture {
  protected:
    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        dovecot.emplace();
        dovecot->AddUser("ann", "pw");
        dovecot->AddMessage("ann", testsupport::SampleMessage("bo@friends.test", "lunch"));
        const testsupport::TestCertificate& own = certificates["self-signed"];
        dovecot->UseTls(own.certificateFile, own.keyFile);
        dovecot->Start();
        Configure(1, dovecot->tlsAddress(), "ann", true);
        store.WriteString(settingkeys::SecurityN, "2", 1);
        client.TimeOut = 10;
    }

    std::string Offer() const {
        return "offer trust: " + std::string(kSelfSigned) + " (" + Own() + ")";
    }
    std::string Own() const { return certificates["self-signed"].fingerprint; }

    testsupport::TestCertificates certificates;
    std::optional<DovecotServer> dovecot;
};

TEST_F(CheckRunTlsTest, TrustedCertificateIsPinnedAndTheNextCheckLists) {
    front.trust = true;
    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Failed);
    EXPECT_THAT(front.requests, Contains(Offer()));
    EXPECT_THAT(LogText(), HasSubstr("ERROR " + std::string(kSelfSigned)));
    EXPECT_EQ(store.ReadString(settingkeys::FingerprintN, 1), Own());

    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Done);
    ASSERT_EQ(run->rows().size(), 1u);
    EXPECT_EQ(run->rows()[0].subject, "lunch");
}

TEST_F(CheckRunTlsTest, DeclinedCertificateStaysRefused) {
    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Failed);
    EXPECT_THAT(front.requests, Contains(Offer()));
    EXPECT_EQ(store.ReadString(settingkeys::FingerprintN, 1), "");
    EXPECT_EQ(run->Check({.chooseMailbox = false}), RunOutcome::Failed);
    EXPECT_TRUE(run->rows().empty());
}

}  // namespace
}  // namespace kelvane::checktest

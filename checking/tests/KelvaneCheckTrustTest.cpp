// kelvane-check --trust-certificate against a Dovecot showing the test certificates: a
// certificate is pinned only when the user confirmed it, by the fingerprint they compared or at
// the terminal, and only when verification alone would refuse it.
#include <gmock/gmock.h>

#include <cctype>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CaseName.h"
#include "CheckProgram.h"
#include "DovecotServer.h"
#include "TempFolder.h"
#include "TestCertificates.h"

namespace kelvane::checktest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::DovecotServer;

class KelvaneCheckTrustTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
    }
    void TearDown() override {
        if (HasFailure() && dovecot) std::cerr << dovecot->LogTail();
    }
    // Mailbox 1 on a Dovecot that shows the named test certificate from the first byte.
    void Serve(const std::string& certificate) {
        dovecot.emplace();
        dovecot->AddUser("ann", "pw");
        dovecot->UseTls(certificates[certificate].certificateFile,
                        certificates[certificate].keyFile);
        dovecot->Start();
        SettingsStore store = Settings();
        store.WriteString(settingkeys::ServerN, dovecot->tlsAddress(), 1);
        store.WriteString(settingkeys::MailboxN, "ann", 1);
        store.WriteString(settingkeys::SecurityN, "2", 1);
        store.WriteString(settingkeys::Version161, "161");
    }
    SettingsStore Settings() const { return ProgramSettings(folder.path().string()); }
    std::string Stored() const { return Settings().ReadString(settingkeys::FingerprintN, 1); }

    testsupport::TestCertificates certificates;
    testsupport::TempFolder folder;
    std::optional<DovecotServer> dovecot;
};

// What the user gives as --fingerprint.
enum class Given { nothing, own, ownTyped, another };

struct PipedCase {
    const char* name;
    const char* certificate;
    bool authorityTrusted;
    Given fingerprint;
    std::string input;  // on standard input, which is not a terminal
    int exitCode;
    bool stored;
    std::string says;  // on standard error, or on standard output when stored
};

void PrintTo(const PipedCase& c, std::ostream* out) {
    *out << c.name;
}

class TrustWithoutTerminalTest : public KelvaneCheckTrustTest,
                                 public ::testing::WithParamInterface<PipedCase> {
  protected:
    std::vector<std::string> Arguments() const {
        const std::string own = certificates[GetParam().certificate].fingerprint;
        std::string typed;  // as someone might copy it: lower case, no colons
        for (char c : own) {
            if (c != ':') typed += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        switch (GetParam().fingerprint) {
            case Given::nothing:
                return {"--trust-certificate", "1"};
            case Given::own:
                return {"--trust-certificate", "1", "--fingerprint", own};
            case Given::ownTyped:
                return {"--trust-certificate", "1", "--fingerprint", typed};
            case Given::another:
                return {"--trust-certificate", "1", "--fingerprint",
                        certificates["other-name"].fingerprint};
        }
        return {};
    }
};

TEST_P(TrustWithoutTerminalTest, StoresOnlyAConfirmedCertificateThatNeedsIt) {
    const PipedCase& c = GetParam();
    std::optional<testsupport::TrustedAuthority> authority;
    if (c.authorityTrusted) authority.emplace(certificates.AuthorityFile());
    Serve(c.certificate);
    const std::string own = certificates[c.certificate].fingerprint;

    const ProgramResult result = RunCheckProgram(Arguments(), folder.path().string(), c.input);

    EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
    EXPECT_THAT(result.out, HasSubstr("SHA-256 fingerprint: " + own + "\n"));
    EXPECT_THAT(c.stored ? result.out : result.err, HasSubstr(c.says));
    EXPECT_EQ(Stored(), c.stored ? own : "");
    if (!c.stored) {
        EXPECT_THAT(result.out, Not(HasSubstr("stored for mailbox")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrustWithoutTerminalTest,
    ::testing::Values(
        PipedCase{"no-fingerprint", "self-signed", false, Given::nothing, "", 1, false,
                  "give the fingerprint you compared with --fingerprint HEX"},
        PipedCase{"a-piped-yes-is-no-confirmation", "self-signed", false, Given::nothing, "y\n", 1,
                  false, "standard input is not a terminal"},
        PipedCase{"another-certificate's-fingerprint", "self-signed", false, Given::another, "", 1,
                  false, "error: The certificate's fingerprint is not the one given"},
        PipedCase{"its-own-fingerprint", "self-signed", false, Given::own, "", 0, true,
                  "Fingerprint stored for mailbox 1\n"},
        PipedCase{"its-own-fingerprint-typed-in-lower-case-without-colons", "untrusted-authority",
                  false, Given::ownTyped, "", 0, true, "Fingerprint stored for mailbox 1\n"},
        PipedCase{"a-certificate-that-verifies", "valid", true, Given::own, "", 1, false,
                  "information: This certificate passes verification"}),
    testsupport::ParamName());

struct AnswerCase {
    const char* name;
    std::string answer;  // typed, then Enter
    int exitCode;
    bool stored;
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
    *out << c.name;
}

class TrustAtTerminalTest : public KelvaneCheckTrustTest,
                            public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(TrustAtTerminalTest, AsksAfterShowingTheCertificateAndStoresOnYes) {
    Serve("self-signed");
    const std::string own = certificates["self-signed"].fingerprint;
    const std::string question = "Trust this certificate for mailbox 1? [y/N] ";
    TerminalProgram program({"--trust-certificate", "1"}, folder.path().string());

    ASSERT_TRUE(program.WaitForOutput(question)) << program.output();
    EXPECT_LT(program.output().find("SHA-256 fingerprint: " + own),
              program.output().find(question));
    EXPECT_EQ(Stored(), "") << "nothing before the answer";
    program.Type(GetParam().answer + "\r");

    EXPECT_EQ(program.Wait(), GetParam().exitCode) << program.output();
    EXPECT_EQ(Stored(), GetParam().stored ? own : "");
}

INSTANTIATE_TEST_SUITE_P(Answers, TrustAtTerminalTest,
                         ::testing::Values(AnswerCase{"y", "y", 0, true},
                                           AnswerCase{"yes", " Yes ", 0, true},
                                           AnswerCase{"n", "n", 1, false},
                                           AnswerCase{"just-enter", "", 1, false},
                                           AnswerCase{"anything-else", "sure", 1, false}),
                         testsupport::ParamName());

// The question is for a certificate that needs trust: one that verifies gets no question, and a
// pin stored earlier, which would still decide, is pointed out.
TEST_F(KelvaneCheckTrustTest, CertificateThatVerifiesGetsNoQuestionAtTheTerminal) {
    const testsupport::TrustedAuthority authority(certificates.AuthorityFile());
    Serve("valid");
    const std::string earlier = certificates["self-signed"].fingerprint;
    Settings().WriteString(settingkeys::FingerprintN, earlier, 1);
    TerminalProgram program({"--trust-certificate", "1"}, folder.path().string());

    EXPECT_EQ(program.Wait(), 1) << program.output();
    EXPECT_THAT(program.output(), HasSubstr("passes verification"));
    EXPECT_THAT(program.output(), HasSubstr("forget that pin"));
    EXPECT_THAT(program.output(), Not(HasSubstr("[y/N]")));
    EXPECT_EQ(Stored(), earlier);
}

}  // namespace
}  // namespace kelvane::checktest

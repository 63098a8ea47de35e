#include "MailboxSecurity.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "AtomicFile.h"
#include "CaseName.h"
#include "MailboxAccounts.h"
#include "PasswordCipher.h"
#include "RecordingMessageBoxes.h"
#include "RemotePOPSettings.h"
#include "SettingsStore.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

namespace sk = settingkeys;

const std::string kPin =
    "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:"
    "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF";

class MailboxSecurityTest : public ::testing::Test {
  protected:
    std::string FileText() const { return ReadWholeFile(store_.path()).value_or(""); }
    PopLogin Load(int n) {
        PopLogin login;
        GetRemotePOPSettings(n, store_, login, boxes_);
        return login;
    }

    testsupport::TempFolder folder_;
    SettingsStore store_{folder_.File("10.conf")};
    testsupport::RecordingMessageBoxes boxes_;
};

// What a stored mailbox reads as: its server and SecurityN (nothing when the key is missing).
struct SecurityCase {
    const char* name;
    const char* server;
    std::optional<const char*> stored;
    int security;
};

void PrintTo(const SecurityCase& c, std::ostream* out) {
    *out << c.name;
}

class StoredSecurityTest : public MailboxSecurityTest,
                           public ::testing::WithParamInterface<SecurityCase> {};

TEST_P(StoredSecurityTest, ReachesTheModelAndTheLogin) {
    store_.WriteString(sk::Version161, "161");
    store_.WriteString(sk::ServerN, GetParam().server, 7);
    store_.WriteString(sk::MailboxN, "ann", 7);
    if (GetParam().stored) store_.WriteString(sk::SecurityN, *GetParam().stored, 7);

    MailboxAccounts accounts;
    accounts.readServerSettings(store_);
    EXPECT_EQ(accounts.Account(7).security, GetParam().security);
    EXPECT_EQ(Load(7).security, GetParam().security);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredSecurityTest,
    ::testing::Values(
        SecurityCase{"missing-port-995", "pop.example.org:995", std::nullopt, 2},
        SecurityCase{"missing-no-port", "pop.example.org", std::nullopt, 0},
        SecurityCase{"missing-port-110", "pop.example.org:110", std::nullopt, 0},
        SecurityCase{"missing-port-9950", "pop.example.org:9950", std::nullopt, 0},
        SecurityCase{"missing-995-in-the-name", "pop995.example.org", std::nullopt, 0},
        SecurityCase{"missing-port-995-trailing-blank", "pop.example.org:995 ", std::nullopt, 2},
        SecurityCase{"empty-port-995", "pop.example.org:995", "", 2},
        SecurityCase{"stls-on-110", "pop.example.org:110", "1", 1},
        SecurityCase{"explicit-plain-on-995", "pop.example.org:995", "0", 0},
        SecurityCase{"implicit-on-another-port", "pop.example.org:1995", "2", 2},
        SecurityCase{"blanks-around-the-number", "pop.example.org", " 2 ", 2},
        SecurityCase{"out-of-range-port-995", "pop.example.org:995", "3", 2},
        SecurityCase{"negative-no-port", "pop.example.org", "-1", 0},
        SecurityCase{"not-a-number-port-995", "pop.example.org:995", "tls", 2}),
    testsupport::ParamName());

struct FingerprintCase {
    const char* name;
    std::string text;
    std::string canonical;
};

void PrintTo(const FingerprintCase& c, std::ostream* out) {
    *out << c.name;
}

class FingerprintTextTest : public MailboxSecurityTest,
                            public ::testing::WithParamInterface<FingerprintCase> {};

// The same reading for the stored key and for a fingerprint handed in.
TEST_P(FingerprintTextTest, ReadsCanonicalOrNothing) {
    EXPECT_EQ(CanonicalFingerprint(GetParam().text), GetParam().canonical);
    store_.WriteString(sk::Version161, "161");
    store_.WriteString(sk::FingerprintN, GetParam().text, 3);
    EXPECT_EQ(StoredFingerprint(store_, 3), GetParam().canonical);
    EXPECT_EQ(Load(3).fingerprint, GetParam().canonical);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FingerprintTextTest,
    ::testing::Values(
        FingerprintCase{"canonical", kPin, kPin},
        FingerprintCase{"lower-case",
                        "00:11:22:33:44:55:66:77:88:99:aa:bb:cc:dd:ee:ff:"
                        "00:11:22:33:44:55:66:77:88:99:aa:bb:cc:dd:ee:ff",
                        kPin},
        FingerprintCase{"bare-hex",
                        "00112233445566778899aAbBcCdDeEfF00112233445566778899AABBCCDDEEFF", kPin},
        FingerprintCase{
            "blanks-and-stray-colons",
            " 0011 2233\t4455::6677 8899AABBCCDDEEFF 00112233445566778899AABBCCDDEEFF: ", kPin},
        FingerprintCase{"empty", "", ""},
        FingerprintCase{"one-digit-short",
                        "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEF", ""},
        FingerprintCase{"one-byte-long",
                        "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF00", ""},
        FingerprintCase{"sha1-length",
                        "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33", ""},
        FingerprintCase{"not-hex",
                        "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFG", ""},
        FingerprintCase{"labelled",
                        "sha256 Fingerprint=00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:"
                        "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF",
                        ""}),
    testsupport::ParamName());

TEST_F(MailboxSecurityTest, SavedSecurityAndFingerprintReadBack) {
    MailboxAccounts saved;
    for (int n = 1; n <= 3; ++n) {
        saved.Account(n).server = "pop" + std::to_string(n) + ".example.org:995";
        saved.Account(n).userName = "ann";
        saved.Account(n).password = "pw";
    }
    saved.Account(1).security = kSecurityPlain;  // kept although the port says otherwise
    saved.Account(2).security = kSecurityStls;
    saved.Account(3).security = kSecurityImplicit;
    saved.Account(3).fingerprint =
        "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
    ASSERT_EQ(saved.saveServerSettings(store_), std::nullopt);

    EXPECT_NE(FileText().find("Fingerprint3=" + kPin + "\n"), std::string::npos) << FileText();
    MailboxAccounts read;
    read.readServerSettings(store_);
    EXPECT_EQ(read.Account(1).security, kSecurityPlain);
    EXPECT_EQ(read.Account(2).security, kSecurityStls);
    EXPECT_EQ(read.Account(3).security, kSecurityImplicit);
    EXPECT_EQ(read.Account(3).fingerprint, kPin);
    EXPECT_EQ(read.Account(2).fingerprint, "");
}

TEST_F(MailboxSecurityTest, EachLoginHasItsOwnMailboxsPin) {
    store_.WriteString(sk::Version161, "161");
    store_.WriteString(sk::ServerN, "pop.example.org:995", 1);
    store_.WriteString(sk::FingerprintN, kPin, 1);
    store_.WriteString(sk::ServerN, "pop.example.net:995", 2);

    PopLogin login;
    GetRemotePOPSettings(1, store_, login, boxes_);
    EXPECT_EQ(login.fingerprint, kPin);
    GetRemotePOPSettings(2, store_, login, boxes_);
    EXPECT_EQ(login.fingerprint, "") << "mailbox 1's pin must never vouch for mailbox 2's server";
    EXPECT_EQ(login.security, kSecurityImplicit);
}

// The trust is stored alone: edits in the model that were not saved stay out of the file.
TEST_F(MailboxSecurityTest, TrustedFingerprintIsStoredAloneAndInTheModel) {
    store_.WriteString(sk::ServerN, "pop.example.org:995", 4);
    MailboxAccounts accounts;
    accounts.readServerSettings(store_);
    accounts.Account(4).server = "edited.example.org";

    StoreTrustedFingerprint(store_, accounts, 4,
                            "00112233445566778899AABBCCDDEEFF"
                            "00112233445566778899aabbccddeeff");

    EXPECT_EQ(accounts.Account(4).fingerprint, kPin);
    EXPECT_EQ(store_.ReadString(sk::FingerprintN, 4), kPin);
    EXPECT_EQ(store_.ReadString(sk::ServerN, 4), "pop.example.org:995");
    EXPECT_EQ(FileText().find("Security"), std::string::npos) << FileText();
    EXPECT_EQ(store_.ReadString(sk::FingerprintN, 5), "");

    StoreTrustedFingerprint(store_, accounts, 4, "");
    EXPECT_EQ(accounts.Account(4).fingerprint, "");
    EXPECT_EQ(store_.ReadString(sk::FingerprintN, 4), "");
}

TEST_F(MailboxSecurityTest, TextThatIsNoFingerprintIsRefusedAndNothingChanges) {
    MailboxAccounts accounts;
    StoreTrustedFingerprint(store_, accounts, 2, kPin);
    const std::string before = FileText();

    EXPECT_THROW(StoreTrustedFingerprint(store_, accounts, 2, "00:11:22"), std::invalid_argument);
    EXPECT_THROW(StoreTrustedFingerprint(store_, accounts, 13, kPin), std::out_of_range);
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(accounts.Account(2).fingerprint, kPin);
}

}  // namespace
}  // namespace kelvane

#include "RemotePOPSettings.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include "TempFolder.h"

#include <filesystem>
#include <string>
#include <vector>

#include "AtomicFile.h"
#include "CaseName.h"
#include "PasswordCipher.h"
#include "RecordingMessageBoxes.h"
#include "SettingsStore.h"

namespace kelvane {
namespace {

namespace sk = settingkeys;

const char* const kWarning =
    "warning: Warning: You will have to re-enter your passwords for all of your mailboxes!  "
    "Sorry for the inconvenience.";

// A settings file of its own in a temporary folder, removed afterwards, and the client's
// account before the call.
class RemotePOPSettingsTest : public ::testing::Test {
  protected:
    void StoreAccount(int n, const std::string& storedPassword) {
        store_.WriteString(sk::ServerN, "pop" + std::to_string(n) + ".example.net", n);
        store_.WriteString(sk::MailboxN, "user" + std::to_string(n), n);
        store_.WriteString(sk::PasswdN, storedPassword, n);
    }
    void Load(int n) { GetRemotePOPSettings(n, store_, client_, boxes_); }

    testsupport::TempFolder folder_;
    SettingsStore store_{folder_.File("10.conf")};
    PopLogin client_{"earlier.example.net", "earlier", "earlier-pw", 2, "earlier-pin"};
    testsupport::RecordingMessageBoxes boxes_;
};

void ExpectUnchanged(const PopLogin& client) {
    EXPECT_EQ(client.server, "earlier.example.net");
    EXPECT_EQ(client.userName, "earlier");
    EXPECT_EQ(client.password, "earlier-pw");
    EXPECT_EQ(client.security, 2);
    EXPECT_EQ(client.fingerprint, "earlier-pin");
}

TEST_F(RemotePOPSettingsTest, CurrentFormatLoadsTheAccount) {
    store_.WriteString(sk::Version161, "161");
    StoreAccount(4, EncipherPassword("s3cret"));
    StoreAccount(5, "");

    Load(4);
    EXPECT_EQ(client_.server, "pop4.example.net");
    EXPECT_EQ(client_.userName, "user4");
    EXPECT_EQ(client_.password, "s3cret");

    Load(5);
    EXPECT_EQ(client_.server, "pop5.example.net");
    EXPECT_EQ(client_.userName, "user5");
    EXPECT_EQ(client_.password, "") << "mailbox 4's password must never reach mailbox 5's server";
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(RemotePOPSettingsTest, FreshTreeSetsTheMarkerAndLoadsFromTheNextCall) {
    StoreAccount(1, "");

    Load(1);
    ExpectUnchanged(client_);
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(store_.ReadString(sk::Version161), "161");

    Load(1);
    EXPECT_EQ(client_.server, "pop1.example.net");
    EXPECT_EQ(client_.userName, "user1");
    EXPECT_EQ(client_.password, "");
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(RemotePOPSettingsTest, OldFormatPasswordsAreDiscardedWithOneWarning) {
    for (int n = 1; n <= kMailboxCount; ++n) StoreAccount(n, n % 3 == 0 ? "" : "0123456789");
    store_.WriteString(sk::Version161, "xx");

    Load(2);
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{kWarning});
    ExpectUnchanged(client_);
    EXPECT_EQ(store_.ReadString(sk::Version161), "161");
    const std::string text = ReadWholeFile(store_.path()).value_or("");
    for (int n = 1; n <= kMailboxCount; ++n) {
        EXPECT_NE(text.find("Passwd" + std::to_string(n) + "=\n"), std::string::npos) << n;
    }

    Load(2);
    EXPECT_EQ(boxes_.shown.size(), 1u) << "the warning appears once";
    EXPECT_EQ(client_.server, "pop2.example.net");
    EXPECT_EQ(client_.userName, "user2");
    EXPECT_EQ(client_.password, "");
}

TEST_F(RemotePOPSettingsTest, MissingMarkerAndNoPasswordForThisMailboxShowsNothing) {
    StoreAccount(1, "");
    StoreAccount(2, "0123456789");

    Load(1);
    ExpectUnchanged(client_);
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(store_.ReadString(sk::Version161), "161");
}

TEST_F(RemotePOPSettingsTest, NumberOutsideTheTwelveMailboxesLoadsMailboxOne) {
    store_.WriteString(sk::Version161, "161");
    StoreAccount(1, EncipherPassword("first"));
    StoreAccount(12, EncipherPassword("last"));
    for (int n : {0, 13, -1}) {
        client_ = {};
        Load(n);
        EXPECT_EQ(client_.server, "pop1.example.net") << n;
        EXPECT_EQ(client_.password, "first") << n;
    }
}

}  // namespace
}  // namespace kelvane

#include "MailboxPassword.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "PasswordCommand.h"

namespace kelvane {
namespace {

// A keyring in memory, which may be absent or refuse.
class MemoryKeyring : public SecretStore {
  public:
    bool running = true;
    bool refusing = false;
    std::map<std::tuple<std::string, std::string, SecretKind>, std::string> kept;

    bool Available() override { return running; }
    std::optional<std::string> Lookup(const SecretKey& key) override {
        Refuse();
        const auto found = kept.find({key.server, key.user, key.kind});
        if (found == kept.end()) return std::nullopt;
        return found->second;
    }
    void Store(const SecretKey& key, const std::string& secret, const std::string&) override {
        Refuse();
        kept[{key.server, key.user, key.kind}] = secret;
    }
    bool Remove(const SecretKey& key) override {
        Refuse();
        return kept.erase({key.server, key.user, key.kind}) > 0;
    }

  private:
    void Refuse() const {
        if (refusing) throw SecretStoreError("The desktop keyring is locked and was not unlocked");
    }
};

class MailboxPasswordTest : public ::testing::Test {
  protected:
    MailboxPasswordSettings settings{
        {"pop.example.org:995", "ann", SecretKind::Password}, "", "old"};
    MemoryKeyring keyring;
};

TEST_F(MailboxPasswordTest, CommandThenKeyringThenSettingsFile) {
    EXPECT_EQ(MailboxPassword(settings, &keyring), "old");
    EXPECT_EQ(PasswordKeptIn(settings, &keyring), PasswordSource::Settings);

    ASSERT_TRUE(KeepInKeyring(&keyring, settings.key, "kept"));
    EXPECT_EQ(MailboxPassword(settings, &keyring), "kept");
    EXPECT_EQ(PasswordKeptIn(settings, &keyring), PasswordSource::Keyring);

    settings.passwordCommand = "printf 'from the command\\n'";
    EXPECT_EQ(MailboxPassword(settings, &keyring), "from the command");
    EXPECT_EQ(PasswordKeptIn(settings, &keyring), PasswordSource::Command);
}

TEST_F(MailboxPasswordTest, WithoutAKeyringTheSettingsFileServesAndNothingIsKept) {
    keyring.running = false;
    EXPECT_FALSE(KeepInKeyring(&keyring, settings.key, "new"));
    EXPECT_FALSE(KeepInKeyring(nullptr, settings.key, "new"));
    EXPECT_TRUE(keyring.kept.empty());
    EXPECT_EQ(MailboxPassword(settings, &keyring), "old");
    EXPECT_EQ(MailboxPassword(settings, nullptr), "old");
}

TEST_F(MailboxPasswordTest, OtherMailboxesAndTokensAreKeptApart) {
    ASSERT_TRUE(KeepInKeyring(&keyring, {"pop.example.org:995", "bob", SecretKind::Password}, "b"));
    ASSERT_TRUE(
        KeepInKeyring(&keyring, {"pop.example.org:995", "ann", SecretKind::RefreshToken}, "token"));
    EXPECT_EQ(MailboxPassword(settings, &keyring), "old");
}

TEST_F(MailboxPasswordTest, ALockedKeyringIsAnErrorNotAnotherPassword) {
    keyring.refusing = true;
    EXPECT_THROW(MailboxPassword(settings, &keyring), SecretStoreError);
    settings.passwordCommand = "exit 3";
    EXPECT_THROW(MailboxPassword(settings, &keyring), PasswordCommandError);
}

}  // namespace
}  // namespace kelvane

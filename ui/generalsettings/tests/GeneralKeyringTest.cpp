// Where the Mailboxes page keeps a typed password: in the desktop keyring when one runs (the
// settings file then keeps no copy), else enciphered in the settings file as before.
#include <QLabel>
#include <QLineEdit>
#include <tuple>

#include "GeneralWindowFixture.h"
#include "MailboxSecurity.h"
#include "MemorySecretStore.h"
#include "PasswordCipher.h"

namespace kelvane {
namespace {

using testsupport::MemorySecretStore;

class GeneralKeyringTest : public testsupport::GeneralWindowFixture {
  protected:
    GeneralKeyringTest() { services_.keyring = &keyring_; }
    QLineEdit* edit(const QString& name) { return child<QLineEdit>(name); }
    QString storeNote() { return child<QLabel>("lblPasswordStore")->text(); }

    MemorySecretStore keyring_;
};

TEST_F(GeneralKeyringTest, AStoredPasswordMovesIntoTheKeyringWhenTheMailboxIsSaved) {
    storeAccount(1, {"pop.one.example", "ann", true, "old secret", kSecurityImplicit, "", ""});
    open();
    EXPECT_THAT(storeNote().toStdString(), ::testing::HasSubstr("desktop keyring"));
    click("btOK");

    ASSERT_EQ(boxes_.shown, std::vector<std::string>());
    EXPECT_EQ(keyring_.kept[std::make_tuple(std::string("pop.one.example"), std::string("ann"),
                                            SecretKind::Password)],
              "old secret");
    EXPECT_EQ(store_.ReadString(settingkeys::PasswdN, 1), "");

    // Shown again from the keyring, so that saving the page once more keeps it.
    open();
    EXPECT_EQ(edit("edPass1")->text(), "old secret");
    click("btOK");
    EXPECT_EQ(boxes_.shown, std::vector<std::string>());
}

TEST_F(GeneralKeyringTest, WithoutAKeyringThePasswordStaysInTheSettingsFile) {
    keyring_.running = false;
    storeAccount(1, {"pop.one.example", "ann", true, "old secret", kSecurityImplicit, "", ""});
    open();
    EXPECT_THAT(storeNote().toStdString(), ::testing::HasSubstr("settings file"));
    click("btOK");
    EXPECT_TRUE(keyring_.kept.empty());
    EXPECT_EQ(DecipherPassword(store_.ReadString(settingkeys::PasswdN, 1)), "old secret");
}

}  // namespace
}  // namespace kelvane

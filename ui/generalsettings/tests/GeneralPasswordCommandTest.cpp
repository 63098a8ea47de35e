#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "GeneralWindowFixture.h"
#include "MailboxSecurity.h"

namespace kelvane {
namespace {

class GeneralPasswordCommandTest : public testsupport::GeneralWindowFixture {
  protected:
    QLineEdit* edit(const QString& name) { return child<QLineEdit>(name); }
    bool noteShown() { return !child<QLabel>("lblPasswordCommandNote")->isHidden(); }
};

TEST_F(GeneralPasswordCommandTest, AStoredCommandIsShownAndSetsThePasswordFieldAside) {
    storeAccount(
        2, {"pop.two.example", "ann", true, "kept", kSecurityImplicit, "", "pass show mail/ann"});
    open();

    EXPECT_EQ(edit("edPasswordCommand2")->text(), "pass show mail/ann");
    EXPECT_THAT(edit("edPasswordCommand2")->toolTip().toStdString(),
                ::testing::HasSubstr("first output line is the password"));
    EXPECT_FALSE(edit("edPass2")->isEnabled());
    EXPECT_EQ(edit("edPass2")->text(), "kept") << "set aside, not lost";
    EXPECT_TRUE(edit("edPass1")->isEnabled());
    EXPECT_TRUE(noteShown());

    edit("edPasswordCommand2")->clear();
    EXPECT_TRUE(edit("edPass2")->isEnabled());
    EXPECT_FALSE(noteShown());

    edit("edPasswordCommand3")->setText("  ");
    EXPECT_TRUE(edit("edPass3")->isEnabled()) << "a blank command is none";
    edit("edPasswordCommand3")->setText("secret-tool lookup user bob");
    EXPECT_FALSE(edit("edPass3")->isEnabled());
    EXPECT_TRUE(noteShown());
}

TEST_F(GeneralPasswordCommandTest, OkStoresTheCommandInPlaceOfAPassword) {
    open();
    edit("edServe4")->setText("pop.four.example");
    edit("edName4")->setText("dan");
    edit("edPasswordCommand4")->setText("  gpg -dq ~/.mail-pw.gpg | head -n 1 ");
    click("btOK");

    ASSERT_EQ(boxes_.shown, std::vector<std::string>());
    EXPECT_EQ(store_.ReadString(settingkeys::PasswordCommandN, 4),
              "gpg -dq ~/.mail-pw.gpg | head -n 1");
    GeneralSettingsModel reread;
    reread.Load(store_);
    EXPECT_EQ(reread.accounts.Account(4),
              (MailboxAccount{"pop.four.example", "dan", true, "", kSecurityImplicit, "",
                              "gpg -dq ~/.mail-pw.gpg | head -n 1"}));
}

TEST_F(GeneralPasswordCommandTest, OkWithABlankCommandAsksForThePassword) {
    open();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    edit("edServe6")->setText("pop.six.example");
    edit("edName6")->setText("fay");
    edit("edPasswordCommand6")->setText(" \t ");
    click("btOK");

    EXPECT_EQ(boxes_.shown,
              std::vector<std::string>{"error: Mailbox 6 - there is no password set"});
    EXPECT_EQ(QApplication::focusWidget(), edit("edPass6"));
}

}  // namespace
}  // namespace kelvane

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "Autostart.h"
#include "GeneralWindowFixture.h"
#include "MailboxSecurity.h"
#include "ProgramPaths.h"

namespace kelvane {
namespace {

using testsupport::GeneralWindowFixture;

const std::string kFingerprint =
    "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:"
    "89";

QStringList Items(QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

class TfrmGeneralTest : public GeneralWindowFixture {
  protected:
    QString text(const QString& name) { return child<QLineEdit>(name)->text(); }
    bool checked(const QString& name) { return child<QAbstractButton>(name)->isChecked(); }
    bool hidden(const QString& name) { return child<QWidget>(name)->isHidden(); }
};

TEST_F(TfrmGeneralTest, FreshStoreShowsTheDefaultsOnEveryPage) {
    open();
    EXPECT_EQ(window_->windowTitle(), "General settings");
    auto* pages = child<QTabWidget>("PageControl1");
    QStringList tabs;
    for (int i = 0; i < pages->count(); ++i) tabs << pages->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Mailboxes", "Connection", "Automatic", "Start Up", "Activity Log",
                                 "Mail program"}));
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_TRUE(child<QPushButton>("btOK")->isDefault());
    EXPECT_EQ(child<QPushButton>("btCancel")->text(), "Cancel");
    EXPECT_EQ(child<QPushButton>("btHelp")->text(), "Help");

    // Mailboxes: the first selected, every new mailbox offered with SSL/TLS and checked.
    EXPECT_TRUE(checked("rbMailbox1"));
    for (int n = 1; n <= kMailboxCount; ++n) {
        const QString number = QString::number(n);
        SCOPED_TRACE(n);
        EXPECT_EQ(child<QRadioButton>("rbMailbox" + number)->text(), "Mailbox " + number);
        EXPECT_EQ(text("edServe" + number), "");
        EXPECT_EQ(child<QLineEdit>("edPass" + number)->echoMode(), QLineEdit::Password);
        EXPECT_EQ(Items(child<QComboBox>("cbSecurity" + number)),
                  (QStringList{"None", "STARTTLS", "SSL/TLS"}));
        EXPECT_EQ(child<QComboBox>("cbSecurity" + number)->currentText(), "SSL/TLS");
        EXPECT_TRUE(checked("cb" + number));
        EXPECT_TRUE(hidden("lblPin" + number));
        EXPECT_TRUE(hidden("btForgetPin" + number));
    }

    EXPECT_EQ(Items(child<QComboBox>("RASComboBox")), QStringList{"None"});

    EXPECT_TRUE(checked("rbManual"));
    EXPECT_FALSE(checked("rbAutomatic"));
    EXPECT_FALSE(hidden("pnlManual"));
    EXPECT_TRUE(hidden("pnlAutomatic"));
    EXPECT_TRUE(checked("cbAsk"));
    EXPECT_TRUE(checked("cbLaunch"));
    EXPECT_FALSE(checked("cbExit"));
    auto* minutes = child<QSpinBox>("seMinutes");
    EXPECT_EQ(minutes->value(), 10);
    EXPECT_EQ(minutes->minimum(), 2);
    EXPECT_EQ(minutes->maximum(), 600);
    EXPECT_FALSE(checked("cbKill"));
    EXPECT_FALSE(hidden("pnlSound"));
    EXPECT_TRUE(checked("cbAlarm"));
    EXPECT_TRUE(checked("cbRepeat"));
    EXPECT_EQ(text("edAlarmFile").toStdString(), programFolder() + "/harptune.wav");
    EXPECT_EQ(child<QPushButton>("btTest")->text(), "Test");

    EXPECT_FALSE(checked("cbSysTray"));

    EXPECT_EQ(text("Edit1").toStdString(), programFolder() + "/logfile.txt");
    EXPECT_EQ(child<QPushButton>("btBrowseLog")->toolTip(), "Browse for log file");
    EXPECT_TRUE(checked("rbAsIs"));
    EXPECT_EQ(child<QLabel>("lblCount")->text(), "0");
    EXPECT_TRUE(hidden("btStatistics"));

    EXPECT_EQ(text("edMail"), "") << "no mail program in the test's home";
    EXPECT_EQ(child<QPushButton>("btFindMail")->toolTip(), "Find mail program");
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(TfrmGeneralTest, StoredOptionsAreShown) {
    namespace sk = settingkeys;
    store_.Write([](SettingsWriter& w) {
        w.WriteBool(sk::Automatic, true);
        w.WriteBool(sk::Ask, false);
        w.WriteBool(sk::Exit, true);
        w.WriteInteger(sk::Minutes, 45);
        w.WriteBool(sk::Kill, true);
        w.WriteBool(sk::SysTray, true);
        w.WriteString(sk::Mailer, "/usr/bin/mailer");
        w.WriteString(sk::Count, "17");
        w.WriteBool(sk::LogAsis, false);
        w.WriteBool(sk::LogMonth, true);
    });
    const std::string logFolder = temp_.File("logs");
    store_.WriteString(sk::Logfile, logFolder + "/old.txt");
    open();
    EXPECT_TRUE(checked("rbAutomatic"));
    EXPECT_TRUE(hidden("pnlManual"));
    EXPECT_FALSE(hidden("pnlAutomatic"));
    EXPECT_TRUE(hidden("pnlSound")) << "no alarm while spam is deleted unattended";
    EXPECT_FALSE(checked("cbAsk"));
    EXPECT_TRUE(checked("cbExit"));
    EXPECT_EQ(child<QSpinBox>("seMinutes")->value(), 45);
    EXPECT_TRUE(checked("cbSysTray"));
    EXPECT_EQ(text("edMail"), "/usr/bin/mailer");
    EXPECT_EQ(child<QLabel>("lblCount")->text(), "17");
    EXPECT_TRUE(checked("rbMonth"));
    // Monthly naming picks this month's name in the same folder.
    EXPECT_EQ(text("Edit1").toStdString(), logFolder + "/May24.txt");
}

TEST_F(TfrmGeneralTest, StoredMinutesOutOfRangeAreShownClamped) {
    const struct {
        int stored;
        int shown;
    } cases[] = {{1, 2}, {2, 2}, {600, 600}, {601, 600}, {-5, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        store_.WriteInteger(settingkeys::Minutes, c.stored);
        open();
        EXPECT_EQ(child<QSpinBox>("seMinutes")->value(), c.shown);
    }
}

TEST_F(TfrmGeneralTest, PanelsFollowTheCheckingModeAndTheDeleteBox) {
    open();
    click("rbAutomatic");
    EXPECT_TRUE(hidden("pnlManual"));
    EXPECT_FALSE(hidden("pnlAutomatic"));
    EXPECT_FALSE(hidden("pnlSound"));
    click("cbKill");
    EXPECT_TRUE(hidden("pnlSound"));
    click("cbKill");
    EXPECT_FALSE(hidden("pnlSound"));
    click("rbManual");
    EXPECT_FALSE(hidden("pnlManual"));
    EXPECT_TRUE(hidden("pnlAutomatic"));
}

TEST_F(TfrmGeneralTest, FieldsHaveTheButtonColourUntilTheyHaveTheFocus) {
    open();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    const QColor button = window_->palette().color(QPalette::Button);
    const QColor base = window_->palette().color(QPalette::Base);
    ASSERT_NE(button, base) << "the style must tell the two apart for this test";

    const QStringList fields = {"edServe1",    "edPass12", "seMinutes",
                                "edAlarmFile", "Edit1",    "edMail"};
    for (const QString& name : fields) {
        SCOPED_TRACE(name.toStdString());
        QWidget* field = child<QWidget>(name);
        EXPECT_EQ(field->palette().color(QPalette::Base), button);
    }
    for (const QString& name : fields) {
        SCOPED_TRACE(name.toStdString());
        QWidget* field = child<QWidget>(name);
        QTabWidget* pages = child<QTabWidget>("PageControl1");
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->widget(i)->isAncestorOf(field)) pages->setCurrentIndex(i);
        }
        field->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(field->palette().color(QPalette::Base), base);
        child<QWidget>("btHelp")->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(field->palette().color(QPalette::Base), button);
    }
}

TEST_F(TfrmGeneralTest, DialUpListOffersNoneThenTheEntries) {
    services_.dialUpEntries = [] { return std::vector<std::string>{"isp-a", "isp\tb"}; };
    const struct {
        const char* name;
        int stored;
        QString shown;
    } cases[] = {{"none", 0, "None"}, {"second", 2, "isp b"}, {"gone", 5, "None"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store_.WriteInteger(settingkeys::RAS, c.stored);
        open();
        auto* list = child<QComboBox>("RASComboBox");
        EXPECT_EQ(Items(list), (QStringList{"None", "isp-a", "isp b"}));
        EXPECT_EQ(list->currentText(), c.shown);
        click("btOK");
        EXPECT_EQ(store_.ReadInteger(settingkeys::RAS), c.stored) << "untouched, kept";
    }

    open();
    child<QComboBox>("RASComboBox")->setCurrentIndex(1);
    click("btOK");
    EXPECT_EQ(store_.ReadInteger(settingkeys::RAS), 1);
}

// Peers come and go between showings; the choice follows its name, not its row.
TEST_F(TfrmGeneralTest, DialUpChoiceIsStoredAndShownByName) {
    std::vector<std::string> entries{"isp-a", "isp\tb"};
    services_.dialUpEntries = [&entries] { return entries; };
    open();
    child<QComboBox>("RASComboBox")->setCurrentIndex(2);
    click("btOK");
    EXPECT_EQ(store_.ReadInteger(settingkeys::RAS), 2);
    EXPECT_EQ(store_.ReadString(settingkeys::RASName), "isp\tb");

    entries.insert(entries.begin(), "isp-0");
    open();
    EXPECT_EQ(child<QComboBox>("RASComboBox")->currentText(), "isp b");
    click("btOK");
    EXPECT_EQ(store_.ReadString(settingkeys::RASName), "isp\tb");

    entries = {"isp-a"};
    open();
    EXPECT_EQ(child<QComboBox>("RASComboBox")->currentText(), "None") << "gone";
    click("btOK");
    EXPECT_EQ(store_.ReadString(settingkeys::RASName), "isp\tb") << "not chosen by the user: kept";

    open();
    child<QComboBox>("RASComboBox")->setCurrentIndex(1);
    click("btOK");
    EXPECT_EQ(store_.ReadInteger(settingkeys::RAS), 1);
    EXPECT_EQ(store_.ReadString(settingkeys::RASName), "isp-a");
}

TEST_F(TfrmGeneralTest, SecurityIsShownAsStoredAndAPinCanBeForgotten) {
    storeAccount(1, {"pop.one.example", "ann", true, "pw", kSecurityStls, ""});
    storeAccount(2, {"pop.two.example", "bob", true, "pw", kSecurityPlain, ""});
    StoreTrustedFingerprint(store_, model_.accounts, 1, kFingerprint);
    open();
    EXPECT_EQ(child<QComboBox>("cbSecurity1")->currentText(), "STARTTLS");
    EXPECT_EQ(child<QComboBox>("cbSecurity2")->currentText(), "None");
    EXPECT_EQ(child<QComboBox>("cbSecurity3")->currentText(), "SSL/TLS");
    EXPECT_FALSE(hidden("lblPin1"));
    EXPECT_EQ(child<QLabel>("lblPin1")->text(), "Certificate pinned");
    EXPECT_EQ(child<QLabel>("lblPin1")->toolTip().toStdString(), kFingerprint);
    EXPECT_EQ(child<QPushButton>("btForgetPin1")->text(), "Forget");
    EXPECT_TRUE(hidden("lblPin2"));

    // Forgetting then cancelling keeps the pin.
    click("btForgetPin1");
    EXPECT_TRUE(hidden("lblPin1"));
    EXPECT_TRUE(hidden("btForgetPin1"));
    click("btCancel");
    EXPECT_EQ(model_.accounts.Account(1).fingerprint, kFingerprint);
    EXPECT_EQ(StoredFingerprint(store_, 1), kFingerprint);

    // Forgetting with OK drops it, and the changed protection is saved with the account.
    reshow();
    EXPECT_FALSE(hidden("lblPin1"));
    click("btForgetPin1");
    child<QComboBox>("cbSecurity2")->setCurrentIndex(kSecurityImplicit);
    click("btOK");
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(StoredFingerprint(store_, 1), "");
    EXPECT_EQ(StoredSecurity(store_, 1), kSecurityStls);
    EXPECT_EQ(StoredSecurity(store_, 2), kSecurityImplicit);
}

TEST_F(TfrmGeneralTest, OkWithAnIncompleteAccountShowsWhereAndStaysOpen) {
    const struct {
        const char* name;
        int mailbox;
        const char* server;
        const char* user;
        const char* password;
        const char* message;
        const char* focused;
    } cases[] = {
        {"no user", 3, "pop.three.example", "", "secret3",
         "Mailbox 3 has a server pop.three.example but no mailbox", "edName3"},
        {"no server", 2, "", "bob", "secret2", "Mailbox 2 bob has a blank server", "edServe2"},
        {"no password", 12, "pop.twelve.example", "zed", "",
         "Mailbox 12 - there is no password set", "edPass12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The incomplete mailbox is stored as typed, so each case starts from an empty store.
        std::filesystem::remove(store_.path());
        boxes_.shown.clear();
        open();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        const QString n = QString::number(c.mailbox);
        child<QLineEdit>("edServe" + n)->setText(c.server);
        child<QLineEdit>("edName" + n)->setText(c.user);
        child<QLineEdit>("edPass" + n)->setText(c.password);
        child<QTabWidget>("PageControl1")->setCurrentIndex(4);
        click("btOK");
        EXPECT_EQ(boxes_.shown, std::vector<std::string>{std::string("error: ") + c.message});
        EXPECT_TRUE(window_->isVisible());
        EXPECT_EQ(child<QTabWidget>("PageControl1")->currentIndex(), 0);
        EXPECT_EQ(QApplication::focusWidget(), child<QWidget>(c.focused));
    }
}

TEST_F(TfrmGeneralTest, OkRefusesALogFileWhoseFolderCannotBeMade) {
    testsupport::WriteFileBytes(temp_.File("plain"), "x");
    for (const std::string& name : {std::string("logfile.txt"), temp_.File("plain/log.txt")}) {
        SCOPED_TRACE(name);
        boxes_.shown.clear();
        open();
        child<QLineEdit>("Edit1")->setText(QString::fromStdString(name));
        child<QCheckBox>("cbSysTray")->setChecked(true);
        click("btOK");
        EXPECT_EQ(boxes_.shown, std::vector<std::string>{"error: Unable to create directory"});
        EXPECT_TRUE(window_->isVisible());
        EXPECT_FALSE(std::filesystem::exists(store_.path())) << "nothing written";
    }
}

TEST_F(TfrmGeneralTest, OkThatCannotWriteTheStoreSaysWhyAndStaysOpen) {
    // A file where the settings folder belongs: reading gives defaults, writing fails.
    testsupport::WriteFileBytes(temp_.File("plain"), "x");
    SettingsStore broken(temp_.File("plain/kelvane.conf"));
    model_.Load(broken);
    window_ =
        std::make_unique<TfrmGeneral>(model_, broken, spam_, boxes_, programFolder(), services_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    click("btOK");
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_EQ(boxes_.shown[0].rfind("error: ", 0), 0u) << boxes_.shown[0];
    EXPECT_NE(boxes_.shown[0].find("plain/kelvane.conf"), std::string::npos) << boxes_.shown[0];
    EXPECT_TRUE(window_->isVisible());
    window_.reset();  // before the store it edits
}

TEST_F(TfrmGeneralTest, OkMakesTheLogFolderAndSavesTheOptions) {
    open();
    const std::string log = temp_.File("logs/deep/log.txt");
    child<QLineEdit>("Edit1")->setText(QString::fromStdString(log));
    click("rbQuarter");
    click("rbAutomatic");
    child<QSpinBox>("seMinutes")->setValue(30);
    click("cbExit");
    child<QLineEdit>("edMail")->setText("/opt/mail/bin/reader");
    click("btOK");
    EXPECT_EQ(window_->result(), QDialog::Accepted);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_TRUE(std::filesystem::is_directory(temp_.File("logs/deep")));

    const GeneralSettings stored = ReadGeneralSettings(store_);
    EXPECT_EQ(stored.logfile, log);
    EXPECT_TRUE(stored.logQuarter);
    EXPECT_FALSE(stored.logAsIs);
    EXPECT_TRUE(stored.automatic);
    EXPECT_EQ(stored.minutes, 30);
    EXPECT_TRUE(stored.exitIfNoMail);
    EXPECT_EQ(stored.mailer, "/opt/mail/bin/reader");
    EXPECT_EQ(stored, model_.general);
}

TEST_F(TfrmGeneralTest, DeletingUnattendedIsWarnedAboutOnceAndOnlyWhenAutomatic) {
    open();
    click("rbAutomatic");
    click("cbKill");
    click("btOK");
    EXPECT_EQ(boxes_.shown,
              std::vector<std::string>{
                  "warning: Just a warning that you selected to automatically delete marked "
                  "messages without confirmation.  It is possible to OVER delete by using this "
                  "setting."});

    boxes_.shown.clear();
    reshow();
    EXPECT_TRUE(checked("cbKill"));
    click("btOK");
    EXPECT_TRUE(boxes_.shown.empty()) << "still checked: no second warning";

    // Checked, but checking by hand.
    store_.WriteBool(settingkeys::Kill, false);
    store_.WriteBool(settingkeys::Automatic, false);
    open();
    click("rbAutomatic");
    click("cbKill");
    click("rbManual");
    click("btOK");
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_TRUE(ReadGeneralSettings(store_).kill);
}

TEST_F(TfrmGeneralTest, ChangingTheTrayOptionAsksForARestart) {
    open();
    click("cbSysTray");
    click("cbSysTray");
    click("btOK");
    EXPECT_TRUE(boxes_.shown.empty()) << "toggled back: nothing changed";

    reshow();
    click("cbSysTray");
    click("btOK");
    const std::string restart =
        "information: Exit and restart for the Start Up changes to take effect.";
    EXPECT_EQ(boxes_.shown,
              (std::vector<std::string>{
                  restart, "confirm: Start Kelvane in the system tray each time you log in?"}));
    EXPECT_TRUE(ReadGeneralSettings(store_).sysTray);
    const std::string configHome = home_.env.configHome;
    EXPECT_TRUE(HasAutostartEntry(configHome)) << "Yes writes the login entry";

    // Leaving the tray offers to undo it; No keeps the entry.
    boxes_.shown.clear();
    boxes_.answers = {false};
    reshow();
    click("cbSysTray");
    click("btOK");
    EXPECT_EQ(boxes_.shown, (std::vector<std::string>{
                                restart, "confirm: Stop starting Kelvane each time you log in?"}));
    EXPECT_TRUE(HasAutostartEntry(configHome));
}

TEST_F(TfrmGeneralTest, CancelRestoresTheStoredAccount) {
    const MailboxAccount stored{"pop.one.example:1995", "ann",          false,
                                "old secret",           kSecurityPlain, ""};
    storeAccount(1, stored);
    open();
    EXPECT_EQ(text("edPass1"), "old secret");
    EXPECT_FALSE(checked("cb1"));
    child<QLineEdit>("edServe1")->setText("pop.other.example");
    child<QLineEdit>("edPass1")->setText("new secret");
    child<QComboBox>("cbSecurity1")->setCurrentIndex(kSecurityImplicit);
    click("rbMailbox4");
    click("btCancel");
    EXPECT_EQ(window_->result(), QDialog::Rejected);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(model_.accounts.Account(1), stored);
    EXPECT_EQ(model_.accounts.which, 1);
    EXPECT_TRUE(boxes_.shown.empty());

    reshow();
    EXPECT_EQ(text("edServe1"), "pop.one.example:1995");
    EXPECT_EQ(text("edPass1"), "old secret");
}

TEST_F(TfrmGeneralTest, OkStoresThePasswordEnciphered) {
    open();
    child<QLineEdit>("edServe5")->setText("pop.five.example");
    child<QLineEdit>("edName5")->setText("eve");
    child<QLineEdit>("edPass5")->setText("pl@in secret");
    click("rbMailbox5");
    click("btOK");
    ASSERT_TRUE(boxes_.shown.empty());
    const std::string stored = store_.ReadString(settingkeys::PasswdN, 5);
    EXPECT_FALSE(stored.empty());
    EXPECT_EQ(stored.find("pl@in secret"), std::string::npos);

    GeneralSettingsModel reread;
    reread.Load(store_);
    EXPECT_EQ(reread.accounts.Account(5), (MailboxAccount{"pop.five.example", "eve", true,
                                                          "pl@in secret", kSecurityImplicit, ""}));
    EXPECT_EQ(reread.accounts.which, 5);
}

}  // namespace
}  // namespace kelvane

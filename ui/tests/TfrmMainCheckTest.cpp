#include "ActivityLog.h"
#include "CaseName.h"
#include "CheckRun.h"
#include "DomainChecker.h"
#include "EventPump.h"
#include "GeneralSettings.h"
#include "KnownSpammers.h"
#include "PasswordCipher.h"
#include "RecordingMessageBoxes.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"
#include "ScriptedServer.h"
#include "SettingsStore.h"
#include "SpamClassifier.h"
#include "SpamSettings.h"
#include "TempFolder.h"
#include "TfrmMain.h"
#include "TfrmRetrieving.h"
#include "TmsRemotePOP.h"
#include "WindowFrontEnd.h"

#include <gmock/gmock.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using Script = std::vector<std::string>;

class AllDomainsExist : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string&) override { return DomainAnswer::Exists; }
};

Script Login(const std::string& stat) {
    return {"S: +OK ready", "C: USER ann", "S: +OK",    "C: PASS pw",
            "S: +OK in",    "C: STAT",     "S: " + stat};
}

void AddListTop(Script& script, int n, int size, const std::vector<std::string>& headers) {
    const std::string number = std::to_string(n);
    script.insert(script.end(),
                  {"C: LIST " + number, "S: +OK " + number + " " + std::to_string(size),
                   "C: TOP " + number + " 1", "S: +OK"});
    for (const std::string& line : headers) script.push_back("S: " + line);
    script.insert(script.end(), {"S: ", "S: ."});
}

void AddQuit(Script& script) {
    script.insert(script.end(), {"C: QUIT", "S: +OK bye"});
}

// The window wired to a real run over mailbox 1 (ann, password "pw"); a second mailbox is set up
// but not checked, so that every listing logs out and no picker is asked.
class TfrmMainCheckTest : public ::testing::Test {
  protected:
    TfrmMainCheckTest()
        : store(folder.File("settings.conf")),
          spam(folder.path().string()),
          log([this] { return folder.File("log.txt"); }, [] { return LocalDateTime{}; }),
          front(window, boxes),
          run(spam, model, store, client, log, known, domains, front) {
        store.WriteString(settingkeys::Version161, "161");
        Configure(3, "unused.invalid", "bob", false);
        client.TimeOut = 2;
        front.setRun(&run);
        window.attachRun(run, client, boxes);
        SetEventPump([] { QCoreApplication::processEvents(); });
    }
    ~TfrmMainCheckTest() override { SetEventPump({}); }

    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void Configure(int n, const std::string& address, const std::string& user, bool check) {
        store.WriteString(settingkeys::ServerN, address, n);
        store.WriteString(settingkeys::MailboxN, user, n);
        store.WriteString(settingkeys::PasswdN, EncipherPassword("pw"), n);
        store.WriteBool(settingkeys::CheckN, check, n);
        model.accounts.Account(n) = MailboxAccount{address, user, check, "pw"};
    }

    void Serve(const Script& script) {
        server = std::make_unique<testsupport::ScriptedServer>(script);
        Configure(1, server->address(), "ann", true);
    }

    void ServeThreeWithSpamRule();

    template <typename T>
    T* child(const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }

    QTreeWidget* list() { return child<QTreeWidget>("ListView1"); }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QString status() { return child<QLabel>("pnlStatus")->text(); }

    std::vector<QString> rowTexts(int row) {
        const QTreeWidgetItem* item = list()->topLevelItem(row);
        return {item->text(0), item->text(1), item->text(2), item->text(3)};
    }

    void ClickCheckWithoutWaiting() { QTest::mouseClick(button("btList"), Qt::LeftButton); }

    void ClickCheck() {
        QTest::mouseClick(button("btList"), Qt::LeftButton);
        if (server) {
            EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
        }
    }

    testsupport::TempFolder folder;
    SettingsStore store;
    GeneralSettingsModel model;
    SpamSettings spam;
    KnownSpammers known;
    AllDomainsExist domains;
    TmsRemotePOP client;
    ActivityLog log;
    testsupport::RecordingMessageBoxes boxes;
    TfrmMain window;
    WindowFrontEnd front;
    CheckRun run;
    std::unique_ptr<testsupport::ScriptedServer> server;
};

// Three messages, the second matching a subject rule.
void TfrmMainCheckTest::ServeThreeWithSpamRule() {
    AppendRule(spam.table(RuleTableKind::Subject), SpamSubjectRule("cheap watches"));
    Script script = Login("+OK 3 600");
    AddListTop(script, 1, 100,
               {"From: Ann Lee <ann@friends.test>", "Subject: lunch",
                "Date: Tue, 14 Mar 2000 00:00:00 +0100"});
    AddListTop(script, 2, 200, {"From: offers@junk.test", "Subject: cheap watches"});
    AddListTop(script, 3, 300, {"From: news@paper.test", "Subject: today"});
    AddQuit(script);
    Serve(script);
}

const char* const kMessageButtons[] = {"btMark", "btDelete", "btResetAll", "btRemark", "btLaunch"};

TEST_F(TfrmMainCheckTest, CheckListsEveryMessageWithItsMarkAndShowsTheTotals) {
    ServeThreeWithSpamRule();

    ASSERT_TRUE(button("btList")->isEnabled());
    ClickCheck();

    ASSERT_EQ(list()->topLevelItemCount(), 3);
    EXPECT_THAT(rowTexts(0),
                ::testing::ElementsAre("lunch", "ann@friends.test", "100", "3/14/2000"));
    EXPECT_THAT(rowTexts(1),
                ::testing::ElementsAre("cheap watches", "offers@junk.test", "200", ""));
    EXPECT_EQ(rowTexts(2)[0], "today");
    EXPECT_EQ(window.rowMark(0), kNoMark);
    EXPECT_EQ(window.rowMark(1), run.rows()[1].mark);
    EXPECT_NE(window.rowMark(1), kNoMark);
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 1");

    // Back to idle with messages to act on.
    EXPECT_EQ(button("btExit")->text(), "E&xit");
    EXPECT_TRUE(button("btList")->isEnabled());
    for (const char* name : kMessageButtons) EXPECT_TRUE(button(name)->isVisible()) << name;
    EXPECT_FALSE(child<QLabel>("lblAd")->isVisible());
    EXPECT_TRUE(boxes.shown.empty());
}

// Auto mark starts every row afresh: marks given by hand go, rule hits come back, and when no
// rule matches at all the user is told so.
TEST_F(TfrmMainCheckTest, AutoMarkRemarksTheListAndSaysWhenNothingMatches) {
    ServeThreeWithSpamRule();
    ClickCheck();
    ASSERT_EQ(list()->topLevelItemCount(), 3);
    const MarkState ruleMark = run.rows()[1].mark;
    run.rows()[0].mark = kCheckMark;
    run.rows()[1].mark = kNoMark;
    window.showRows(run.rows());

    QTest::mouseClick(button("btRemark"), Qt::LeftButton);
    EXPECT_EQ(window.rowMark(0), kNoMark);
    EXPECT_EQ(window.rowMark(1), ruleMark);
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 1");
    EXPECT_TRUE(boxes.shown.empty());

    spam.table(RuleTableKind::Subject) = RuleTable(RuleTableKind::Subject);
    QTest::mouseClick(button("btRemark"), Qt::LeftButton);
    EXPECT_EQ(window.rowMark(1), kNoMark);
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 0");
    EXPECT_THAT(boxes.shown,
                ::testing::ElementsAre(std::string("information: ") + kNoMatchesMessage));
}

TEST_F(TfrmMainCheckTest, EmptyMailboxKeepsTheTaglineAndHidesTheMessageButtons) {
    Script script = Login("+OK 0 0");
    AddQuit(script);
    Serve(script);

    ClickCheck();

    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_EQ(status(), "Message Total: 0 Number Marked: 0");
    EXPECT_TRUE(child<QLabel>("lblAd")->isVisible());
    for (const char* name : kMessageButtons) EXPECT_FALSE(button(name)->isVisible()) << name;
    EXPECT_TRUE(button("btList")->isEnabled());
}

// "Exit after checking" with nothing on the server ends the program, or only puts it away when
// it was started in the tray.
TEST_F(TfrmMainCheckTest, EmptyCheckWithExitAfterCheckingClosesOrHides) {
    for (const bool inTray : {false, true}) {
        SCOPED_TRACE(inTray ? "started in tray" : "started normally");
        window.setStartedInTray(inTray);
        window.showNormal();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        model.general.exitIfNoMail = true;
        Script script = Login("+OK 0 0");
        AddQuit(script);
        Serve(script);

        ClickCheck();

        if (inTray) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return window.isMinimized(); }, 2000));
            EXPECT_TRUE(window.isVisible());
        } else {
            EXPECT_FALSE(window.isVisible());
        }
    }
}

TEST_F(TfrmMainCheckTest, NoMailboxCheckedShowsTheErrorAndContactsNoServer) {
    ClickCheck();

    EXPECT_THAT(boxes.shown,
                ::testing::ElementsAre("error: At least ONE mailbox needs to be checked."));
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_TRUE(button("btList")->isEnabled());
}

// While the server is silent the run can be stopped from the window's third button (reading
// "Cancel" then) or from the progress window; the run ends with an error box and the window is
// idle again without rows.
struct CancelCase {
    const char* name;
    bool fromProgressWindow;
};

class CancelCheckTest : public TfrmMainCheckTest,
                        public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelCheckTest, StopsARunningCheck) {
    Script script = Login("+OK 1 100");
    script.insert(script.end(), {"C: LIST 1", "silence"});
    Serve(script);
    std::string caption;
    std::string title;
    std::string mailbox;
    QTimer::singleShot(300, &window, [&] {
        caption = button("btExit")->text().toStdString();
        TfrmRetrieving& progress = window.progressWindow();
        title = progress.findChild<QLabel*>("lblTitle")->text().toStdString();
        mailbox = progress.findChild<QLabel*>("lblMailbox")->text().toStdString();
        QPushButton* cancel = GetParam().fromProgressWindow
                                  ? progress.findChild<QPushButton*>("btCancel")
                                  : button("btExit");
        QTest::mouseClick(cancel, Qt::LeftButton);
    });

    QTest::mouseClick(button("btList"), Qt::LeftButton);

    EXPECT_EQ(caption, "Cancel");
    EXPECT_EQ(title, "Retrieving messages ... standby");
    EXPECT_EQ(mailbox, "ann");
    EXPECT_EQ(button("btExit")->text(), "E&xit");
    EXPECT_FALSE(window.progressWindow().isVisible());
    EXPECT_EQ(list()->topLevelItemCount(), 0);
    EXPECT_TRUE(window.isVisible());
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_THAT(boxes.shown.front(), ::testing::StartsWith("error: "));
}

INSTANTIATE_TEST_SUITE_P(Paths, CancelCheckTest,
                         ::testing::Values(CancelCase{"ThirdButton", false},
                                           CancelCase{"ProgressWindow", true}),
                         testsupport::ParamName());

// Closing the window while still logged in ends the session with the server.
TEST_F(TfrmMainCheckTest, ClosingTheWindowLogsOut) {
    Script script = Login("+OK 0 0");
    AddQuit(script);
    Serve(script);
    Configure(3, "", "", false);  // a single mailbox keeps its connection after the check
    ClickCheckWithoutWaiting();
    ASSERT_TRUE(client.Connected());

    window.close();

    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
    EXPECT_FALSE(client.Connected());
}

}  // namespace
}  // namespace kelvane

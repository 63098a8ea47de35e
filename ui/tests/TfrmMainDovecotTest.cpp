// The main window running real checks and deletions against a private Dovecot.
#include "ActivityLog.h"
#include "CheckRun.h"
#include "DomainChecker.h"
#include "DovecotServer.h"
#include "EventPump.h"
#include "GeneralSettings.h"
#include "KnownSpammers.h"
#include "PasswordCipher.h"
#include "RecordingMessageBoxes.h"
#include "RowBuilder.h"
#include "SettingsStore.h"
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
#include <QTreeWidget>
#include <algorithm>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::DovecotServer;

class AllDomainsExist : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string&) override { return DomainAnswer::Exists; }
};

std::string Message(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nTo: ann@home.test\r\nSubject: " + subject +
           "\r\nDate: Tue, 14 Mar 2000 10:20:30 +0100\r\n\r\nbody\r\n";
}

int Occurrences(const std::string& text, const std::string& piece) {
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

// The argument holds `wanted` in this order, anything else between them.
MATCHER_P(HasInOrder, wanted, "holds in this order: " + ::testing::PrintToString(wanted)) {
    auto at = arg.begin();
    for (const auto& item : wanted) {
        at = std::find(at, arg.end(), item);
        if (at == arg.end()) {
            *result_listener << "lacks, after the ones before it, "
                             << ::testing::PrintToString(item);
            return false;
        }
        ++at;
    }
    return true;
}

// The window's own front end that also notes, whenever the run shows a status, what the status
// panel reads and how many rows the list holds at that moment.
class WatchedFrontEnd : public WindowFrontEnd {
  public:
    WatchedFrontEnd(TfrmMain& window, MessageBoxes& boxes)
        : WindowFrontEnd(window, boxes), window_(window) {}

    void ShowStatus(const std::string& text) override {
        WindowFrontEnd::ShowStatus(text);
        panelTexts.push_back(window_.findChild<QLabel*>("pnlStatus")->text().toStdString());
        rowCounts.push_back(window_.findChild<QTreeWidget*>("ListView1")->topLevelItemCount());
    }

    std::vector<std::string> panelTexts;
    std::vector<int> rowCounts;

  private:
    TfrmMain& window_;
};

// The window wired to a real run over mailbox 1 (ann, password "pw") on a private Dovecot holding
// three messages, the second from a known spammer. Mailbox 3 is configured but unchecked, so
// every listing logs out and no picker is asked.
class TfrmMainDovecotTest : public ::testing::Test {
  protected:
    TfrmMainDovecotTest()
        : store(folder.File("settings.conf")),
          spam(folder.path().string()),
          log([this] { return folder.File("log.txt"); }, [] { return LocalDateTime{}; }),
          front(window, boxes),
          run(spam, model, store, client, log, known, domains, front) {
        store.WriteString(settingkeys::Version161, "161");
        Configure(3, "unused.invalid", "bob", false);
        client.TimeOut = 10;
        front.setRun(&run);
        window.attachRun(run, client, boxes);
        SetEventPump([] { QCoreApplication::processEvents(); });
    }
    ~TfrmMainDovecotTest() override { SetEventPump({}); }

    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        dovecot.emplace();
        dovecot->AddUser("ann", "pw");
        for (const std::string& message : kMessages) dovecot->AddMessage("ann", message);
        dovecot->Start();
        Configure(1, dovecot->address(), "ann", true);
        known.Assign({"offers@junk.test"});
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void TearDown() override {
        if (HasFailure() && dovecot) std::cerr << dovecot->LogTail();
    }

    void Configure(int n, const std::string& address, const std::string& user, bool check) {
        store.WriteString(settingkeys::ServerN, address, n);
        store.WriteString(settingkeys::MailboxN, user, n);
        store.WriteString(settingkeys::PasswdN, EncipherPassword("pw"), n);
        store.WriteBool(settingkeys::CheckN, check, n);
        model.accounts.Account(n) = MailboxAccount{address, user, check, "pw"};
    }

    QTreeWidget* list() { return child<QTreeWidget>("ListView1"); }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QString status() { return child<QLabel>("pnlStatus")->text(); }
    std::string LogText() const { return testsupport::FileBytes(folder.File("log.txt")); }
    std::string Where() const { return "ann on " + dovecot->address(); }

    std::vector<std::string> ListedSubjects() {
        std::vector<std::string> subjects;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            subjects.push_back(list()->topLevelItem(i)->text(0).toStdString());
        return subjects;
    }

    // The subjects waiting on the server now, seen by a session of its own.
    std::vector<std::string> SubjectsOnServer() const {
        TmsRemotePOP probe;
        probe.Server = dovecot->address();
        probe.UserName = "ann";
        probe.Password = "pw";
        probe.TimeOut = 10;
        probe.UpdateInfo();
        std::vector<std::string> subjects;
        for (int i = 0; i < probe.Info().Count(); ++i)
            subjects.push_back(BuildRow(probe.Info().Items(i), DefaultListDate).subject);
        return subjects;
    }

    // Checks, then marks the rows check, question and blacklist, as a user would by hand.
    void CheckAndMarkThree() {
        QTest::mouseClick(button("btList"), Qt::LeftButton);
        ASSERT_EQ(list()->topLevelItemCount(), 3) << ::testing::PrintToString(boxes.shown);
        run.rows()[0].mark = kCheckMark;
        run.rows()[1].mark = kQuestionMark;
        run.rows()[2].mark = kBlacklistMark;
        window.showRows(run.rows());
        ASSERT_TRUE(button("btDelete")->isVisible());
    }

    void ExpectIdle() {
        EXPECT_EQ(button("btExit")->text(), "E&xit");
        EXPECT_TRUE(button("btList")->isEnabled());
        EXPECT_FALSE(window.progressWindow().isVisible());
    }

    template <typename T>
    T* child(const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }

    const std::vector<std::string> kMessages{Message("Bo <bo@friends.test>", "lunch"),
                                             Message("offers@junk.test", "cheap watches"),
                                             Message("news@paper.test", "today")};
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
    WatchedFrontEnd front;
    CheckRun run;
    std::optional<DovecotServer> dovecot;
};

TEST_F(TfrmMainDovecotTest, CheckShowsEachRowAsItIsListedAndEndsWithTheTotals) {
    QTest::mouseClick(button("btList"), Qt::LeftButton);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_THAT(ListedSubjects(), ElementsAre("lunch", "cheap watches", "today"));
    EXPECT_EQ(window.rowMark(0), kNoMark);
    EXPECT_EQ(window.rowMark(1), kBlacklistMark);
    EXPECT_EQ(window.rowMark(2), kNoMark);
    EXPECT_EQ(list()->topLevelItem(0)->text(1), "bo@friends.test");

    // The panel showed every step, in order.
    EXPECT_THAT(front.panelTexts, HasInOrder(std::vector<std::string>{
                                      "Opening connection for " + Where(), "Updating headers",
                                      "Checking message 1 of 3 total waiting messages",
                                      "Checking message 2 of 3 total waiting messages",
                                      "Checking message 3 of 3 total waiting messages",
                                      "Connection closed", "3 msg(s) for " + Where()}));
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 1");

    // Rows came one at a time while the server was being read, not all at the end.
    std::vector<int> growth = front.rowCounts;
    growth.erase(std::unique(growth.begin(), growth.end()), growth.end());
    EXPECT_THAT(growth, ElementsAre(0, 1, 2, 3));

    ExpectIdle();
    EXPECT_THAT(LogText(), HasSubstr("MAIL CHECK 3 msg(s) for \"ann\""));
}

TEST_F(TfrmMainDovecotTest, DeleteConfirmedRemovesTheMarkedMessagesAndListsTheRest) {
    // The launch option is on by default; with no mail program to start, the list comes back.
    ASSERT_TRUE(model.general.launch);
    model.general.count = "40";
    CheckAndMarkThree();
    const std::string logBefore = LogText();

    QTest::mouseClick(button("btDelete"), Qt::LeftButton);

    EXPECT_THAT(boxes.shown, ElementsAre("confirm: Really delete 2 messages from server?"));
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("cheap watches"));
    EXPECT_THAT(front.panelTexts,
                HasInOrder(std::vector<std::string>{"Deleting 1 lunch", "Deleting 3 today"}));
    EXPECT_EQ(status(), "There were 2 messages deleted");

    const std::string log = LogText();
    ASSERT_EQ(log.substr(0, logBefore.size()), logBefore);
    const std::string added = log.substr(logBefore.size());
    EXPECT_EQ(Occurrences(added, "DELETE SPAM on "), 2);
    EXPECT_THAT(added, HasSubstr("   Subject: lunch\r\n   Sender:  bo@friends.test\r\n"));
    EXPECT_THAT(added, HasSubstr("   Subject: today\r\n   Sender:  news@paper.test\r\n"));
    EXPECT_THAT(added, ::testing::Not(HasSubstr("cheap watches")));
    EXPECT_EQ(store.ReadString(settingkeys::Count), "42");

    EXPECT_THAT(ListedSubjects(), ElementsAre("cheap watches"));
    EXPECT_EQ(window.rowMark(0), kBlacklistMark);
    ExpectIdle();
}

TEST_F(TfrmMainDovecotTest, DeleteAnsweredNoChangesNothing) {
    CheckAndMarkThree();
    const std::string logBefore = LogText();
    const std::string countBefore = store.ReadString(settingkeys::Count);
    const QString statusBefore = status();
    boxes.answers = {false};

    QTest::mouseClick(button("btDelete"), Qt::LeftButton);

    EXPECT_THAT(boxes.shown, ElementsAre("confirm: Really delete 2 messages from server?"));
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("lunch", "cheap watches", "today"));
    EXPECT_EQ(LogText(), logBefore);
    EXPECT_EQ(store.ReadString(settingkeys::Count), countBefore);
    EXPECT_THAT(ListedSubjects(), ElementsAre("lunch", "cheap watches", "today"));
    EXPECT_EQ(window.rowMark(0), kCheckMark);
    EXPECT_EQ(window.rowMark(1), kQuestionMark);
    EXPECT_EQ(window.rowMark(2), kBlacklistMark);
    EXPECT_EQ(status(), statusBefore);
    ExpectIdle();
}

}  // namespace
}  // namespace kelvane

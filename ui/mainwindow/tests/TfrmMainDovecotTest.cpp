// The main window running real checks and deletions against a private Dovecot.
#include "DovecotServer.h"
#include "ListTestHelpers.h"
#include "MailboxProbe.h"
#include "TextChecks.h"
#include "TfrmViewHeader.h"
#include "TmsRemotePOP.h"
#include "WindowRunFixture.h"

#include <gmock/gmock.h>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::CountOccurrences;
using testsupport::DovecotServer;
using testsupport::HasInOrder;
using testsupport::SampleMessage;

// The window wired to a real run over mailbox 1 (ann, password "pw") on a private Dovecot holding
// three messages, the second from a known spammer. Mailbox 3 is configured but unchecked, so
// every listing logs out and no picker is asked.
class TfrmMainDovecotTest : public windowtest::WindowRunFixture {
  protected:
    void SetUp() override {
        if (const std::string reason = DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        dovecot.emplace();
        dovecot->AddUser("ann", "pw");
        for (const std::string& message : kMessages) dovecot->AddMessage("ann", message);
        dovecot->Start();
        Configure(1, dovecot->address(), "ann", true);
        known.Assign({"offers@junk.test"});
        WindowRunFixture::SetUp();
    }
    void TearDown() override {
        if (HasFailure() && dovecot) std::cerr << dovecot->LogTail();
    }

    std::string Where() const { return "ann on " + dovecot->address(); }
    // The progress window's title when the run first showed `status`.
    std::string TitleAtStatus(const std::string& status) const {
        const auto at = std::find(front.panelTexts.begin(), front.panelTexts.end(), status);
        if (at == front.panelTexts.end()) return "(no status " + status + ")";
        return front.progressTitles[at - front.panelTexts.begin()];
    }
    std::vector<std::string> SubjectsOnServer() const {
        return testsupport::SubjectsOnServer(dovecot->address(), "ann", "pw");
    }

    // Checks, then marks the rows check, question and blacklist, as a user would by hand.
    void CheckAndMarkThree() {
        QTest::mouseClick(button("btList"), Qt::LeftButton);
        ASSERT_EQ(listedRows(), 3) << ::testing::PrintToString(boxes.shown);
        run.rows()[0].mark = kCheckMark;
        run.rows()[1].mark = kQuestionMark;
        run.rows()[2].mark = kBlacklistMark;
        front.MarksChanged();
        ASSERT_TRUE(button("btDelete")->isVisible());
    }

    const std::vector<std::string> kMessages{SampleMessage("Bo <bo@friends.test>", "lunch"),
                                             SampleMessage("offers@junk.test", "cheap watches"),
                                             SampleMessage("news@paper.test", "today")};
    std::optional<DovecotServer> dovecot;
};

TEST_F(TfrmMainDovecotTest, CheckShowsEachRowAsItIsListedAndEndsWithTheTotals) {
    QTest::mouseClick(button("btList"), Qt::LeftButton);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_THAT(ListedSubjects(), ElementsAre("lunch", "cheap watches", "today"));
    EXPECT_EQ(window.rowMark(0), kNoMark);
    EXPECT_EQ(window.rowMark(1), kBlacklistMark);
    EXPECT_EQ(window.rowMark(2), kNoMark);
    EXPECT_EQ(cellText(0, 1), "bo@friends.test");

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
    // With the launch option off, the mailbox is listed again after the deletion.
    model.general.launch = false;
    store.WriteString(settingkeys::Count, "40");  // the count as stored, whatever the model holds
    CheckAndMarkThree();
    const std::string logBefore = LogText();

    QTest::mouseClick(button("btDelete"), Qt::LeftButton);

    EXPECT_THAT(boxes.shown, ElementsAre("confirm: Really delete 2 messages from server?"));
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("cheap watches"));
    EXPECT_THAT(front.panelTexts,
                HasInOrder(std::vector<std::string>{"Deleting 1 lunch", "Deleting 3 today"}));
    EXPECT_EQ(status(), "There were 2 messages deleted");
    // The progress window says what it waits for: the deletion, then the listing after it.
    EXPECT_EQ(TitleAtStatus("Deleting 1 lunch"), "Deleting messages ... standby");
    EXPECT_EQ(TitleAtStatus("Checking message 1 of 1 total waiting messages"),
              "Retrieving messages ... standby");

    const std::string log = LogText();
    ASSERT_EQ(log.substr(0, logBefore.size()), logBefore);
    const std::string added = log.substr(logBefore.size());
    EXPECT_EQ(CountOccurrences(added, "DELETE SPAM on "), 2);
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

// The body comes from the server in a session of its own and is shown once read; with the
// mailbox changed by another program meanwhile, nothing is shown and nothing is deleted.
TEST_F(TfrmMainDovecotTest, ViewBodyDownloadsTheListedMessageOnly) {
    client.SetMessageDirectory(folder.path().string());
    QTest::mouseClick(button("btList"), Qt::LeftButton);
    ASSERT_EQ(listedRows(), 3);
    const auto viewBodyOf = [this](int row) {
        windowtest::SelectRows(*list(), {row});
        QString text;
        windowtest::ModalWatcher<TfrmViewHeader> watcher([&text](TfrmViewHeader& viewer) {
            text = viewer.text();
            viewer.accept();
        });
        child<QAction>("ViewMessages1")->trigger();
        return text;
    };

    EXPECT_EQ(viewBodyOf(2), "body");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.File("msg_2.eml")));

    // Another client takes the first message away: the third is now number 2.
    TmsRemotePOP other;
    other.Server = dovecot->address();
    other.UserName = "ann";
    other.Password = "pw";
    other.TimeOut = 10;
    other.UpdateInfo();
    other.SelectForDeletion(0);
    other.ProcessMarked();

    EXPECT_EQ(viewBodyOf(2), "");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_THAT(boxes.shown[0], HasSubstr("Message 3 is no longer the message listed"));
    EXPECT_THAT(SubjectsOnServer(), ElementsAre("cheap watches", "today"));
    ExpectIdle();
}

}  // namespace
}  // namespace kelvane

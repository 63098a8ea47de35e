#include "CaseName.h"
#include "Pop3Script.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"
#include "ScriptedServer.h"
#include "SpamClassifier.h"
#include "TfrmRetrieving.h"
#include "WindowRunFixture.h"

#include <gmock/gmock.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using testsupport::Join;
using testsupport::Listing;
using testsupport::Login;
using testsupport::Quit;
using testsupport::Script;

// A window run over a scripted server.
class TfrmMainCheckTest : public windowtest::WindowRunFixture {
  protected:
    void Serve(const Script& script) {
        server = std::make_unique<testsupport::ScriptedServer>(script);
        Configure(1, server->address(), "ann", true);
    }

    void ServeThreeWithSpamRule();

    std::vector<QString> rowTexts(int row) {
        return {cellText(row, 0), cellText(row, 1), cellText(row, 2), cellText(row, 3)};
    }

    void ClickCheckWithoutWaiting() { QTest::mouseClick(button("btList"), Qt::LeftButton); }

    void ClickCheck() {
        QTest::mouseClick(button("btList"), Qt::LeftButton);
        if (server) {
            EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
        }
    }

    std::unique_ptr<testsupport::ScriptedServer> server;
};

// Three messages, the second matching a subject rule.
void TfrmMainCheckTest::ServeThreeWithSpamRule() {
    AppendRule(spam.table(RuleTableKind::Subject), SpamSubjectRule("cheap watches"));
    Serve(Join({Login("+OK 3 600"),
                Listing({{100,
                          {"From: Ann Lee <ann@friends.test>", "Subject: lunch",
                           "Date: Tue, 14 Mar 2000 00:00:00 +0100"}},
                         {200, {"From: offers@junk.test", "Subject: cheap watches"}},
                         {300,
                          {"From: news@paper.test", "Subject: today",
                           "Date: Wed, 1 Mar 2023 14:05:09 +0000"}}}),
                Quit()}));
}

// The commands that act on a listing.
const char* const kMessageButtons[] = {"btMark", "btDelete", "btResetAll", "btRemark", "btLaunch"};

TEST_F(TfrmMainCheckTest, CheckListsEveryMessageWithItsMarkAndShowsTheTotals) {
    ServeThreeWithSpamRule();

    ASSERT_TRUE(button("btList")->isEnabled());
    ClickCheck();

    ASSERT_EQ(listedRows(), 3);
    // Dates in the fixture's United States form, a midnight without its time.
    EXPECT_THAT(rowTexts(0),
                ::testing::ElementsAre("lunch", "ann@friends.test", "100", "3/14/2000"));
    EXPECT_THAT(rowTexts(1),
                ::testing::ElementsAre("cheap watches", "offers@junk.test", "200", ""));
    EXPECT_THAT(rowTexts(2),
                ::testing::ElementsAre("today", "news@paper.test", "300", "3/1/2023 2:05 PM"));
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
    ASSERT_EQ(listedRows(), 3);
    const MarkState ruleMark = run.rows()[1].mark;
    run.rows()[0].mark = kCheckMark;
    run.rows()[1].mark = kNoMark;
    front.MarksChanged();
    ASSERT_EQ(window.rowMark(0), kCheckMark);

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

// Outside text reaches the list made safe, while the run's rows, which the rules compare, keep
// every byte.
TEST_F(TfrmMainCheckTest, ListShowsOutsideTextSafelyAndTheRowsKeepTheirBytes) {
    const std::string subject = "cheap\twatches \x1b]0;owned\x07now\xff";
    Serve(Join({Login("+OK 1 100"),
                Listing({{100,
                          {"From: offers@junk.test", "Subject: " + subject,
                           "Date: some\x1b[5m\xC2\x9Bnight"}}}),
                Quit()}));

    ClickCheck();

    ASSERT_EQ(listedRows(), 1);
    EXPECT_THAT(rowTexts(0),
                ::testing::ElementsAre(QString::fromUtf8("cheap watches  ]0;owned now\xEF\xBF\xBD"),
                                       "offers@junk.test", "100", "some [5m night"));
    EXPECT_EQ(run.rows()[0].subject, subject);
}

TEST_F(TfrmMainCheckTest, EmptyMailboxKeepsTheTaglineAndHidesTheMessageButtons) {
    Serve(Join({Login("+OK 0 0"), Quit()}));

    ClickCheck();

    EXPECT_EQ(listedRows(), 0);
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
        Serve(Join({Login("+OK 0 0"), Quit()}));

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
    EXPECT_EQ(listedRows(), 0);
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
    Serve(Join({Login("+OK 1 100"), {"C: LIST", "silence"}}));
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
    EXPECT_EQ(listedRows(), 0);
    EXPECT_TRUE(window.isVisible());
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_THAT(boxes.shown.front(), ::testing::StartsWith("error: "));
}

INSTANTIATE_TEST_SUITE_P(Paths, CancelCheckTest,
                         ::testing::Values(CancelCase{"ThirdButton", false},
                                           CancelCase{"ProgressWindow", true}),
                         testsupport::ParamName());

// "&Launch e-mail program" starts the program of the general settings, detached, with no
// parameters, and empties the list; without a program, or with one that cannot start, it says
// so and keeps the list.
TEST_F(TfrmMainCheckTest, LaunchStartsTheMailProgramAndEmptiesTheList) {
    const std::string started = folder.File("started");
    const std::string program = folder.File("mail program");
    testsupport::WriteFileBytes(program, "#!/bin/sh\necho \"$#\" > '" + started + "'\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    struct Case {
        std::string mailer;
        std::string box;  // "" when it starts
    };
    const Case cases[] = {{" \r\n", "error: Mail program not specified in the general settings. "},
                          {folder.File("missing"), "error: Unable to launch mail program. "},
                          {program, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mailer);
        ServeThreeWithSpamRule();
        ClickCheck();
        ASSERT_EQ(listedRows(), 3);
        boxes.shown.clear();
        model.general.mailer = c.mailer;

        QTest::mouseClick(button("btLaunch"), Qt::LeftButton);

        if (!c.box.empty()) {
            EXPECT_THAT(boxes.shown, ::testing::ElementsAre(c.box));
            EXPECT_EQ(listedRows(), 3);
            continue;
        }
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(listedRows(), 0);
        EXPECT_TRUE(button("btList")->isEnabled());
        // The program may have made its file but not yet written its line.
        const auto written = [&] {
            std::error_code error;
            return std::filesystem::file_size(started, error) > 0 && !error;
        };
        for (int wait = 0; wait < 200 && !written(); ++wait) {
            QTest::qWait(10);
        }
        EXPECT_EQ(testsupport::FileBytes(started), "0\n");
    }
}

// Closing the window while still logged in ends the session with the server.
TEST_F(TfrmMainCheckTest, ClosingTheWindowLogsOut) {
    Serve(Join({Login("+OK 0 0"), Quit()}));
    Configure(3, "", "", false);  // a single mailbox keeps its connection after the check
    ClickCheckWithoutWaiting();
    ASSERT_TRUE(client.Connected());

    window.close();

    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
    EXPECT_FALSE(client.Connected());
}

}  // namespace
}  // namespace kelvane

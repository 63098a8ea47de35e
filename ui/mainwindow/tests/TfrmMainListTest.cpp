// The list's commands in the main window over a scripted server.
#include "ListActions.h"
#include "ListTestHelpers.h"
#include "MailProgramLaunch.h"
#include "Pop3Script.h"
#include "RuleTable.h"
#include "RuleTableOperations.h"
#include "ScriptedServer.h"
#include "TfrmMarkForDeletion.h"
#include "TfrmViewHeader.h"
#include "WindowRunFixture.h"

#include <gmock/gmock.h>
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::Join;
using testsupport::Listing;
using testsupport::Login;
using testsupport::PlainCapa;
using testsupport::Quit;
using testsupport::Recheck;
using testsupport::Retr;
using windowtest::ModalWatcher;

const std::vector<std::string> kLunch{"From: Ann Lee <ann@friends.test>", "Subject: lunch"};
const std::vector<std::string> kOffer{"From: offers@junk.test", "Subject: cheap watches"};
const std::vector<std::string> kLarge{"From: news@paper.test", "Subject: photos"};

// What a text viewer showed.
struct Viewed {
    int count = 0;
    QString title;
    QString text;
};

// A window that listed lunch (100 bytes), an offer that a subject rule marks (200 bytes) and a
// large message (50001 bytes).
class TfrmMainListTest : public windowtest::WindowRunFixture {
  protected:
    void SetUp() override {
        WindowRunFixture::SetUp();
        client.SetMessageDirectory(folder.path().string());
        AppendRule(spam.subjects(), {"", "Contains", "cheap", "No", "Yes", "0"});
    }

    void ListThree() {
        Serve(Join({Login("+OK 3 50301"), Listing({{100, kLunch}, {200, kOffer}, {50001, kLarge}}),
                    Quit()}));
        QTest::mouseClick(button("btList"), Qt::LeftButton);
        ASSERT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
        ASSERT_EQ(listedRows(), 3);
        boxes.shown.clear();
    }

    void Serve(const testsupport::Script& script) {
        server = std::make_unique<testsupport::ScriptedServer>(script);
        Configure(1, server->address(), "ann", true);
        client.Server = server->address();
    }

    void Select(const std::vector<int>& rows) { windowtest::SelectRows(*list(), rows); }
    std::vector<MarkState> Marks() {
        std::vector<MarkState> marks;
        for (int row = 0; row < listedRows(); ++row) marks.push_back(window.rowMark(row));
        return marks;
    }
    QAction* Action(const char* name) { return child<QAction>(name); }

    // Runs the menu command `name` and notes what its text viewer showed, closing it.
    Viewed Trigger(const char* name) {
        Viewed viewed;
        ModalWatcher<TfrmViewHeader> watcher([&viewed](TfrmViewHeader& viewer) {
            viewed.title = viewer.titleText();
            viewed.text = viewer.text();
            viewer.accept();
        });
        Action(name)->trigger();
        viewed.count = watcher.seen();
        return viewed;
    }

    void Release(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyRelease(list(), static_cast<Qt::Key>(key), modifiers);
    }

    std::unique_ptr<testsupport::ScriptedServer> server;
};

TEST_F(TfrmMainListTest, ThePopupMenuHoldsTheCommandsInOrder) {
    const QList<QAction*> actions = child<QMenu>("PopupMenu1")->actions();
    std::vector<std::string> shown;
    for (const QAction* action : actions) {
        shown.push_back(action->objectName().toStdString() + " " +
                        (action->isSeparator() ? "-" : action->text().toStdString()));
    }
    EXPECT_THAT(shown, ElementsAre("Why1 Why was this e-mail marked?", "N1 -",
                                   "AddtoExceptions1 Add selected sender(s) to exceptions list",
                                   "AddtoSPAMlist1 Add selected message(s) to spam list", "N2 -",
                                   "ViewHeader1 View selected message(s) headers",
                                   "ViewMessages1 View body of one message"));
}

TEST_F(TfrmMainListTest, MarkFlipsEachSelectedRowByButtonDoubleClickAndKey) {
    ListThree();
    ASSERT_THAT(Marks(), ElementsAre(kNoMark, kCheckMark, kNoMark));

    Select({0, 1});
    QTest::mouseClick(button("btMark"), Qt::LeftButton);
    EXPECT_THAT(Marks(), ElementsAre(kCheckMark, kNoMark, kNoMark));
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 1");

    Select({2});
    Release(Qt::Key_M);
    EXPECT_THAT(Marks(), ElementsAre(kCheckMark, kNoMark, kCheckMark));

    const QRect cell = list()->visualRect(list()->model()->index(2, 0));
    // A double click follows a first press, on the row it marks.
    QTest::mousePress(list()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_THAT(Marks(), ElementsAre(kCheckMark, kNoMark, kNoMark));
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 1");

    QTest::mouseClick(button("btResetAll"), Qt::LeftButton);
    EXPECT_THAT(Marks(), ElementsAre(kNoMark, kNoMark, kNoMark));
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 0");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TfrmMainListTest, CommandsWithoutASelectionSayWhyNothingHappened) {
    const std::string empty = std::string("information: ") + kNothingListed;
    const std::string unselected = std::string("information: ") + kNothingSelected;
    const char* const commands[] = {"Why1", "AddtoExceptions1", "AddtoSPAMlist1", "ViewHeader1",
                                    "ViewMessages1"};
    for (const char* name : commands) Action(name)->trigger();
    Release(Qt::Key_M);
    EXPECT_EQ(boxes.shown, std::vector<std::string>(6, empty));

    ListThree();
    list()->clearSelection();
    for (const char* name : commands) Action(name)->trigger();
    QTest::mouseClick(button("btMark"), Qt::LeftButton);
    EXPECT_EQ(boxes.shown, std::vector<std::string>(6, unselected));
    EXPECT_THAT(Marks(), ElementsAre(kNoMark, kCheckMark, kNoMark));
}

TEST_F(TfrmMainListTest, WhyShowsTheReasonsOfTheFirstSelectedRow) {
    ListThree();
    Select({1, 2});

    const Viewed viewed = Trigger("Why1");

    ASSERT_EQ(viewed.count, 1);
    EXPECT_EQ(viewed.title, "Reasons that e-mail is marked or not marked");
    EXPECT_EQ(viewed.text,
              "Message from offers@junk.test\nSubject of   cheap watches\n\n"
              "Delete   : Subject Contains \"cheap\" ");
    EXPECT_THAT(boxes.shown, ElementsAre(std::string("information: ") + kOnlyFirstViewed));
    EXPECT_EQ(window.rowMark(1), kCheckMark);
}

TEST_F(TfrmMainListTest, HeadersOfTwoSelectedRowsFollowEachOther) {
    ListThree();
    Select({0, 2});

    const Viewed viewed = Trigger("ViewHeader1");

    const QString stars(38, QLatin1Char('*'));
    EXPECT_EQ(viewed.title, "Contents of selected e-mail headers");
    EXPECT_EQ(viewed.text, QStringList({stars, "Subject : lunch Sender : ann@friends.test", stars,
                                        "From: Ann Lee <ann@friends.test>", "Subject: lunch", stars,
                                        "Subject : photos Sender : news@paper.test", stars,
                                        "From: news@paper.test", "Subject: photos"})
                               .join('\n'));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TfrmMainListTest, BodyIsDownloadedDecodedShownAndItsFileRemoved) {
    ListThree();
    Select({0});
    Serve(Join(
        {Login("+OK 3 50301"), Recheck(1, 100, kLunch),
         Retr(1,
              {kLunch[0], kLunch[1], "MIME-Version: 1.0", "Content-Type: text/plain; charset=utf-8",
               "Content-Transfer-Encoding: quoted-printable", "", "Caf=C3=A9 at <b>noon</b>?"}),
         Quit()}));

    const Viewed viewed = Trigger("ViewMessages1");

    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
    ASSERT_EQ(viewed.count, 1) << ::testing::PrintToString(boxes.shown);
    EXPECT_EQ(viewed.title, "Contents of e-mail");
    // Shown as the text it is: no markup is read.
    EXPECT_EQ(viewed.text, QString::fromUtf8("Caf\u00e9 at <b>noon</b>?"));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(folder.File("msg_0.eml")));
    ExpectIdle();
}

TEST_F(TfrmMainListTest, LargeBodyAsksFirstAndNoDownloadsNothing) {
    ListThree();
    Select({2});
    boxes.answers = {false};

    const Viewed viewed = Trigger("ViewMessages1");

    EXPECT_EQ(viewed.count, 0);
    EXPECT_THAT(boxes.shown, ElementsAre("confirm: " + LargeBodyQuestion("50001")));
    ExpectIdle();
}

TEST_F(TfrmMainListTest, BodyOfAMessageThatChangedOnTheServerIsNotShown) {
    ListThree();
    Select({1});
    Serve(Join({Login("+OK 2 50201"), Recheck(2, 50001, kLarge), Quit()}));

    const Viewed viewed = Trigger("ViewMessages1");

    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
    EXPECT_EQ(viewed.count, 0);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_THAT(boxes.shown[0], HasSubstr("error: Message 2 is no longer the message listed"));
    EXPECT_THAT(LogText(), HasSubstr("Message 2 is no longer the message listed"));
    EXPECT_EQ(listedRows(), 3);
    ExpectIdle();
}

TEST_F(TfrmMainListTest, BodyThatCannotBeDecodedShowsTheDecodersLines) {
    ListThree();
    Select({0});
    Serve(Join({Login("+OK 3 50301"), Recheck(1, 100, kLunch),
                Retr(1, {kLunch[0], kLunch[1], "MIME-Version: 1.0",
                         "Content-Transfer-Encoding: base64", "", "QUJD", "QUJD QUJD"}),
                Quit()}));

    const Viewed viewed = Trigger("ViewMessages1");

    ASSERT_EQ(viewed.count, 1) << ::testing::PrintToString(boxes.shown);
    EXPECT_EQ(viewed.title, "Contents of e-mail");
    EXPECT_THAT(viewed.text.toStdString(),
                HasSubstr("The following error has been occured while processing the message:\n"
                          "Invalid Character\n"));
    EXPECT_TRUE(boxes.shown.empty());
    ExpectIdle();
}

TEST_F(TfrmMainListTest, SendersAddedToExceptionsAreSavedAndMarkTheirRows) {
    ListThree();
    Select({1});

    Action("AddtoExceptions1")->trigger();

    EXPECT_EQ(window.rowMark(1), kDefaultExceptionPicture);
    EXPECT_EQ(spam.exceptions().cell(2, 1), "offers@junk.test");
    EXPECT_THAT(testsupport::FileBytes(spam.filePath(RuleTableKind::Exceptions)),
                HasSubstr("offers@junk.test"));
    EXPECT_EQ(status(), "Message Total: 3 Number Marked: 0");
}

TEST_F(TfrmMainListTest, SpamDialogListsTheSelectionAndMakesTheChosenRules) {
    ListThree();
    Select({0, 2});
    std::vector<std::string> listed;
    ModalWatcher<TfrmMarkForDeletion> watcher([&listed](TfrmMarkForDeletion& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Mark e-mail for deletion");
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("cbSubject")->isChecked());
        for (const SpamCandidate& candidate : dialog.candidates()) {
            listed.push_back(candidate.subject + " / " + candidate.sender);
        }
        dialog.findChild<QCheckBox*>("cbSubject")->setChecked(false);
        dialog.findChild<QPushButton*>("btOK")->click();
    });

    Action("AddtoSPAMlist1")->trigger();

    EXPECT_EQ(watcher.seen(), 1);
    EXPECT_THAT(listed, ElementsAre("lunch / ann@friends.test", "photos / news@paper.test"));
    EXPECT_EQ(spam.subjects().rowCount(), 2);  // only the rule of the fixture
    EXPECT_EQ(spam.senders().cell(3, 1), "news@paper.test");
    EXPECT_EQ(spam.senders().cell(3, 2), "ann@friends.test");
    EXPECT_THAT(Marks(), ElementsAre(kCheckMark, kCheckMark, kCheckMark));
}

TEST_F(TfrmMainListTest, CancelledSpamDialogAddsNothingButMarksAfresh) {
    ListThree();
    run.rows()[0].mark = kCheckMark;  // by hand
    front.MarksChanged();
    Select({0});
    ModalWatcher<TfrmMarkForDeletion> watcher(
        [](TfrmMarkForDeletion& dialog) { dialog.findChild<QPushButton*>("btCancel")->click(); });

    Action("AddtoSPAMlist1")->trigger();

    EXPECT_EQ(watcher.seen(), 1);
    EXPECT_TRUE(spam.senders().isEmpty());
    EXPECT_THAT(Marks(), ElementsAre(kNoMark, kCheckMark, kNoMark));
}

TEST_F(TfrmMainListTest, LetterShortcutsRunTheirCommandsWithoutModifiers) {
    ListThree();
    Select({0});
    Release(Qt::Key_M, Qt::ShiftModifier);
    Release(Qt::Key_M, Qt::ControlModifier);
    EXPECT_THAT(Marks(), ElementsAre(kNoMark, kCheckMark, kNoMark));

    Release(Qt::Key_M);
    EXPECT_THAT(Marks(), ElementsAre(kCheckMark, kCheckMark, kNoMark));
    Release(Qt::Key_R);
    EXPECT_THAT(Marks(), ElementsAre(kNoMark, kNoMark, kNoMark));
    Release(Qt::Key_A);
    EXPECT_THAT(Marks(), ElementsAre(kNoMark, kCheckMark, kNoMark));

    model.general.mailer.clear();
    Release(Qt::Key_L);
    EXPECT_THAT(boxes.shown, ElementsAre(std::string("error: ") + kMailProgramNotSpecified));

    boxes.answers = {false};
    Release(Qt::Key_D);
    EXPECT_THAT(boxes.shown.back(), HasSubstr("confirm: Really delete 1 messages"));

    Serve(Join({Login("+OK 0 0"), Quit()}));
    Release(Qt::Key_C);
    EXPECT_TRUE(server->WaitUntilClosed(2000)) << server->failure();
    EXPECT_EQ(listedRows(), 0);

    // X is the third button: with nothing running, the window closes.
    ASSERT_TRUE(window.isVisible());
    QTest::keyClick(list(), Qt::Key_X);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TfrmMainListTest, KeyReleaseInTheListAsksTheAlarmToStop) {
    QSignalSpy stops(&window, &TfrmMain::alarmStopRequested);
    Release(Qt::Key_Down);
    EXPECT_EQ(stops.count(), 1);
}

}  // namespace
}  // namespace kelvane

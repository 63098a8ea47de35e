// Every entry point of the program, driven from outside while a run waits on a silent server,
// while a settings window is open, and while the program is idle: what may not start is refused,
// and the rows, their marks and the rule files stay as they were.
#include <gmock/gmock.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "AccountSetup.h"
#include "CheckRun.h"
#include "DeletedJunkModel.h"
#include "DiscoveryTree.h"
#include "GatedConnect.h"
#include "GeneralSettings.h"
#include "GeneralWindowFixture.h"
#include "Pop3Script.h"
#include "ProgramPaths.h"
#include "ProgramWindows.h"
#include "Quarantine.h"
#include "RecordingMessageBoxes.h"
#include "ScriptedServer.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TempFolder.h"
#include "TextChecks.h"
#include "TfrmDeletedJunk.h"
#include "TfrmGeneral.h"
#include "TfrmOptionsMain.h"
#include "TfrmRetrieving.h"
#include "TrayIcon.h"
#include "WindowEventPump.h"

namespace kelvane {
namespace {

using testsupport::FileBytes;
using testsupport::Join;
using testsupport::ListingStart;
using testsupport::Login;
using testsupport::Top;

// Two messages; the second one's headers never come.
testsupport::Script ListingThatWaits() {
    return Join({Login("+OK 2 300"),
                 ListingStart({100, 200}),
                 Top(1, {"From: ann@example.org", "Subject: kept"}),
                 {"silence"}});
}

class CommandGateScenarioTest : public ::testing::Test {
  protected:
    CommandGateScenarioTest() {
        std::filesystem::create_directories(folder());
        // No sender-domain lookups: the program's own resolver would ask the machine's DNS.
        testsupport::WriteFileBytes(paths::JoinPath(folder(), "kelvane.ini"), "[Known]\nValid=0\n");
        InstallWindowEventPump();
    }
    ~CommandGateScenarioTest() override {
        closeModals_.stop();
        program_.reset();
        RemoveWindowEventPump();
    }

    std::string folder() const { return temp_.File("program"); }

    // The program over mailbox 1 on `server` (mailbox 3 set up but unchecked, so that no
    // picker is asked), with the mail program a harmless one.
    ProgramWindows& start(const std::string& server, const std::string& settings = {}) {
        const std::string file = temp_.File("10.conf");
        testsupport::WriteFileBytes(file, "[General]\nMailer=/bin/true\n" + settings);
        SettingsStore store(file);
        GeneralSettingsModel model;
        testsupport::ConfigureMailbox(store, model, 1, server, "ann", true);
        testsupport::ConfigureMailbox(store, model, 3, "unused.invalid", "bob", false);
        store.WriteString(settingkeys::Version161, "161");
        GeneralWindowServices services;
        services.discovery = home_.env;
        services.dialUpEntries = [] { return std::vector<std::string>(); };
        ProgramOptions options;
        options.minuteMilliseconds = 60000;
        options.splashMilliseconds = 0;
        options.trayAvailable = [] { return true; };
        options.sound = std::make_shared<testsupport::RecordingSoundPlayer>();
        options.beep = [] {};
        program_ = std::make_unique<ProgramWindows>(folder(), file, services, &boxes_, options);
        program_->Start();
        program_->session().client.TimeOut = 10;
        // A window the gate failed to refuse would wait for the user: it is closed, and the
        // test fails on what it did.
        QObject::connect(&closeModals_, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        });
        closeModals_.start(3000);
        return *program_;
    }

    TfrmMain& window() { return program_->window(); }
    CheckRun& run() { return program_->session().run; }
    QTreeView* list() { return window().findChild<QTreeView*>(QStringLiteral("ListView1")); }
    int rows() { return list()->model()->rowCount(); }
    QString status() { return window().findChild<QLabel*>(QStringLiteral("pnlStatus"))->text(); }
    QAction* trayAction(const char* name) { return program_->tray().action(name); }
    QAction* action(const char* name) { return window().findChild<QAction*>(QLatin1String(name)); }
    QAbstractButton* button(QWidget* in, const char* name) {
        return in->findChild<QAbstractButton*>(QLatin1String(name));
    }
    void letter(Qt::Key key) { QTest::keyClick(list(), key); }

    // The rule files and options as they are on disk now.
    std::map<std::string, std::string> ruleFiles() {
        std::map<std::string, std::string> files;
        for (const char* name :
             {"subj.lst", "header.lst", "from.lst", "except.lst", "kelvane.ini", "known.lst"}) {
            files[name] = FileBytes(paths::JoinPath(folder(), name));
        }
        return files;
    }

    struct EntryPoint {
        const char* name;
        std::function<void()> trigger;
    };
    // Every way in that would start a check or a deletion, change the rows or open a settings
    // window, as the user reaches it.
    std::vector<EntryPoint> entryPoints() {
        return {
            {"btList", [this] { button(&window(), "btList")->click(); }},
            {"letter C", [this] { letter(Qt::Key_C); }},
            {"letter D", [this] { letter(Qt::Key_D); }},
            {"letter L", [this] { letter(Qt::Key_L); }},
            {"letter M", [this] { letter(Qt::Key_M); }},
            {"letter R", [this] { letter(Qt::Key_R); }},
            {"letter A", [this] { letter(Qt::Key_A); }},
            {"double click", [this] { emit list()->doubleClicked(list()->model()->index(0, 0)); }},
            {"Why1", [this] { action("Why1")->trigger(); }},
            {"AddtoExceptions1", [this] { action("AddtoExceptions1")->trigger(); }},
            {"SpamSettings1", [this] { action("SpamSettings1")->trigger(); }},
            {"DeletedJunk1", [this] { action("DeletedJunk1")->trigger(); }},
            {"GeneralSettings1", [this] { action("GeneralSettings1")->trigger(); }},
            {"tray Show1", [this] { trayAction("Show1")->trigger(); }},
            {"tray LaunchEmailprogram1", [this] { trayAction("LaunchEmailprogram1")->trigger(); }},
            {"tray Spam1", [this] { trayAction("Spam1")->trigger(); }},
            {"tray General1", [this] { trayAction("General1")->trigger(); }},
            {"tray DeletedJunk1", [this] { trayAction("DeletedJunk1")->trigger(); }},
            {"tray About1", [this] { trayAction("About1")->trigger(); }},
            {"General's btLaunchMail",
             [this] { button(&program_->generalSettings(), "btLaunchMail")->click(); }},
        };
    }

    testsupport::TempFolder temp_;
    testsupport::DiscoveryTree home_;
    testsupport::RecordingMessageBoxes boxes_;
    std::unique_ptr<ProgramWindows> program_;
    QTimer closeModals_;
};

// The listing waits for the second message's headers; nothing the user does meanwhile starts
// anything, launches the mail program (which would empty the rows under the run) or opens a
// window whose edits the run would save.
TEST_F(CommandGateScenarioTest, WhileARunWaitsEveryEntryPointIsRefused) {
    testsupport::ScriptedServer server(ListingThatWaits());
    start(server.address());
    const auto before = ruleFiles();
    bool tried = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (rows() != 1 || tried) return;
        tried = true;
        const MarkState mark = window().rowMark(0);
        for (const EntryPoint& entry : entryPoints()) {
            SCOPED_TRACE(entry.name);
            entry.trigger();
            QCoreApplication::processEvents();
            EXPECT_TRUE(run().running());
            EXPECT_EQ(rows(), 1);
            EXPECT_EQ(window().rowMark(0), mark);
            EXPECT_FALSE(program_->spamSettings().isVisible());
            EXPECT_FALSE(program_->generalSettings().isVisible());
            EXPECT_FALSE(program_->deletedJunk().isVisible());
        }
        EXPECT_EQ(status().toStdString(), RefusalText(Blocker::RunWaiting));
        button(&window(), "btExit")->click();
    });
    poll.start(10);
    button(&window(), "btList")->click();
    EXPECT_TRUE(tried);
    EXPECT_FALSE(run().running());
    EXPECT_THAT(boxes_.shown, ::testing::ElementsAre("error: Operation has been canceled"));
    EXPECT_EQ(ruleFiles(), before);
}

// With the spam settings, the General settings or the Deleted junk window open, no entry point
// checks or deletes, the other windows stay shut, and the countdown stays paused.
TEST_F(CommandGateScenarioTest, WhileASettingsWindowIsOpenNoRunStarts) {
    const struct {
        const char* name;
        const char* opener;  // the tray item that opens it
        Blocker blocker;
    } windows[] = {
        {"spam settings", "Spam1", Blocker::SpamSettingsOpen},
        {"General settings", "General1", Blocker::GeneralSettingsOpen},
        {"Deleted junk", "DeletedJunk1", Blocker::DeletedJunkOpen},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.name);
        testsupport::ScriptedServer server(Join({Login("+OK 0 0"), {"silence"}}));
        start(server.address(), "Automatic=1\nMinutes=5\n");
        const auto before = ruleFiles();
        const std::map<Blocker, QDialog*> dialogs = {
            {Blocker::SpamSettingsOpen, &program_->spamSettings()},
            {Blocker::GeneralSettingsOpen, &program_->generalSettings()},
            {Blocker::DeletedJunkOpen, &program_->deletedJunk()},
        };
        QDialog* open = dialogs.at(w.blocker);
        std::vector<std::string> started;
        QTimer::singleShot(50, [&] {
            for (const char* name : {"tray Show1", "btList", "letter C", "letter D", "tray Spam1",
                                     "tray DeletedJunk1", "tray General1"}) {
                for (const EntryPoint& entry : entryPoints()) {
                    if (std::string(entry.name) != name) continue;
                    entry.trigger();
                    QCoreApplication::processEvents();
                    if (run().checkInProgress() || !server.received().empty())
                        started.push_back(name);
                }
            }
            EXPECT_TRUE(open->isVisible());
            EXPECT_FALSE(program_->minuteTriggerRunning()) << "the tray's check restarted it";
            EXPECT_EQ(status().toStdString(), RefusalText(w.blocker));
            open->close();
        });
        trayAction(w.opener)->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !open->isVisible(); }, 5000));
        EXPECT_THAT(started, ::testing::ElementsAre());
        EXPECT_TRUE(server.received().empty());
        EXPECT_EQ(ruleFiles(), before);
        for (const auto& [blocker, other] : dialogs) {
            if (blocker != w.blocker) {
                EXPECT_FALSE(other->isVisible()) << other->objectName().toStdString();
            }
        }
        program_.reset();
    }
}

// Idle, the same entry points do start: the tray's check lists the mailbox and "L" launches the
// mail program, which empties the list.
TEST_F(CommandGateScenarioTest, IdleTheEntryPointsStartTheirCommands) {
    testsupport::ScriptedServer server(
        Join({Login("+OK 1 100"), ListingStart({100}),
              Top(1, {"From: ann@example.org", "Subject: hi"}), testsupport::Quit()}));
    start(server.address());
    trayAction("Show1")->trigger();
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(server.failure(), "");
    letter(Qt::Key_L);
    EXPECT_EQ(rows(), 0) << status().toStdString();
    EXPECT_THAT(boxes_.shown, ::testing::ElementsAre());
}

// The program keeps its deleted messages in its own folder: the runs keep them there, start-up
// lets go of those older than the limit, and both menus open the list of the others.
TEST_F(CommandGateScenarioTest, IdleTheDeletedJunkWindowOpensFromBothMenus) {
    Quarantine kept(QuarantineFolder(folder()));
    const long long now = std::time(nullptr);
    for (const auto& [subject, age] : {std::pair{"old", 40}, std::pair{"recent", 2}}) {
        KeptMessage message;
        message.deletedAt = now - age * 24 * 60 * 60;
        message.subject = subject;
        kept.Keep(message, "From: x@y.example\r\n\r\nbody\r\n", QuarantineLimits());
    }
    testsupport::ScriptedServer server(Join({Login("+OK 0 0")}));
    start(server.address());
    EXPECT_EQ(run().quarantine(), &program_->quarantine());
    EXPECT_EQ(program_->quarantine().folder(), kept.folder());
    TfrmDeletedJunk& junk = program_->deletedJunk();
    for (QAction* opener : {action("DeletedJunk1"), trayAction("DeletedJunk1")}) {
        SCOPED_TRACE(opener->objectName().toStdString());
        std::vector<std::string> listed;
        QTimer::singleShot(50, [&] {
            for (const KeptMessage& message : junk.model().messages())
                listed.push_back(message.subject);
            junk.close();
        });
        opener->trigger();
        EXPECT_THAT(listed, ::testing::ElementsAre("recent"));
        EXPECT_FALSE(junk.isVisible());
    }
    EXPECT_THAT(boxes_.shown, ::testing::ElementsAre());
}

// Minimising to the tray while a run waits leaves the run going; its progress window comes
// back with the main window, and the listing ends as usual.
TEST_F(CommandGateScenarioTest, HidingToTheTrayLeavesARunGoing) {
    testsupport::ScriptedServer server(Join({Login("+OK 2 300"),
                                             ListingStart({100, 200}),
                                             Top(1, {"From: ann@example.org", "Subject: one"}),
                                             {"sleep 1500"},
                                             Top(2, {"From: bob@example.org", "Subject: two"}),
                                             testsupport::Quit()}));
    start(server.address(), "SysTray=1\n");
    window().showApplication();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().isVisible(); }, 2000));
    TfrmRetrieving& progress = window().progressWindow();
    std::vector<bool> seen;  // running, progress shown, window shown: hidden, then back
    bool hidden = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (rows() != 1) return;
        if (!hidden) {
            hidden = true;
            window().showMinimized();
            QCoreApplication::processEvents();
            seen = {run().running(), progress.isVisible(), window().isVisible()};
            window().showApplication();
            return;
        }
        if (window().isVisible() && seen.size() == 3) {
            seen.insert(seen.end(), {run().running(), progress.isVisible()});
            poll.stop();
        }
    });
    poll.start(10);
    button(&window(), "btList")->click();
    EXPECT_THAT(seen, ::testing::ElementsAre(true, false, false, true, true));
    EXPECT_EQ(rows(), 2);
    EXPECT_THAT(boxes_.shown, ::testing::ElementsAre());
}

// A new button or menu item cannot bypass the gate: every command control of the main window,
// its menus, the tray menu and the Deleted junk window is connected through it.
TEST_F(CommandGateScenarioTest, EveryCommandControlGoesThroughTheGate) {
    testsupport::ScriptedServer server(Join({Login("+OK 0 0")}));
    start(server.address());
    std::vector<std::string> bypassing;
    // The command row: every button beside "&Check e-mail".
    QWidget* row = button(&window(), "btList")->parentWidget();
    for (QAbstractButton* control :
         row->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control->objectName() == "btOptions") continue;  // opens its menu only
        if (GatedCommandOf(control).isEmpty())
            bypassing.push_back(control->objectName().toStdString());
    }
    // The Deleted junk window's commands: every button of its row but the one that closes it.
    QWidget* junkRow = button(&program_->deletedJunk(), "btRestore")->parentWidget();
    for (QAbstractButton* control :
         junkRow->findChildren<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control->objectName() == "btClose") continue;
        if (GatedCommandOf(control).isEmpty())
            bypassing.push_back(control->objectName().toStdString());
    }
    const std::vector<QMenu*> menus = {window().findChild<QMenu*>(QStringLiteral("mnuOptions")),
                                       window().findChild<QMenu*>(QStringLiteral("PopupMenu1")),
                                       &program_->tray().menu()};
    for (QMenu* menu : menus) {
        const QList<QAction*> top = menu->actions();
        std::vector<QAction*> items(top.begin(), top.end());
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (QMenu* sub = items[i]->menu()) {
                for (QAction* inner : sub->actions()) items.push_back(inner);
                continue;
            }
            if (items[i]->isSeparator()) continue;
            if (GatedCommandOf(items[i]).isEmpty())
                bypassing.push_back(items[i]->objectName().toStdString());
        }
    }
    EXPECT_THAT(bypassing, ::testing::ElementsAre());
}

}  // namespace
}  // namespace kelvane

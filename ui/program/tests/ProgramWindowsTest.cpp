#include "ProgramWindows.h"

#include <gmock/gmock.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <string>

#include "DiscoveryTree.h"
#include "GeneralSettings.h"
#include "GeneralWindowFixture.h"
#include "ListTestHelpers.h"
#include "LogFileNames.h"
#include "RecordingMessageBoxes.h"
#include "SettingsKeys.h"
#include "TempFolder.h"
#include "TfrmChartMain.h"
#include "TfrmGeneral.h"
#include "TfrmOptionsMain.h"
#include "TfrmSplash.h"
#include "TrayIcon.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;

// The program over a folder and settings file of the test's own; nothing is read from the
// machine's other mail programs.
class ProgramWindowsTest : public ::testing::Test {
  protected:
    ProgramWindowsTest() { std::filesystem::create_directories(folder()); }

    std::string folder() const { return temp_.File("program"); }
    std::string settingsFile() const { return temp_.File("10.conf"); }

    ProgramWindows& start(bool expectWindow = true) {
        GeneralWindowServices services;
        services.discovery = home_.env;
        services.dialUpEntries = [] { return std::vector<std::string>(); };
        ProgramOptions options;
        options.minuteMilliseconds = 20;
        options.splashMilliseconds = splashMilliseconds_;
        options.trayAvailable = [this] { return trayAvailable_; };
        options.sound = sound_;
        services.sound = generalSound_;
        options.beep = [this] { ++beeps_; };
        program_ =
            std::make_unique<ProgramWindows>(folder(), settingsFile(), services, &boxes_, options);
        program_->Start();
        if (expectWindow) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&program_->window()));
        }
        return *program_;
    }

    QString title() { return program_->window().windowTitle(); }

    TfrmGeneral& general() { return program_->generalSettings(); }
    int generalPage() {
        return general().findChild<QTabWidget*>(QStringLiteral("PageControl1"))->currentIndex();
    }

    bool trayAvailable_ = true;
    int splashMilliseconds_ = 0;
    std::shared_ptr<testsupport::RecordingSoundPlayer> sound_ =
        std::make_shared<testsupport::RecordingSoundPlayer>();
    int beeps_ = 0;
    std::shared_ptr<testsupport::RecordingSoundPlayer> generalSound_;
    testsupport::TempFolder temp_;
    testsupport::DiscoveryTree home_;
    testsupport::RecordingMessageBoxes boxes_;
    std::unique_ptr<ProgramWindows> program_;
};

TEST_F(ProgramWindowsTest, AFirstStartOpensTheGeneralSettingsOnTheMailboxes) {
    start();
    EXPECT_TRUE(general().isVisible());
    EXPECT_TRUE(general().isModal());
    EXPECT_EQ(generalPage(), static_cast<int>(TfrmGeneral::Page::Mailboxes));
    general().reject();
}

TEST_F(ProgramWindowsTest, ALaterStartLeavesThemClosedUntilAsked) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nMinutes=15\n");
    start();
    EXPECT_FALSE(general().isVisible());

    auto* entry = program_->window().findChild<QAction*>(QStringLiteral("GeneralSettings1"));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->isVisible());
    EXPECT_EQ(entry->text(), QStringLiteral("&General settings"));
    entry->trigger();
    EXPECT_TRUE(general().isVisible());
    general().reject();
}

// A check with no mailbox to check says so and leads the user to the mailboxes.
TEST_F(ProgramWindowsTest, ACheckWithoutMailboxesOpensTheGeneralSettings) {
    testsupport::WriteFileBytes(settingsFile(), "[Server]\nCheck1=0\n");
    start();
    program_->window().findChild<QPushButton*>(QStringLiteral("btList"))->click();
    EXPECT_THAT(boxes_.shown, ElementsAre("error: At least ONE mailbox needs to be checked."));
    EXPECT_TRUE(general().isVisible());
    general().reject();
}

// With unattended checking on, the countdown runs in the title and the tray's tooltip, the icon
// animates, and at zero the (empty) mailboxes are visited.
TEST_F(ProgramWindowsTest, UnattendedCheckingCountsDownAndVisits) {
    testsupport::WriteFileBytes(settingsFile(),
                                "[General]\nAutomatic=1\nMinutes=2\n[Server]\nCheck1=0\n");
    start();
    EXPECT_EQ(title(), "Kelvane - next e-mail check in 2 minutes");
    EXPECT_TRUE(program_->minuteTriggerRunning());
    EXPECT_TRUE(program_->tray().animated());
    EXPECT_EQ(program_->window().findChild<QLabel*>(QStringLiteral("lblTitle"))->text(), title());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return title() == "Kelvane - No waiting messages found"; }, 2000));
    EXPECT_EQ(program_->tray().hint(), title());
}

TEST_F(ProgramWindowsTest, TheTrayMenuSwitchesUnattendedCheckingAndSilencesTheAlarm) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nMinutes=7\n");
    start();
    EXPECT_EQ(title(), "Kelvane");
    EXPECT_FALSE(program_->minuteTriggerRunning());
    TrayIcon& tray = program_->tray();
    tray.action("EnableAutomatic1")->trigger();
    EXPECT_TRUE(ReadGeneralSettings(program_->session().store).automatic);
    EXPECT_EQ(title(), "Kelvane - next e-mail check in 7 minutes");
    EXPECT_TRUE(tray.animated());
    EXPECT_TRUE(program_->minuteTriggerRunning());

    sound_->calls.clear();
    emit tray.menu().aboutToShow();
    EXPECT_EQ(sound_->calls, std::vector<std::string>{"stop"});

    // While a run talks to a server the menu cannot be opened.
    emit program_->window().busyChanged(true);
    EXPECT_FALSE(tray.autoPopup());
    emit program_->window().busyChanged(false);
    EXPECT_TRUE(tray.autoPopup());

    tray.action("DisableAutomatic1")->trigger();
    EXPECT_FALSE(ReadGeneralSettings(program_->session().store).automatic);
    EXPECT_FALSE(tray.animated());
    EXPECT_EQ(title(), "Kelvane");
}

// A settings file that cannot be written: the tray's command reports it instead of letting the
// error end the program through the event loop.
TEST_F(ProgramWindowsTest, AnErrorInATrayCommandIsShownNotThrown) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nMinutes=7\n");
    start();
    // Its lock cannot be taken.
    const std::string lock = settingsFile() + ".lock";
    std::filesystem::remove(lock);
    std::filesystem::create_directory(lock);
    EXPECT_NO_THROW(program_->tray().action("EnableAutomatic1")->trigger());
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_THAT(boxes_.shown.front(), ::testing::StartsWith("error: "));
    std::filesystem::remove(lock);
}

// The sound test is the alarm: what silences the alarm silences it, even when the General
// settings window was given a player of its own.
TEST_F(ProgramWindowsTest, TheSoundTestPlaysThroughTheAlarm) {
    const std::string file = temp_.File("alarm.wav");
    testsupport::WriteFileBytes(file, "RIFF");
    generalSound_ = std::make_shared<testsupport::RecordingSoundPlayer>();
    start();
    program_->window().findChild<QAction*>(QStringLiteral("GeneralSettings1"))->trigger();
    general()
        .findChild<QLineEdit*>(QStringLiteral("edAlarmFile"))
        ->setText(QString::fromStdString(file));
    general().findChild<QCheckBox*>(QStringLiteral("cbRepeat"))->setChecked(true);
    sound_->calls.clear();
    general().findChild<QPushButton*>(QStringLiteral("btTest"))->click();
    emit program_->tray().menu().aboutToShow();
    EXPECT_EQ(sound_->calls, (std::vector<std::string>{"play " + file + " looping", "stop"}));
    EXPECT_TRUE(generalSound_->calls.empty());
    general().reject();
}

// Every check and deletion begins with the alarm silenced, whichever way it was started; the
// mail program's launch silences it and pauses the countdown while it starts.
TEST_F(ProgramWindowsTest, ChecksLettersAndTheLaunchStopTheAlarm) {
    testsupport::WriteFileBytes(settingsFile(),
                                "[General]\nAutomatic=1\nMinutes=5\nMailer=\n[Server]\nCheck1=0\n");
    start();
    QTreeView* list = program_->window().findChild<QTreeView*>(QStringLiteral("ListView1"));
    const struct {
        const char* name;
        std::function<void()> start;
    } cases[] = {
        {"letter C", [&] { QTest::keyClick(list, Qt::Key_C); }},
        {"letter D", [&] { QTest::keyClick(list, Qt::Key_D); }},
        {"letter L", [&] { QTest::keyClick(list, Qt::Key_L); }},
        {"tray launch", [&] { program_->tray().action("LaunchEmailprogram1")->trigger(); }},
    };
    std::vector<bool> countdownWhileShown;
    boxes_.onShown = [&](const std::string&) {
        countdownWhileShown.push_back(program_->minuteTriggerRunning());
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sound_->calls.clear();
        c.start();
        EXPECT_THAT(sound_->calls, ::testing::Contains("stop"));
        // The check without a mailbox leads to the mailboxes.
        if (general().isVisible()) general().reject();
    }
    EXPECT_THAT(boxes_.shown,
                ::testing::Contains("error: Mail program not specified in the general settings. "));
    EXPECT_THAT(countdownWhileShown, ::testing::Contains(false));
    EXPECT_TRUE(program_->minuteTriggerRunning());
}

TEST_F(ProgramWindowsTest, TheGeneralSettingsPauseTheCountdown) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nAutomatic=1\nMinutes=5\n");
    start();
    ASSERT_TRUE(program_->minuteTriggerRunning());
    program_->window().openGeneralSettings();
    EXPECT_FALSE(program_->minuteTriggerRunning());
    general().reject();
    EXPECT_TRUE(program_->minuteTriggerRunning());
    EXPECT_EQ(program_->automatic().MinutesToCheck(), 5);
}

// The spam settings open from the settings popup and the tray, modally, with the countdown
// paused; their column widths are kept at the program's end.
TEST_F(ProgramWindowsTest, TheSpamSettingsOpenFromBothMenusAndPauseTheCountdown) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nAutomatic=1\nMinutes=5\n");
    start();
    std::vector<bool> runningWhileOpen;
    windowtest::ModalWatcher<TfrmOptionsMain> first([&](TfrmOptionsMain& window) {
        runningWhileOpen.push_back(program_->minuteTriggerRunning());
        window.reject();
    });
    program_->window().findChild<QAction*>(QStringLiteral("SpamSettings1"))->trigger();
    windowtest::ModalWatcher<TfrmOptionsMain> second([&](TfrmOptionsMain& window) {
        runningWhileOpen.push_back(program_->minuteTriggerRunning());
        window.reject();
    });
    program_->tray().action("Spam1")->trigger();
    EXPECT_THAT(runningWhileOpen, ElementsAre(false, false));
    EXPECT_TRUE(program_->minuteTriggerRunning());

    program_->Finish();
    EXPECT_GT(program_->session().store.ReadInteger(settingkeys::SubjectColumnWidth, 2), 0);
}

// The settings popup, the tray and the General settings window each ask which log to analyse,
// offering the one the records go to now; unattended checks go on meanwhile.
TEST_F(ProgramWindowsTest, TheStatisticsOpenFromAllThreeCommands) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nAutomatic=1\nMinutes=5\nLogfile=" +
                                                    temp_.File("my.log") + "\n");
    start();
    std::vector<std::string> offered;
    const auto watch = [&] {
        return std::make_unique<windowtest::ModalWatcher<TfrmChartMain>>(
            [&](TfrmChartMain& window) {
                EXPECT_TRUE(program_->minuteTriggerRunning());
                offered.push_back(
                    window.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text().toStdString());
                window.reject();
            });
    };
    auto first = watch();
    program_->window().findChild<QAction*>(QStringLiteral("Stats1"))->trigger();
    auto second = watch();
    program_->tray().action("Statistics1")->trigger();
    auto third = watch();
    auto* button = general().findChild<QPushButton*>(QStringLiteral("btStatistics"));
    ASSERT_FALSE(button->isHidden());
    button->click();
    EXPECT_THAT(offered,
                ElementsAre(temp_.File("my.log"), temp_.File("my.log"), temp_.File("my.log")));
}

// With a new log each month or quarter, the statistics offer the one being written now.
TEST_F(ProgramWindowsTest, TheStatisticsOfferThisMonthsOrQuartersLog) {
    const LocalDateTime today = SystemLocalTime();
    const struct {
        const char* mode;
        std::string name;
    } cases[] = {{"Month", MonthlyLogFileName(today)}, {"Quarter", QuarterlyLogFileName(today)}};
    for (const auto& c : cases) {
        testsupport::WriteFileBytes(
            settingsFile(), std::string("[Logfile]\nAsis=0\n") + c.mode +
                                "=1\n[General]\nLogfile=" + temp_.File("logs/old.txt") + "\n");
        start();
        std::string offered;
        windowtest::ModalWatcher<TfrmChartMain> watcher([&](TfrmChartMain& window) {
            offered = window.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text().toStdString();
            window.reject();
        });
        program_->tray().action("Statistics1")->trigger();
        EXPECT_EQ(offered, temp_.File("logs/" + c.name)) << c.mode;
        program_.reset();
    }
}

// The list's commands keep unattended checks from starting under them; touching the list
// silences the alarm.
TEST_F(ProgramWindowsTest, ListCommandsPauseTheCountdownAndKeysInTheListStopTheAlarm) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nAutomatic=1\nMinutes=5\n");
    start();
    std::vector<bool> runningWhileShown;
    boxes_.onShown = [&](const std::string&) {
        runningWhileShown.push_back(program_->minuteTriggerRunning());
    };
    for (const char* name : {"Why1", "ViewHeader1", "ViewMessages1", "AddtoSPAMlist1"}) {
        program_->window().findChild<QAction*>(QLatin1String(name))->trigger();
    }
    EXPECT_THAT(runningWhileShown, ElementsAre(false, false, false, false));
    EXPECT_TRUE(program_->minuteTriggerRunning());

    sound_->calls.clear();
    QTest::keyRelease(program_->window().findChild<QTreeView*>(QStringLiteral("ListView1")),
                      Qt::Key_Down);
    EXPECT_EQ(sound_->calls, std::vector<std::string>{"stop"});
}

TEST_F(ProgramWindowsTest, StartingInTheTrayShowsOnlyTheIconUnlessThereIsNoTray) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nSysTray=1\n");
    start(false);
    EXPECT_FALSE(program_->window().isVisible());
    EXPECT_TRUE(program_->tray().active());
    auto* exit = program_->window().findChild<QPushButton*>(QStringLiteral("btExit"));
    EXPECT_EQ(exit->text(), "&Hide");

    program_.reset();
    trayAvailable_ = false;
    start();
    EXPECT_TRUE(program_->window().isVisible());
    EXPECT_FALSE(program_->tray().active());
    EXPECT_EQ(exit = program_->window().findChild<QPushButton*>(QStringLiteral("btExit")), exit);
    EXPECT_EQ(exit->text(), "E&xit");
    auto* status = program_->window().findChild<QLabel*>(QStringLiteral("pnlStatus"));
    EXPECT_TRUE(status->text().contains("no notification area")) << status->text().toStdString();
}

TEST_F(ProgramWindowsTest, WithoutATrayStartTheProgramHasNoIcon) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nMinutes=3\n");
    start();
    EXPECT_FALSE(program_->tray().active());
    EXPECT_EQ(program_->window().findChild<QPushButton*>(QStringLiteral("btExit"))->text(),
              "E&xit");
}

TEST_F(ProgramWindowsTest, TheSplashWindowShowsWhileLoadingAndCloses) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nMinutes=3\n");
    // Long enough that a loaded machine cannot close it before the test looks for it.
    splashMilliseconds_ = 500;
    start();
    QPointer<TfrmSplash> splash;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<TfrmSplash*>(window)) splash = found;
    }
    ASSERT_FALSE(splash.isNull());
    EXPECT_TRUE(splash->findChild<QLabel*>(QStringLiteral("Panel2"))->isVisibleTo(splash));
    EXPECT_FALSE(splash->findChild<QLabel*>(QStringLiteral("Panel1"))->isVisibleTo(splash));
    EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 2000)) << "closed and gone";
}

TEST_F(ProgramWindowsTest, TheTraysExitEndsTheProgramFromTheTray) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nSysTray=1\n");
    start(false);
    program_->window().show();
    ASSERT_TRUE(program_->window().isVisible());
    sound_->calls.clear();
    program_->tray().action("Exit1")->trigger();
    EXPECT_FALSE(program_->window().isVisible());
    EXPECT_EQ(sound_->calls, std::vector<std::string>{"stop"}) << "the alarm stops first";
}

TEST_F(ProgramWindowsTest, MainScreenFromTheTrayBringsTheWindowBack) {
    testsupport::WriteFileBytes(settingsFile(), "[General]\nSysTray=1\n");
    start(false);
    ASSERT_FALSE(program_->window().isVisible());
    program_->tray().action("ShowMainScreen1")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return program_->window().isVisible(); }, 2000));
    program_->window().findChild<QPushButton*>(QStringLiteral("btExit"))->click();
    EXPECT_FALSE(program_->window().isVisible()) << "\"&Hide\" sends it back to the tray";
}

}  // namespace
}  // namespace kelvane

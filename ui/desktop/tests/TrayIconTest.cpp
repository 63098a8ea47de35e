#include "TrayIcon.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "AlarmPlayer.h"
#include "GeneralWindowFixture.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

// The menu's entries in order, separators as "-", submenus with their entries in brackets.
std::vector<std::string> Entries(const QMenu& menu) {
    std::vector<std::string> entries;
    for (QAction* action : menu.actions()) {
        std::string entry = action->objectName().toStdString();
        if (!action->isSeparator()) entry += " " + action->text().toStdString();
        if (QMenu* sub = action->menu()) {
            for (const std::string& inner : Entries(*sub)) entry += " [" + inner + "]";
        }
        entries.push_back(entry);
    }
    return entries;
}

TEST(TrayIconTest, TheMenuHoldsTheTrayCommandsInOrder) {
    TrayIcon tray;
    EXPECT_EQ(tray.menu().objectName(), "popTray");
    EXPECT_EQ(Entries(tray.menu()),
              (std::vector<std::string>{
                  "Show1 Check e-mail for spam", "LaunchEmailprogram1 Launch e-mail program",
                  "Hide1", "ShowMainScreen1 Main screen",
                  "Settings1 Settings [Spam1 Spam] [General1 General] [Viewlogfile1 View log file]",
                  "Statistics1 Statistics", "N4", "EnableAutomatic1 Enable automatic check",
                  "DisableAutomatic1 Disable automatic check", "N3",
                  "Help1 Help/Info [Help2 Help] [About1 About]", "N5", "Exit1 Exit"}));
    EXPECT_TRUE(tray.action("DisableAutomatic1")->isChecked());
    tray.setAutomaticChecked(true);
    EXPECT_TRUE(tray.action("EnableAutomatic1")->isChecked());
    EXPECT_FALSE(tray.action("DisableAutomatic1")->isChecked());
    EXPECT_TRUE(tray.action("Spam1")->isVisible());
}

TEST(TrayIconTest, TheHintIsCutAndTheAnimationSwapsPictures) {
    TrayIcon tray(nullptr, 10);
    EXPECT_EQ(tray.hint(), "Kelvane (right click)");
    const QString longTitle =
        "Kelvane - MailBox someone.with.a.long.name@example.org - 1234 messages";
    tray.setHint(longTitle);
    EXPECT_EQ(tray.hint(), longTitle.left(63));

    EXPECT_EQ(tray.picture(), 0);
    tray.setAnimated(true);
    EXPECT_EQ(tray.picture(), 1) << "starts at the first animation picture";
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.picture() == 2; }, 1000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tray.picture() == 1; }, 1000));
    tray.setAnimated(false);
    EXPECT_EQ(tray.picture(), 0);

    tray.setAutoPopup(false);
    EXPECT_FALSE(tray.autoPopup());
}

TEST(AlarmPlayerTest, PlaysTheFileOnceOrLoopingAndBeepsWithoutIt) {
    testsupport::TempFolder folder;
    const std::string sound = folder.File("alarm.wav");
    testsupport::WriteFileBytes(sound, "RIFF");
    auto player = std::make_shared<testsupport::RecordingSoundPlayer>();
    int beeps = 0;
    AlarmPlayer alarm(player, [&] { ++beeps; });

    alarm.playAlarmSound(true, sound, true);
    alarm.playAlarmSound(true, sound, false);
    alarm.stop();
    EXPECT_EQ(player->calls, (std::vector<std::string>{"play " + sound + " looping",
                                                       "play " + sound + " once", "stop"}));
    EXPECT_EQ(beeps, 0);

    alarm.playAlarmSound(true, folder.File("missing.wav"), true);
    alarm.playAlarmSound(true, "", true);
    // A name is cut to 200 characters, so a longer one names another (missing) file.
    const std::string longName = folder.path().string() + "/" + std::string(250, 'a') + ".wav";
    alarm.playAlarmSound(true, longName, false);
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(player->calls.size(), 3u);
}

}  // namespace
}  // namespace kelvane

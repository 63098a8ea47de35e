#include "SmashASpam.h"

#include <gtest/gtest.h>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <set>

#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "TempFolder.h"
#include "TfrmAbout.h"

namespace kelvane {
namespace {

TEST(SmashASpamRoundTest, TheLetterMovesEveryStepAndOnlyAHitScores) {
    SmashASpamRound round(7);
    EXPECT_FALSE(round.Smash(0)) << "no round yet";
    round.Start();
    std::set<int> visited;
    int last = -1;
    int steps = 0;
    while (round.Step()) {
        ++steps;
        const int spot = round.SpamSpot();
        ASSERT_GE(spot, 0);
        ASSERT_LT(spot, SmashASpamRound::kSpots);
        EXPECT_NE(spot, last) << "a new target every step";
        visited.insert(spot);
        last = spot;
        if (steps % 2 == 0) {
            EXPECT_FALSE(round.Smash((spot + 1) % SmashASpamRound::kSpots)) << "a miss";
            EXPECT_TRUE(round.Smash(spot));
            EXPECT_FALSE(round.Smash(spot)) << "smashed already";
            last = -1;
        }
    }
    EXPECT_EQ(steps, SmashASpamRound::kSteps - 1);
    EXPECT_EQ(round.Score(), steps / 2);
    EXPECT_EQ(round.SpamSpot(), -1);
    EXPECT_FALSE(round.Running());
    EXPECT_GT(visited.size(), 4u);
}

TEST(SmashASpamTest, ABestScoreIsKeptInTheSettings) {
    testsupport::TempFolder folder;
    SettingsStore store(folder.File("settings.conf"));
    store.Write([](SettingsWriter& w) { w.WriteInteger(settingkeys::Points, 2); });
    SmashASpam game(&store, nullptr, 11, 5);
    EXPECT_EQ(game.best(), 2);
    game.findChild<QPushButton*>(QStringLiteral("btSmashStart"))->click();
    // Smash every letter as it appears until the round ends.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (const int spot = game.round().SpamSpot(); spot >= 0) {
                game.findChild<QPushButton*>(QStringLiteral("btSpot%1").arg(spot))->click();
            }
            return !game.round().Running();
        },
        5000));
    EXPECT_GT(game.round().Score(), 2);
    EXPECT_EQ(game.best(), game.round().Score());
    EXPECT_EQ(store.ReadInteger(settingkeys::Points), game.best());
}

TEST(SmashASpamTest, TheAboutBoxOpensOnEitherPage) {
    TfrmAbout about;
    auto* pages = about.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->tabText(0), "About");
    EXPECT_EQ(pages->tabText(1), "Smash a spam");
    about.showPage(TfrmAbout::Page::SmashASpam);
    EXPECT_EQ(pages->currentIndex(), 1);
    about.showPage(TfrmAbout::Page::About);
    EXPECT_EQ(pages->currentIndex(), 0);
}

}  // namespace
}  // namespace kelvane

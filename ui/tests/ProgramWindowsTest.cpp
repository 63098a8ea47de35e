#include "ProgramWindows.h"

#include <gmock/gmock.h>
#include <QAction>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <string>

#include "DiscoveryTree.h"
#include "RecordingMessageBoxes.h"
#include "TempFolder.h"
#include "TfrmGeneral.h"

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

    ProgramWindows& start() {
        GeneralWindowServices services;
        services.discovery = home_.env;
        services.dialUpEntries = [] { return std::vector<std::string>(); };
        program_ = std::make_unique<ProgramWindows>(folder(), settingsFile(), services, &boxes_);
        program_->Start();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&program_->window()));
        return *program_;
    }

    TfrmGeneral& general() { return program_->generalSettings(); }
    int generalPage() {
        return general().findChild<QTabWidget*>(QStringLiteral("PageControl1"))->currentIndex();
    }

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

}  // namespace
}  // namespace kelvane

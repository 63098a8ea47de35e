#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "GeneralWindowFixture.h"
#include "ProgramPaths.h"
#include "RuleTableOperations.h"

namespace kelvane {
namespace {

using testsupport::FileBytes;
using testsupport::GeneralWindowFixture;
using testsupport::WriteFileBytes;

class TfrmGeneralActionsTest : public GeneralWindowFixture {
  protected:
    QString text(const QString& name) { return child<QLineEdit>(name)->text(); }
    void setText(const QString& name, const std::string& value) {
        child<QLineEdit>(name)->setText(QString::fromStdString(value));
    }

    void writeThunderbirdProfile() {
        home_.Write("home/.thunderbird/profiles.ini",
                    "[Profile0]\nName=default\nIsRelative=1\nPath=x1.default\nDefault=1\n");
        home_.Write("home/.thunderbird/x1.default/prefs.js",
                    "user_pref(\"mail.server.server1.hostname\", \"pop.example.org\");\n"
                    "user_pref(\"mail.server.server1.type\", \"pop3\");\n"
                    "user_pref(\"mail.server.server1.userName\", \"ann\");\n");
    }

    const std::string kConfirmClear =
        "confirm: If you answer Yes, you will lose any statistics related to this log file. "
        "Really clear out log file?";
};

TEST_F(TfrmGeneralActionsTest, FirstStartTakesTheMailProgramsAccountAndLearnsTheOwnAddress) {
    writeThunderbirdProfile();
    open();
    EXPECT_EQ(text("edServe1"), "pop.example.org");
    EXPECT_EQ(text("edName1"), "ann");
    EXPECT_TRUE(boxes_.shown.empty());

    const std::string headerFile = paths::JoinPath(programFolder(), paths::kHeaderRulesFile);
    EXPECT_NE(FileBytes(headerFile).find("ann - MailBox #1"), std::string::npos);
    SpamSettings reread(programFolder());
    ASSERT_TRUE(reread.readSettings().empty());
    ASSERT_EQ(reread.headers().rowCount(), 2);
    EXPECT_EQ(reread.headers().row(1), OwnAddressRule("ann"));

    // Nothing was stored yet, so showing again finds the account again but learns nothing new.
    const std::string before = FileBytes(headerFile);
    reshow();
    EXPECT_EQ(text("edName1"), "ann");
    EXPECT_EQ(FileBytes(headerFile), before);
}

TEST_F(TfrmGeneralActionsTest, AnAccountAlreadySetUpIsNeitherReplacedNorLearned) {
    storeAccount(1, {"pop.mine.example", "me", true, "pw", 0, ""});
    writeThunderbirdProfile();
    open();
    EXPECT_EQ(text("edServe1"), "pop.mine.example");
    EXPECT_FALSE(
        std::filesystem::exists(paths::JoinPath(programFolder(), paths::kHeaderRulesFile)));
}

TEST_F(TfrmGeneralActionsTest, TestPlaysTheAlarmAndStopCallsItOff) {
    const std::string sound = temp_.File("alarm.wav");
    WriteFileBytes(sound, "RIFF");
    const struct {
        const char* name;
        std::string file;
        bool repeat;
        const char* captionWhilePlaying;
        std::vector<std::string> calls;
    } cases[] = {
        {"looping", sound, true, "Stop", {"play " + sound + " looping", "stop"}},
        {"once", sound, false, "Test", {"play " + sound + " once", "play " + sound + " once"}},
        // The alarm's rule: the beep, and Stop silences whatever plays.
        {"missing file", temp_.File("none.wav"), true, "Stop", {"stop"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        player_->calls.clear();
        open();
        setText("edAlarmFile", c.file);
        child<QCheckBox>("cbRepeat")->setChecked(c.repeat);
        click("btTest");
        EXPECT_EQ(child<QPushButton>("btTest")->text(), c.captionWhilePlaying);
        click("btTest");
        EXPECT_EQ(child<QPushButton>("btTest")->text(), "Test");
        EXPECT_EQ(player_->calls, c.calls);
    }
}

TEST_F(TfrmGeneralActionsTest, AnotherFileNameStopsALoopingTest) {
    const std::string sound = temp_.File("alarm.wav");
    WriteFileBytes(sound, "RIFF");
    open();
    setText("edAlarmFile", sound);
    click("btTest");
    QTest::keyClicks(child<QLineEdit>("edAlarmFile"), "x");
    EXPECT_EQ(player_->calls, (std::vector<std::string>{"play " + sound + " looping", "stop"}));
    EXPECT_EQ(child<QPushButton>("btTest")->text(), "Test");
    click("btCancel");
}

TEST_F(TfrmGeneralActionsTest, ClosingTheWindowStopsALoopingAlarm) {
    const std::string sound = temp_.File("alarm.wav");
    WriteFileBytes(sound, "RIFF");
    open();
    setText("edAlarmFile", sound);
    click("btTest");
    click("btCancel");
    EXPECT_EQ(player_->calls, (std::vector<std::string>{"play " + sound + " looping", "stop"}));
    EXPECT_EQ(child<QPushButton>("btTest")->text(), "Test");
}

TEST_F(TfrmGeneralActionsTest, ViewOpensTheLogFileNamedInTheField) {
    open();
    setText("Edit1", "/var/log/kelvane/log.txt");
    click("btViewLog");
    EXPECT_EQ(opened_, std::vector<std::string>{"/var/log/kelvane/log.txt"});
    EXPECT_TRUE(boxes_.shown.empty());

    openSucceeds_ = false;
    click("btViewLog");
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{"error: Unable to open log file. "});
}

TEST_F(TfrmGeneralActionsTest, ClearDeletesTheLogFileOnlyWhenConfirmed) {
    const std::string log = temp_.File("log.txt");
    WriteFileBytes(log, "records");
    open();
    setText("Edit1", log);

    boxes_.answers = {false};
    click("btClearLog");
    EXPECT_TRUE(std::filesystem::exists(log));

    click("btClearLog");
    EXPECT_FALSE(std::filesystem::exists(log));

    click("btClearLog");  // already gone: no complaint
    EXPECT_EQ(boxes_.shown, std::vector<std::string>(3, kConfirmClear));
}

TEST_F(TfrmGeneralActionsTest, ResetCounterTakesEffectOnlyWithOk) {
    store_.WriteString(settingkeys::Count, "17");
    open();
    auto* count = child<QLabel>("lblCount");

    boxes_.answers = {false};
    click("btResetCounter");
    EXPECT_EQ(count->text(), "17");
    click("btResetCounter");
    EXPECT_EQ(count->text(), "0");
    EXPECT_EQ(boxes_.shown, std::vector<std::string>(2, "confirm: Really reset spam counter?"));

    click("btCancel");
    EXPECT_EQ(store_.ReadString(settingkeys::Count), "17");
    reshow();
    EXPECT_EQ(count->text(), "17");
    click("btOK");
    EXPECT_EQ(store_.ReadString(settingkeys::Count), "17") << "the reset was cancelled";

    reshow();
    click("btResetCounter");
    // A deletion elsewhere in the meantime does not undo the user's reset.
    store_.WriteString(settingkeys::Count, "20");
    click("btOK");
    EXPECT_EQ(store_.ReadString(settingkeys::Count), "0");
    EXPECT_EQ(model_.general.count, "0");
}

TEST_F(TfrmGeneralActionsTest, SavingAtProgramEndKeepsTheStoredCount) {
    open();
    click("btOK");
    store_.WriteString(settingkeys::Count, "42");
    model_.general.minutes = 33;
    window_->saveAtProgramEnd();
    EXPECT_EQ(store_.ReadString(settingkeys::Count), "42");
    EXPECT_EQ(store_.ReadInteger(settingkeys::Minutes), 33);
}

TEST_F(TfrmGeneralActionsTest, FindTakesTheSearchResultUnlessCancelled) {
    std::optional<std::string> found;
    services_.findMailProgram = [&found] { return found; };
    store_.WriteString(settingkeys::Mailer, "/usr/bin/old");
    open();
    click("btFindMail");
    EXPECT_EQ(text("edMail"), "/usr/bin/old") << "cancelled";
    found = "/opt/mail/new";
    click("btFindMail");
    EXPECT_EQ(text("edMail"), "/opt/mail/new");
    found = "";
    click("btFindMail");
    EXPECT_EQ(text("edMail"), "");
}

TEST_F(TfrmGeneralActionsTest, LaunchTriesTheProgramInTheFieldBeforeOk) {
    open();
    setText("edMail", "/opt/mail/new --compose");
    click("btLaunchMail");
    EXPECT_EQ(launched_, std::vector<std::string>{"/opt/mail/new --compose"});
    EXPECT_EQ(ReadGeneralSettings(store_).mailer, "") << "not saved by trying it";
}

TEST_F(TfrmGeneralActionsTest, BrowseButtonsFillTheFieldsUnlessCancelled) {
    std::vector<std::string> started;
    std::optional<std::string> chosen;
    auto browse = [&](const std::string& current) {
        started.push_back(current);
        return chosen;
    };
    services_.browseSoundFile = browse;
    services_.browseLogFile = browse;
    open();
    setText("Edit1", "/logs/a.txt");
    click("btBrowseLog");
    EXPECT_EQ(text("Edit1"), "/logs/a.txt");
    chosen = "/logs/b.txt";
    click("btBrowseLog");
    EXPECT_EQ(text("Edit1"), "/logs/b.txt");
    chosen = "/sounds/bell.wav";
    click("btBrowseSound");
    EXPECT_EQ(text("edAlarmFile"), "/sounds/bell.wav");
    EXPECT_EQ(started, (std::vector<std::string>{"/logs/a.txt", "/logs/a.txt",
                                                 programFolder() + "/harptune.wav"}));
}

TEST_F(TfrmGeneralActionsTest, HelpShowsTheGeneralTopicAndStatisticsCanBeOffered) {
    open();
    click("btHelp");
    EXPECT_EQ(helpTopics_, std::vector<int>{200});

    int shown = 0;
    window_->offerStatistics([&shown] { ++shown; });
    EXPECT_FALSE(child<QPushButton>("btStatistics")->isHidden());
    click("btStatistics");
    EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace kelvane

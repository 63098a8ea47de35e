// The window and a command-line run share the rule files and the spam options: each saves at the
// end of every check, and the user may edit a rule file by hand meanwhile.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "AtomicFile.h"
#include "RuleFile.h"
#include "RuleTableOperations.h"
#include "SpamSettings.h"
#include "SubjectRules.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using ruletest::Rules;
using ruletest::SubjectRule;
using ruletest::SubjectRules;
using ruletest::ValuesAndHits;

class SpamSettingsSharingTest : public ::testing::Test {
  protected:
    SpamSettingsSharingTest() {
        SpamSettings first(folder());
        first.subjects() = SubjectRules({{"free", "5"}, {"win", "0"}});
        EXPECT_TRUE(first.Savesettings().empty());
    }

    std::string folder() const { return temp_.path().string(); }
    std::string File(const std::string& name) const { return temp_.File(name); }
    std::string Read(const std::string& name) const {
        return ReadWholeFile(File(name)).value_or("<missing>");
    }
    // Edits a rule file the way a user does, outside the program.
    void EditSubjectsByHand(const Rules& rules) {
        testsupport::WriteFileBytes(File("subj.lst"), WriteRuleFileText(SubjectRules(rules)));
    }
    Rules SubjectsOnDisk() const {
        SpamSettings reader(folder());
        EXPECT_TRUE(reader.readSettings().empty());
        return ValuesAndHits(reader.subjects());
    }
    SpamSettings Loaded() const {
        SpamSettings settings(folder());
        EXPECT_TRUE(settings.readSettings().empty());
        return settings;
    }

    testsupport::TempFolder temp_;
};

TEST_F(SpamSettingsSharingTest, HitsOfBothProgramsSurviveTheirSaves) {
    SpamSettings window = Loaded();
    SpamSettings cron = Loaded();
    BumpUpGrid(window.subjects(), 1, false);
    BumpUpGrid(window.subjects(), 1, false);
    ASSERT_TRUE(window.Savesettings().empty());

    BumpUpGrid(cron.subjects(), 1, false);
    BumpUpGrid(cron.subjects(), 2, false);
    ASSERT_TRUE(cron.Savesettings().empty());
    EXPECT_EQ(SubjectsOnDisk(), (Rules{{"free", "8"}, {"win", "1"}}));
    EXPECT_EQ(ValuesAndHits(cron.subjects()), SubjectsOnDisk()) << "memory shows what was saved";

    BumpUpGrid(window.subjects(), 1, false);
    ASSERT_TRUE(window.Savesettings().empty());
    EXPECT_EQ(SubjectsOnDisk(), (Rules{{"free", "9"}, {"win", "1"}}))
        << "only the hit counted since the window's own save is added";
}

TEST_F(SpamSettingsSharingTest, HandEditBetweenLoadAndSaveSurvivesWithTheNewHits) {
    SpamSettings window = Loaded();
    InsertRuleAtTop(window.subjects(), SpamSubjectRule("Cheap pills"));
    EditSubjectsByHand({{"free", "5"}, {"winner", "0"}, {"cash", "0"}});
    BumpUpGrid(window.subjects(), 2, false);  // "free"
    BumpUpGrid(window.subjects(), 3, false);  // "win", which the user changed to "winner"

    ASSERT_TRUE(window.Savesettings().empty());

    const Rules expected{{"Cheap pills", "1"}, {"free", "6"}, {"winner", "0"}, {"cash", "0"}};
    EXPECT_EQ(SubjectsOnDisk(), expected);
    EXPECT_EQ(ValuesAndHits(window.subjects()), expected);
}

TEST_F(SpamSettingsSharingTest, UnchangedFileIsSavedAsItStandsInMemory) {
    SpamSettings window = Loaded();
    CheckGridAdv(window.subjects(), 2, false);
    BumpUpGrid(window.subjects(), 2, false);
    ASSERT_TRUE(window.Savesettings().empty());
    EXPECT_EQ(Read("subj.lst"), WriteRuleFileText(window.subjects()));
    EXPECT_EQ(window.subjects().cell(4, 2), "No");
}

// The spam settings window saves the user's edits over whatever the file holds.
TEST_F(SpamSettingsSharingTest, SavingAsEditedWritesMemoryOverAHandEdit) {
    SpamSettings window = Loaded();
    window.subjects().removeRow(2);
    EditSubjectsByHand({{"free", "5"}, {"win", "0"}, {"cash", "0"}});
    ASSERT_TRUE(window.Savesettings(SaveMode::AsEdited).empty());
    EXPECT_EQ(SubjectsOnDisk(), (Rules{{"free", "5"}}));
}

// The user's edits in the window win for the rules, while hits a cron run counted meanwhile are
// added to the rules that are still there.
TEST_F(SpamSettingsSharingTest, WindowEditsKeepTheHitsCountedMeanwhile) {
    SpamSettings window = Loaded();
    SpamSettings cron = Loaded();
    BumpUpGrid(cron.subjects(), 1, false);
    BumpUpGrid(cron.subjects(), 2, false);
    ASSERT_TRUE(cron.Savesettings().empty());
    window.subjects().removeRow(2);
    AppendRule(window.subjects(), SubjectRule("cash", "0"));

    ASSERT_TRUE(window.Savesettings(SaveMode::EditedKeepingHits).empty());

    EXPECT_EQ(SubjectsOnDisk(), (Rules{{"free", "6"}, {"cash", "0"}}));
}

TEST_F(SpamSettingsSharingTest, HandEditThatBrokeTheFileIsKeptAndReported) {
    SpamSettings window = Loaded();
    testsupport::WriteFileBytes(File("subj.lst"), "0,0\r\n1,1,Contains\r\n");
    BumpUpGrid(window.subjects(), 1, false);

    const auto problems = window.Savesettings();

    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], CorruptRuleFileMessage(File("subj.lst")));
    EXPECT_EQ(Read("subj.lst.bad"), "0,0\r\n1,1,Contains\r\n");
    EXPECT_EQ(SubjectsOnDisk(), (Rules{{"free", "6"}, {"win", "0"}}));
}

TEST_F(SpamSettingsSharingTest, UnknownDomainsOfBothProgramsAndAHandEditedOptionSurvive) {
    SpamSettings window = Loaded();
    SpamSettings cron = Loaded();
    bumpUnknown(window.options());
    bumpUnknown(window.options());
    ASSERT_TRUE(window.Savesettings().empty());
    testsupport::WriteFileBytes(File("kelvane.ini"), Read("kelvane.ini") + "\n[Mine]\nKeep=yes\n");
    SpamSettings editor = Loaded();
    editor.options().smallerOn = true;
    ASSERT_TRUE(editor.Savesettings(SaveMode::AsEdited).empty());

    bumpUnknown(cron.options());
    ASSERT_TRUE(cron.Savesettings().empty());

    const SpamSettings reader = Loaded();
    EXPECT_EQ(reader.options().unknownDomainCount, "3");
    EXPECT_TRUE(reader.options().smallerOn);
    EXPECT_EQ(cron.options(), reader.options());
    EXPECT_NE(Read("kelvane.ini").find("[Mine]\nKeep=yes\n"), std::string::npos);
}

// The window's edits of the options win, but the unknown domains a cron run counted meanwhile are
// raised from the stored count, unless the user cleared the counter.
TEST_F(SpamSettingsSharingTest, WindowEditsKeepTheUnknownDomainsCountedMeanwhileUnlessCleared) {
    SpamSettings window = Loaded();
    SpamSettings cron = Loaded();
    bumpUnknown(cron.options());
    bumpUnknown(cron.options());
    ASSERT_TRUE(cron.Savesettings().empty());
    bumpUnknown(window.options());
    window.options().largerOn = true;
    ASSERT_TRUE(window.Savesettings(SaveMode::EditedKeepingHits).empty());
    EXPECT_EQ(Loaded().options().unknownDomainCount, "3");
    EXPECT_TRUE(Loaded().options().largerOn);

    window.ResetUnknownDomainCount();
    bumpUnknown(cron.options());
    ASSERT_TRUE(cron.Savesettings().empty());
    ASSERT_TRUE(window.Savesettings(SaveMode::EditedKeepingHits).empty());
    EXPECT_EQ(Loaded().options().unknownDomainCount, "0");

    // Cleared once: the next save raises the stored count again.
    bumpUnknown(cron.options());
    ASSERT_TRUE(cron.Savesettings().empty());
    ASSERT_TRUE(window.Savesettings(SaveMode::EditedKeepingHits).empty());
    EXPECT_EQ(Loaded().options().unknownDomainCount, "1");

    // Reading the files back forgets a clearing that was never saved.
    window.ResetUnknownDomainCount();
    ASSERT_TRUE(window.readSettings().empty());
    bumpUnknown(cron.options());
    ASSERT_TRUE(cron.Savesettings().empty());
    ASSERT_TRUE(window.Savesettings(SaveMode::EditedKeepingHits).empty());
    EXPECT_EQ(Loaded().options().unknownDomainCount, "2");
}

// Each process loads once and saves after every "check", as the window and a cron run do.
[[noreturn]] void CountAndSave(const std::string& folder, int start, int checks) {
    char go;
    while (::read(start, &go, 1) < 0) {
    }
    SpamSettings settings(folder);
    bool saved = settings.readSettings().empty();
    for (int check = 0; check < checks; ++check) {
        BumpUpGrid(settings.subjects(), 1, false);
        bumpUnknown(settings.options());
        saved = settings.Savesettings().empty() && saved;
    }
    ::_exit(saved ? 0 : 1);
}

TEST_F(SpamSettingsSharingTest, TwoProcessesSavingAtOnceLoseNoHits) {
    constexpr int kChecksEach = 30;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    pid_t programs[2];
    for (pid_t& program : programs) {
        program = ::fork();
        ASSERT_GE(program, 0);
        if (program == 0) {
            ::close(start[1]);
            CountAndSave(folder(), start[0], kChecksEach);
        }
    }
    ::close(start[0]);
    ::close(start[1]);  // both start at once
    for (pid_t program : programs) {
        int status = 0;
        ASSERT_EQ(::waitpid(program, &status, 0), program);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(SubjectsOnDisk(),
              (Rules{{"free", std::to_string(5 + 2 * kChecksEach)}, {"win", "0"}}));
    EXPECT_EQ(Loaded().options().unknownDomainCount, std::to_string(2 * kChecksEach));
}

}  // namespace
}  // namespace kelvane

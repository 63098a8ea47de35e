#include "SpamSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>
#include <functional>
#include <ostream>
#include <vector>

#include "AtomicFile.h"
#include "CaseName.h"
#include "KnownListText.h"
#include "RuleTableOperations.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

class SpamSettingsTest : public ::testing::Test {
  protected:
    void Write(const std::string& name, const std::string& content) {
        testsupport::WriteFileBytes(temp_.File(name), content);
    }
    std::string Read(const std::string& name) {
        return ReadWholeFile(temp_.File(name)).value_or("<missing>");
    }

    testsupport::TempFolder temp_;
    const fs::path& folder_ = temp_.path();
};

TEST_F(SpamSettingsTest, MissingFilesGiveEmptyTablesAndDefaultOptions) {
    SpamSettings settings(folder_.string());
    EXPECT_TRUE(settings.readSettings().empty());
    for (auto kind : {RuleTableKind::Subject, RuleTableKind::Header, RuleTableKind::Sender,
                      RuleTableKind::Exceptions}) {
        EXPECT_TRUE(settings.table(kind).isEmpty());
    }
    EXPECT_EQ(settings.options(), SpamOptions());
    EXPECT_FALSE(settings.options().invalidDomainCheckMark)
        << "unknown domains get a question mark";
}

TEST_F(SpamSettingsTest, SaveThenLoadKeepsTablesAndOptions) {
    SpamSettings settings(folder_.string());
    AppendRule(settings.subjects(), SubjectKeywordRule("free"));
    InsertRuleAtTop(settings.senders(), SpamSenderRule("spam@bad.example"));
    AppendRule(settings.exceptions(), ExceptionAddressRule("mum@home.example"));
    settings.exceptions().setCell(kExceptionPictureNumberColumn, 1, "9");
    settings.options().largerOn = true;
    settings.options().largerLimit = 50000;
    bumpUnknown(settings.options());
    ASSERT_TRUE(settings.Savesettings().empty());

    EXPECT_EQ(Read("kelvane.ini"),
              "[Smaller]\nQSmaller=0\nNum=100\nCheck=1\n\n"
              "[Larger]\nQLarger=1\nNum=50000\nCheck=1\n\n"
              "[Known]\nQMonitor=1\nValid=1\nQuestion=0\nNum=1\n\n"
              "[Quarantine]\nKeep=1\nDays=30\nWhole=1024\nTotal=200\n");

    SpamSettings loaded(folder_.string());
    ASSERT_TRUE(loaded.readSettings().empty());
    EXPECT_EQ(loaded.subjects().row(1), settings.subjects().row(1));
    EXPECT_EQ(loaded.senders().row(1), settings.senders().row(1));
    EXPECT_EQ(loaded.exceptions().picture(1), 9);
    EXPECT_EQ(loaded.options(), settings.options());
    EXPECT_TRUE(loaded.headers().isEmpty());
}

TEST_F(SpamSettingsTest, FiveColumnExceptionsFileGainsPictureColumns) {
    Write("except.lst",
          "5,2\r\ncw 0,100\r\n0,0,What\r\n0,1,E-mail address\r\n1,1,Equals\r\n"
          "2,1,pal@x.example\r\n3,1,No\r\n4,1,2\r\n");
    SpamSettings settings(folder_.string());
    ASSERT_TRUE(settings.readSettings().empty());
    const RuleTable& table = settings.exceptions();
    EXPECT_EQ(table.columnCount(), 7);
    EXPECT_EQ(table.cell(4, 1), "2");
    EXPECT_EQ(table.cell(kExceptionPictureNumberColumn, 1), "");
    EXPECT_EQ(table.picture(1), 3);
    ASSERT_TRUE(settings.Savesettings().empty());
    EXPECT_EQ(Read("except.lst").substr(0, 5), "7,2\r\n");
}

TEST_F(SpamSettingsTest, EightColumnSubjectFileLoadsWithSix) {
    Write("subj.lst", "8,2\r\n1,1,Contains\r\n2,1,win\r\n4,1,No\r\n6,1,extra\r\n7,1,more\r\n");
    SpamSettings settings(folder_.string());
    ASSERT_TRUE(settings.readSettings().empty());
    EXPECT_EQ(settings.subjects().columnCount(), 6);
    EXPECT_EQ(settings.subjects().cell(2, 1), "win");
    EXPECT_EQ(settings.subjects().picture(1), 1);
    EXPECT_EQ(settings.subjects().cell(1, 0), "What") << "headings are ours, not the file's";
}

TEST_F(SpamSettingsTest, CorruptFileIsReportedKeptAndDoesNotStopTheOthers) {
    Write("subj.lst", "0,0\r\n1,1,Contains\r\n");
    Write("from.lst", "6,2\r\n1,1,E-mail address\r\n2,1,Equals\r\n3,1,x@y\r\n");
    Write("kelvane.ini", "[Known]\nQuestion=1\n");
    SpamSettings settings(folder_.string());
    const auto problems = settings.readSettings();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0],
              "File contains no data or corrupt file " + (folder_ / "subj.lst").string());
    EXPECT_TRUE(settings.subjects().isEmpty());
    EXPECT_EQ(settings.senders().cell(3, 1), "x@y");
    EXPECT_TRUE(settings.options().invalidDomainCheckMark);
    EXPECT_EQ(Read("subj.lst.bad"), "0,0\r\n1,1,Contains\r\n");
}

TEST_F(SpamSettingsTest, OptionsReadHexNonZeroBooleansAndClampLimits) {
    Write("kelvane.ini",
          "[smaller]\nqsmaller = 0x10\nNum=999999\nCheck=nonsense\n"
          "[Larger]\nQLarger=-1\nNum=0x20\n[Known]\nValid=0\nNum=abc\n");
    SpamSettings settings(folder_.string());
    ASSERT_TRUE(settings.readSettings().empty());
    const SpamOptions& o = settings.options();
    EXPECT_TRUE(o.smallerOn);
    EXPECT_EQ(o.smallerLimit, SpamOptions::kSmallerMax);
    EXPECT_TRUE(o.smallerCheckMark) << "an unreadable value takes its default";
    EXPECT_TRUE(o.largerOn);
    EXPECT_EQ(o.largerLimit, 32);
    EXPECT_FALSE(o.checkValidDomain);
    SpamOptions bumped = o;
    bumpUnknown(bumped);
    EXPECT_EQ(bumped.unknownDomainCount, "1") << "a count that is not a number restarts at 0";
}

TEST_F(SpamSettingsTest, FileThatCannotBeWrittenIsReportedAndTheRestIsSaved) {
    // A folder in the file's place cannot be replaced, whoever runs the test.
    fs::create_directory(folder_ / "subj.lst");
    SpamSettings settings(folder_.string());
    AppendRule(settings.subjects(), SubjectKeywordRule("free"));
    const auto failures = settings.Savesettings();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find((folder_ / "subj.lst").string()), std::string::npos);
    EXPECT_NE(failures[0].find("Is a directory"), std::string::npos);
    EXPECT_EQ(settings.subjects().cell(2, 1), "free");
    EXPECT_NE(Read("from.lst"), "<missing>");
    for (const auto& entry : fs::directory_iterator(folder_)) {
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << "no temp file left";
    }
}

TEST_F(SpamSettingsTest, OptionsFileThatCannotBeWrittenIsReportedByName) {
    fs::create_directory(folder_ / "kelvane.ini");
    SpamSettings settings(folder_.string());
    AppendRule(settings.subjects(), SubjectKeywordRule("free"));
    const auto failures = settings.Savesettings();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0],
              "Unable to write to " + (folder_ / "kelvane.ini").string() + "\nIs a directory");
    EXPECT_NE(Read("subj.lst"), "<missing>") << "the rule files are saved all the same";
    EXPECT_TRUE(fs::is_directory(folder_ / "kelvane.ini"));
}

TEST_F(SpamSettingsTest, SaveKeepsOtherContentOfTheOptionsFile) {
    Write("kelvane.ini", "[Mine]\nKeep=yes\n");
    SpamSettings settings(folder_.string());
    ASSERT_TRUE(settings.readSettings().empty());
    ASSERT_TRUE(settings.Savesettings().empty());
    EXPECT_EQ(Read("kelvane.ini").substr(0, 17), "[Mine]\nKeep=yes\n\n");
}

// The rule files name the user's correspondents: every save leaves them, the options, their
// kept damaged copies and the known-spammer list for the user alone, also files that were
// made readable to others before (as the settings file).
TEST_F(SpamSettingsTest, SavedFilesAreForTheUserAlone) {
    Write("from.lst", "0,0\r\n1,1,Contains\r\n");  // damaged: kept as from.lst.bad
    Write("except.lst", "");
    Write("kelvane.ini", "[Known]\nNum=3\n");
    Write("known.lst", "old.test\r\n");
    for (const char* name : {"except.lst", "kelvane.ini", "known.lst"}) {
        ASSERT_EQ(::chmod(temp_.File(name).c_str(), 0644), 0);
    }
    const mode_t previous = ::umask(022);
    SpamSettings settings(folder_.string());
    EXPECT_EQ(settings.readSettings().size(), 1u) << "the damaged sender list";
    AppendRule(settings.exceptions(), ExceptionAddressRule("mum@home.example"));
    const auto problems = settings.Savesettings();
    WriteKnownListFile(temp_.File("known.lst"), {"spam.test"});
    ::umask(previous);

    EXPECT_TRUE(problems.empty()) << problems.front();
    for (const char* name : {"subj.lst", "header.lst", "from.lst", "from.lst.bad", "except.lst",
                             "kelvane.ini", "known.lst", "kelvane.lock"}) {
        EXPECT_EQ(testsupport::FilePermissions(temp_.File(name)), 0600u) << name;
    }
}

// Without the lock a save could undo what another program saves at the same moment, so it is
// refused as a whole with one message naming the lock, and every file stays as it was.
struct UnlockableCase {
    const char* name;
    std::function<void(const fs::path& lock, const fs::path& elsewhere)> spoil;
    const char* reason;
};

void PrintTo(const UnlockableCase& c, std::ostream* out) {
    *out << c.name;
}

class UnlockableSaveTest : public SpamSettingsTest,
                           public ::testing::WithParamInterface<UnlockableCase> {};

TEST_P(UnlockableSaveTest, RefusesTheSaveAndChangesNothing) {
    const fs::path lock = folder_ / "kelvane.lock";
    const fs::path elsewhere = folder_ / "elsewhere";
    fs::create_directory(elsewhere);
    testsupport::WriteFileBytes((elsewhere / "victim").string(), "keep me");
    SpamSettings settings(folder_.string());
    AppendRule(settings.subjects(), SubjectKeywordRule("cheap"));
    ASSERT_TRUE(settings.Savesettings().empty());
    const char* const files[] = {"subj.lst", "header.lst", "from.lst", "except.lst", "kelvane.ini"};
    std::vector<std::string> before;
    for (const char* name : files) before.push_back(Read(name));
    AppendRule(settings.subjects(), SubjectKeywordRule("free"));
    settings.options().largerOn = !settings.options().largerOn;
    fs::remove(lock);
    GetParam().spoil(lock, elsewhere);

    const auto problems = settings.Savesettings();
    EXPECT_THAT(problems, ::testing::ElementsAre(
                              "The rule files and spam options were not saved.\nCould not lock " +
                              lock.string() + ": " + GetParam().reason));
    for (std::size_t i = 0; i < std::size(files); ++i) {
        EXPECT_EQ(Read(files[i]), before[i]) << files[i];
    }
    EXPECT_EQ(ReadWholeFile((elsewhere / "victim").string()), "keep me");
    EXPECT_FALSE(fs::exists(elsewhere / "new"));
    EXPECT_EQ(settings.subjects().cell(2, 2), "free") << "the edits stay for another try";
}

INSTANTIATE_TEST_SUITE_P(
    Locks, UnlockableSaveTest,
    ::testing::Values(
        UnlockableCase{"link-to-a-file",
                       [](const fs::path& lock, const fs::path& elsewhere) {
                           fs::create_symlink(elsewhere / "victim", lock);
                       },
                       "Is a symbolic link"},
        UnlockableCase{"link-to-nothing-yet",
                       [](const fs::path& lock, const fs::path& elsewhere) {
                           fs::create_symlink(elsewhere / "new", lock);
                       },
                       "Is a symbolic link"},
        UnlockableCase{"folder-in-its-place",
                       [](const fs::path& lock, const fs::path&) { fs::create_directory(lock); },
                       "Not a regular file"},
        UnlockableCase{"fifo-in-its-place",
                       [](const fs::path& lock, const fs::path&) { ::mkfifo(lock.c_str(), 0600); },
                       "Not a regular file"}),
    testsupport::ParamName());

TEST_F(SpamSettingsTest, AFolderThatIsGoneCannotBeLockedAndIsNotWritten) {
    SpamSettings settings((folder_ / "gone").string());
    AppendRule(settings.subjects(), SubjectKeywordRule("free"));
    const auto problems = settings.Savesettings();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "The rule files and spam options were not saved.\nCould not lock " +
                               (folder_ / "gone/kelvane.lock").string() +
                               ": No such file or directory");
    EXPECT_FALSE(fs::exists(folder_ / "gone"));
}

}  // namespace
}  // namespace kelvane

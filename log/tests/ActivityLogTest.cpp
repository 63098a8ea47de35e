#include "ActivityLog.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "CaseName.h"
#include "GeneralSettings.h"
#include "LogFileNames.h"
#include "LogTestFiles.h"
#include "SettingsStore.h"

namespace kelvane {
namespace {

using logtest::CrLfLines;
using logtest::FileBytes;
using logtest::TempFolder;

// Tuesday 14 March 2000, 2:05 PM.
constexpr LocalDateTime kTuesdayAfternoon{2000, 3, 14, 14, 5, 0};

DeletedMessage Spam(const std::string& subject) {
    return {"pop.example.net",      "ann", subject, "Offers <deals@bulk.example>", "2048",
            "3/13/2000 11:40:00 PM"};
}

class ActivityLogTest : public ::testing::Test {
  protected:
    std::string Written() const { return FileBytes(name_); }

    TempFolder folder_;
    std::string name_ = folder_.File("activity.txt");
    LocalDateTime now_ = kTuesdayAfternoon;
    ActivityLog log_{[this] { return name_; }, [this] { return now_; }};
};

struct RecordCase {
    const char* name;
    std::function<bool(ActivityLog&)> write;
    const char* bytes;
};

void PrintTo(const RecordCase& c, std::ostream* out) {
    *out << c.name;
}

class RecordBytesTest : public ActivityLogTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordBytesTest, WritesTheExactRecordAndClosesAgain) {
    EXPECT_TRUE(GetParam().write(log_));
    EXPECT_EQ(Written(), GetParam().bytes);
    EXPECT_FALSE(log_.IsOpen());
    EXPECT_EQ(log_.LastError(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordBytesTest,
    ::testing::Values(
        RecordCase{
            "check",
            [](ActivityLog& log) { return log.WriteCheckRecord(3, "ann", "pop.example.net"); },
            "MAIL CHECK 3 msg(s) for \"ann\" on server pop.example.net at "
            "Tue 3/14/2000 2:05 PM\r\n"},
        RecordCase{"check-of-empty-mailbox",
                   [](ActivityLog& log) { return log.WriteCheckRecord(0, "b.c", "mail.x.org"); },
                   "MAIL CHECK 0 msg(s) for \"b.c\" on server mail.x.org at "
                   "Tue 3/14/2000 2:05 PM\r\n"},
        RecordCase{"error",
                   [](ActivityLog& log) {
                       return log.WriteErrorRecord("-ERR invalid password", "ann",
                                                   "pop.example.net");
                   },
                   "ERROR -ERR invalid password FOR ann ON pop.example.net AT "
                   "Tue 3/14/2000 2:05 PM\r\n"},
        // A server's multi-line error text must not split the record.
        RecordCase{"error-text-with-line-breaks",
                   [](ActivityLog& log) {
                       return log.WriteErrorRecord("-ERR busy\r\ntry later\n", "ann",
                                                   "pop.example.net");
                   },
                   "ERROR -ERR busy  try later  FOR ann ON pop.example.net AT "
                   "Tue 3/14/2000 2:05 PM\r\n"},
        RecordCase{
            "cancellation",
            [](ActivityLog& log) { return log.WriteCancellationRecord("ann", "pop.example.net"); },
            "OPERATION CANCELED FOR ann ON pop.example.net AT Tue 3/14/2000 2:05 PM\r\n"},
        RecordCase{"mode-enabled", [](ActivityLog& log) { return log.WriteModeRecord(true); },
                   "Automatic mode enabled at Tue 3/14/2000 2:05 PM\r\n"},
        RecordCase{"mode-disabled", [](ActivityLog& log) { return log.WriteModeRecord(false); },
                   "Automatic mode disabled at Tue 3/14/2000 2:05 PM\r\n"},
        RecordCase{"deletion-block",
                   [](ActivityLog& log) {
                       log.OpenLogFile();
                       const bool written = log.WriteDeletionBlock(Spam("Cheap\r\nwatches"));
                       log.CloseLogFile();
                       return written;
                   },
                   "DELETE SPAM on Tue 3/14/2000 2:05 PM\r\n"
                   "   Server:  pop.example.net Mailbox: ann\r\n"
                   "   Subject: Cheap  watches\r\n"
                   "   Sender:  Offers <deals@bulk.example>\r\n"
                   "   Size:    2048  Date: 3/13/2000 11:40:00 PM\r\n"},
        // Outside text can neither add lines to the block nor reach a terminal reading the log.
        RecordCase{"deletion-block-with-control-and-invalid-bytes",
                   [](ActivityLog& log) {
                       log.OpenLogFile();
                       DeletedMessage spam = Spam("a\rb\nc\td\x1B]0;owned\x07z\xFF");
                       spam.sender = "\x1B[2JOffers\r\n<deals@bulk.example>";
                       const bool written = log.WriteDeletionBlock(spam);
                       log.CloseLogFile();
                       return written;
                   },
                   "DELETE SPAM on Tue 3/14/2000 2:05 PM\r\n"
                   "   Server:  pop.example.net Mailbox: ann\r\n"
                   "   Subject: a b c d ]0;owned z\xEF\xBF\xBD\r\n"
                   "   Sender:   [2JOffers  <deals@bulk.example>\r\n"
                   "   Size:    2048  Date: 3/13/2000 11:40:00 PM\r\n"},
        RecordCase{"error-text-with-terminal-escape",
                   [](ActivityLog& log) {
                       return log.WriteErrorRecord("-ERR \x1B[2J gone\xC2\x9B", "ann\t",
                                                   "pop.example.net");
                   },
                   "ERROR -ERR  [2J gone  FOR ann  ON pop.example.net AT "
                   "Tue 3/14/2000 2:05 PM\r\n"}),
    testsupport::ParamName());

// Runs every writer, with and without an explicit opening.
void WriteEveryKind(ActivityLog& log) {
    log.WriteCheckRecord(1, "ann", "pop.example.net");
    log.WriteErrorRecord("-ERR", "ann", "pop.example.net");
    log.WriteCancellationRecord("ann", "pop.example.net");
    log.WriteModeRecord(true);
    log.OpenLogFile();
    log.WriteDeletionBlock(Spam("x"));
    log.CloseLogFile();
}

// Keeps the process's working folder in `folder` for the lifetime of the object, so that a
// relative file name would show up there.
class WorkingFolder {
  public:
    explicit WorkingFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }

  private:
    std::filesystem::path previous_;
};

struct BlankNameCase {
    const char* name;
    const char* fileName;
};

void PrintTo(const BlankNameCase& c, std::ostream* out) {
    *out << c.name;
}

class BlankNameTest : public ::testing::TestWithParam<BlankNameCase> {};

TEST_P(BlankNameTest, KeepsNoLogAtAll) {
    TempFolder folder;
    WorkingFolder inside(folder.path());
    const std::string name = GetParam().fileName;
    ActivityLog log([name] { return name; }, [] { return kTuesdayAfternoon; });
    EXPECT_TRUE(IsBlankLogFileName(GetParam().fileName));

    WriteEveryKind(log);

    EXPECT_FALSE(log.IsOpen());
    EXPECT_TRUE(folder.IsEmpty());
    EXPECT_EQ(log.LastError(), "");
}

INSTANTIATE_TEST_SUITE_P(Names, BlankNameTest,
                         ::testing::Values(BlankNameCase{"empty", ""},
                                           BlankNameCase{"blanks", "   "},
                                           BlankNameCase{"line-breaks-and-backspace", "\r\n\b"},
                                           BlankNameCase{"all-together", " \b \r\n "}),
                         testsupport::ParamName());

// The settings keep a name's blanks, so a stored name of blanks stays "no log" instead of becoming
// logfile.txt in the program's folder.
TEST(StoredLogFileNameTest, NameOfThreeBlanksKeepsNoLog) {
    TempFolder settings;
    TempFolder programFolder;
    WorkingFolder inside(programFolder.path());
    testsupport::WriteFileBytes(settings.File("10.conf"), "[General]\nLogfile=   \n");
    const GeneralSettings general = ReadGeneralSettings(SettingsStore(settings.File("10.conf")));
    ActivityLog log(
        [&] {
            return CurrentLogFileName(general.logfile, LogNaming::AsIs, kTuesdayAfternoon,
                                      programFolder.path().string());
        },
        [] { return kTuesdayAfternoon; });

    WriteEveryKind(log);

    EXPECT_TRUE(programFolder.IsEmpty());
    EXPECT_EQ(log.LastError(), "");
}

TEST(BlankLogFileNameTest, OtherCharactersMakeARealName) {
    EXPECT_FALSE(IsBlankLogFileName(" a "));
    EXPECT_FALSE(IsBlankLogFileName("\t"));
    EXPECT_FALSE(IsBlankLogFileName(std::string(" \0 ", 3)));
}

struct UnusableFileCase {
    const char* name;
    std::function<std::string(const TempFolder&)> fileName;
};

void PrintTo(const UnusableFileCase& c, std::ostream* out) {
    *out << c.name;
}

class UnusableFileTest : public ::testing::TestWithParam<UnusableFileCase> {};

TEST_P(UnusableFileTest, LosesTheRecordsQuietly) {
    TempFolder folder;
    std::filesystem::create_directory(folder.File("folder"));
    const std::string name = GetParam().fileName(folder);
    ActivityLog log([name] { return name; }, [] { return kTuesdayAfternoon; });

    EXPECT_FALSE(log.WriteCheckRecord(2, "ann", "pop.example.net"));
    EXPECT_NE(log.LastError().find(name), std::string::npos) << log.LastError();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(log.WriteErrorRecord("-ERR", "ann", "pop.example.net"));
    log.OpenLogFile();
    EXPECT_FALSE(log.WriteDeletionBlock(Spam("x")));
    log.CloseLogFile();
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"folder"});
    EXPECT_TRUE(std::filesystem::is_empty(folder.File("folder")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableFileTest,
    ::testing::Values(
        UnusableFileCase{"missing-folder",
                         [](const TempFolder& f) { return f.File("no-such-folder/log.txt"); }},
        UnusableFileCase{"name-of-a-folder", [](const TempFolder& f) { return f.File("folder"); }},
        UnusableFileCase{"device-that-is-always-full",
                         [](const TempFolder&) { return std::string("/dev/full"); }}),
    testsupport::ParamName());

// Something planted where the log goes (another user's link to the victim's shell start-up
// file, a FIFO that would stall every check) is refused, names the log and changes nothing.
struct PlantedLogCase {
    const char* name;
    // Puts the thing at `log`; a link points at `target` or at the missing `target`.new.
    // Returns a descriptor to close, or -1.
    std::function<int(const std::string& log, const std::string& target)> plant;
    const char* reason;
};

void PrintTo(const PlantedLogCase& c, std::ostream* out) {
    *out << c.name;
}

class PlantedLogTest : public ActivityLogTest,
                       public ::testing::WithParamInterface<PlantedLogCase> {};

TEST_P(PlantedLogTest, IsRefusedAndLeftAsItWas) {
    const std::string target = folder_.File("profile");
    testsupport::WriteFileBytes(target, "export PATH=/usr/bin\n");
    const int held = GetParam().plant(name_, target);

    EXPECT_FALSE(log_.WriteCheckRecord(2, "ann", "pop.example.net"));
    EXPECT_EQ(log_.LastError(), "Could not open log file " + name_ + ": " + GetParam().reason);
    log_.OpenLogFile();
    EXPECT_FALSE(log_.IsOpen());
    EXPECT_FALSE(log_.WriteDeletionBlock(Spam("x")));

    EXPECT_EQ(FileBytes(target), "export PATH=/usr/bin\n");
    EXPECT_FALSE(std::filesystem::exists(target + ".new"));
    if (held >= 0) {
        char byte = 0;
        EXPECT_LE(::read(held, &byte, 1), 0) << "nothing reached the FIFO's reader";
        ::close(held);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Plants, PlantedLogTest,
    ::testing::Values(PlantedLogCase{"link-to-a-file",
                                     [](const std::string& log, const std::string& target) {
                                         std::filesystem::create_symlink(target, log);
                                         return -1;
                                     },
                                     "Is a symbolic link"},
                      PlantedLogCase{"link-to-nothing-yet",
                                     [](const std::string& log, const std::string& target) {
                                         std::filesystem::create_symlink(target + ".new", log);
                                         return -1;
                                     },
                                     "Is a symbolic link"},
                      PlantedLogCase{"fifo-without-a-reader",
                                     [](const std::string& log, const std::string&) {
                                         ::mkfifo(log.c_str(), 0600);
                                         return -1;
                                     },
                                     "Not a regular file"},
                      PlantedLogCase{"fifo-with-a-reader",
                                     [](const std::string& log, const std::string&) {
                                         ::mkfifo(log.c_str(), 0600);
                                         return ::open(log.c_str(), O_RDONLY | O_NONBLOCK);
                                     },
                                     "Not a regular file"},
                      PlantedLogCase{"folder",
                                     [](const std::string& log, const std::string&) {
                                         std::filesystem::create_directory(log);
                                         return -1;
                                     },
                                     "Not a regular file"}),
    testsupport::ParamName());

TEST_F(ActivityLogTest, EachOpeningTakesTheNameAsItStandsThen) {
    name_ = folder_.File("no-such-folder/activity.txt");
    EXPECT_FALSE(log_.WriteCheckRecord(2, "ann", "pop.example.net"));

    name_ = folder_.File("activity.txt");
    EXPECT_TRUE(log_.WriteModeRecord(false));
    EXPECT_EQ(log_.LastError(), "");
    name_ = folder_.File("Apr00.txt");
    EXPECT_TRUE(log_.WriteModeRecord(true));

    EXPECT_EQ(FileBytes(folder_.File("activity.txt")),
              "Automatic mode disabled at Tue 3/14/2000 2:05 PM\r\n");
    EXPECT_EQ(Written(), "Automatic mode enabled at Tue 3/14/2000 2:05 PM\r\n");
}

TEST_F(ActivityLogTest, DeletionRunAppendsItsBlocksInOrderThroughOneOpening) {
    log_.WriteCheckRecord(4, "ann", "pop.example.net");
    log_.OpenLogFile();
    ASSERT_TRUE(log_.IsOpen());
    // Renaming the log while the run holds it open does not move the run's blocks.
    const std::string firstName = name_;
    name_ = folder_.File("renamed.txt");
    for (int minute = 6; minute <= 9; ++minute) {
        now_.minute = minute;
        EXPECT_TRUE(log_.WriteDeletionBlock(Spam("offer " + std::to_string(minute))));
    }
    log_.CloseLogFile();
    EXPECT_FALSE(log_.IsOpen());

    const auto lines = CrLfLines(FileBytes(firstName));
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0].rfind("MAIL CHECK 4 ", 0), 0u);
    for (int block = 0; block < 4; ++block) {
        const auto first = 1 + block * 5;
        EXPECT_EQ(lines[first],
                  "DELETE SPAM on Tue 3/14/2000 2:0" + std::to_string(6 + block) + " PM");
        EXPECT_EQ(lines[first + 2], "   Subject: offer " + std::to_string(6 + block));
    }
    EXPECT_FALSE(std::filesystem::exists(name_));
}

TEST_F(ActivityLogTest, OpenRunAppendsAfterRecordsAnotherProcessAddedMeanwhile) {
    log_.OpenLogFile();
    ActivityLog companion([this] { return name_; }, [this] { return now_; });
    companion.WriteCheckRecord(1, "bob", "mail.x.org");
    log_.WriteDeletionBlock(Spam("x"));
    log_.CloseLogFile();

    const auto lines = CrLfLines(Written());
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0],
              "MAIL CHECK 1 msg(s) for \"bob\" on server mail.x.org at Tue 3/14/2000 2:05 PM");
    EXPECT_EQ(lines[1], "DELETE SPAM on Tue 3/14/2000 2:05 PM");
}

TEST_F(ActivityLogTest, DeletionBlockWhileClosedWritesNothing) {
    EXPECT_FALSE(log_.WriteDeletionBlock(Spam("x")));
    log_.OpenLogFile();
    log_.CloseLogFile();
    EXPECT_FALSE(log_.WriteDeletionBlock(Spam("y")));
    EXPECT_EQ(Written(), "");
}

TEST_F(ActivityLogTest, SingleRecordDuringDeletionRunLeavesTheLogOpen) {
    log_.OpenLogFile();
    log_.WriteDeletionBlock(Spam("first"));
    EXPECT_TRUE(log_.WriteErrorRecord("-ERR no such message", "ann", "pop.example.net"));
    EXPECT_TRUE(log_.IsOpen());
    EXPECT_TRUE(log_.WriteDeletionBlock(Spam("second")));
    log_.CloseLogFile();

    const auto lines = CrLfLines(Written());
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[2], "   Subject: first");
    EXPECT_EQ(lines[5].rfind("ERROR -ERR no such message FOR ann", 0), 0u);
    EXPECT_EQ(lines[8], "   Subject: second");
}

TEST_F(ActivityLogTest, EveryClickOnEnableWritesItsOwnRecord) {
    log_.WriteModeRecord(true);
    now_.minute = 6;
    log_.WriteModeRecord(true);
    EXPECT_EQ(Written(),
              "Automatic mode enabled at Tue 3/14/2000 2:05 PM\r\n"
              "Automatic mode enabled at Tue 3/14/2000 2:06 PM\r\n");
}

TEST_F(ActivityLogTest, ClearedLogIsBegunAnewByTheNextRecord) {
    log_.WriteCheckRecord(7, "ann", "pop.example.net");
    ASSERT_TRUE(std::filesystem::exists(name_));

    EXPECT_TRUE(ClearLogFile(name_));
    EXPECT_FALSE(std::filesystem::exists(name_));
    EXPECT_TRUE(ClearLogFile(name_));  // nothing left to clear is no error

    log_.WriteCancellationRecord("ann", "pop.example.net");
    EXPECT_EQ(Written(),
              "OPERATION CANCELED FOR ann ON pop.example.net AT Tue 3/14/2000 2:05 PM\r\n");
}

}  // namespace
}  // namespace kelvane

#include "SettingsStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <functional>

#include "AtomicFile.h"
#include "CaseName.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
namespace keys = settingkeys;

class SettingsStoreTest : public ::testing::Test {
  protected:
    void WriteRaw(const std::string& text) { testsupport::WriteFileBytes(path_, text); }
    std::string Raw(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }

    testsupport::TempFolder folder_;
    std::string path_ = folder_.File("10.conf");
};

TEST_F(SettingsStoreTest, FreshStoreGivesEveryDefaultOfTheKeyTable) {
    const SettingsStore store(path_);
    for (const SettingKey* key : keys::kAll) {
        SCOPED_TRACE(std::string(key->section) + "/" + std::string(key->name));
        EXPECT_EQ(store.ReadString(*key, 1), key->defaultValue);
    }
    EXPECT_EQ(store.ReadInteger(keys::Minutes), 10);
    EXPECT_EQ(store.ReadInteger(keys::Which), 1);
    EXPECT_EQ(store.ReadInteger(keys::SubjectColumnWidth, 3), -1);
    EXPECT_FALSE(store.ReadBool(keys::Automatic));
    EXPECT_TRUE(store.ReadBool(keys::CheckN, 12));
    EXPECT_EQ(store.ReadString(keys::Version161), "xx");
    EXPECT_FALSE(fs::exists(path_)) << "reading creates nothing";
}

TEST_F(SettingsStoreTest, ReadsNumbersBooleansAndNamesLeniently) {
    WriteRaw(
        "[general]\nminutes=0x1E\nRAS=ten\nKILL=2\nAsk=no\nAlarmFile=/snd/harp.wav\n"
        "[Server]\nServer3=pop.example.org\n");
    const SettingsStore store(path_);
    EXPECT_EQ(store.ReadInteger(keys::Minutes), 30);
    EXPECT_EQ(store.ReadInteger(keys::RAS), 0) << "not a number: the default";
    EXPECT_TRUE(store.ReadBool(keys::Kill)) << "a non-zero number is true";
    EXPECT_TRUE(store.ReadBool(keys::Ask)) << "not a number: the default";
    EXPECT_EQ(store.ReadString("General", "Alarmfile", ""), "/snd/harp.wav");
    EXPECT_EQ(store.ReadString(keys::ServerN, 3), "pop.example.org");
    EXPECT_EQ(store.ReadString(keys::ServerN, 4), "");
}

struct RangeCase {
    const char* name;
    const SettingKey* key;
    int mailbox;
    const char* stored;
    long long read;
};

class KeyTableRangeTest : public SettingsStoreTest,
                          public ::testing::WithParamInterface<RangeCase> {};

TEST_P(KeyTableRangeTest, ReadsAStoredNumberHeldToTheKeysRange) {
    const RangeCase& c = GetParam();
    WriteRaw("[" + std::string(c.key->section) + "]\n" + c.key->KeyName(c.mailbox) + "=" +
             c.stored + "\n");
    EXPECT_EQ(SettingsStore(path_).ReadInteger(*c.key, c.mailbox), c.read);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyTableRangeTest,
    ::testing::Values(RangeCase{"minutes-zero-nearest", &keys::Minutes, 0, "0", 2},
                      RangeCase{"minutes-huge-nearest", &keys::Minutes, 0, "100000", 600},
                      RangeCase{"minutes-in-range", &keys::Minutes, 0, "0x1E", 30},
                      RangeCase{"which-zero-default", &keys::Which, 0, "0", 1},
                      RangeCase{"which-thirteen-default", &keys::Which, 0, "13", 1},
                      RangeCase{"which-twelve", &keys::Which, 0, "12", 12},
                      RangeCase{"ras-negative-none", &keys::RAS, 0, "-2", 0},
                      RangeCase{"ras-past-int-none", &keys::RAS, 0, "0x80000000", 0},
                      RangeCase{"security-three-default", &keys::SecurityN, 4, "3", 0},
                      RangeCase{"security-implicit", &keys::SecurityN, 4, "2", 2},
                      RangeCase{"width-none-stored", &keys::SubjectColumnWidth, 2, "-1", -1},
                      RangeCase{"width-negative-none", &keys::HeadersColumnWidth, 0, "-40", -1},
                      RangeCase{"width-past-any-screen-none", &keys::SenderColumnWidth, 5,
                                "99999999999", -1},
                      RangeCase{"width-kept", &keys::ExceptionsColumnWidth, 1, "180", 180},
                      RangeCase{"points-negative-nearest", &keys::Points, 0, "-7", 0},
                      RangeCase{"points-huge-nearest", &keys::Points, 0, "5000000", 1000000}),
    testsupport::ParamName());

TEST_F(SettingsStoreTest, EachWriteIsInTheFileAtOnceAndValuesKeepEveryByte) {
    SettingsStore store(path_);
    store.WriteString(keys::Logfile, "C:\\logs\\a.txt\r\nsecond line");
    store.WriteInteger(keys::Minutes, -5);
    store.WriteBool(keys::SysTray, true);
    EXPECT_EQ(Raw(path_),
              "[General]\nLogfile=C:\\\\logs\\\\a.txt\\r\\nsecond line\nMinutes=-5\nSysTray=1\n");
    const SettingsStore again(path_);
    EXPECT_EQ(again.ReadString(keys::Logfile), "C:\\logs\\a.txt\r\nsecond line");
    EXPECT_EQ(again.ReadInteger("General", "Minutes", 10), -5) << "by name: as stored";
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the file holds enciphered passwords";
}

TEST_F(SettingsStoreTest, BatchWritesInOrderAndAFailedBatchWritesNothing) {
    SettingsStore store(path_);
    store.Write([](SettingsWriter& w) {
        w.WriteBool(keys::LogAsis, true);
        w.WriteString(keys::Logfile, "log.txt");
        w.WriteString(keys::ServerN, "pop.a", 2);
    });
    EXPECT_EQ(Raw(path_),
              "[Logfile]\nAsis=1\n\n[General]\nLogfile=log.txt\n\n[Server]\nServer2=pop.a\n");
    EXPECT_THROW(store.Write([](SettingsWriter& w) {
        w.WriteString(keys::Logfile, "changed");
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(store.ReadString(keys::Logfile), "log.txt");
}

TEST_F(SettingsStoreTest, DamagedFileIsReadAsFarAsPossibleAndKeptOnTheNextWrite) {
    const std::string damaged = "[General]\nMinutes=20\n\x01garbage without equals\nKill=1\n";
    WriteRaw(damaged);
    SettingsStore store(path_);
    EXPECT_EQ(store.ReadInteger(keys::Minutes), 20);
    EXPECT_TRUE(store.ReadBool(keys::Kill));
    store.WriteBool(keys::Alarm, false);
    EXPECT_EQ(Raw(path_ + ".bad"), damaged);
    EXPECT_EQ(store.ReadInteger(keys::Minutes), 20);
    EXPECT_FALSE(store.ReadBool(keys::Alarm));
}

// Someone made the file and its kept copy readable to all (a copy from a backup, a chmod); the
// next write makes both private again.
TEST_F(SettingsStoreTest, WriteMakesLoosenedFilesPrivateAgain) {
    WriteRaw("[General]\nMinutes=20\n\x01garbage without equals\n");
    testsupport::WriteFileBytes(path_ + ".bad", "an older damaged copy");
    ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
    ASSERT_EQ(::chmod((path_ + ".bad").c_str(), 0644), 0);

    SettingsStore store(path_);
    store.WriteString(keys::PasswdN, "enciphered", 1);

    EXPECT_EQ(testsupport::FilePermissions(path_), 0600u);
    EXPECT_EQ(testsupport::FilePermissions(path_ + ".bad"), 0600u);
    EXPECT_EQ(store.ReadString(keys::PasswdN, 1), "enciphered");
    EXPECT_EQ(store.ReadInteger(keys::Minutes), 20);
}

TEST_F(SettingsStoreTest, UnreadableFileGivesDefaultsAndIsSetAsideOnWrite) {
    fs::create_directory(path_);  // unreadable as a file, whoever runs the test
    SettingsStore store(path_);
    EXPECT_EQ(store.ReadInteger(keys::Minutes), 10);
    store.WriteInteger(keys::Minutes, 15);
    EXPECT_EQ(store.ReadInteger(keys::Minutes), 15);
    EXPECT_TRUE(fs::is_directory(path_ + ".bad"));
}

// A lock that cannot be taken refuses the write: the file and whatever a planted link points
// at stay as they were.
TEST_F(SettingsStoreTest, WriteWithoutItsLockIsRefused) {
    struct Case {
        const char* name;
        std::function<void(const std::string& lock)> spoil;
        const char* reason;
    };
    const std::string victim = folder_.File("victim");
    const Case cases[] = {
        {"link-to-a-file", [&](const std::string& lock) { fs::create_symlink(victim, lock); },
         "Is a symbolic link"},
        {"link-to-nothing-yet",
         [&](const std::string& lock) { fs::create_symlink(victim + ".new", lock); },
         "Is a symbolic link"},
        {"fifo-in-its-place", [](const std::string& lock) { ::mkfifo(lock.c_str(), 0600); },
         "Not a regular file"},
    };
    const std::string lock = path_ + ".lock";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteRaw("[General]\nMinutes=20\n");
        testsupport::WriteFileBytes(victim, "keep me");
        fs::remove(lock);
        c.spoil(lock);
        SettingsStore store(path_);
        try {
            store.WriteInteger(keys::Minutes, 30);
            ADD_FAILURE() << "written without the lock";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Could not write " + path_ + ": could not lock " + lock + ": " + c.reason);
        }
        EXPECT_EQ(Raw(path_), "[General]\nMinutes=20\n");
        EXPECT_EQ(Raw(victim), "keep me");
        EXPECT_FALSE(fs::exists(victim + ".new"));
    }
}

TEST_F(SettingsStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWritesEach = 60;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            SettingsStore store(path_);
            for (int i = 0; i < kWritesEach; ++i) {
                store.WriteInteger("Writer" + std::to_string(child), "Key" + std::to_string(i), i);
            }
            ::_exit(0);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const SettingsStore store(path_);
    for (int child = 0; child < 2; ++child) {
        for (int i = 0; i < kWritesEach; ++i) {
            EXPECT_EQ(
                store.ReadInteger("Writer" + std::to_string(child), "Key" + std::to_string(i), -1),
                i);
        }
    }
}

}  // namespace
}  // namespace kelvane

#include "SpamCounter.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <limits>
#include <ostream>
#include <string>

#include "AtomicFile.h"
#include "CaseName.h"
#include "SettingsStore.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

const std::string kMax = std::to_string(std::numeric_limits<long long>::max());
const std::string kMin = std::to_string(std::numeric_limits<long long>::min());

struct CountCase {
    const char* name;
    std::string count;
    long long added;
    std::string result;
};

void PrintTo(const CountCase& c, std::ostream* out) {
    *out << c.name;
}

class SpamCounterTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(SpamCounterTest, AddsToTheStoredText) {
    EXPECT_EQ(AddToSpamCount(GetParam().count, GetParam().added), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, SpamCounterTest,
    ::testing::Values(
        CountCase{"after-reset", std::string(kSpamCountReset), 4, "4"},
        CountCase{"running-count", "17", 3, "20"}, CountCase{"nothing-added", "17", 0, "17"},
        CountCase{"surrounding-blanks", " 7 ", 1, "8"}, CountCase{"empty-text", "", 2, "2"},
        CountCase{"not-a-number", "lots", 5, "5"}, CountCase{"trailing-garbage", "12abc", 1, "1"},
        CountCase{"hexadecimal-is-not-decimal", "0x10", 1, "1"},
        CountCase{"saturates-at-the-top", kMax, 1, kMax},
        CountCase{"saturates-near-the-top", "9223372036854775800", 100, kMax},
        CountCase{"too-long-to-read", "99999999999999999999999", 1, kMax},
        CountCase{"saturates-at-the-bottom", kMin, -1, kMin}),
    testsupport::ParamName());

class StoredSpamCountTest : public ::testing::Test {
  protected:
    std::string FileText() const { return ReadWholeFile(store_.path()).value_or("<missing>"); }

    testsupport::TempFolder folder_;
    SettingsStore store_{folder_.File("10.conf")};
};

// The window read Count=3 at start-up; a command-line run has since counted more and changed an
// option. The window's deletions go on top of what is stored, and nothing else is written.
TEST_F(StoredSpamCountTest, RaisesTheStoredCountAndWritesThatKeyAlone) {
    testsupport::WriteFileBytes(store_.path(), "[General]\nCount=7\nMinutes=25\n");
    EXPECT_EQ(RaiseStoredSpamCount(store_, 4), "11");
    EXPECT_EQ(FileText(), "[General]\nCount=11\nMinutes=25\n");
}

TEST_F(StoredSpamCountTest, MissingCountStartsFromTheDefault) {
    EXPECT_EQ(RaiseStoredSpamCount(store_, 2), "2");
    EXPECT_EQ(FileText(), "[General]\nCount=2\n");
}

// The window and a cron run delete at the same time: every deletion is counted once.
TEST_F(StoredSpamCountTest, TwoProcessesRaisingAtOnceLoseNothing) {
    constexpr int kRaisesEach = 80;
    store_.WriteString(settingkeys::Count, "100");
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(start[1]);
        char go;
        while (::read(start[0], &go, 1) < 0) {
        }
        int status = 0;
        try {
            SettingsStore own(store_.path());
            for (int i = 0; i < kRaisesEach; ++i) RaiseStoredSpamCount(own, 2);
        } catch (const FileError&) {
            status = 1;
        }
        ::_exit(status);
    }
    ::close(start[0]);
    ::close(start[1]);  // both start at once
    for (int i = 0; i < kRaisesEach; ++i) RaiseStoredSpamCount(store_, 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(store_.ReadString(settingkeys::Count), std::to_string(100 + 3 * kRaisesEach));
}

}  // namespace
}  // namespace kelvane

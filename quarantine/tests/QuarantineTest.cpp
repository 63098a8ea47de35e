#include "Quarantine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "AtomicFile.h"
#include "KeptMessageFile.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

constexpr long long kNow = 1797000000;
constexpr long long kDay = 24 * 60 * 60;

class QuarantineTest : public ::testing::Test {
  protected:
    std::string KeepOne(const std::string& subject, long long when, std::string_view message) {
        KeptMessage kept;
        kept.deletedAt = when;
        kept.mailbox = 2;
        kept.subject = subject;
        kept.sender = "s@bad.example";
        return quarantine_.Keep(kept, message, limits_);
    }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }
    static mode_t Mode(const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 0777 : 0;
    }

    testsupport::TempFolder temp_;
    std::string folder_ = QuarantineFolder(temp_.path().string());
    Quarantine quarantine_{folder_};
    QuarantineLimits limits_;
};

TEST_F(QuarantineTest, KeepsPrivatelyListsNewestFirstAndRestoresByteForByte) {
    const std::string first("From: a\r\n\r\nbody\0", 16);
    const std::string a = KeepOne("first", kNow - 10, first);
    const std::string b = KeepOne("second", kNow, "From: b\r\n\r\n");
    const std::string c = KeepOne("same second", kNow, "From: c\r\n\r\n");
    quarantine_.Flush();
    EXPECT_TRUE(Quarantine::IsId(a));
    EXPECT_NE(b, c);
    EXPECT_EQ(Mode(folder_), 0700u);
    EXPECT_EQ(Mode(folder_ + "/" + a + ".kept"), 0600u);

    const auto listed = quarantine_.List();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].id, c);
    EXPECT_EQ(listed[2].subject, "first");
    EXPECT_EQ(listed[2].originalSize, 16);
    EXPECT_TRUE(listed[2].whole);

    const std::string restored = temp_.File("restored.eml");
    quarantine_.Restore(a, restored);
    EXPECT_EQ(ReadWholeFile(restored), first);
    EXPECT_EQ(Mode(restored), 0600u);
}

TEST_F(QuarantineTest, RestoreNeverReplacesAFileAndNamesWhatIsWrong) {
    const std::string id = KeepOne("x", kNow, "From: a\r\n\r\n");
    const std::string existing = temp_.File("mine.eml");
    { std::ofstream(existing) << "the user's own file"; }
    EXPECT_THROW(quarantine_.Restore(id, existing), FileError);
    EXPECT_EQ(ReadWholeFile(existing), "the user's own file");
    try {
        quarantine_.Restore("20261211-105500-0042", temp_.File("new.eml"));
        FAIL() << "an unknown id restored";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("20261211-105500-0042"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(temp_.File("new.eml")));
}

TEST_F(QuarantineTest, ForeignAndCraftedFilesAreNeverShownNorRemoved) {
    const std::string ours = KeepOne("ours", kNow - 100 * kDay, "From: a\r\n\r\n");
    const std::pair<const char*, std::string> strangers[] = {
        {"notes.txt", "user's notes"},
        {"20261211-105500-0001.kept", "Kelvane kept message 1\nSubject: no length\n\n"},
        {"20261211-105500-0002.kept", "a different file under our kind of name"},
        {"../escape.kept", ""},
        {"2026121-105500-00001.kept", FormatKeptMessage({}, "")},
    };
    for (const auto& [name, text] : strangers) {
        if (std::string(name).find('/') == std::string::npos) {
            std::ofstream(folder_ + "/" + name) << text;
        }
    }
    fs::create_symlink(folder_ + "/" + ours + ".kept", folder_ + "/20261211-105500-0003.kept");
    const std::size_t files = FilesInFolder();

    const auto listed = quarantine_.List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].id, ours);
    for (const char* id : {"20261211-105500-0001", "20261211-105500-0003", "../escape"}) {
        EXPECT_FALSE(quarantine_.Find(id)) << id;
        EXPECT_FALSE(quarantine_.Forget(id)) << id;
    }
    // Zero days: everything of ours is expired, and nothing else.
    limits_.days = 0;
    EXPECT_EQ(quarantine_.Expire(limits_, kNow), 1);
    EXPECT_EQ(FilesInFolder(), files - 1);
}

TEST_F(QuarantineTest, ExpiresByAgeThenOldestFirstBySize) {
    const std::string body(10000, 'b');
    const std::string old = KeepOne("old", kNow - 31 * kDay, body);
    const std::string older = KeepOne("older", kNow - 20 * kDay, body);
    const std::string middle = KeepOne("middle", kNow - 10 * kDay, body);
    const std::string newest = KeepOne("newest", kNow, body);
    EXPECT_EQ(quarantine_.Expire(limits_, kNow), 1);
    EXPECT_FALSE(quarantine_.Find(old));

    limits_.totalBytes = 25000;  // two files of ~10.3 KB fit
    EXPECT_EQ(quarantine_.Expire(limits_, kNow), 1);
    EXPECT_FALSE(quarantine_.Find(older));
    EXPECT_TRUE(quarantine_.Find(middle));
    EXPECT_TRUE(quarantine_.Forget(newest));
    EXPECT_FALSE(quarantine_.Forget(newest));
    EXPECT_EQ(quarantine_.List().size(), 1u);
}

TEST_F(QuarantineTest, LargeMessageKeepsItsStartAndSaysSo) {
    limits_.wholeLimit = 1024;
    const std::string message = "Subject: big\r\n\r\n" + std::string(200 * 1024, 'x');
    const std::string id = KeepOne("big", kNow, message);
    const auto kept = quarantine_.Find(id);
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->whole);
    EXPECT_EQ(kept->originalSize, static_cast<long long>(message.size()));
    EXPECT_EQ(quarantine_.Message(id), message.substr(0, 16 + kBodyKeptOfLarge));
}

TEST_F(QuarantineTest, AFolderThatCannotHoldFilesIsAnError) {
    { std::ofstream(folder_) << "a file where the folder belongs"; }
    EXPECT_THROW(KeepOne("x", kNow, "From: a\r\n\r\n"), FileError);
    EXPECT_TRUE(quarantine_.List().empty());
    EXPECT_EQ(ReadWholeFile(folder_), "a file where the folder belongs");
}

}  // namespace
}  // namespace kelvane

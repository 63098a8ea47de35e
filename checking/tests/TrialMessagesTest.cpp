#include "TrialMessages.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "HeaderCache.h"
#include "Quarantine.h"
#include "QuarantineLimits.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::string_view kOwner = "ann\npop.example.org";

class TrialMessagesTest : public ::testing::Test {
  protected:
    void SaveCache() {
        HeaderCache cache;
        cache.Add("b-2", 900,
                  {"From: Bob <bob@friends.test>", "Subject: =?utf-8?q?Caf=C3=A9?= lunch",
                   "X-Mailer: Floodgate"});
        cache.Add("a-1", 1200, {"From: promo@pills.example", "Subject: Cheap pills"});
        cache.Save(cacheFile_, kOwner);
    }
    std::string Keep(const std::string& subject, long long when, std::string_view message) {
        KeptMessage kept;
        kept.deletedAt = when;
        kept.mailbox = 2;
        kept.subject = subject;
        kept.sender = "s@bad.example";
        return quarantine_.Keep(kept, message, QuarantineLimits{});
    }

    testsupport::TempFolder folder_;
    std::string cacheFile_ = folder_.File("headers1.cache");
    Quarantine quarantine_{folder_.File("kept")};
};

TEST_F(TrialMessagesTest, ListingHasTheCachedBlocksWithTheListsTexts) {
    SaveCache();
    const std::vector<TrialMessage> messages = ListingTrialMessages(cacheFile_, kOwner, 3);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].source, TrialSource::LastListing);
    EXPECT_EQ(messages[0].mailbox, 3);
    EXPECT_EQ(messages[0].subject, "Cheap pills");
    EXPECT_EQ(messages[0].sender, "promo@pills.example");
    EXPECT_EQ(messages[1].subject, "Caf\xC3\xA9 lunch");
    EXPECT_EQ(messages[1].sender, "bob@friends.test");
    EXPECT_THAT(messages[1].headers,
                ElementsAre("From: Bob <bob@friends.test>", "Subject: =?utf-8?q?Caf=C3=A9?= lunch",
                            "X-Mailer: Floodgate"));
}

// The check run decides what becomes of a cache it cannot trust; the trial only reads.
TEST_F(TrialMessagesTest, ListingIsEmptyForAMissingDamagedOrForeignCacheWhichStaysInPlace) {
    EXPECT_THAT(ListingTrialMessages(cacheFile_, kOwner, 1), IsEmpty());
    EXPECT_THAT(ListingTrialMessages("", kOwner, 1), IsEmpty());
    SaveCache();
    EXPECT_THAT(ListingTrialMessages(cacheFile_, "bob\npop.example.org", 1), IsEmpty());
    {
        std::fstream file(cacheFile_, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(40);
        file.put('#');
    }
    EXPECT_THAT(ListingTrialMessages(cacheFile_, kOwner, 1), IsEmpty());
    EXPECT_TRUE(std::filesystem::exists(cacheFile_));
    EXPECT_FALSE(std::filesystem::exists(cacheFile_ + ".damaged"));
    std::filesystem::remove(cacheFile_);
    std::filesystem::create_directory(cacheFile_);
    EXPECT_THAT(ListingTrialMessages(cacheFile_, kOwner, 1), IsEmpty());
}

TEST_F(TrialMessagesTest, DeletedHaveTheHeaderBlockOfEachKeptMessageNewestFirst) {
    Keep("Older", 1797000000,
         "From: a@bad.example\r\nSubject: Older\r\n\r\nBody: not a header\r\n");
    Keep("Newer", 1797000100, "From: b@bad.example\nSubject: Newer\n");
    // Neither a kept message's name nor its contents: passed over.
    std::ofstream(folder_.File("kept/notes.kept")) << "From: x@y.test\n\nhello\n";

    const std::vector<TrialMessage> messages = DeletedTrialMessages(quarantine_);

    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].source, TrialSource::DeletedJunk);
    EXPECT_EQ(messages[0].subject, "Newer");
    EXPECT_EQ(messages[0].sender, "s@bad.example");
    EXPECT_EQ(messages[0].mailbox, 2);
    EXPECT_THAT(messages[0].headers, ElementsAre("From: b@bad.example", "Subject: Newer"));
    EXPECT_THAT(messages[1].headers, ElementsAre("From: a@bad.example", "Subject: Older"));
}

TEST_F(TrialMessagesTest, DeletedPassOverAMessageWhoseHeaderNeverEnds) {
    std::string endless;
    while (endless.size() <= HeaderCache::kLargestBlock) endless += "X-Padding: 0123456789\r\n";
    Keep("Endless", 1797000000, endless + "\r\nbody\r\n");
    Keep("Plain", 1797000100, "Subject: Plain\r\n\r\nbody\r\n");
    const std::vector<TrialMessage> messages = DeletedTrialMessages(quarantine_);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].subject, "Plain");
}

TEST_F(TrialMessagesTest, DeletedAreNoneWithoutAQuarantineFolder) {
    EXPECT_THAT(DeletedTrialMessages(quarantine_), IsEmpty());
}

}  // namespace
}  // namespace kelvane

// The pipelined listing and the kept header blocks against a real server: whatever way the
// client lists, it lists the same, and another client's changes to the mailbox are seen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "DovecotMailbox.h"
#include "DovecotServer.h"
#include "HeaderCache.h"
#include "MailHeaders.h"
#include "NumberedMessage.h"
#include "RawPop3Session.h"
#include "TempFolder.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using testsupport::DovecotServer;
using testsupport::NumberedMessage;
using testsupport::RawSession;

constexpr const char* kUser = pop3test::kDovecotUser;
constexpr const char* kPassword = pop3test::kDovecotPassword;
// Reading the file back as a check would, whatever the mailbox holds now.
constexpr std::size_t kAnyCount = std::numeric_limits<std::size_t>::max();

// What a listing says about one message, unique id aside.
struct Listed {
    long long size;
    TmsHeaders headers;
    bool operator==(const Listed&) const = default;
};

class DovecotPipelineTest : public pop3test::DovecotMailbox {
  protected:
    // Messages `first` to `last`, most of them with a header line of their own length.
    void Deliver(int first, int last) {
        for (int n = first; n <= last; ++n) {
            std::string message = NumberedMessage(n);
            if (n % 7 != 0)
                message.insert(0, "X-Padding: " + std::string(n * 37 % 900, 'p') + "\r\n");
            server->AddMessage(kUser, message);
        }
    }

    // A client whose commands are counted by name ("TOP", "DELE") in `sent`.
    TmsRemotePOP& Client(int depth = TmsRemotePOP::kDeepestPipeline, bool cached = false) {
        pop.emplace();
        pop->Server = server->address();
        pop->UserName = kUser;
        pop->Password = kPassword;
        pop->TimeOut = 5;
        pop->PipelineDepth = depth;
        pop->HeaderCacheFile = cached ? cacheFile : "";
        pop->OnTrace = [this](const std::string& line) {
            if (line.rfind("C: ", 0) == 0) sent.push_back(line.substr(3, line.find(' ', 3) - 3));
        };
        pop->OnSkipped = [this](TagSocket&, int num) { skipped.push_back(num); };
        return *pop;
    }

    std::vector<Listed> Listing() const {
        std::vector<Listed> listed;
        for (int num = 0; num < pop->Info().Count(); ++num) {
            const TmsRemoteInfoItem& item = pop->Info().Items(num);
            listed.push_back({item.Size, item.Headers});
        }
        return listed;
    }

    std::vector<std::string> Subjects() const {
        std::vector<std::string> subjects;
        for (int num = 0; num < pop->Info().Count(); ++num) {
            subjects.push_back(GetFieldValue(pop->Info().Items(num).Headers, "Subject"));
        }
        return subjects;
    }

    long Sent(const std::string& command) const {
        return std::count(sent.begin(), sent.end(), command);
    }

    // How many header blocks the cache file keeps.
    std::size_t Kept() const {
        return HeaderCache::Load(cacheFile, pop->CacheOwner(), kAnyCount).Count();
    }

    // Deletes messages by number in a session of another client.
    void DeleteElsewhere(const std::vector<int>& numbers) {
        RawSession other(server->port());
        std::vector<std::string> commands{"USER ann", "PASS s3cret!"};
        for (const int n : numbers) commands.push_back("DELE " + std::to_string(n));
        commands.push_back("QUIT");
        for (const std::string& reply : other.Replies(commands))
            ASSERT_EQ(reply.substr(0, 3), "+OK");
    }

    std::optional<TmsRemotePOP> pop;
    testsupport::TempFolder folder;
    const std::string cacheFile = folder.File("headers1.cache");
    std::vector<std::string> sent;
    std::vector<int> skipped;
};

TEST_F(DovecotPipelineTest, EveryWayOfListingListsTheSame) {
    Deliver(1, 40);
    server->Start();

    Client(1).UpdateInfo();
    const std::vector<Listed> oneByOne = Listing();
    ASSERT_EQ(oneByOne.size(), 40u);
    EXPECT_EQ(Sent("TOP"), 40);

    for (const int depth : {2, 7, TmsRemotePOP::kDeepestPipeline}) {
        SCOPED_TRACE("depth " + std::to_string(depth));
        Client(depth).UpdateInfo();
        EXPECT_EQ(Listing(), oneByOne);
    }

    sent.clear();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    EXPECT_EQ(Listing(), oneByOne);
    EXPECT_EQ(Sent("TOP"), 40);
    EXPECT_EQ(Sent("LIST"), 1);
    EXPECT_EQ(Kept(), 40u);
    struct stat info {};
    ASSERT_EQ(::stat(cacheFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // The second check takes every block from the cache.
    sent.clear();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    EXPECT_EQ(Listing(), oneByOne);
    EXPECT_EQ(Sent("TOP"), 0);
    EXPECT_EQ(pop->Info().Items(0).UIDL.empty(), false);
}

class DovecotDeletionTest : public DovecotPipelineTest,
                            public ::testing::WithParamInterface<int> {};

// The same marks delete the same messages, one command at a time or pipelined.
TEST_P(DovecotDeletionTest, DeletesTheMarkedMessagesAlone) {
    Deliver(1, 12);
    server->Start();
    Client(GetParam(), true).UpdateInfo();
    for (const int num : {0, 4, 5, 11}) pop->SelectForDeletion(num);
    pop->ProcessMarked();
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(Sent("DELE"), 4);

    Client(GetParam(), true).UpdateInfo();
    EXPECT_THAT(Subjects(), ElementsAre("message 2", "message 3", "message 4", "message 7",
                                        "message 8", "message 9", "message 10", "message 11"));
}

INSTANTIATE_TEST_SUITE_P(Depths, DovecotDeletionTest,
                         ::testing::Values(1, TmsRemotePOP::kDeepestPipeline));

// Messages deleted by another client leave the cache at the next check; the ones left need no
// TOP.
TEST_F(DovecotPipelineTest, CacheFollowsDeletionsByAnotherClient) {
    Deliver(1, 5);
    server->Start();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    ASSERT_EQ(Kept(), 5u);

    DeleteElsewhere({2, 4});
    sent.clear();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    EXPECT_THAT(Subjects(), ElementsAre("message 1", "message 3", "message 5"));
    EXPECT_EQ(Sent("TOP"), 0);
    EXPECT_EQ(Kept(), 3u);
}

// Another client deleted message 3 and a new one arrived, so number 3 is another message now:
// the deletion marked on the old listing leaves it alone, and the next check fetches it.
TEST_F(DovecotPipelineTest, MessageReplacedAtTheSameNumber) {
    Deliver(1, 3);
    server->Start();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    const std::vector<Listed> before = Listing();

    DeleteElsewhere({3});
    Deliver(4, 4);
    for (int num = 0; num < 3; ++num) pop->SelectForDeletion(num);
    pop->Info().Items(0).Flags = 0;
    pop->Info().Items(1).Flags = 0;
    pop->ProcessMarked();
    EXPECT_THAT(skipped, ElementsAre(2));
    EXPECT_EQ(Sent("DELE"), 0);

    sent.clear();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    EXPECT_THAT(Subjects(), ElementsAre("message 1", "message 2", "message 4"));
    EXPECT_EQ(Sent("TOP"), 1);
    EXPECT_EQ(Listing()[0], before[0]);
    EXPECT_EQ(Kept(), 3u);
}

// A cache file that is not what it claims is set aside, and the check fetches every block.
TEST_F(DovecotPipelineTest, DamagedCacheIsSetAsideAndRebuilt) {
    Deliver(1, 4);
    server->Start();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    const std::vector<Listed> listed = Listing();
    std::string bytes = testsupport::FileBytes(cacheFile);
    bytes[bytes.size() / 2] ^= 0x20;
    testsupport::WriteFileBytes(cacheFile, bytes);

    sent.clear();
    Client(TmsRemotePOP::kDeepestPipeline, true).UpdateInfo();
    EXPECT_EQ(Listing(), listed);
    EXPECT_EQ(Sent("TOP"), 4);
    EXPECT_EQ(testsupport::FileBytes(cacheFile + ".damaged"), bytes);
    EXPECT_EQ(Kept(), 4u);
}

}  // namespace
}  // namespace kelvane

// The listing with kept header blocks: which messages get a TOP, and which unique-id listings
// are trusted enough to use the blocks kept under them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "CaseName.h"
#include "HeaderCache.h"
#include "Pop3Session.h"
#include "TempFolder.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

using pop3test::Capa;
using pop3test::HeadersOf;
using pop3test::Join;
using pop3test::Login;
using pop3test::PipelinedLogin;
using pop3test::Quit;
using pop3test::Script;
using pop3test::Sizes;
using pop3test::SizesReply;
using pop3test::Top;
using pop3test::TopReply;

Script IdsReply(const std::vector<std::string>& lines) {
    Script steps{"S: +OK"};
    for (const std::string& line : lines) steps.push_back("S: " + line);
    steps.push_back("S: .");
    return steps;
}

Script Ids(const std::vector<std::string>& lines) {
    return Join({{"C: UIDL"}, IdsReply(lines)});
}

class CachedListingTest : public pop3test::Pop3Session {
  protected:
    void SetUp() override {
        Pop3Session::SetUp();
        pop.HeaderCacheFile = cacheFile;
    }

    // A first check of messages 1 to 3 (ids a, b, c) that keeps their blocks, then `later`
    // from the same server: the cache belongs to one server, port included.
    void ServeAfterFirstCheck(const Script& later) {
        Serve(Join({Login("+OK 3 300", Capa({"UIDL"})),
                    Sizes({100, 100, 100}),
                    Ids({"1 a", "2 b", "3 c"}),
                    Top(1),
                    Top(2),
                    Top(3),
                    Quit(),
                    {"next"},
                    later}));
        pop.UpdateInfo();
        ASSERT_TRUE(std::filesystem::exists(cacheFile));
    }

    std::vector<TmsHeaders> Headers() const {
        std::vector<TmsHeaders> all;
        for (int num = 0; num < pop.Info().Count(); ++num) {
            all.push_back(pop.Info().Items(num).Headers);
        }
        return all;
    }

    testsupport::TempFolder folder;
    const std::string cacheFile = folder.File("headers1.cache");
};

// Message 1 is gone, "b" and "c" moved up, "d" is new, and "c" has another size now, so it
// cannot be the block kept under its id: only "c" and "d" are fetched.
TEST_F(CachedListingTest, OnlyMessagesNotSeenBeforeAreFetched) {
    ServeAfterFirstCheck(
        Join({Login("+OK 3 300", Capa({"UIDL"})),
              Sizes({100, 120, 100}),
              Ids({"1 b", "2 c", "3 d"}),
              Top(2, HeadersOf(3)),
              Top(3, HeadersOf(4)),
              Quit(),
              {"next"},
              PipelinedLogin("+OK 3 300", {"UIDL", "PIPELINING"}, {"LIST", "UIDL"}),
              SizesReply({100, 120, 100}),
              IdsReply({"1 b", "2 c", "3 d"}),
              Quit()}));
    pop.UpdateInfo();
    EXPECT_EQ(Headers(), (std::vector<TmsHeaders>{HeadersOf(2), HeadersOf(3), HeadersOf(4)}));
    EXPECT_EQ(pop.Info().Items(2).UIDL, "d");
    EXPECT_THAT(events, ::testing::IsSupersetOf(
                            {"OnNextInfoUpdated 0", "OnNextInfoUpdated 1", "OnNextInfoUpdated 2"}));

    // Now every block is kept, and nothing but the two listings, asked with the login, goes over
    // the wire.
    events.clear();
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(Headers(), (std::vector<TmsHeaders>{HeadersOf(2), HeadersOf(3), HeadersOf(4)}));
    EXPECT_THAT(events, ::testing::ElementsAre("OnOpen", "OnUpdatingInfo", "OnNextInfoUpdated 0",
                                               "OnNextInfoUpdated 1", "OnNextInfoUpdated 2",
                                               "OnClosing", "OnClosed", "OnInfoUpdated"));
}

// A server that pipelines gets a TOP for every message right behind the login on a first check,
// before the listings are read; once blocks are kept, TOP waits for the listings and goes out
// only for the message not seen before.
TEST_F(CachedListingTest, FirstCheckSendsEveryTopAheadOfTheListings) {
    const std::vector<std::string> names = {"UIDL", "PIPELINING"};
    Serve(Join({PipelinedLogin("+OK 2 200", names, {"LIST", "UIDL"}),
                {"C: TOP 1 1", "C: TOP 2 1"},
                SizesReply({100, 100}),
                IdsReply({"1 a", "2 b"}),
                {"C: QUIT"},
                TopReply(1),
                TopReply(2),
                {"S: +OK bye", "next"},
                PipelinedLogin("+OK 3 300", names, {"LIST", "UIDL"}),
                {"quiet 150"},
                SizesReply({100, 100, 100}),
                IdsReply({"1 a", "2 b", "3 c"}),
                {"C: TOP 3 1", "C: QUIT"},
                TopReply(3),
                {"S: +OK bye"}}));
    pop.UpdateInfo();
    EXPECT_EQ(Headers(), (std::vector<TmsHeaders>{HeadersOf(1), HeadersOf(2)}));
    EXPECT_EQ(pop.Info().Items(1).UIDL, "b");

    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(Headers(), (std::vector<TmsHeaders>{HeadersOf(1), HeadersOf(2), HeadersOf(3)}));
    HeaderCache kept = HeaderCache::Load(cacheFile, pop.CacheOwner(), 3);
    ASSERT_NE(kept.Find("c"), nullptr);
    EXPECT_EQ(kept.Find("c")->headers, HeadersOf(3));
}

// A server that does not list UIDL is never asked for it, and nothing is kept.
TEST_F(CachedListingTest, ServerWithoutUidlKeepsNothing) {
    Serve(Join({Login("+OK 1 100", Capa({"TOP"})), Sizes({100}), Top(1), Quit()}));
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_FALSE(std::filesystem::exists(cacheFile));
}

// A kept file larger than the mailbox's message count allows now is set aside without being
// read: every block is fetched, and the file is written afresh with what the listing found.
TEST_F(CachedListingTest, CacheTooLargeForTheMailboxIsSetAsideAndRebuilt) {
    Serve(Join({Login("+OK 1 100", Capa({"UIDL"})), Sizes({100}), Ids({"1 a"}), Top(1), Quit()}));
    HeaderCache crafted;
    const TmsHeaders filler(2, std::string(HeaderCache::kLargestBlock / 2 - 2, 'f'));
    for (const std::string id : {"a", "b", "c"}) crafted.Add(id, 100, filler);
    crafted.Save(cacheFile, pop.CacheOwner());

    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(Headers(), std::vector<TmsHeaders>{HeadersOf(1)});
    EXPECT_TRUE(std::filesystem::exists(cacheFile + ".damaged"));
    HeaderCache rebuilt = HeaderCache::Load(cacheFile, pop.CacheOwner(), 1);
    ASSERT_EQ(rebuilt.Count(), 1u);
    ASSERT_NE(rebuilt.Find("a"), nullptr);
    EXPECT_EQ(rebuilt.Find("a")->headers, HeadersOf(1));
}

struct IdsCase {
    const char* name;
    Script reply;  // to UIDL, in a mailbox of messages 1 to 3 whose blocks are kept as a, b, c
};

void PrintTo(const IdsCase& c, std::ostream* out) {
    *out << c.name;
}

class UnusableIdsTest : public CachedListingTest, public ::testing::WithParamInterface<IdsCase> {};

// An id listing that does not name each message once, in order, with an id RFC 1939 allows, is
// no ground for taking a block from the cache: every message is fetched, the cache kept as it is.
TEST_P(UnusableIdsTest, EveryMessageIsFetched) {
    ServeAfterFirstCheck(Join({Login("+OK 3 300", Capa({"UIDL"})), Sizes({100, 100, 100}),
                               GetParam().reply, Top(1), Top(2), Top(3), Quit()}));
    const std::string kept = testsupport::FileBytes(cacheFile);
    pop.UpdateInfo();
    ExpectScriptFollowed();
    EXPECT_EQ(Headers(), (std::vector<TmsHeaders>{HeadersOf(1), HeadersOf(2), HeadersOf(3)}));
    EXPECT_EQ(testsupport::FileBytes(cacheFile), kept);
}

INSTANTIATE_TEST_SUITE_P(
    Listings, UnusableIdsTest,
    ::testing::Values(IdsCase{"refused", {"C: UIDL", "S: -ERR not now"}},
                      IdsCase{"one-id-twice", Ids({"1 a", "2 a", "3 c"})},
                      IdsCase{"message-missing", Ids({"1 a", "3 c"})},
                      IdsCase{"out-of-order", Ids({"2 b", "1 a", "3 c"})},
                      IdsCase{"message-too-many", Ids({"1 a", "2 b", "3 c", "4 d"})},
                      IdsCase{"empty-id", Ids({"1 a", "2", "3 c"})},
                      IdsCase{"id-with-a-control-byte", Ids({"1 a", "2 b\x01", "3 c"})},
                      IdsCase{"id-of-71-characters",
                              Ids({"1 a", "2 " + std::string(71, 'b'), "3 c"})}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

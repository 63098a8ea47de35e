#include "HeaderCache.h"

#include <gtest/gtest.h>

#include "CaseName.h"
#include "TempFolder.h"

#include <openssl/evp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "AtomicFile.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

constexpr std::string_view kMailbox = "ann@pop.example.org:995";
// The mailbox's message count now: room enough for every file here but the ones made too large.
constexpr std::size_t kMessages = 10;

// The file Serialize writes for kMailbox holding AAA and BBB, checksum line apart.
const std::string kGoodBody =
    "Kelvane header cache 1\n"
    "mailbox 23:ann@pop.example.org:995\n"
    "entries 2\n"
    "AAA 1200 2\n"
    "Subject: one\n"
    "From: a@example.org\n"
    "BBB 800 1\n"
    "Subject: two\n";

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned i = 0; i < size; ++i) {
        hex += "0123456789abcdef"[digest[i] >> 4];
        hex += "0123456789abcdef"[digest[i] & 0xF];
    }
    return hex;
}

// `body` with the checksum line that makes it pass the checksum test.
std::string Sealed(const std::string& body) {
    return body + "sha256 " + Sha256Hex(body) + "\n";
}

// kGoodBody with the first `from` replaced by `to`, sealed: damage only the parser can see.
std::string SealedWith(const std::string& from, const std::string& to) {
    std::string body = kGoodBody;
    const auto at = body.find(from);
    if (at == std::string::npos) std::abort();
    return Sealed(body.replace(at, from.size(), to));
}

// Header lines at an entry's limits, and one line or one byte beyond.
const TmsHeaders kMostLines(HeaderCache::kMostLines, "X: y");
const TmsHeaders kOneLineTooMany(HeaderCache::kMostLines + 1, "X: y");
// Two lines that fill kLargestBlock exactly, counted with CR LF as the server sends them.
const TmsHeaders kLargestBlock{std::string(HeaderCache::kLargestBlock / 2 - 2, 'a'),
                               std::string(HeaderCache::kLargestBlock / 2 - 2, 'b')};
const TmsHeaders kOneByteTooMany{std::string(HeaderCache::kLargestBlock / 2 - 2, 'a'),
                                 std::string(HeaderCache::kLargestBlock / 2 - 1, 'b')};

// A sealed file for kMailbox with one entry, "AAA", of `lines`: what Add would refuse, written
// by hand.
std::string SealedEntry(const TmsHeaders& lines) {
    std::string body = kGoodBody.substr(0, kGoodBody.find("entries"));
    body += "entries 1\nAAA 1 " + std::to_string(lines.size()) + "\n";
    for (const std::string& line : lines) body += line + "\n";
    return Sealed(body);
}

HeaderCache GoodCache() {
    HeaderCache cache;
    cache.Add("BBB", 800, {"Subject: two"});
    cache.Add("AAA", 1200, {"Subject: one", "From: a@example.org"});
    return cache;
}

class HeaderCacheTest : public ::testing::Test {
  protected:
    testsupport::TempFolder temp_;
    const std::string path_ = temp_.File("headers-1.cache");
    const std::string damaged_ = path_ + ".damaged";
};

TEST_F(HeaderCacheTest, WritesTheDocumentedFormSortedById) {
    EXPECT_EQ(GoodCache().Serialize(kMailbox), Sealed(kGoodBody));
}

TEST_F(HeaderCacheTest, RoundTripKeepsOddBytesIdsAtTheirLimitsAndOddMailboxes) {
    const std::string longestId(HeaderCache::kLongestId, '~');
    const std::vector<std::pair<std::string, HeaderCache::Entry>> entries = {
        {"!", {0, {}}},
        {longestId, {std::numeric_limits<long long>::max(), {"X: y"}}},
        {"UID-8bit", {1234, {"Subject: caf\xe9 \xff\x80", "\tfolded\x01 line", " "}}},
        {"UID-nul", {55, {"X-Nul: a\0b"s, "\0"s, "X-Tab:\t\t"}}},
        // Lines that look like the file's own structure must stay header lines.
        {"UID-lookalikes",
         {99, {"sha256 " + std::string(64, '0'), "entries 7", "Kelvane header cache 1", "A 1 1"}}},
    };
    const std::string mailbox = "odd\nmailbox:\0 \xe9"s;
    HeaderCache cache;
    for (const auto& [id, entry] : entries) cache.Add(id, entry.size, entry.headers);
    cache.Save(path_, mailbox);

    HeaderCache loaded = HeaderCache::Load(path_, mailbox, kMessages);
    EXPECT_FALSE(loaded.WasSetAside());
    ASSERT_EQ(loaded.Count(), entries.size());
    for (const auto& [id, entry] : entries) {
        const HeaderCache::Entry* found = loaded.Find(id);
        ASSERT_NE(found, nullptr) << id;
        EXPECT_EQ(found->size, entry.size) << id;
        EXPECT_EQ(found->headers, entry.headers) << id;
    }
    EXPECT_EQ(loaded.Serialize(mailbox), cache.Serialize(mailbox));
    EXPECT_FALSE(fs::exists(damaged_));
}

TEST_F(HeaderCacheTest, ReadsEntriesInAnyOrder) {
    const std::string reordered =
        "Kelvane header cache 1\n"
        "mailbox 23:ann@pop.example.org:995\n"
        "entries 2\n"
        "BBB 800 1\n"
        "Subject: two\n"
        "AAA 1200 2\n"
        "Subject: one\n"
        "From: a@example.org\n";
    std::optional<HeaderCache> cache = HeaderCache::Parse(Sealed(reordered), kMailbox, kMessages);
    ASSERT_TRUE(cache.has_value());
    EXPECT_EQ(cache->Serialize(kMailbox), Sealed(kGoodBody));
}

TEST_F(HeaderCacheTest, MissingFileIsAnEmptyCacheAndStaysMissing) {
    const HeaderCache cache = HeaderCache::Load(path_, kMailbox, kMessages);
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_FALSE(cache.WasSetAside());
    EXPECT_TRUE(temp_.IsEmpty());
}

struct DamagedCase {
    const char* name;
    std::string bytes;
};

void PrintTo(const DamagedCase& c, std::ostream* out) {
    *out << c.name;
}

class DamagedFileTest : public HeaderCacheTest,
                        public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFileTest, IsSetAsideWithItsBytesAndGivesAnEmptyCache) {
    testsupport::WriteFileBytes(path_, GetParam().bytes);
    testsupport::WriteFileBytes(damaged_, "an older damaged file");

    const HeaderCache cache = HeaderCache::Load(path_, kMailbox, kMessages);
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_TRUE(cache.WasSetAside());
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_EQ(testsupport::FileBytes(damaged_), GetParam().bytes);
}

const std::string kLongId(HeaderCache::kLongestId + 1, 'u');

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    ::testing::Values(
        DamagedCase{"empty", ""}, DamagedCase{"body-without-checksum", kGoodBody},
        DamagedCase{"checksum-of-nothing", kGoodBody + "sha256 " + Sha256Hex("") + "\n"},
        DamagedCase{"byte-changed-after-sealing",
                    [] {
                        std::string bytes = Sealed(kGoodBody);
                        bytes[bytes.find("two")] = 'T';
                        return bytes;
                    }()},
        DamagedCase{"checksum-in-capitals", kGoodBody + "sha256 " +
                                                [] {
                                                    std::string hex = Sha256Hex(kGoodBody);
                                                    for (char& c : hex)
                                                        c = static_cast<char>(std::toupper(c));
                                                    return hex;
                                                }() +
                                                "\n"},
        DamagedCase{"cut-in-an-entry", Sealed(kGoodBody).substr(0, 90)},
        DamagedCase{"cut-in-the-checksum", Sealed(kGoodBody).substr(0, kGoodBody.size() + 40)},
        DamagedCase{"checksum-line-without-end",
                    Sealed(kGoodBody).substr(0, kGoodBody.size() + 71)},
        DamagedCase{"cut-in-an-entry-then-sealed", Sealed(kGoodBody.substr(0, 90))},
        DamagedCase{"bytes-after-the-checksum", Sealed(kGoodBody) + "\n"},
        DamagedCase{"bytes-after-the-entries", Sealed(kGoodBody + "Subject: three\n")},
        DamagedCase{"other-version", SealedWith("cache 1", "cache 2")},
        DamagedCase{"other-format", Sealed("Some other cache 1\n" + kGoodBody.substr(23))},
        DamagedCase{"mailbox-longer-than-its-count", SealedWith("mailbox 23", "mailbox 22")},
        DamagedCase{"mailbox-count-beyond-the-file", SealedWith("mailbox 23", "mailbox 9999")},
        DamagedCase{"too-few-entries-counted", SealedWith("entries 2", "entries 1")},
        DamagedCase{"too-many-entries-counted", SealedWith("entries 2", "entries 3")},
        DamagedCase{"entry-count-beyond-any-memory",
                    SealedWith("entries 2", "entries 1" + std::string(17, '0'))},
        DamagedCase{"negative-entry-count", SealedWith("entries 2", "entries -2")},
        DamagedCase{"too-few-lines-counted", SealedWith("AAA 1200 2", "AAA 1200 1")},
        DamagedCase{"too-many-lines-counted", SealedWith("BBB 800 1", "BBB 800 2")},
        DamagedCase{"line-count-beyond-any-memory",
                    SealedWith("BBB 800 1", "BBB 800 1" + std::string(17, '0'))},
        DamagedCase{"negative-size", SealedWith("1200", "-1200")},
        DamagedCase{"size-with-plus", SealedWith("1200", "+1200")},
        DamagedCase{"size-with-leading-zero", SealedWith("1200", "01200")},
        DamagedCase{"size-in-hex", SealedWith("1200", "0x4b0")},
        DamagedCase{"size-beyond-long-long", SealedWith("1200", "9223372036854775808")},
        DamagedCase{"empty-size", SealedWith("1200", "")},
        DamagedCase{"empty-id", SealedWith("BBB ", " ")},
        DamagedCase{"id-too-long", SealedWith("BBB", kLongId)},
        DamagedCase{"id-with-8bit-byte", SealedWith("BBB", "B\xe9")},
        DamagedCase{"id-with-control-byte", SealedWith("BBB", "B\x7f")},
        DamagedCase{"same-id-twice", SealedWith("BBB", "AAA")},
        DamagedCase{"empty-header-line", SealedWith("From: a@example.org\n", "\n")},
        DamagedCase{"header-line-with-cr", SealedWith("Subject: one", "Subject:\r one")},
        DamagedCase{"crlf-line-end", SealedWith("Subject: two\n", "Subject: two\r\n")},
        DamagedCase{"more-lines-than-an-entry-holds", SealedEntry(kOneLineTooMany)},
        DamagedCase{"block-larger-than-an-entry-holds", SealedEntry(kOneByteTooMany)}),
    testsupport::ParamName());

TEST_F(HeaderCacheTest, FileOfAnotherMailboxIsSetAside) {
    for (const std::string other :
         {"bob@pop.example.org:995", "ann@pop.example.org:99", "ann@pop.example.org:9950", ""}) {
        GoodCache().Save(path_, kMailbox);
        const std::string kept = testsupport::FileBytes(path_);
        const HeaderCache cache = HeaderCache::Load(path_, other, kMessages);
        EXPECT_EQ(cache.Count(), 0u) << other;
        EXPECT_TRUE(cache.WasSetAside()) << other;
        EXPECT_EQ(testsupport::FileBytes(damaged_), kept) << other;
    }
}

// Too large or no plain file: set aside without reading it (a FIFO would never end).
TEST_F(HeaderCacheTest, FilesThatMustNotBeReadAreSetAside) {
    const auto loadsAsSetAside = [&] {
        const HeaderCache cache = HeaderCache::Load(path_, kMailbox, kMessages);
        return cache.WasSetAside() && cache.Count() == 0 && !fs::exists(path_) &&
               fs::exists(damaged_);
    };
    testsupport::WriteFileBytes(path_, Sealed(kGoodBody));
    fs::resize_file(path_, HeaderCache::kLargestFile + 1);
    EXPECT_TRUE(loadsAsSetAside());
    EXPECT_EQ(fs::file_size(damaged_), HeaderCache::kLargestFile + 1);

    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    EXPECT_TRUE(loadsAsSetAside());
    EXPECT_TRUE(fs::is_fifo(damaged_));
}

TEST_F(HeaderCacheTest, EntriesAtTheirLimitsAreKept) {
    HeaderCache cache;
    cache.Add("lines", 1, kMostLines);
    cache.Add("bytes", 2, kLargestBlock);
    cache.Save(path_, kMailbox);
    HeaderCache loaded = HeaderCache::Load(path_, kMailbox, 2);
    ASSERT_EQ(loaded.Count(), 2u);
    EXPECT_EQ(loaded.Find("lines")->headers, kMostLines);
    EXPECT_EQ(loaded.Find("bytes")->headers, kLargestBlock);
}

// The file may be as large as its message count's worth of the largest entries, and no larger:
// a mailbox of few messages never reads a large file.
TEST_F(HeaderCacheTest, FileLargerThanItsMessageCountAllowsIsSetAside) {
    HeaderCache full;
    for (const std::string id : {"a", "b", "c"}) full.Add(id, 1, kLargestBlock);
    full.Save(path_, kMailbox);
    EXPECT_EQ(HeaderCache::Load(path_, kMailbox, 3).Count(), 3u);
    ASSERT_GT(fs::file_size(path_), HeaderCache::LargestFile(kMailbox, 2));

    const HeaderCache cache = HeaderCache::Load(path_, kMailbox, 2);
    EXPECT_TRUE(cache.WasSetAside());
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_TRUE(fs::exists(damaged_));
    EXPECT_EQ(HeaderCache::LargestFile(kMailbox, std::numeric_limits<std::size_t>::max()),
              HeaderCache::kLargestFile);
}

TEST_F(HeaderCacheTest, UnreadableFileThatCannotBeMovedIsLeftInPlace) {
    // A folder at the path cannot be read, nor renamed over the older .damaged file.
    fs::create_directory(path_);
    testsupport::WriteFileBytes(damaged_, "older");
    const HeaderCache cache = HeaderCache::Load(path_, kMailbox, kMessages);
    EXPECT_TRUE(cache.WasSetAside());
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_TRUE(fs::is_directory(path_));
    EXPECT_EQ(testsupport::FileBytes(damaged_), "older");
}

TEST_F(HeaderCacheTest, SaveMakesTheFilePrivateWhateverItWas) {
    testsupport::WriteFileBytes(path_, "old");
    ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
    GoodCache().Save(path_, kMailbox);
    EXPECT_EQ(testsupport::FilePermissions(path_), 0600u);
    EXPECT_EQ(testsupport::FileBytes(path_), Sealed(kGoodBody));

    const std::string fresh = temp_.File("fresh.cache");
    GoodCache().Save(fresh, kMailbox);
    EXPECT_EQ(testsupport::FilePermissions(fresh), 0600u);
}

// Lowers the largest file this process may write, the one limit that holds for root too.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // a write past it then fails with EFBIG
        const rlimit lowered{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(HeaderCacheTest, FailedSaveThrowsAndLeavesTheOldFileWhole) {
    GoodCache().Save(path_, kMailbox);
    const std::string old = testsupport::FileBytes(path_);
    HeaderCache larger = GoodCache();
    larger.Add("CCC", 5000, {"X-Filler: " + std::string(4000, 'f')});
    {
        const FileSizeLimit limit(1024);
        EXPECT_THROW(larger.Save(path_, kMailbox), FileError);
    }
    EXPECT_EQ(testsupport::FileBytes(path_), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(temp_.path()), fs::directory_iterator()), 1);

    EXPECT_THROW(larger.Save(temp_.File("no/such/folder.cache"), kMailbox), FileError);
}

TEST_F(HeaderCacheTest, AddReplacesAndFindLooksUp) {
    HeaderCache cache = GoodCache();
    cache.Add("AAA", 1300, {"Subject: newer"});
    ASSERT_NE(cache.Find("AAA"), nullptr);
    EXPECT_EQ(cache.Find("AAA")->size, 1300);
    EXPECT_EQ(cache.Find("AAA")->headers, TmsHeaders{"Subject: newer"});
    EXPECT_EQ(cache.Find("AA"), nullptr);
    EXPECT_EQ(cache.Find("aaa"), nullptr);
    EXPECT_EQ(cache.Count(), 2u);
}

struct RefusedCase {
    const char* name;
    std::string id;
    long long size;
    TmsHeaders headers;
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedEntryTest : public ::testing::TestWithParam<RefusedCase> {};

// What Add refuses could not come back from the file; a refused newer entry also drops the older.
TEST_P(RefusedEntryTest, IsNotKeptAndDropsTheOlderEntry) {
    const RefusedCase& refused = GetParam();
    HeaderCache cache;
    cache.Add(refused.id, 1, {"Subject: older"});
    cache.Add("other", 2, {"Subject: other"});
    cache.Add(refused.id, refused.size, refused.headers);
    EXPECT_EQ(cache.Find(refused.id), nullptr);
    EXPECT_NE(cache.Find("other"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RefusedEntryTest,
    ::testing::Values(RefusedCase{"empty-id", "", 1, {"A: b"}},
                      RefusedCase{"id-too-long", kLongId, 1, {"A: b"}},
                      RefusedCase{"id-with-blank", "a b", 1, {"A: b"}},
                      RefusedCase{"id-with-8bit-byte", "caf\xe9", 1, {"A: b"}},
                      RefusedCase{"negative-size", "id", -1, {"A: b"}},
                      RefusedCase{"empty-line", "id", 1, {"A: b", ""}},
                      RefusedCase{"line-with-lf", "id", 1, {"A: b\nC: d"}},
                      RefusedCase{"line-with-cr", "id", 1, {"A: b\r"}},
                      RefusedCase{"more-lines-than-an-entry-holds", "id", 1, kOneLineTooMany},
                      RefusedCase{"block-larger-than-an-entry-holds", "id", 1, kOneByteTooMany}),
    testsupport::ParamName());

TEST_F(HeaderCacheTest, EntrySpoiltThroughFindIsLeftOutOfTheFile) {
    HeaderCache cache = GoodCache();
    cache.Find("AAA")->headers.push_back("Injected\nBBB 1 0");
    std::optional<HeaderCache> back =
        HeaderCache::Parse(cache.Serialize(kMailbox), kMailbox, kMessages);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Count(), 1u);
    EXPECT_EQ(back->Find("AAA"), nullptr);
    ASSERT_NE(back->Find("BBB"), nullptr);
    EXPECT_EQ(back->Find("BBB")->size, 800);
}

}  // namespace
}  // namespace kelvane

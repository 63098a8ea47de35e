// A header cache file is, byte for byte:
//
//   Kelvane header cache 1\n
//   mailbox <byte count>:<the mailbox text, any bytes>\n
//   entries <entry count>\n
//   per entry, sorted by id:   <id> <size> <line count>\n
//                              and that many times:   <header line>\n
//   sha256 <SHA-256 of every byte before this line, 64 lowercase hex digits>\n
//
// Numbers are decimal digits without sign or leading zeros. A header line is never empty and
// never holds CR or LF, so LF ends it; any other byte, NUL included, stands for itself. The file
// comes back from outside: one byte more or less anywhere, a count that does not match, an id
// seen twice or an entry beyond an entry's limits makes all of it untrusted, and no count read
// from it is believed beyond what the bytes left could hold.
#include "HeaderCache.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "AtomicFile.h"

namespace kelvane {
namespace {

constexpr std::string_view kMagic = "Kelvane header cache 1\n";
constexpr std::string_view kMailboxTag = "mailbox ";
constexpr std::string_view kEntriesTag = "entries ";
constexpr std::string_view kChecksumTag = "sha256 ";
constexpr std::size_t kDigestSize = 32;
constexpr std::size_t kChecksumLineSize = kChecksumTag.size() + 2 * kDigestSize + 1;
// The fewest bytes an entry ("a 0 0\n") and a header line ("x\n") take.
constexpr std::size_t kSmallestEntry = 6;
constexpr std::size_t kSmallestLine = 2;
constexpr std::size_t kLongestNumber = 20;  // digits of any std::size_t or long long
// The most an entry's own line ("<id> <size> <line count>\n") takes.
constexpr std::size_t kLongestEntryLine = HeaderCache::kLongestId + 2 * kLongestNumber + 3;
constexpr mode_t kCacheFileMode = 0600;

bool IsKeepableId(std::string_view id) {
    return !id.empty() && id.size() <= HeaderCache::kLongestId &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= '!' && c <= '~'; });
}

bool IsKeepableLine(std::string_view line) {
    return !line.empty() && std::memchr(line.data(), '\n', line.size()) == nullptr &&
           std::memchr(line.data(), '\r', line.size()) == nullptr;
}

// A header block's size as the server sends it: each line with CR LF.
std::size_t BlockBytes(const TmsHeaders& headers) {
    std::size_t bytes = 0;
    for (const std::string& line : headers) bytes += line.size() + 2;
    return bytes;
}

bool IsKeepable(const HeaderCache::Entry& entry) {
    return entry.size >= 0 && entry.headers.size() <= HeaderCache::kMostLines &&
           BlockBytes(entry.headers) <= HeaderCache::kLargestBlock &&
           std::all_of(entry.headers.begin(), entry.headers.end(),
                       [](const std::string& line) { return IsKeepableLine(line); });
}

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (::EVP_Digest(bytes.data(), bytes.size(), digest, &size, ::EVP_sha256(), nullptr) != 1 ||
        size != kDigestSize) {
        throw std::runtime_error("Could not compute a SHA-256 checksum");
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex(2 * kDigestSize, '\0');
    for (std::size_t i = 0; i < kDigestSize; ++i) {
        hex[2 * i] = kHex[digest[i] >> 4];
        hex[2 * i + 1] = kHex[digest[i] & 0xF];
    }
    return hex;
}

template <class Number>
void AppendNumber(std::string& out, Number value) {
    char digits[kLongestNumber];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// Digits as AppendNumber writes them: no sign, no leading zero, no overflow.
std::optional<long long> ParseNumber(std::string_view digits) {
    if (digits.empty() || digits[0] < '0' || digits[0] > '9') return std::nullopt;
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// Takes a cache file apart from the front; each step gives nothing unless the bytes are exactly
// what Serialize writes there.
class Reader {
  public:
    explicit Reader(std::string_view bytes) : rest_(bytes) {}
    std::size_t Left() const { return rest_.size(); }

    bool Take(std::string_view expected) {
        if (!rest_.starts_with(expected)) return false;
        rest_.remove_prefix(expected.size());
        return true;
    }
    std::optional<std::string_view> Bytes(std::size_t count) {
        if (count > rest_.size()) return std::nullopt;
        const std::string_view bytes = rest_.substr(0, count);
        rest_.remove_prefix(count);
        return bytes;
    }
    // The bytes before the next `end`, which goes too.
    std::optional<std::string_view> Until(char end) {
        const void* found = std::memchr(rest_.data(), end, rest_.size());
        if (found == nullptr) return std::nullopt;
        const auto count = static_cast<std::size_t>(static_cast<const char*>(found) - rest_.data());
        const std::string_view bytes = rest_.substr(0, count);
        rest_.remove_prefix(count + 1);
        return bytes;
    }
    bool Holds(char byte) const { return std::memchr(rest_.data(), byte, rest_.size()) != nullptr; }
    std::optional<long long> Number(char end) {
        const auto digits = Until(end);
        return digits ? ParseNumber(*digits) : std::nullopt;
    }

  private:
    std::string_view rest_;
};

// The file without its checksum line, when that line is there and matches.
std::optional<std::string_view> CheckedBody(std::string_view bytes, std::size_t largestFile) {
    if (bytes.size() > largestFile || bytes.size() < kChecksumLineSize) {
        return std::nullopt;
    }
    const std::string_view body = bytes.substr(0, bytes.size() - kChecksumLineSize);
    Reader checksum(bytes.substr(body.size()));
    if (!checksum.Take(kChecksumTag)) return std::nullopt;
    const auto hex = checksum.Bytes(2 * kDigestSize);
    if (!hex || !checksum.Take("\n") || *hex != Sha256Hex(body)) return std::nullopt;
    return body;
}

bool ReadMailbox(Reader& in, std::string_view mailbox) {
    if (!in.Take(kMailboxTag)) return false;
    const auto size = in.Number(':');
    if (!size) return false;
    const auto kept = in.Bytes(static_cast<unsigned long long>(*size));
    return kept && *kept == mailbox && in.Take("\n");
}

// How many entries the file says it holds, when the bytes after could hold that many.
std::optional<std::size_t> ReadEntryCount(Reader& in) {
    if (!in.Take(kEntriesTag)) return std::nullopt;
    const auto count = in.Number('\n');
    if (!count || static_cast<unsigned long long>(*count) > in.Left() / kSmallestEntry) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*count);
}

std::optional<std::pair<std::string_view, HeaderCache::Entry>> ReadEntry(Reader& in) {
    const auto id = in.Until(' ');
    if (!id || !IsKeepableId(*id)) return std::nullopt;
    const auto size = in.Number(' ');
    const auto lines = in.Number('\n');
    if (!size || !lines || static_cast<unsigned long long>(*lines) > HeaderCache::kMostLines ||
        static_cast<unsigned long long>(*lines) > in.Left() / kSmallestLine) {
        return std::nullopt;
    }
    HeaderCache::Entry entry{*size, {}};
    entry.headers.reserve(static_cast<std::size_t>(*lines));
    std::size_t blockBytes = 0;
    for (long long i = 0; i < *lines; ++i) {
        const auto line = in.Until('\n');
        if (!line || line->empty()) return std::nullopt;
        blockBytes += line->size() + 2;
        if (blockBytes > HeaderCache::kLargestBlock) return std::nullopt;
        entry.headers.emplace_back(*line);
    }
    return std::pair{*id, std::move(entry)};
}

using Item = std::pair<const std::string, HeaderCache::Entry>;

// Appends the file for `items` in their order, checksum line apart. Each line is looked at as it
// is copied, so that its bytes are fetched once; false at the first entry that cannot be kept
// (changed through Find), leaving `out` incomplete.
bool AppendEntries(std::string& out, std::string_view mailbox,
                   const std::vector<const Item*>& items) {
    std::size_t size = kMagic.size() + kMailboxTag.size() + kLongestNumber + mailbox.size() + 2 +
                       kEntriesTag.size() + kLongestNumber + 1 + kChecksumLineSize;
    for (const Item* item : items) {
        size += item->first.size() + 2 * kLongestNumber + 3;
        for (const std::string& line : item->second.headers) size += line.size() + 1;
    }
    out.reserve(size);
    out.append(kMagic).append(kMailboxTag);
    AppendNumber(out, mailbox.size());
    out += ':';
    out.append(mailbox) += '\n';
    out.append(kEntriesTag);
    AppendNumber(out, items.size());
    out += '\n';
    for (const Item* item : items) {
        const auto& [id, entry] = *item;
        if (entry.size < 0 || entry.headers.size() > HeaderCache::kMostLines) return false;
        std::size_t blockBytes = 0;
        out.append(id) += ' ';
        AppendNumber(out, entry.size);
        out += ' ';
        AppendNumber(out, entry.headers.size());
        out += '\n';
        for (const std::string& line : entry.headers) {
            blockBytes += line.size() + 2;
            if (!IsKeepableLine(line) || blockBytes > HeaderCache::kLargestBlock) return false;
            out.append(line) += '\n';
        }
    }
    return true;
}

// The bytes of a cache file, read in one go into a buffer of its size: the file is large and
// read at every check.
class CacheFileBytes {
  public:
    std::string_view view() const { return {data_.get(), size_}; }

    // Nothing when there is no file. Throws FileError when it cannot be read, or is no plain
    // file (a FIFO would hang the read) or larger than `largestFile`.
    static std::optional<CacheFileBytes> Read(const std::string& path, std::size_t largestFile) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT) return std::nullopt;
            Fail(path, errno);
        }
        CacheFileBytes file;
        const int error = file.Fill(fd, path, largestFile);
        ::close(fd);
        if (error != 0) Fail(path, error);
        return file;
    }

  private:
    [[noreturn]] static void Fail(const std::string& path, int error) {
        throw FileError(path, "Could not read " + path, std::strerror(error));
    }

    // 0, or the system's error number.
    int Fill(int fd, const std::string& path, std::size_t largestFile) {
        struct stat info {};
        if (::fstat(fd, &info) != 0) return errno;
        if (!S_ISREG(info.st_mode)) throw FileError(path, path + " is not a plain file");
        if (static_cast<unsigned long long>(info.st_size) > largestFile) {
            throw FileError(path, path + " is too large for a header cache");
        }
        const auto expected = static_cast<std::size_t>(info.st_size);
        // One byte more than expected shows a file that grew while it was read.
        data_ = std::make_unique_for_overwrite<char[]>(expected + 1);
        while (size_ <= expected) {
            const ssize_t n = ::read(fd, data_.get() + size_, expected + 1 - size_);
            if (n == 0) break;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno;
            size_ += static_cast<std::size_t>(n);
        }
        return 0;
    }

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};

}  // namespace

std::size_t HeaderCache::LargestFile(std::string_view mailbox, std::size_t messageCount) {
    const std::size_t head = kMagic.size() + kMailboxTag.size() + kLongestNumber + 1 +
                             mailbox.size() + 1 + kEntriesTag.size() + kLongestNumber + 1 +
                             kChecksumLineSize;
    // A kept line takes one byte fewer in the file than in kLargestBlock's count.
    const std::size_t entry = kLongestEntryLine + kLargestBlock;
    if (head >= kLargestFile || messageCount >= (kLargestFile - head) / entry) return kLargestFile;
    return head + messageCount * entry;
}

HeaderCache HeaderCache::Load(const std::string& path, std::string_view mailbox,
                              std::size_t messageCount) {
    try {
        const std::size_t largest = LargestFile(mailbox, messageCount);
        const std::optional<CacheFileBytes> file = CacheFileBytes::Read(path, largest);
        if (!file) return {};
        if (std::optional<HeaderCache> cache = Parse(file->view(), mailbox, messageCount)) {
            return std::move(*cache);
        }
    } catch (const FileError&) {
        // Unreadable counts as damaged: set aside, so that the next save starts afresh.
    } catch (const std::exception&) {
        return {};  // out of memory: the file itself may be sound
    }
    HeaderCache empty;
    empty.setAside_ = true;
    // When even this fails, the next save replaces the file.
    (void)std::rename(path.c_str(), (path + ".damaged").c_str());
    return empty;
}

std::optional<HeaderCache> HeaderCache::Parse(std::string_view bytes, std::string_view mailbox,
                                              std::size_t messageCount) {
    const auto body = CheckedBody(bytes, LargestFile(mailbox, messageCount));
    if (!body) return std::nullopt;
    Reader in(*body);
    // Past the mailbox no byte may be a CR, which spares looking for one in each header line.
    if (!in.Take(kMagic) || !ReadMailbox(in, mailbox) || in.Holds('\r')) return std::nullopt;
    const auto count = ReadEntryCount(in);
    if (!count) return std::nullopt;
    HeaderCache cache;
    cache.entries_.reserve(*count);
    for (std::size_t i = 0; i < *count; ++i) {
        auto entry = ReadEntry(in);
        if (!entry) return std::nullopt;
        if (!cache.entries_.try_emplace(std::string(entry->first), std::move(entry->second))
                 .second) {
            return std::nullopt;
        }
    }
    if (in.Left() != 0) return std::nullopt;
    return cache;
}

std::vector<std::string> HeaderCache::Ids() const {
    std::vector<std::string> ids;
    ids.reserve(entries_.size());
    for (const auto& [id, entry] : entries_) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

HeaderCache::Entry* HeaderCache::Find(std::string_view id) {
    const auto found = entries_.find(id);
    return found == entries_.end() ? nullptr : &found->second;
}

void HeaderCache::Add(std::string_view id, long long size, TmsHeaders headers) {
    if (!IsKeepableId(id)) return;
    Entry entry{size, std::move(headers)};
    if (!IsKeepable(entry)) {
        if (const auto found = entries_.find(id); found != entries_.end()) entries_.erase(found);
        return;
    }
    entries_.insert_or_assign(std::string(id), std::move(entry));
}

std::string HeaderCache::Serialize(std::string_view mailbox) const {
    std::vector<const Item*> items;
    items.reserve(entries_.size());
    for (const Item& item : entries_) items.push_back(&item);
    std::sort(items.begin(), items.end(),
              [](const Item* a, const Item* b) { return a->first < b->first; });
    std::string out;
    if (!AppendEntries(out, mailbox, items)) {
        std::erase_if(items, [](const Item* item) { return !IsKeepable(item->second); });
        out.clear();
        AppendEntries(out, mailbox, items);
    }
    const std::string checksum = Sha256Hex(out);
    out.append(kChecksumTag).append(checksum) += '\n';
    return out;
}

void HeaderCache::Save(const std::string& path, std::string_view mailbox) const {
    // Not flushed to disk: a file cut short by a crash fails its checksum and is rebuilt.
    WriteFileAtomicallyWithMode(path, Serialize(mailbox), kCacheFileMode, Durability::Unflushed);
}

}  // namespace kelvane

#include "TrialMessages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <limits>
#include <optional>

#include "AtomicFile.h"
#include "HeaderCache.h"
#include "KeptMessageFile.h"
#include "ListDateText.h"
#include "Quarantine.h"
#include "RowBuilder.h"
#include "TmsRemoteInfo.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

// The newest deleted messages tried, and the most bytes read for them.
constexpr std::size_t kMostDeleted = 5000;
constexpr long long kMostDeletedBytes = 64LL << 20;
// No bound of its own: the cache file's limits apply.
constexpr std::size_t kAnyMessageCount = std::numeric_limits<std::size_t>::max();

// The whole file when it is a plain file of at most `largest` bytes; nothing otherwise.
std::optional<std::string> ReadBoundedFile(const std::string& path, std::size_t largest) {
    int fd = -1;
    try {
        fd = OpenRegularFile(path, O_RDONLY | O_CLOEXEC, 0);
    } catch (const FileError&) {
        return std::nullopt;
    }
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd, &info) == 0 && static_cast<unsigned long long>(info.st_size) <= largest) {
        bytes.emplace(static_cast<std::size_t>(info.st_size), '\0');
        std::size_t done = 0;
        while (done < bytes->size()) {
            const ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        if (done != bytes->size()) bytes.reset();  // shrank while read: being replaced
    }
    return bytes;
}

// The message up to its first empty line; nothing when that is more than a header block may
// hold.
std::optional<std::string_view> HeaderBlockWithin(std::string_view message) {
    const std::string_view block = HeaderBlockOf(message);
    if (block.size() > HeaderCache::kLargestBlock) return std::nullopt;
    return block;
}

std::optional<TrialMessage> DeletedTrialMessage(const Quarantine& quarantine,
                                                const KeptMessage& kept) {
    const std::optional<std::string> message = quarantine.Message(kept.id);
    if (!message) return std::nullopt;
    const std::optional<std::string_view> block = HeaderBlockWithin(*message);
    if (!block) return std::nullopt;
    TmsHeaders headers = SplitHeaderLines(*block);
    if (headers.size() > HeaderCache::kMostLines) return std::nullopt;
    return TrialMessage{TrialSource::DeletedJunk, kept.mailbox, kept.subject, kept.sender,
                        std::move(headers)};
}

}  // namespace

std::vector<TrialMessage> ListingTrialMessages(const std::string& path, std::string_view owner,
                                               int mailbox) {
    std::vector<TrialMessage> messages;
    if (path.empty()) return messages;
    try {
        const std::optional<std::string> file =
            ReadBoundedFile(path, HeaderCache::LargestFile(owner, kAnyMessageCount));
        if (!file) return messages;
        std::optional<HeaderCache> cache = HeaderCache::Parse(*file, owner, kAnyMessageCount);
        if (!cache) return messages;
        for (const std::string& id : cache->Ids()) {
            HeaderCache::Entry* entry = cache->Find(id);
            if (entry == nullptr) continue;
            TmsRemoteInfoItem item;
            item.Size = entry->size;
            item.Headers = std::move(entry->headers);
            // The list's own texts, so that a rule sees what the classifier would.
            MessageEntry row = BuildRow(item, DefaultListDate);
            messages.push_back({TrialSource::LastListing, mailbox, std::move(row.subject),
                                std::move(row.sender), std::move(item.Headers)});
        }
    } catch (const std::exception&) {
        messages.clear();  // out of memory: no trial on this listing
    }
    return messages;
}

std::vector<TrialMessage> DeletedTrialMessages(const Quarantine& quarantine) {
    std::vector<TrialMessage> messages;
    try {
        long long bytes = 0;
        for (const KeptMessage& kept : quarantine.List()) {
            bytes += kept.keptSize;
            if (messages.size() >= kMostDeleted || bytes > kMostDeletedBytes) break;
            try {
                if (auto message = DeletedTrialMessage(quarantine, kept))
                    messages.push_back(std::move(*message));
            } catch (const FileError&) {
                // Removed or unreadable since it was listed.
            }
        }
    } catch (const std::exception&) {
        messages.clear();
    }
    return messages;
}

std::vector<TrialMessage> LoadTrialMessages(const TmsRemotePOP& client, int mailbox,
                                            const Quarantine* quarantine) {
    std::vector<TrialMessage> messages =
        ListingTrialMessages(client.HeaderCacheFile, client.CacheOwner(), mailbox);
    if (quarantine == nullptr) return messages;
    std::vector<TrialMessage> deleted = DeletedTrialMessages(*quarantine);
    messages.insert(messages.end(), std::make_move_iterator(deleted.begin()),
                    std::make_move_iterator(deleted.end()));
    return messages;
}

}  // namespace kelvane

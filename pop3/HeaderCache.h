#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "MailHeaders.h"

namespace kelvane {

// The header blocks of one mailbox's messages by unique id (POP3 UIDL), kept between checks so
// that a check sends TOP only for messages it has not seen. A unique id never changes (RFC 1939),
// so a kept block is the server's own; the size is kept as a second look.
class HeaderCache {
  public:
    struct Entry {
        long long size = 0;
        TmsHeaders headers;  // as after CutAtBody: no empty line, no line ends
    };
    // Limits of what a cache file may hold; a file beyond them is treated as damaged. An entry
    // holds at most kMostLines header lines of kLargestBlock bytes in all (counted as the server
    // sends them, with CR LF), so that no file costs much more memory than the largest one a
    // mailbox of its message count could have.
    static constexpr std::size_t kLargestFile = 256u << 20;
    static constexpr std::size_t kLongestId = 70;  // RFC 1939
    static constexpr std::size_t kMostLines = 1000;
    static constexpr std::size_t kLargestBlock = 64 * 1024;

    // The largest cache file that `mailbox`, holding `messageCount` messages, may have: room for
    // that many entries of the largest kind, up to kLargestFile.
    static std::size_t LargestFile(std::string_view mailbox, std::size_t messageCount);

    // Reads the cache file at `path` kept for `mailbox` (a text naming the account), which now
    // holds `messageCount` messages. A missing file is an empty cache. A file that is damaged, of
    // another format, kept for another mailbox or larger than LargestFile() is set aside
    // (renamed to `path` + ".damaged", replacing an older one) and the cache starts empty. Never
    // throws: a cache that cannot be read is only a slower check.
    static HeaderCache Load(const std::string& path, std::string_view mailbox,
                            std::size_t messageCount);
    // The cache that `bytes` (a whole cache file) holds for `mailbox` of `messageCount` messages;
    // nothing when they are not an undamaged cache file of that mailbox within its limits.
    static std::optional<HeaderCache> Parse(std::string_view bytes, std::string_view mailbox,
                                            std::size_t messageCount);

    // True when Load found a file it could not trust and set it aside.
    bool WasSetAside() const { return setAside_; }
    std::size_t Count() const { return entries_.size(); }
    // The ids of the entries, sorted.
    std::vector<std::string> Ids() const;
    // The entry kept for `id`, or nullptr; the caller may move its headers out.
    Entry* Find(std::string_view id);
    // Adds or replaces the entry for `id`, an id of 1 to kLongestId characters from '!' to '~'
    // (others are not kept). An entry with a negative size, a header line that is empty or holds
    // CR or LF, or more lines or bytes than an entry may hold is not kept either, and an older
    // entry for the id goes.
    void Add(std::string_view id, long long size, TmsHeaders headers);

    // The bytes of a cache file for `mailbox` holding exactly the entries, sorted by id so that
    // the same entries always give the same bytes. An entry changed through Find into one that
    // Add would not keep is left out.
    std::string Serialize(std::string_view mailbox) const;
    // Replaces the file at `path` atomically with Serialize(mailbox), readable by its owner only
    // (mode 0600 whatever it had), without waiting for the disk. Throws FileError.
    void Save(const std::string& path, std::string_view mailbox) const;

  private:
    // Lets Find look an id up without copying it into a string.
    struct IdHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view id) const {
            return std::hash<std::string_view>{}(id);
        }
    };

    std::unordered_map<std::string, Entry, IdHash, std::equal_to<>> entries_;
    bool setAside_ = false;
};

}  // namespace kelvane

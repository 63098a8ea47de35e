#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KeptMessage.h"
#include "QuarantineLimits.h"

namespace kelvane {

// The folder in the program folder where deleted messages are kept.
std::string QuarantineFolder(const std::string& programDirectory);

// Deleted messages kept for the user, one private file per message, in a private folder. Only
// files whose name and contents are a kept message's are listed, read or removed: anything else
// in the folder is left alone. Every method that changes the folder throws FileError.
class Quarantine {
  public:
    explicit Quarantine(std::string folder);
    const std::string& folder() const { return folder_; }

    // Writes `message` (as the server sent it) with `kept`'s description, under a new id it
    // returns; only KeptPart of a large message. The file is complete under its name when this
    // returns, but on disk only after Flush(). The folder is made (0700) when missing.
    std::string Keep(KeptMessage kept, std::string_view message, const QuarantineLimits& limits);
    // Puts every message kept so far on disk: a deletion waits for it.
    void Flush();

    // Every kept message, newest first.
    std::vector<KeptMessage> List() const;
    std::optional<KeptMessage> Find(const std::string& id) const;
    // The kept bytes of the message; nothing for an unknown id.
    std::optional<std::string> Message(const std::string& id) const;
    // Writes the kept bytes to `path`, a new file (0600); never replaces one. Throws FileError
    // for an unknown id or a file that exists.
    void Restore(const std::string& id, const std::string& path) const;
    // Removes one; false when there is no such kept message.
    bool Forget(const std::string& id);
    // Removes the messages kept longer than limits.days, then the oldest until the rest take at
    // most limits.totalBytes; the number removed.
    int Expire(const QuarantineLimits& limits, long long now);

    // Whether `id` has the shape of an id this quarantine gives ("20261211-105500-0001").
    static bool IsId(std::string_view id);

  private:
    struct Entry {
        KeptMessage kept;
        long long fileSize = 0;
    };
    // Every kept message with its file's size, newest first.
    std::vector<Entry> Entries() const;
    std::string PathOf(const std::string& id) const;
    std::optional<KeptMessage> ReadDescription(const std::string& id, long long* fileSize) const;
    void MakeFolder() const;
    std::string WriteTemporary(std::string_view bytes) const;
    std::string NameKept(const std::string& temp, const std::string& stem);
    void RemoveStaleTemporaries(long long now) const;

    std::string folder_;
    std::string lastStem_;  // the second of the last id given, and the number to try next
    int nextNumber_ = 1;
};

}  // namespace kelvane

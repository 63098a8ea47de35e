#pragma once

#include <string>
#include <vector>

namespace kelvane {

// What the quarantine keeps beside a deleted message, so that the user can find it again: the
// list's texts as they were when it was marked, and why it was marked.
struct KeptMessage {
    std::string id;           // the file's name without its ending; set by the quarantine
    long long deletedAt = 0;  // when it was kept, seconds since the epoch
    int mailbox = 0;          // 1 to 12
    std::string user;
    std::string server;
    std::string subject;  // the list's column texts
    std::string sender;
    std::string size;
    std::string date;
    int mark = -1;                     // the row's mark number
    std::vector<std::string> reasons;  // the "Why was this e-mail marked?" lines
    long long originalSize = 0;        // bytes of the message as the server sent it
    bool whole = true;                 // false: the header block and the start of the body only
    long long keptSize = 0;            // bytes of the message kept

    bool operator==(const KeptMessage&) const = default;
};

}  // namespace kelvane

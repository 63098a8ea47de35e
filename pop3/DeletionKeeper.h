#pragma once

#include <string>

namespace kelvane {

// Keeps a copy of each message that TmsRemotePOP::ProcessMarked is about to delete. The messages
// are retrieved first; a message is deleted only when its copy was kept and Commit() put every
// copy on disk, so that nothing is gone from the server without a way back.
class DeletionKeeper {
  public:
    virtual ~DeletionKeeper() = default;
    // Message `num` (zero-based) as the server sent it: its data block, terminator included.
    // False when it could not be kept.
    virtual bool Keep(int num, const std::string& dataBlock) = 0;
    // The server refused to send message `num`; `reply` is its line.
    virtual void NotSent(int num, const std::string& reply) = 0;
    // Puts every copy kept so far on disk before the first DELE; false when it could not.
    virtual bool Commit() = 0;
};

}  // namespace kelvane

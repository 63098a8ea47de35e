#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "RuleTrial.h"

namespace kelvane {

class Quarantine;
class TmsRemotePOP;

// The messages a rule being edited is tried on, read afresh from disk. Files that cannot be read,
// are damaged or belong to another mailbox are passed over without a word: the trial is a help,
// and the check run deals with its own files.

// The header blocks the cache file at `path` keeps for `owner` (TmsRemotePOP::CacheOwner), which
// are the messages of mailbox `mailbox`'s last listing. The file is only read, never set aside.
std::vector<TrialMessage> ListingTrialMessages(const std::string& path, std::string_view owner,
                                               int mailbox);

// The header blocks of the newest deleted messages kept in `quarantine`, up to a bound on their
// number and on the bytes read for them.
std::vector<TrialMessage> DeletedTrialMessages(const Quarantine& quarantine);

// Both: the current mailbox's last listing as the client names its cache, then the quarantine
// when there is one.
std::vector<TrialMessage> LoadTrialMessages(const TmsRemotePOP& client, int mailbox,
                                            const Quarantine* quarantine);

}  // namespace kelvane

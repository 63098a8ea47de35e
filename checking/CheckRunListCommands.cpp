// The list's commands that read or change the rows and the rules between runs.
#include "CheckFrontEnd.h"
#include "CheckRun.h"
#include "SpamSettings.h"

namespace kelvane {

// A run of its own: the sender domain test may wait on a lookup, and nothing may empty the
// rows meanwhile.
std::vector<std::string> CheckRun::Why(int index) {
    if (onStack_) return {};
    RunScope scope(*this);
    return WhyLines(classifier_, rows_, index);
}

bool CheckRun::AddToExceptions(const std::vector<int>& selected) {
    if (onStack_) return false;
    AddSendersToExceptions(spam_.exceptions(), rows_, selected);
    SaveSpamSettings();
    AutoMark();
    return true;
}

bool CheckRun::AddToSpamRules(const std::vector<SpamCandidate>& candidates, bool bySubject,
                              bool bySender) {
    if (onStack_) return false;
    AddSpamRules(spam_.subjects(), spam_.senders(), candidates, bySubject, bySender);
    SaveSpamSettings();
    AutoMark();
    return true;
}

}  // namespace kelvane

#include "QuarantineKeeper.h"

#include <utility>

#include "AtomicFile.h"
#include "KeptMessageFile.h"
#include "Quarantine.h"

namespace kelvane {

QuarantineKeeper::QuarantineKeeper(Quarantine& quarantine, const QuarantineLimits& limits,
                                   Describe describe)
    : quarantine_(quarantine), limits_(limits), describe_(std::move(describe)) {}

bool QuarantineKeeper::Keep(int num, const std::string& dataBlock) {
    try {
        quarantine_.Keep(describe_(num), MessageOfDataBlock(dataBlock), limits_);
    } catch (const FileError& error) {
        failures_[num] = std::string("it could not be kept for restoring: ") + error.what();
        return false;
    }
    kept_.push_back(num);
    return true;
}

void QuarantineKeeper::NotSent(int num, const std::string& reply) {
    failures_[num] = "the server did not send it to be kept" +
                     (reply.empty() ? std::string() : ", it replied " + reply);
}

bool QuarantineKeeper::Commit() {
    try {
        quarantine_.Flush();
    } catch (const FileError& error) {
        for (const int num : kept_) {
            failures_[num] = std::string("it could not be kept for restoring: ") + error.what();
        }
        return false;
    }
    return true;
}

}  // namespace kelvane

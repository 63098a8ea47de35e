#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DeletionKeeper.h"
#include "KeptMessage.h"
#include "QuarantineLimits.h"

namespace kelvane {

class Quarantine;

// Keeps the messages of a deletion run in the quarantine, each with what the list showed and
// why it was marked, and remembers why any could not be kept, so that they stay on the server.
class QuarantineKeeper : public DeletionKeeper {
  public:
    // What is known of message `num` before it is kept: the list's texts and the reasons.
    using Describe = std::function<KeptMessage(int num)>;

    QuarantineKeeper(Quarantine& quarantine, const QuarantineLimits& limits, Describe describe);

    bool Keep(int num, const std::string& dataBlock) override;
    void NotSent(int num, const std::string& reply) override;
    bool Commit() override;

    // Why each message not kept was left on the server, by index.
    const std::map<int, std::string>& failures() const { return failures_; }

  private:
    Quarantine& quarantine_;
    QuarantineLimits limits_;
    Describe describe_;
    std::vector<int> kept_;
    std::map<int, std::string> failures_;
};

}  // namespace kelvane

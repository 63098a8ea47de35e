#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

#include "DomainChecker.h"

namespace kelvane {

struct SpamOptions;

// The text after the first at sign (at most 255 bytes), or the whole address without one.
std::string DomainPart(std::string_view address);

// Shown with the run's status when the name server stopped answering.
inline constexpr const char* kDomainsNotCheckedNotice =
    "Sender domains were not checked: the DNS server did not answer";

// Which sender domains are unknown. Every domain is looked up at most once per program run.
// Only a definite "does not exist" makes a domain unknown, so a failing name server never costs
// the user good mail; and once the server has timed out, no lookup is tried again until the
// next check run, so a dead server costs one time-out per run.
class DomainCheck {
  public:
    explicit DomainCheck(DomainChecker& checker) : checker_(checker) {}

    // A new check run: lookups are tried again.
    void StartCheckRun() { timedOut_ = false; }

    // True when the domain is unknown (from the caches or a lookup). A domain newly found unknown
    // counts one more in `options`.
    bool qUnknownDomain(std::string_view domain, SpamOptions& options);

    // Lower-case domains found to exist and not to exist.
    const std::unordered_set<std::string>& OkDomains() const { return okDomains_; }
    const std::unordered_set<std::string>& BadDomains() const { return badDomains_; }

    // Whether lookups are off for the rest of this run.
    bool timedOut() const { return timedOut_; }
    // kDomainsNotCheckedNotice after a time-out in this run, else empty.
    std::string notice() const;
    // Lookups asked so far; they may keep the windows live, so the caller can tell one happened.
    std::uint64_t lookupCount() const { return lookupCount_; }

  private:
    DomainChecker& checker_;
    std::unordered_set<std::string> okDomains_;
    std::unordered_set<std::string> badDomains_;
    bool timedOut_ = false;
    std::uint64_t lookupCount_ = 0;
};

}  // namespace kelvane

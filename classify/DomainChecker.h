#pragma once

#include <string>

namespace kelvane {

// What a lookup says about a sender's domain.
enum class DomainAnswer {
    Exists,        // the name server answered for the domain, with or without a mail exchanger
    DoesNotExist,  // the name server said the domain does not exist
    Unjudged,      // no usable answer: server failure, refusal, malformed answer, socket error
    TimedOut,      // the name server did not answer in time
};

// Asks whether a domain exists. The MX resolver provides the real one.
class DomainChecker {
  public:
    virtual ~DomainChecker() = default;
    // May raise ECanceledError: a lookup that waits keeps the windows live, and the user may
    // cancel the run meanwhile.
    virtual DomainAnswer CheckDomainExists(const std::string& domain) = 0;
    // Asks a waiting lookup to end with ECanceledError, and later ones not to start.
    virtual void Cancel() {}
    // Lookups may run again (a new run).
    virtual void ClearCancel() {}
};

}  // namespace kelvane

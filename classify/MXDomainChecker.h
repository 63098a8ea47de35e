#pragma once

#include "DomainChecker.h"
#include "TmsMXResolver.h"

namespace kelvane {

// Answers the sender-domain test with a DNS MX lookup. Only a server saying that the name does
// not exist makes a domain unknown; every other failure leaves it unjudged, so that a flaky
// DNS server never costs the user good mail.
class MXDomainChecker : public DomainChecker {
  public:
    DomainAnswer CheckDomainExists(const std::string& domain) override;
    void Cancel() override { resolver_.Cancel(); }
    void ClearCancel() override { resolver_.ClearCancel(); }

    TmsMXResolver& resolver() { return resolver_; }

  private:
    TmsMXResolver resolver_;
};

}  // namespace kelvane

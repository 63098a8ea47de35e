#include "DomainCheck.h"

#include "MailText.h"
#include "MatchOperator.h"
#include "SpamOptions.h"

namespace kelvane {

std::string DomainPart(std::string_view address) {
    return SenderTestText(address, kSenderKindDomain, std::nullopt);
}

bool DomainCheck::qUnknownDomain(std::string_view domain, SpamOptions& options) {
    std::string folded = mailtext::Lower(domain);
    if (okDomains_.contains(folded)) return false;
    if (badDomains_.contains(folded)) return true;
    if (timedOut_) return false;

    ++lookupCount_;
    switch (checker_.CheckDomainExists(std::string(domain))) {
        case DomainAnswer::Exists:
            okDomains_.insert(std::move(folded));
            return false;
        case DomainAnswer::DoesNotExist:
            badDomains_.insert(std::move(folded));
            bumpUnknown(options);
            return true;
        case DomainAnswer::TimedOut:
            timedOut_ = true;
            return false;
        case DomainAnswer::Unjudged:
            break;
    }
    return false;
}

std::string DomainCheck::notice() const {
    return timedOut_ ? kDomainsNotCheckedNotice : "";
}

}  // namespace kelvane

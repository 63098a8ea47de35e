#include "MXDomainChecker.h"

#include "MailErrors.h"
#include "ResolverErrors.h"

namespace kelvane {

DomainAnswer MXDomainChecker::CheckDomainExists(const std::string& domain) {
    resolver_.Domain = domain;
    try {
        resolver_.Resolve();
        return DomainAnswer::Exists;
    } catch (const EResolverError& error) {
        return error.RCode() == kRCodeNameError ? DomainAnswer::DoesNotExist
                                                : DomainAnswer::Unjudged;
    } catch (const ETimedOutError&) {
        return DomainAnswer::TimedOut;
    } catch (const ECanceledError&) {
        throw;  // the user's answer, not the server's: the run stops
    } catch (const EMailError&) {
        return DomainAnswer::Unjudged;
    }
}

}  // namespace kelvane

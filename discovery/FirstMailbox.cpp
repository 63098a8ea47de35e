#include "FirstMailbox.h"

#include "ClawsMailAccount.h"
#include "EvolutionAccount.h"
#include "ThunderbirdAccount.h"

namespace kelvane {
namespace {

bool Take(MailboxAccount& mailbox, const std::optional<FoundAccount>& found) {
    if (!found) return false;
    mailbox.server = found->server;
    mailbox.userName = found->userName;
    mailbox.security = found->security;
    mailbox.oauth2 = found->oauth2;
    if (found->oauth2) {
        // Unknown servers are left for the user to describe.
        mailbox.oauthProvider = found->oauthProvider.empty() ? "custom" : found->oauthProvider;
    }
    return true;
}

}  // namespace

bool CheckThunderbird(MailboxAccount& mailbox, const DiscoveryEnvironment& env) {
    return Take(mailbox, FindThunderbirdAccount(env));
}

bool CheckEvolution(MailboxAccount& mailbox, const DiscoveryEnvironment& env) {
    return Take(mailbox, FindEvolutionAccount(env));
}

bool CheckClawsMail(MailboxAccount& mailbox, const DiscoveryEnvironment& env) {
    return Take(mailbox, FindClawsMailAccount(env));
}

void TakeFirstAccountFromMailPrograms(MailboxAccounts& accounts, const DiscoveryEnvironment& env) {
    MailboxAccount& first = accounts.Account(1);
    for (auto check : {CheckThunderbird, CheckEvolution, CheckClawsMail}) {
        if (first.server.empty()) check(first, env);
    }
}

}  // namespace kelvane

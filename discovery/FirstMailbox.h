#pragma once

#include "DiscoveryEnvironment.h"
#include "MailboxAccounts.h"

namespace kelvane {

// Each takes the first POP3 account of one mail program's settings into `mailbox`: its server
// (with ":port" when that is not 110) and its user name, replacing both, and the protection the
// program uses for it, and OAuth2 with the provider its server suggests when the program signs in
// so. True when one was found;
// when none is, or the program's files are missing or unreadable, `mailbox` stays as it was.
bool CheckThunderbird(MailboxAccount& mailbox, const DiscoveryEnvironment& env);
bool CheckEvolution(MailboxAccount& mailbox, const DiscoveryEnvironment& env);
bool CheckClawsMail(MailboxAccount& mailbox, const DiscoveryEnvironment& env);

// What the general settings window does when it is shown: Thunderbird, then Evolution, then
// Claws Mail, each only while mailbox 1's server is still empty.
void TakeFirstAccountFromMailPrograms(MailboxAccounts& accounts, const DiscoveryEnvironment& env);

}  // namespace kelvane

#pragma once

#include <optional>
#include <string_view>

#include "DiscoveryEnvironment.h"
#include "FoundAccount.h"

namespace kelvane {

// The account of one Evolution source file when it is a POP3 mail account ([Mail Account]
// BackendName=pop): [Authentication] Host, Port and User; a Method of XOAUTH2, OAuth2 or a
// provider's own (Google, Outlook) marks one that signs in with OAuth2.
std::optional<FoundAccount> EvolutionPopAccount(std::string_view sourceFile);

// The first POP3 account among the *.source files of ~/.config/evolution/sources, taken in the
// order of their names.
std::optional<FoundAccount> FindEvolutionAccount(const DiscoveryEnvironment& env);

}  // namespace kelvane

#pragma once

#include <optional>
#include <string_view>

#include "DiscoveryEnvironment.h"
#include "FoundAccount.h"

namespace kelvane {

// The first POP3 account (protocol=0) of a Claws Mail accountrc, in the file's order:
// receive_server, user_id and the port it connects to (pop_port when set_popport is on, else
// 995 for TLS from the first byte and 110 otherwise); use_oauth2 on marks one that signs in
// with OAuth2.
std::optional<FoundAccount> ClawsMailPopAccount(std::string_view accountrc);

// The first POP3 account of ~/.claws-mail/accountrc.
std::optional<FoundAccount> FindClawsMailAccount(const DiscoveryEnvironment& env);

}  // namespace kelvane

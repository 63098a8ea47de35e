#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "DiscoveryEnvironment.h"
#include "FoundAccount.h"

namespace kelvane {

// The folder of the default profile named in a profiles.ini, as written there (relative to the
// file's folder unless it starts with "/"): the [Install...] section's Default, else the
// profile marked Default=1, else the first profile.
std::optional<std::string> ThunderbirdDefaultProfile(std::string_view profilesIni);

// The first POP3 account of a profile's prefs.js: of the mail.server.serverN entries, lowest N
// first, the first whose type is "pop3" and whose host makes a usable account; authMethod 10
// marks one that signs in with OAuth2.
std::optional<FoundAccount> ThunderbirdPopAccount(std::string_view prefsJs);

// The first POP3 account of the default profile under ~/.thunderbird; nothing when there is none
// or its files cannot be read.
std::optional<FoundAccount> FindThunderbirdAccount(const DiscoveryEnvironment& env);

}  // namespace kelvane

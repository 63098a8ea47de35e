#pragma once

namespace kelvane {

// True when a network interface named ppp* is up and has an IPv4 address: a dial-up link is
// there, whoever brought it up. Raises ERASError when the interfaces cannot be listed.
bool PppLinkUp();

}  // namespace kelvane

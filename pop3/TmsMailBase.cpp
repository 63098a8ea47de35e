#include "TmsMailBase.h"

namespace kelvane {

void TmsMailBase::Connect() {
    // Servers end idle sessions (RFC 1939 allows it after ten minutes), usually with a last
    // line of their own; such a session is opened afresh.
    if (Connected() && PollPeer() != PeerState::Quiet) Close();
    if (Connected()) return;
    Open();
    Login();
}

void TmsMailBase::Disconnect() {
    if (!Connected()) return;
    Logout();
    Close();
}

}  // namespace kelvane

#include "TmsMailBase.h"

namespace kelvane {

void TmsMailBase::Connect() {
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

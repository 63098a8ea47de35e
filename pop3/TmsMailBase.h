#pragma once

#include "TagSocket.h"

namespace kelvane {

// A mail protocol session over the transport: Connect opens and logs in, Disconnect logs out
// and closes. The protocol classes supply the login and logout.
class TmsMailBase : public TagSocket {
  public:
    // Opens and logs in when not connected. A connection that is already open is reused as it
    // is, without a second login, unless the server has closed it or spoken unasked since.
    void Connect();
    // Logs out and closes when connected. When the logout fails the connection stays open.
    void Disconnect();

    virtual void Login() = 0;
    virtual void Logout() = 0;
};

}  // namespace kelvane

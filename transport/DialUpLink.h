#pragma once

namespace kelvane {

// A dial-up connection that the transport asks to be up before it connects and releases after
// it closes. The transport works without one.
class DialUpLink {
  public:
    virtual ~DialUpLink() = default;
    // Makes sure a connection is up; may dial and wait. Raises when it cannot.
    virtual void EnsureConnected() = 0;
    virtual void Release() = 0;
};

}  // namespace kelvane

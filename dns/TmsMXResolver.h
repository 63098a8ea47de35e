#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "DnsMessage.h"
#include "ResolverErrors.h"
#include "TimeCounter.h"

namespace kelvane {

// Asks one DNS server over UDP for the MX records of a domain. One datagram goes out, one comes
// back; no retry, no second server. The wait runs in short poll slices with PumpEvents() between
// them, so that the windows stay live.
//
// Resolve() raises EResolverError for an answer that says no or cannot be used, ETimedOutError
// when no answer comes within TimeOut seconds, ECanceledError once Cancel() was asked for and
// ESocketError ("Error #" and the system's error number) when the socket fails. Once the socket is
// open, it is closed and OnClosingConnection fires whatever happens.
class TmsMXResolver {
  public:
    // DNSAddress and Port start as DefaultDnsServer() says.
    TmsMXResolver();

    std::string DNSAddress;  // dotted IPv4; a host name is not resolved
    std::string Domain;      // without a trailing dot
    int TimeOut = 60;        // seconds
    std::uint16_t Port = 53;

    std::function<void(TmsMXResolver& sender)> OnSendingQuery;
    std::function<void(TmsMXResolver& sender)> OnWaitingForResponse;
    std::function<void(TmsMXResolver& sender)> OnClosingConnection;

    // One lookup of Domain; on success MXList() holds its records, lowest preference first
    // (an empty list when the domain exists without MX records). Not re-entrant.
    void Resolve();
    // The records of the last lookup; empty after a failed one.
    const TMXList& MXList() const { return list_; }
    // Asks a lookup that waits (usually below a button pressed during the wait) to end, and every
    // later one not to start, until ClearCancel().
    void Cancel() { canceled_ = true; }
    void ClearCancel() { canceled_ = false; }

  private:
    int OpenSocket() const;
    // Sends `query` on the open socket and returns the first datagram that comes back.
    std::string Exchange(int socket, const std::string& query);
    std::string Receive(int socket);
    void CloseSocket(int socket);

    TTimeCounter counter_;
    TMXList list_;
    bool canceled_ = false;
};

}  // namespace kelvane

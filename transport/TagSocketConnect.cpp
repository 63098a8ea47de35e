// Reaching the server: the host and port of Server, the TCP connection and the TLS handshake.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <string_view>

#include "DialUpLink.h"
#include "EventPump.h"
#include "HostResolver.h"
#include "MailErrors.h"
#include "MailboxSecurity.h"
#include "SocketCalls.h"
#include "TagSocket.h"
#include "TlsErrors.h"
#include "TlsSession.h"

namespace kelvane {
namespace {

using socketcalls::ErrorText;
using socketcalls::kSliceMs;
using socketcalls::WouldBlock;

constexpr int kSendBuffer = 128 * 1024;

// Blanks around a name or a number typed into the settings file mean nothing.
std::string_view WithoutBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The host before the first ":" of `server`.
std::string HostOf(const std::string& server) {
    return std::string(WithoutBlanks(std::string_view(server).substr(0, server.find(':'))));
}

// The port after the first ":" of `server`, or 0 when there is none or it is not a number.
std::uint16_t PortOf(const std::string& server) {
    const std::size_t colon = server.find(':');
    if (colon == std::string::npos) return 0;
    const std::string_view digits = WithoutBlanks(std::string_view(server).substr(colon + 1));
    const char* first = digits.data();
    const char* last = digits.data() + digits.size();
    unsigned value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value > 65535) return 0;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

void TagSocket::Open() {
    if (Connected()) Close();
    if (RAS != nullptr) RAS->EnsureConnected();
    if (OnOpen) OnOpen(*this);
    if (Server.empty()) RaiseSocketError(kServerPropertyRequired);
    ResolveHost(HostOf(Server));
    ResolvePort();
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket_ < 0) RaiseSocketError(errno);
    // Every write is a whole command or a batch of them: holding one back for an
    // acknowledgement would only add a round trip to pipelined commands.
    const int on = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // Room for a whole window of pipelined commands (SendRoom).
    ::setsockopt(socket_, SOL_SOCKET, SO_SNDBUF, &kSendBuffer, sizeof kSendBuffer);
}

std::size_t TagSocket::SendRoom() const {
    int size = 0;
    socklen_t length = sizeof size;
    if (!Connected() || ::getsockopt(socket_, SOL_SOCKET, SO_SNDBUF, &size, &length) != 0) {
        return 0;
    }
    return static_cast<std::size_t>(std::max(size, 0)) / 4;
}

void TagSocket::ResolveHost(const std::string& host) {
    in_addr numeric{};
    if (::inet_pton(AF_INET, host.c_str(), &numeric) == 1) {
        address_ = numeric.s_addr;
        return;
    }
    if (!resolver_->Start(host)) RaiseSocketError(kErrorResolvingRemoteHost);
    StartCounter();
    HostResolver::State state;
    while ((state = resolver_->Wait(kSliceMs)) == HostResolver::State::Pending) {
        PumpEvents();
        if (canceled_ || counter_.Expired()) break;
    }
    counter_.Stop();
    if (state == HostResolver::State::Failed) RaiseSocketError(kErrorResolvingRemoteHost);
    if (state == HostResolver::State::Pending) {
        resolver_->Cancel();
        if (counter_.Expired()) TimeOutReport();
        CancelReport();
    }
    address_ = resolver_->Address();
}

// A port in Server wins; then the service's port; a service that is not known is no error.
void TagSocket::ResolvePort() {
    port_ = PortOf(Server);
    if (port_ != 0) return;
    if (ServiceName.empty()) RaiseSocketError(kServiceNameRequired);
    if (canceled_) CancelReport();
    servent entry{};
    servent* found = nullptr;
    char scratch[1024];
    ::getservbyname_r(ServiceName.c_str(), "tcp", &entry, scratch, sizeof scratch, &found);
    port_ = found != nullptr ? ntohs(static_cast<std::uint16_t>(found->s_port)) : DefaultPort;
}

void TagSocket::ConnectSocket() {
    if (canceled_) CancelReport();
    if (!Connected()) RaiseSocketError(kConnectFirst);
    if (adopted_) return;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port_);
    peer.sin_addr.s_addr = address_;
    StartCounter();
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0 &&
        !WouldBlock(errno)) {
        Fail(ErrorText(errno), true);
    }
    if (!WaitForSocket(POLLOUT)) EndWait(true);
    counter_.Stop();
    int error = 0;
    socklen_t length = sizeof error;
    ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) Fail(ErrorText(error), true);
}

void TagSocket::StartTls() {
    if (!Connected()) RaiseSocketError(kConnectFirst);
    try {
        tls_ = std::make_unique<TlsSession>(socket_, HostOf(Server));
    } catch (const ESocketError& error) {
        Fail(error.what(), true);
    }
    StartCounter();
    while (!HandshakeStep()) {
        if (!WaitForSocket(TlsDirection(POLLIN))) EndWait(true);
    }
    counter_.Stop();
    peerCertificate_ = tls_->PeerCertificate();
    const std::string refusal = tls_->Refusal(CanonicalFingerprint(PinnedFingerprint));
    if (!refusal.empty()) RefuseCertificate(refusal);
}

bool TagSocket::HandshakeStep() {
    try {
        return tls_->Handshake();
    } catch (const ESocketError& error) {
        Fail(error.what(), true);
    }
}

void TagSocket::RefuseCertificate(const std::string& reason) {
    ECertificateError error(reason, peerCertificate_);
    std::string text = error.what();
    if (OnError) OnError(*this, text);
    Close();
    throw error;
}

bool TagSocket::TlsActive() const {
    return tls_ != nullptr;
}

}  // namespace kelvane

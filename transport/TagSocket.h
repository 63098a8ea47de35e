#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "TimeCounter.h"
#include "TlsCertificate.h"

namespace kelvane {

class DialUpLink;
class HostResolver;
class TlsSession;

// One reply line and its code (ReplyCode of the line; -1 when no complete line arrived).
struct ReplyLine {
    std::string line;
    int code = -1;
};

// What a peer did while nobody was waiting for it.
enum class PeerState {
    Quiet,          // nothing to read
    SentSomething,  // bytes are waiting that no command asked for
    Closed,         // the peer has ended the connection
};

// A TCP client for line-based protocols. Every wait runs in short poll slices, calling
// PumpEvents() between them so that the windows stay live, and ends on the cancel flag (Cancel(),
// usually from a button pressed during the wait) or on the time-out: TimeOut seconds bound each
// whole line sent or read, however slowly its bytes trickle in, so no peer can stretch a session.
// Errors are reported through OnError first, then raised: ESocketError, ETimedOutError,
// ECanceledError.
class TagSocket {
  public:
    TagSocket();
    virtual ~TagSocket();
    TagSocket(const TagSocket&) = delete;
    TagSocket& operator=(const TagSocket&) = delete;

    std::string Server;  // host name or address, optionally ":" and a port
    std::uint16_t DefaultPort = 0;
    int TimeOut = 60;  // seconds
    std::string ServiceName;
    DialUpLink* RAS = nullptr;  // optional dial-up connection
    // SHA-256 fingerprint of a certificate the user chose to trust (any case, colons allowed):
    // when set, StartTls() accepts exactly that certificate, whoever signed it.
    std::string PinnedFingerprint;

    std::function<void(TagSocket& sender)> OnOpen;
    std::function<void(TagSocket& sender)> OnClosing;
    std::function<void(TagSocket& sender)> OnClosed;
    std::function<void(TagSocket& sender)> OnCancel;
    // The handler may change the text; the raised error carries the text as the handler left it.
    std::function<void(TagSocket& sender, std::string& text)> OnError;
    std::function<void(TagSocket& sender, int perc, long long transferred)> OnProgress;

    // Dial-up (when linked), OnOpen, resolve the host and the port, create the socket.
    virtual void Open();
    // Connects the socket made by Open(); a refused connection raises at once.
    void ConnectSocket();
    virtual void Close();
    virtual void Cancel();
    virtual void ResetState();
    virtual int ReplyCode(std::string_view line);
    bool Connected() const;

    void SendLine(std::string_view text);
    // Sends bytes that already hold their line ends: several commands in one write.
    void SendText(std::string_view bytes);
    // How many bytes the connection takes without the peer reading any: a quarter of the send
    // buffer, the rest being the kernel's own bookkeeping. 0 when not connected.
    std::size_t SendRoom() const;
    ReplyLine ReadReplyLine();
    static constexpr std::size_t kKeepAll = SIZE_MAX;
    // Receives a data block up to and including its terminating "." line (after CR LF or a
    // bare LF). Only the first `keepAtMost` bytes are appended to `stream`; the rest is read and
    // dropped, so that a flood costs no memory.
    void ReceiveData(std::string& stream, long long expectedSize,
                     std::size_t keepAtMost = kKeepAll);
    // Like ReceiveData, for a block that must arrive whole: it stops reading as soon as the block
    // runs past `longest` bytes and returns false, with `stream` emptied and the rest of the block
    // unread, so that the caller can only close the session.
    bool ReceiveDataWithin(std::string& stream, long long expectedSize, std::size_t longest);
    // Looks, without waiting, at what the peer did since the last read.
    PeerState PollPeer();

    // TLS 1.2 or later on the connected socket, in the same pumped waits as everything else;
    // every byte after it is encrypted until Close(). The certificate must chain to the system's
    // trust store (SSL_CERT_FILE / SSL_CERT_DIR may point elsewhere) and be issued for the host
    // in Server, unless PinnedFingerprint is set. A refusal raises ECertificateError (after
    // OnError) with the reason and the certificate's details, and closes the connection.
    void StartTls();
    bool TlsActive() const;
    // The certificate the server showed in the last handshake, also when it was refused.
    const TlsCertificate& PeerCertificate() const { return peerCertificate_; }
    // Forgets whatever was received and not yet read: plain text that came before a handshake.
    void DiscardReceived();
    // Sends a line only if the socket takes all of it at once; never waits, never reports.
    bool TrySendLine(std::string_view text);

    // Reports `error` (a system error number; 0 does nothing) or a component message through
    // OnError, then raises ESocketError.
    void RaiseSocketError(int error);
    [[noreturn]] void RaiseSocketError(const std::string& text);

    TTimeCounter& TimeCounter();

  protected:
    // Reports a peer that broke the protocol, closes the connection and raises ESocketError.
    [[noreturn]] void ProtocolError(const std::string& text);
    // Takes over `fd`, a stream socket that is already connected (a socket pair in tests and
    // fuzzing); ConnectSocket() then finds it connected.
    void AdoptSocket(int fd);

    // The one pair of primitives every byte passes through, so that an encrypting layer can
    // be put underneath later. Same contract as send(2)/recv(2) on a non-blocking socket.
    virtual long RawSend(const char* data, std::size_t size);
    virtual long RawReceive(char* data, std::size_t size);

  private:
    [[noreturn]] void Fail(std::string text, bool closeSocket);
    [[noreturn]] void TimeOutReport();
    [[noreturn]] void CancelReport();
    // Ends a wait that stopped without its event: cancel and time-out in the given order.
    [[noreturn]] void EndWait(bool cancelFirst);
    void StartCounter();

    void ResolveHost(const std::string& host);
    void ResolvePort();
    // Waits in slices for `events` on the socket; false on cancel, time-out or a closed socket.
    bool WaitForSocket(short events);
    // Appends the next bytes that arrive to the read buffer.
    void ReceiveMore(bool cancelFirst);
    // false when the block ran past `stopAfter` bytes before its end.
    bool ReceiveBlock(std::string& stream, long long expectedSize, std::size_t keepAtMost,
                      std::size_t stopAfter);
    void ReportProgress(long long expectedSize, long long position);
    short TlsDirection(short events) const;
    // One step of the TLS handshake; true once it is complete.
    bool HandshakeStep();
    // Reports a certificate that cannot be trusted, closes and raises ECertificateError.
    [[noreturn]] void RefuseCertificate(const std::string& reason);

    int socket_ = -1;
    std::uint32_t address_ = 0;  // network byte order
    std::uint16_t port_ = 0;
    bool canceled_ = false;
    bool adopted_ = false;  // connected by whoever made it
    std::string buffer_;    // received bytes not yet handed out; carries over between reads
    TTimeCounter counter_;
    std::unique_ptr<HostResolver> resolver_;
    std::unique_ptr<TlsSession> tls_;
    TlsCertificate peerCertificate_;
};

}  // namespace kelvane

#pragma once

#include <string>

#include "TlsCertificate.h"

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace kelvane {

// One TLS connection (OpenSSL) over a non-blocking socket that the caller owns and waits on.
// Every call returns at once; the caller polls in the direction Wanted() names and calls again.
// The handshake never fails for the certificate: the caller judges it afterwards with
// Refusal(), so that a refused certificate can still be shown to the user.
class TlsSession {
  public:
    enum class Want { Nothing, Read, Write };

    // `host` is checked against the certificate (a name, or a dotted address) and sent as SNI.
    // Throws ESocketError when that cannot be set up, so that no session goes without the check.
    // TLS 1.2 at least; the server cannot renegotiate.
    TlsSession(int socket, const std::string& host);
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // One step of the handshake: true once it is complete. Throws ESocketError when it failed.
    bool Handshake();
    // Like send(2) and recv(2) on a non-blocking socket: bytes moved, 0 when the peer ended the
    // connection, -1 with errno EAGAIN when the call must wait (see Wanted()) or EPROTO.
    long Send(const char* data, std::size_t size);
    long Receive(char* data, std::size_t size);
    Want Wanted() const { return want_; }
    // Decrypted bytes held inside, which no poll of the socket would announce.
    bool HasPending() const;
    // Tells the peer, without waiting, that the session ends.
    void Shutdown();

    TlsCertificate PeerCertificate() const;
    // Why the certificate cannot be trusted, in a user's words; empty when it can. A pin, when
    // given, replaces the authorities and the name: only that certificate is accepted.
    std::string Refusal(const std::string& pinnedFingerprint) const;

  private:
    long Finish(int result);

    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    Want want_ = Want::Nothing;
};

}  // namespace kelvane

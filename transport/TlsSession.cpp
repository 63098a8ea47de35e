#include "TlsSession.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <csignal>
#include <mutex>

#include "MailErrors.h"

namespace kelvane {
namespace {

bool IsAddress(const std::string& host) {
    in_addr address{};
    return ::inet_pton(AF_INET, host.c_str(), &address) == 1;
}

// OpenSSL writes with write(2); a peer gone away must give an error, not end the program.
void IgnoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

std::string OpenSslError() {
    const unsigned long code = ::ERR_get_error();
    ::ERR_clear_error();
    if (code == 0) return "the connection broke off";
    char text[256];
    ::ERR_error_string_n(code, text, sizeof text);
    return text;
}

[[noreturn]] void Fail(const std::string& what) {
    throw ESocketError("The secure connection could not be set up: " + what);
}

SSL_CTX* NewContext() {
    SSL_CTX* context = ::SSL_CTX_new(::TLS_client_method());
    if (context == nullptr) Fail(OpenSslError());
    if (::SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1) {
        const std::string why = OpenSslError();
        ::SSL_CTX_free(context);
        Fail(why);
    }
    // A renegotiation would bring a second certificate that nobody judges.
    ::SSL_CTX_set_options(context, SSL_OP_NO_RENEGOTIATION);
    // The system's authorities; SSL_CERT_FILE and SSL_CERT_DIR may point elsewhere.
    ::SSL_CTX_set_default_verify_paths(context);
    // The result is judged after the handshake, so that a refused certificate can be shown.
    ::SSL_CTX_set_verify(context, SSL_VERIFY_NONE, nullptr);
    return context;
}

// Sets the name or address the certificate must be issued for, and the name sent to the server;
// empty when done, else why not. Every call must succeed: a name left unset would let any
// trusted certificate pass. An empty name, or one with a NUL inside, would be checked as nothing
// or as a shorter one.
std::string SetPeerName(SSL* ssl, const std::string& host) {
    if (host.empty()) return "there is no server name to check the certificate against";
    if (host.find('\0') != std::string::npos) return "the server name holds a NUL byte";
    X509_VERIFY_PARAM* param = ::SSL_get0_param(ssl);
    bool done = false;
    if (IsAddress(host)) {
        done = ::X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) == 1;
    } else {
        ::X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        done = ::SSL_set_tlsext_host_name(ssl, host.c_str()) == 1 &&
               ::X509_VERIFY_PARAM_set1_host(param, host.data(), host.size()) == 1;
    }
    return done ? std::string() : "the server name cannot be checked: " + OpenSslError();
}

}  // namespace

TlsSession::TlsSession(int socket, const std::string& host) {
    IgnoreBrokenPipes();
    context_ = NewContext();
    ssl_ = ::SSL_new(context_);
    std::string why;
    if (ssl_ == nullptr || ::SSL_set_fd(ssl_, socket) != 1) {
        why = OpenSslError();
    } else {
        why = SetPeerName(ssl_, host);
    }
    if (!why.empty()) {
        if (ssl_ != nullptr) ::SSL_free(ssl_);
        ::SSL_CTX_free(context_);
        Fail(why);
    }
    ::SSL_set_connect_state(ssl_);
}

TlsSession::~TlsSession() {
    ::SSL_free(ssl_);
    ::SSL_CTX_free(context_);
}

bool TlsSession::Handshake() {
    const int result = ::SSL_do_handshake(ssl_);
    if (result == 1) {
        want_ = Want::Nothing;
        return true;
    }
    switch (::SSL_get_error(ssl_, result)) {
        case SSL_ERROR_WANT_READ:
            want_ = Want::Read;
            return false;
        case SSL_ERROR_WANT_WRITE:
            want_ = Want::Write;
            return false;
        default:
            Fail(OpenSslError());
    }
}

long TlsSession::Send(const char* data, std::size_t size) {
    return Finish(::SSL_write(ssl_, data, static_cast<int>(size)));
}

long TlsSession::Receive(char* data, std::size_t size) {
    return Finish(::SSL_read(ssl_, data, static_cast<int>(size)));
}

long TlsSession::Finish(int result) {
    if (result > 0) {
        want_ = Want::Nothing;
        return result;
    }
    switch (::SSL_get_error(ssl_, result)) {
        case SSL_ERROR_WANT_READ:
            want_ = Want::Read;
            errno = EAGAIN;
            return -1;
        case SSL_ERROR_WANT_WRITE:
            want_ = Want::Write;
            errno = EAGAIN;
            return -1;
        case SSL_ERROR_ZERO_RETURN:
            return 0;
        case SSL_ERROR_SYSCALL:
            // A peer that hangs up without saying goodbye is a closed connection all the same.
            if (errno == 0 || errno == EPIPE || errno == ECONNRESET) return 0;
            return -1;
        default:
            ::ERR_clear_error();
            errno = EPROTO;
            return -1;
    }
}

bool TlsSession::HasPending() const {
    return ::SSL_pending(ssl_) > 0;
}

void TlsSession::Shutdown() {
    ::SSL_shutdown(ssl_);
    ::ERR_clear_error();
}

}  // namespace kelvane

#include "TagSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "DataBlockScanner.h"
#include "DialUpLink.h"
#include "EventPump.h"
#include "HostResolver.h"
#include "MailErrors.h"
#include "SocketCalls.h"
#include "TlsSession.h"

namespace kelvane {
namespace {

using socketcalls::ErrorText;
using socketcalls::kSliceMs;
using socketcalls::WouldBlock;

constexpr std::size_t kReceiveChunk = 16384;
// Longest reply line accepted, without its line end.
constexpr std::size_t kLongestReplyLine = 65536;

}  // namespace

TagSocket::TagSocket() : resolver_(std::make_unique<HostResolver>()) {}

// Closes quietly: the owner is going away, so no handler is called.
TagSocket::~TagSocket() {
    tls_.reset();
    if (socket_ >= 0) ::close(socket_);
}

void TagSocket::Close() {
    if (Connected()) {
        if (OnClosing) OnClosing(*this);
        if (tls_) tls_->Shutdown();
        tls_.reset();
        ::close(socket_);
        socket_ = -1;
        adopted_ = false;
        buffer_.clear();
        if (OnClosed) OnClosed(*this);
    }
    if (RAS != nullptr) RAS->Release();
}

void TagSocket::Cancel() {
    canceled_ = true;
    if (OnCancel) OnCancel(*this);
    resolver_->Cancel();
    Close();
}

void TagSocket::ResetState() {
    canceled_ = false;
    counter_.ResetExpired();
    resolver_->Cancel();
}

int TagSocket::ReplyCode(std::string_view line) {
    if (line.size() < 3) return -1;
    int code = 0;
    for (const char c : line.substr(0, 3)) {
        if (c < '0' || c > '9') return -1;
        code = code * 10 + (c - '0');
    }
    return code;
}

bool TagSocket::Connected() const {
    return socket_ >= 0;
}

void TagSocket::SendLine(std::string_view text) {
    SendText(std::string(text) + "\r\n");
}

void TagSocket::SendText(std::string_view bytes) {
    if (!Connected()) RaiseSocketError(kConnectFirst);
    std::size_t sent = 0;
    StartCounter();
    while (sent < bytes.size() && Connected() && !canceled_ && !counter_.Expired()) {
        const long n = RawSend(bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EPIPE) {
            Fail(kServerClosedConnection, true);
        } else if (n < 0 && !WouldBlock(errno) && !canceled_) {
            RaiseSocketError(errno);
        } else {
            WaitForSocket(POLLOUT);
        }
    }
    counter_.Stop();
    if (sent < bytes.size()) EndWait(false);
}

ReplyLine TagSocket::ReadReplyLine() {
    if (!Connected()) RaiseSocketError(kConnectFirst);
    StartCounter();
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
            if (line.size() > kLongestReplyLine) break;
            counter_.Stop();
            const int code = ReplyCode(line);
            return {std::move(line), code};
        }
        if (buffer_.size() > kLongestReplyLine + 1) break;  // room for a CR before the LF
        ReceiveMore(buffer_.empty());
    }
    Fail("The server sent a reply line longer than " + std::to_string(kLongestReplyLine) + " bytes",
         true);
}

void TagSocket::ReceiveData(std::string& stream, long long expectedSize, std::size_t keepAtMost) {
    ReceiveBlock(stream, expectedSize, keepAtMost, kKeepAll);
}

bool TagSocket::ReceiveDataWithin(std::string& stream, long long expectedSize,
                                  std::size_t longest) {
    if (ReceiveBlock(stream, expectedSize, longest, longest)) return true;
    std::string().swap(stream);
    return false;
}

bool TagSocket::ReceiveBlock(std::string& stream, long long expectedSize, std::size_t keepAtMost,
                             std::size_t stopAfter) {
    if (!Connected()) RaiseSocketError(kConnectFirst);
    DataBlockScanner scanner;
    std::size_t position = 0;
    bool started = false;
    StartCounter();
    for (;;) {
        if (!buffer_.empty()) {
            started = true;
            ReportProgress(expectedSize, static_cast<long long>(position));
            const DataBlockScanner::Part part = scanner.Scan(buffer_);
            if (stream.size() < keepAtMost) {
                stream.append(buffer_, 0, std::min(part.length, keepAtMost - stream.size()));
            }
            buffer_.erase(0, part.length);
            position += part.length;
            if (position > stopAfter) break;
            if (part.ended) {
                counter_.Stop();
                return true;
            }
            if (part.lineEnded) counter_.Start();  // the time-out bounds each line of the block
            PumpEvents();
        }
        ReceiveMore(!started);
    }
    counter_.Stop();
    return false;
}

void TagSocket::ReportProgress(long long expectedSize, long long position) {
    if (!OnProgress) return;
    const int perc =
        expectedSize < 1 ? -1 : static_cast<int>(std::llround(position * 100.0 / expectedSize));
    OnProgress(*this, perc, position);
}

PeerState TagSocket::PollPeer() {
    if (!Connected()) return PeerState::Closed;
    if (!buffer_.empty() || (tls_ && tls_->HasPending())) return PeerState::SentSomething;
    pollfd entry{socket_, POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0) return PeerState::Quiet;
    char byte = 0;
    const long n = RawReceive(&byte, 1);
    if (n > 0) {
        buffer_.push_back(byte);
        return PeerState::SentSomething;
    }
    return n < 0 && WouldBlock(errno) ? PeerState::Quiet : PeerState::Closed;
}

bool TagSocket::TrySendLine(std::string_view text) {
    if (!Connected()) return false;
    const std::string bytes = std::string(text) + "\r\n";
    return RawSend(bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
}

void TagSocket::ReceiveMore(bool cancelFirst) {
    for (;;) {
        if (!WaitForSocket(POLLIN)) EndWait(cancelFirst);
        const std::size_t before = buffer_.size();
        buffer_.resize(before + kReceiveChunk);
        const long n = RawReceive(buffer_.data() + before, kReceiveChunk);
        const int error = errno;
        buffer_.resize(before + static_cast<std::size_t>(n > 0 ? n : 0));
        if (n > 0) return;
        if (n == 0) Fail(kServerClosedConnection, true);
        if (!WouldBlock(error) && !canceled_) RaiseSocketError(error);
    }
}

bool TagSocket::WaitForSocket(short events) {
    for (;;) {
        if (canceled_ || !Connected() || counter_.Expired()) return false;
        if (tls_ && (events & POLLIN) && tls_->HasPending()) return true;
        pollfd entry{socket_, TlsDirection(events), 0};
        if (::poll(&entry, 1, kSliceMs) > 0) return true;
        PumpEvents();
    }
}

void TagSocket::RaiseSocketError(int error) {
    if (error == 0) return;
    Fail(ErrorText(error), error == ECONNRESET);
}

void TagSocket::RaiseSocketError(const std::string& text) {
    Fail(text, false);
}

void TagSocket::ProtocolError(const std::string& text) {
    Fail(text, true);
}

void TagSocket::AdoptSocket(int fd) {
    if (Connected()) Close();
    tls_.reset();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    socket_ = fd;
    adopted_ = true;
}

void TagSocket::Fail(std::string text, bool closeSocket) {
    counter_.Stop();
    if (OnError) OnError(*this, text);
    if (closeSocket) Close();
    throw ESocketError(text);
}

void TagSocket::TimeOutReport() {
    counter_.Stop();
    std::string text = kOperationTimedOut;
    if (OnError) OnError(*this, text);
    resolver_->Cancel();
    Close();
    throw ETimedOutError(kOperationTimedOut);
}

void TagSocket::CancelReport() {
    counter_.Stop();
    std::string text = kOperationCanceled;
    if (OnError) OnError(*this, text);
    throw ECanceledError(kOperationCanceled);
}

void TagSocket::EndWait(bool cancelFirst) {
    if (cancelFirst && canceled_) CancelReport();
    if (counter_.Expired()) TimeOutReport();
    if (canceled_) CancelReport();
    RaiseSocketError(kConnectFirst);  // a handler closed the socket during the wait
}

void TagSocket::StartCounter() {
    counter_.TimeOut = TimeOut;
    counter_.Start();
}

TTimeCounter& TagSocket::TimeCounter() {
    return counter_;
}

long TagSocket::RawSend(const char* data, std::size_t size) {
    if (tls_) return tls_->Send(data, size);
    return ::send(socket_, data, size, MSG_NOSIGNAL);
}

long TagSocket::RawReceive(char* data, std::size_t size) {
    if (tls_) return tls_->Receive(data, size);
    return ::recv(socket_, data, size, 0);
}

// TLS may have to write before it can read on, or the other way round.
short TagSocket::TlsDirection(short events) const {
    if (!tls_) return events;
    switch (tls_->Wanted()) {
        case TlsSession::Want::Read:
            return POLLIN;
        case TlsSession::Want::Write:
            return POLLOUT;
        default:
            return events;
    }
}

// Nothing the server sent before a handshake may be read as a reply after it (RFC 2595's
// warning about text injected into the plain-text part of a session).
void TagSocket::DiscardReceived() {
    buffer_.clear();
    char scratch[4096];
    while (Connected() && ::recv(socket_, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
    }
}

}  // namespace kelvane

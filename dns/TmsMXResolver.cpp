#include "TmsMXResolver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "DnsServerAddress.h"
#include "EventPump.h"
#include "MailErrors.h"

namespace kelvane {
namespace {

constexpr int kSliceMs = 20;
// Large enough that an ordinary answer is never cut short.
constexpr std::size_t kLargestAnswer = 4096;

[[noreturn]] void RaiseSocketError(int error) {
    throw ESocketError("Error #" + std::to_string(error));
}

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// A fresh ID for every query, so that a stale or forged answer is unlikely to fit.
std::uint16_t RandomQueryId() {
    static std::mt19937 generator{std::random_device{}()};
    return static_cast<std::uint16_t>(generator());
}

}  // namespace

TmsMXResolver::TmsMXResolver() {
    const DnsServerAddress server = DefaultDnsServer();
    DNSAddress = server.address;
    Port = server.port;
}

void TmsMXResolver::Resolve() {
    list_.clear();
    if (canceled_) throw ECanceledError(kOperationCanceled);
    const std::string query = BuildMxQuery(RandomQueryId(), Domain);
    if (OnSendingQuery) OnSendingQuery(*this);
    const int socket = OpenSocket();
    std::string answer;
    try {
        answer = Exchange(socket, query);
    } catch (...) {
        CloseSocket(socket);
        throw;
    }
    CloseSocket(socket);
    TMXList list = ParseMxAnswer(answer, query);
    std::stable_sort(list.begin(), list.end(),
                     [](const TMXRec& a, const TMXRec& b) { return a.Preference < b.Preference; });
    list_ = std::move(list);
}

// A connected UDP socket: the kernel then drops datagrams from any other address or port.
int TmsMXResolver::OpenSocket() const {
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(Port);
    if (::inet_pton(AF_INET, DNSAddress.c_str(), &server.sin_addr) != 1)
        throw ESocketError(kErrorResolvingRemoteHost);
    const int socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) RaiseSocketError(errno);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        const int error = errno;
        ::close(socket);  // not open yet as far as the events go
        RaiseSocketError(error);
    }
    return socket;
}

std::string TmsMXResolver::Exchange(int socket, const std::string& query) {
    if (::send(socket, query.data(), query.size(), MSG_NOSIGNAL) < 0) RaiseSocketError(errno);
    if (OnWaitingForResponse) OnWaitingForResponse(*this);
    counter_.TimeOut = TimeOut;
    counter_.ResetExpired();
    counter_.Start();
    std::string answer = Receive(socket);
    counter_.Stop();
    return answer;
}

// An error the socket reports while waiting (a refused port) ends the wait at once.
std::string TmsMXResolver::Receive(int socket) {
    for (;;) {
        pollfd entry{socket, POLLIN, 0};
        const int ready = ::poll(&entry, 1, kSliceMs);
        if (ready < 0 && errno != EINTR) RaiseSocketError(errno);
        if (ready > 0) {
            std::string answer(kLargestAnswer, '\0');
            const ssize_t size = ::recv(socket, answer.data(), answer.size(), 0);
            if (size >= 0) {
                answer.resize(static_cast<std::size_t>(size));
                return answer;
            }
            if (!WouldBlock(errno)) RaiseSocketError(errno);
        }
        PumpEvents();
        if (canceled_) {
            counter_.Stop();
            throw ECanceledError(kOperationCanceled);
        }
        if (counter_.Expired()) {
            counter_.Stop();
            throw ETimedOutError(kOperationTimedOut);
        }
    }
}

// The event comes first, while the socket is still open, as the transport's OnClosing does.
void TmsMXResolver::CloseSocket(int socket) {
    struct Closer {
        int socket;
        ~Closer() { ::close(socket); }
    } closer{socket};
    if (OnClosingConnection) OnClosingConnection(*this);
}

}  // namespace kelvane

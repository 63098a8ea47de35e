#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Loopback.h"

namespace kelvane::testsupport {

// A DNS server inside the test: a UDP socket on 127.0.0.1 (a free port) served by a thread that
// answers each query with the bytes the handler makes from it; a handler that returns nothing
// stays silent. An optional intruder answers first from another port, as a forged answer would.
// The destructor ends the thread at once.
class UdpFakeDns {
  public:
    using Handler = std::function<std::optional<std::string>(const std::string& query)>;

    explicit UdpFakeDns(Handler handler, Handler intruder = nullptr)
        : handler_(std::move(handler)), intruder_(std::move(intruder)) {
        socket_ = BoundSocket(port_);
        if (intruder_) intruderSocket_ = BoundSocket(intruderPort_);
        thread_ = std::thread([this] { Run(); });
    }
    ~UdpFakeDns() {
        stop_ = true;
        thread_.join();
        ::close(socket_);
        if (intruderSocket_ >= 0) ::close(intruderSocket_);
    }
    UdpFakeDns(const UdpFakeDns&) = delete;
    UdpFakeDns& operator=(const UdpFakeDns&) = delete;

    std::uint16_t port() const { return port_; }

    // Every query received, in order.
    std::vector<std::string> queries() const {
        std::lock_guard lock(mutex_);
        return queries_;
    }

  private:
    static constexpr int kSliceMs = 20;

    static int BoundSocket(std::uint16_t& port) {
        const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = LoopbackAddress(0);
        socklen_t length = sizeof address;
        if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::abort();
        }
        port = ntohs(address.sin_port);
        return s;
    }

    void Run() {
        while (!stop_) {
            pollfd entry{socket_, POLLIN, 0};
            if (::poll(&entry, 1, kSliceMs) <= 0) continue;
            char buffer[4096];
            sockaddr_in client{};
            socklen_t length = sizeof client;
            const ssize_t size = ::recvfrom(socket_, buffer, sizeof buffer, 0,
                                            reinterpret_cast<sockaddr*>(&client), &length);
            if (size < 0) continue;
            const std::string query(buffer, static_cast<std::size_t>(size));
            {
                std::lock_guard lock(mutex_);
                queries_.push_back(query);
            }
            Answer(query, client);
        }
    }

    void Answer(const std::string& query, const sockaddr_in& client) {
        if (intruder_) {
            if (const std::optional<std::string> forged = intruder_(query)) {
                SendTo(intruderSocket_, *forged, client);
                // Lets the forged datagram arrive well before the real one.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        if (const std::optional<std::string> answer = handler_(query))
            SendTo(socket_, *answer, client);
    }

    static void SendTo(int s, const std::string& bytes, const sockaddr_in& client) {
        ::sendto(s, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&client),
                 sizeof client);
    }

    Handler handler_;
    Handler intruder_;
    int socket_ = -1;
    int intruderSocket_ = -1;
    std::uint16_t port_ = 0;
    std::uint16_t intruderPort_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> queries_;
    std::thread thread_;
};

}  // namespace kelvane::testsupport

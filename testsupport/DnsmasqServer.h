#pragma once

#include "ChildProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Loopback.h"
#include "TempFolder.h"

namespace kelvane::testsupport {

// A private DNS server for tests: its own dnsmasq in the foreground on 127.0.0.1 and a free
// port, answering only from the options given (for example "--local=/test/" and
// "--mx-host=mail.test,mx1.mail.test,20"), never asking another server. Its log, output and pid
// file stay in a temp folder; Stop() (also run by the destructor) ends it by its pid.
class DnsmasqServer {
  public:
    explicit DnsmasqServer(std::vector<std::string> options) : options_(std::move(options)) {}
    ~DnsmasqServer() { Stop(); }
    DnsmasqServer(const DnsmasqServer&) = delete;
    DnsmasqServer& operator=(const DnsmasqServer&) = delete;

    // "" when dnsmasq is installed, else the reason, for GTEST_SKIP().
    static std::string Unavailable() {
        if (::access(kDnsmasq, X_OK) != 0)
            return std::string("no ") + kDnsmasq + " (apt-get install dnsmasq-base)";
        return "";
    }

    // Starts the server and waits (bounded) until it answers; "" then, else why it did not
    // start, with the end of its log. A port taken meanwhile is retried with another one.
    std::string Start() {
        if (child_ > 0) return "";
        if (std::string reason = Unavailable(); !reason.empty()) return reason;
        for (int attempt = 0; attempt < 3; ++attempt) {
            port_ = FreePort();
            if (port_ == 0) return "no free port on 127.0.0.1";
            Launch();
            if (WaitUntilAnswering(std::chrono::seconds(5))) return "";
            const std::string tail = LogTail();
            Stop();
            if (tail.find("Address already in use") == std::string::npos)
                return "dnsmasq did not start on port " + std::to_string(port_) + "\n" + tail;
        }
        return "dnsmasq found no free port on 127.0.0.1\n" + LogTail();
    }

    // Ends the server by its pid and waits (bounded) for it.
    void Stop() {
        if (child_ <= 0) return;
        ::kill(child_, SIGTERM);
        if (!ReapedWithin(child_, std::chrono::seconds(5))) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        child_ = -1;
    }

    std::uint16_t port() const { return port_; }

    std::string LogTail(std::size_t lines = 20) const {
        return "--- dnsmasq.log ---\n" + FileTail(folder_.File("dnsmasq.log"), lines) +
               "--- early output ---\n" + FileTail(folder_.File("dnsmasq.out"), lines);
    }

  private:
    static constexpr const char* kDnsmasq = "/usr/sbin/dnsmasq";

    std::vector<std::string> Arguments() const {
        // Running as the calling user keeps dnsmasq from changing its user, which would also
        // drop the signal it gets should the test die without stopping it.
        const passwd* self = ::getpwuid(::geteuid());
        std::vector<std::string> arguments = {
            "--no-daemon",
            "--conf-file=/dev/null",
            "--no-resolv",
            "--no-hosts",
            "--bind-interfaces",
            "--listen-address=127.0.0.1",
            "--port=" + std::to_string(port_),
            "--pid-file=" + folder_.File("dnsmasq.pid"),
            "--log-facility=" + folder_.File("dnsmasq.log"),
            "--log-queries",
            std::string("--user=") + (self != nullptr ? self->pw_name : "nobody")};
        arguments.insert(arguments.end(), options_.begin(), options_.end());
        return arguments;
    }

    void Launch() { child_ = SpawnPeer(kDnsmasq, Arguments(), folder_.File("dnsmasq.out")); }

    bool WaitUntilAnswering(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (child_ > 0 && std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(child_, nullptr, WNOHANG) == child_) {
                child_ = -1;  // ended on its own: the reason is in its output
                return false;
            }
            if (Answers()) return true;
        }
        return false;
    }

    // True when a query for "probe." (type A) gets any answer within 100 ms.
    bool Answers() const {
        const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (s < 0) return false;
        const sockaddr_in to = LoopbackAddress(port_);
        static const char kProbe[] =
            "\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00"
            "\x05probe\x00\x00\x01\x00\x01";
        bool answered = false;
        if (::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
            ::send(s, kProbe, sizeof kProbe - 1, 0) > 0) {
            pollfd entry{s, POLLIN, 0};
            char reply[512];
            answered = ::poll(&entry, 1, 100) > 0 && ::recv(s, reply, sizeof reply, 0) > 0;
        }
        if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::close(s);
        return answered;
    }

    // A port free for UDP and TCP alike: dnsmasq listens on both. 0 when none was found.
    static std::uint16_t FreePort() {
        for (int attempt = 0; attempt < 20; ++attempt) {
            const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            const int tcp = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in address = LoopbackAddress(0);
            socklen_t length = sizeof address;
            std::uint16_t port = 0;
            if (udp >= 0 && tcp >= 0 &&
                ::bind(udp, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                ::getsockname(udp, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
                ::bind(tcp, reinterpret_cast<sockaddr*>(&address), length) == 0) {
                port = ntohs(address.sin_port);
            }
            if (udp >= 0) ::close(udp);
            if (tcp >= 0) ::close(tcp);
            if (port != 0) return port;
        }
        return 0;
    }

    std::vector<std::string> options_;
    TempFolder folder_;
    pid_t child_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace kelvane::testsupport

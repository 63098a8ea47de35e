#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::testsupport {

// A second, independent client speaking raw POP3 (RFC 1939), one reply line per command.
class RawSession {
  public:
    explicit RawSession(std::uint16_t port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        timeval wait{2, 0};
        ::setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0)
            greeting_ = Line();
    }
    ~RawSession() { ::close(socket_); }

    const std::string& greeting() const { return greeting_; }

    // The server's reply line to each command, in order.
    std::vector<std::string> Replies(const std::vector<std::string>& commands) {
        std::vector<std::string> replies;
        for (const std::string& command : commands) {
            const std::string line = command + "\r\n";
            ::send(socket_, line.data(), line.size(), MSG_NOSIGNAL);
            replies.push_back(Line());
        }
        return replies;
    }

  private:
    std::string Line() {
        std::string line;
        char c = 0;
        while (line.size() < 4096 && ::recv(socket_, &c, 1, 0) == 1 && c != '\n') line += c;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }

    int socket_;
    std::string greeting_;
};

}  // namespace kelvane::testsupport

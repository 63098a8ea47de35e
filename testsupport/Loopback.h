#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace kelvane::testsupport {

// 127.0.0.1 and `port`, ready for bind() or connect().
inline sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port on 127.0.0.1 that was free a moment ago, for a server the test starts itself.
inline std::uint16_t FreeLoopbackPort(int type = SOCK_STREAM) {
    const int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (s >= 0) ::close(s);
        throw std::runtime_error("no free port on 127.0.0.1");
    }
    ::close(s);
    return ntohs(address.sin_port);
}

}  // namespace kelvane::testsupport

#pragma once

#include <string>

namespace kelvane::testsupport {

// A plain message that its subject and Message-ID tell apart from every other.
inline std::string NumberedMessage(int n) {
    const std::string id = std::to_string(n);
    return "From: sender" + id + "@example.org\r\nTo: ann@example.org\r\nSubject: message " + id +
           "\r\nMessage-ID: <" + id + ".kelvane@example.org>\r\n\r\nbody of message " + id + "\r\n";
}

}  // namespace kelvane::testsupport

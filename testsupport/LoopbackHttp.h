#pragma once

#include "Loopback.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

// Just enough HTTP/1.1 for tests to play a browser and a token client against a server on
// 127.0.0.1: one request per connection, the reply read until the server closes.
namespace kelvane::testsupport {

struct HttpReply {
    int status = 0;
    std::map<std::string, std::string> headers;  // names lower-case
    std::string body;
};

// `text` percent-encoded for a query or form: everything but RFC 3986's unreserved characters.
inline std::string FormEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

// The value of `name` in a query ("a=1&code=xyz"), percent-decoded; "" when absent.
inline std::string QueryValue(std::string_view query, std::string_view name) {
    for (std::string_view rest = query; !rest.empty();) {
        const std::size_t end = std::min(rest.find('&'), rest.size());
        const std::string_view pair = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (pair.substr(0, pair.find('=')) != name || pair.find('=') == std::string_view::npos)
            continue;
        std::string value;
        const std::string_view raw = pair.substr(name.size() + 1);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '%' && i + 2 < raw.size()) {
                value += static_cast<char>(
                    std::strtol(std::string(raw.substr(i + 1, 2)).c_str(), nullptr, 16));
                i += 2;
            } else {
                value += raw[i] == '+' ? ' ' : raw[i];
            }
        }
        return value;
    }
    return "";
}

// The string value of `key` in a flat JSON object such as a token reply; "" when absent or not a
// string. Enough for the replies of the test server, which escapes nothing in its values.
inline std::string JsonString(std::string_view json, std::string_view key) {
    const std::string quoted = "\"" + std::string(key) + "\"";
    const std::size_t at = json.find(quoted);
    if (at == std::string_view::npos) return "";
    std::string_view rest = json.substr(at + quoted.size());
    rest.remove_prefix(std::min(rest.find_first_not_of(" :"), rest.size()));
    if (rest.empty() || rest.front() != '"') return "";
    rest.remove_prefix(1);
    return std::string(rest.substr(0, rest.find('"')));
}

// Sends one request to 127.0.0.1:`port` and reads the reply; a form body goes as
// application/x-www-form-urlencoded. Throws when the server does not answer within 10 s.
inline HttpReply HttpExchange(std::uint16_t port, const std::string& method,
                              const std::string& target, const std::string& form = "") {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to = LoopbackAddress(port);
    if (s < 0 || ::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        if (s >= 0) ::close(s);
        throw std::runtime_error("cannot connect to 127.0.0.1:" + std::to_string(port));
    }
    std::string request = method + " " + target +
                          " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\nConnection: close\r\n";
    if (method == "POST") {
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                   std::to_string(form.size()) + "\r\n";
    }
    request += "\r\n" + form;
    ::send(s, request.data(), request.size(), MSG_NOSIGNAL);
    std::string raw;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(s);
            throw std::runtime_error("no reply from 127.0.0.1:" + std::to_string(port));
        }
        pollfd entry{s, POLLIN, 0};
        if (::poll(&entry, 1, 50) <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::recv(s, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        raw.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(s);
    HttpReply reply;
    const std::size_t headEnd = raw.find("\r\n\r\n");
    if (raw.rfind("HTTP/1.", 0) != 0 || headEnd == std::string::npos) return reply;
    reply.status = std::atoi(raw.c_str() + 9);
    reply.body = raw.substr(headEnd + 4);
    std::string_view head = std::string_view(raw).substr(0, headEnd);
    head.remove_prefix(std::min(head.find("\r\n"), head.size()));
    while (!head.empty()) {
        head.remove_prefix(std::min<std::size_t>(2, head.size()));
        const std::string_view line = head.substr(0, head.find("\r\n"));
        head.remove_prefix(line.size());
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        std::string name(line.substr(0, colon));
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string_view value = line.substr(colon + 1);
        value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
        reply.headers[name] = std::string(value);
    }
    return reply;
}

}  // namespace kelvane::testsupport

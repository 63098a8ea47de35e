#pragma once
// What both halves of the socket share: the wait slice and the reading of errno.

#include <cerrno>
#include <cstring>
#include <string>

namespace kelvane::socketcalls {

// A wait polls for this long before it turns the event pump.
constexpr int kSliceMs = 20;

inline bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR || error == EINPROGRESS;
}

inline std::string ErrorText(int error) {
    const char* text = strerrordesc_np(error);
    if (text == nullptr) return "Error #" + std::to_string(error);
    return text;
}

}  // namespace kelvane::socketcalls

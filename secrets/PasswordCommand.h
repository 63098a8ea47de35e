#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace kelvane {

// A password command that failed: its text names the command's exit status (or signal, or the
// time-out) and its first error line, made safe; never anything it printed on standard output.
class PasswordCommandError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct PasswordCommandLimits {
    int seconds = 30;                    // then the command is killed
    std::size_t mostOutput = 64 * 1024;  // of standard output, and of standard error
};

// Runs `command` through /bin/sh -c, as mail programs on Linux do ("pass show mail/ann"), and
// gives the first line of its standard output without its line end. `wait` is called while the
// command runs (the window's event pump; a caller without one passes nothing). Throws
// PasswordCommandError. The output is never logged or traced.
std::string RunPasswordCommand(const std::string& command, const std::function<void()>& wait = {},
                               const PasswordCommandLimits& limits = {});

}  // namespace kelvane

#include "CheckProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <cstdlib>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>

#include "ProgramPaths.h"
#include "ScriptedServer.h"
#include "TempFolder.h"

namespace kelvane::checktest {

namespace {

// In the child: the program's environment, then the program.
[[noreturn]] void Exec(const std::vector<std::string>& arguments, const std::string& folder) {
    ::setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    ::setenv("KELVANE_DATA_DIR", (folder + "/data").c_str(), 1);
    // Never the desktop's own keyring: a test that wants one starts a private bus and names it.
    const char* bus = std::getenv("KELVANE_TEST_SESSION_BUS");
    ::setenv("DBUS_SESSION_BUS_ADDRESS",
             bus != nullptr ? bus : ("unix:path=" + folder + "/no-session-bus").c_str(), 1);
    const std::string dns = "127.0.0.1:" + std::to_string(testsupport::UnusedPort());
    ::setenv("KELVANE_DNS_SERVER", dns.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(KELVANE_CHECK_BINARY)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(KELVANE_CHECK_BINARY, argv.data());
    ::_exit(127);
}

[[noreturn]] void RunChild(const std::vector<std::string>& arguments, const std::string& folder) {
    const int in = ::open((folder + "/stdin").c_str(), O_RDONLY);
    const int out = ::open((folder + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open((folder + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    Exec(arguments, folder);
}

int ExitCode(int status) {
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int WaitForExit(pid_t child, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(child, &status, WNOHANG) == child) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return -1;
}

}  // namespace

SettingsStore ProgramSettings(const std::string& folder) {
    const std::string home = folder + "/config";
    return SettingsStore(paths::ResolveSettingsFile([home](const char* name) {
        return std::string(name) == "XDG_CONFIG_HOME" ? std::optional<std::string>(home)
                                                      : std::nullopt;
    }));
}

ProgramResult RunCheckProgram(const std::vector<std::string>& arguments, const std::string& folder,
                              const std::string& input, int seconds) {
    testsupport::WriteFileBytes(folder + "/stdin", input);
    const pid_t child = ::fork();
    if (child == 0) RunChild(arguments, folder);
    ProgramResult result;
    result.exitCode = WaitForExit(child, seconds);
    result.out = testsupport::FileBytes(folder + "/stdout");
    result.err = testsupport::FileBytes(folder + "/stderr");
    return result;
}

TerminalProgram::TerminalProgram(const std::vector<std::string>& arguments,
                                 const std::string& folder) {
    child_ = ::forkpty(&terminal_, nullptr, nullptr, nullptr);
    if (child_ == 0) Exec(arguments, folder);
}

TerminalProgram::~TerminalProgram() {
    if (child_ > 0) {
        ::kill(child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
    }
    if (terminal_ >= 0) ::close(terminal_);
}

void TerminalProgram::ReadAvailable(int milliseconds) {
    pollfd ready{terminal_, POLLIN, 0};
    if (::poll(&ready, 1, milliseconds) <= 0 || (ready.revents & POLLIN) == 0) return;
    char bytes[4096];
    const ssize_t count = ::read(terminal_, bytes, sizeof bytes);
    if (count > 0) output_.append(bytes, static_cast<std::size_t>(count));
}

bool TerminalProgram::WaitForOutput(const std::string& text, int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (output_.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        ReadAvailable(10);
    }
    return true;
}

bool TerminalProgram::Echoes() const {
    termios modes{};
    return ::tcgetattr(terminal_, &modes) == 0 && (modes.c_lflag & ECHO) != 0;
}

bool TerminalProgram::WaitUntilEchoOff(int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (Echoes()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        ReadAvailable(10);
    }
    return true;
}

void TerminalProgram::Type(const std::string& keys) {
    if (::write(terminal_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
        throw std::runtime_error("cannot type at the program's terminal");
}

void TerminalProgram::Signal(int signal) {
    if (child_ > 0) ::kill(child_, signal);
}

int TerminalProgram::Wait(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (::waitpid(child_, &status, WNOHANG) != child_) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
            child_ = -1;
            return -1;
        }
        ReadAvailable(10);
    }
    child_ = -1;
    // What it wrote last is still in the terminal; the terminal reports an error once read out.
    for (std::size_t before = output_.size() + 1; before != output_.size();) {
        before = output_.size();
        ReadAvailable(0);
    }
    return ExitCode(status);
}

}  // namespace kelvane::checktest

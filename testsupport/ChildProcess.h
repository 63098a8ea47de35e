#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kelvane::testsupport {

// Starts `program` with `arguments` as a child of the test, its output appended to
// `outputFile`. The child gets SIGTERM should the test die, so no peer outlives its test.
inline pid_t SpawnPeer(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& outputFile) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("cannot fork to start " + program);
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec. The caller may have blocked
        // signals it takes by sigwait; the peer needs them delivered.
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        if (output >= 0) {
            ::dup2(output, STDOUT_FILENO);
            ::dup2(output, STDERR_FILENO);
        }
        ::close_range(3, ~0U, 0);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (output >= 0) ::close(output);
    return child;
}

// Waits up to `limit` for child `pid` to end and reaps it; also true when it is gone already.
inline bool ReapedWithin(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t done = ::waitpid(pid, nullptr, WNOHANG);
        if (done == pid || done < 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// The last `count` lines of a peer's log file, for a failure message.
inline std::string FileTail(const std::string& path, std::size_t count) {
    std::deque<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
        if (lines.size() > count) lines.pop_front();
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace kelvane::testsupport

#include "CheckProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "ScriptedServer.h"
#include "TempFolder.h"

namespace kelvane::checktest {

namespace {

[[noreturn]] void RunChild(const std::vector<std::string>& arguments, const std::string& folder) {
    const int in = ::open((folder + "/stdin").c_str(), O_RDONLY);
    const int out = ::open((folder + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open((folder + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    ::setenv("KELVANE_DATA_DIR", (folder + "/data").c_str(), 1);
    const std::string dns = "127.0.0.1:" + std::to_string(testsupport::UnusedPort());
    ::setenv("KELVANE_DNS_SERVER", dns.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(KELVANE_CHECK_BINARY)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(KELVANE_CHECK_BINARY, argv.data());
    ::_exit(127);
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

}  // namespace kelvane::checktest

#include "PeerCommands.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "RasErrors.h"

extern char** environ;

namespace kelvane {
namespace {

constexpr const char* kUnsafePeerName =
    "A dial-up entry name may hold only letters, digits and the characters . _ + - @ : , = "
    "and may not start with . or -";

bool SafePeerCharacter(char c) {
    const bool alphanumeric =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    return alphanumeric || std::string_view("._+-@:,=").find(c) != std::string_view::npos;
}

class SpawnedCommand : public RunningCommand {
  public:
    explicit SpawnedCommand(pid_t pid) : pid_(pid) {}
    // A command still running is left to end by itself (pppd kept in the foreground).
    ~SpawnedCommand() override { Poll(); }

    std::optional<int> Poll() override {
        if (status_) return status_;
        int raw = 0;
        const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
        if (done == pid_) {
            status_ = WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : WEXITSTATUS(raw);
        } else if (done < 0 && errno != EINTR) {
            status_ = 0;  // reaped elsewhere (SIGCHLD ignored): its status is lost
        }
        return status_;
    }

  private:
    pid_t pid_;
    std::optional<int> status_;
};

// Spawn settings that leave the child nothing of ours: standard files on /dev/null, every other
// descriptor closed, no blocked signals, default handling of those a program may ignore.
class SpawnSettings {
  public:
    SpawnSettings() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDWR, 0);
        ::posix_spawn_file_actions_adddup2(&actions_, STDIN_FILENO, STDOUT_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions_, STDIN_FILENO, STDERR_FILENO);
        ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
        ::posix_spawnattr_init(&attributes_);
        sigset_t none;
        ::sigemptyset(&none);
        ::posix_spawnattr_setsigmask(&attributes_, &none);
        sigset_t defaults;
        ::sigemptyset(&defaults);
        for (const int signal : {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM}) {
            ::sigaddset(&defaults, signal);
        }
        ::posix_spawnattr_setsigdefault(&attributes_, &defaults);
        ::posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSettings() {
        ::posix_spawnattr_destroy(&attributes_);
        ::posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

}  // namespace

bool SafePeerName(std::string_view name) {
    if (name.empty() || name.front() == '.' || name.front() == '-') return false;
    for (const char c : name) {
        if (!SafePeerCharacter(c)) return false;
    }
    return true;
}

std::unique_ptr<RunningCommand> SpawnPeerCommand(const std::string& program,
                                                 const std::string& peer) {
    if (!SafePeerName(peer)) throw ERASError(0, kUnsafePeerName);
    const SpawnSettings settings;
    std::string arguments[] = {program, peer};
    char* argv[] = {arguments[0].data(), arguments[1].data(), nullptr};
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, program.c_str(), settings.actions(),
                                     settings.attributes(), argv, environ);
    if (error != 0) throw ERASError(0, "Cannot run " + program + ": " + std::strerror(error));
    return std::make_unique<SpawnedCommand>(pid);
}

SpawnedPeerCommands::SpawnedPeerCommands(std::string dialProgram, std::string hangUpProgram)
    : dialProgram_(std::move(dialProgram)), hangUpProgram_(std::move(hangUpProgram)) {}

std::unique_ptr<RunningCommand> SpawnedPeerCommands::Dial(const std::string& peer) {
    return SpawnPeerCommand(dialProgram_, peer);
}

std::unique_ptr<RunningCommand> SpawnedPeerCommands::HangUp(const std::string& peer) {
    return SpawnPeerCommand(hangUpProgram_, peer);
}

}  // namespace kelvane

#include "PasswordCommand.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "DisplayText.h"

extern char** environ;

namespace kelvane {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kSlice{50};   // the longest the window goes without its event pump
constexpr milliseconds kGrace{500};  // between asking the command to end and killing it
constexpr milliseconds kGraceSlice{10};
constexpr std::size_t kMostErrorLine = 200;  // of the error line shown

[[noreturn]] void Fail(const std::string& what) {
    throw PasswordCommandError("The password command " + what);
}

std::string SystemError(int error) {
    char text[256] = "";
    return strerror_r(error, text, sizeof text);
}

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

  private:
    int fd_ = -1;
};

// A pipe whose ends stay out of every other child; only the reading end is non-blocking, since
// the command's writes must wait for room rather than fail.
struct Pipe {
    Fd read;
    Fd write;
};

std::unique_ptr<Pipe> MakePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) Fail("could not be started: " + SystemError(errno));
    auto pipe = std::make_unique<Pipe>();
    pipe->read.reset(fds[0]);
    pipe->write.reset(fds[1]);
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    return pipe;
}

// What the command printed on one stream, up to one byte past the limit, kept in one place
// that is never moved and wiped when it goes: standard output holds the password.
class Output {
  public:
    Output(std::unique_ptr<Pipe> pipe, std::size_t most)
        : pipe_(std::move(pipe)), most_(most), bytes_(most + 1) {}
    ~Output() { ::explicit_bzero(bytes_.data(), bytes_.size()); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    int writeEnd() const { return pipe_->write.get(); }
    void closeWriteEnd() { pipe_->write.reset(); }
    // The end to poll, -1 once the stream has ended or is past the limit.
    int readEnd() const { return open() ? pipe_->read.get() : -1; }
    bool tooMuch() const { return size_ > most_; }

    // Takes what the stream holds now.
    void read() {
        while (open()) {
            const ssize_t got =
                ::read(pipe_->read.get(), bytes_.data() + size_, bytes_.size() - size_);
            if (got > 0) {
                size_ += std::size_t(got);
            } else if (got < 0 && errno == EINTR) {
                continue;
            } else {
                if (got == 0 || errno != EAGAIN) pipe_->read.reset();
                return;
            }
        }
    }

    // The first line without its line end.
    std::string_view firstLine() const {
        std::string_view text(bytes_.data(), std::min(size_, most_));
        text = text.substr(0, text.find('\n'));
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        return text;
    }

  private:
    bool open() const { return pipe_->read.get() >= 0 && !tooMuch(); }

    std::unique_ptr<Pipe> pipe_;
    std::size_t most_;
    std::vector<char> bytes_;
    std::size_t size_ = 0;
};

// The command's shell, the leader of a process group of its own so that everything it starts
// can be stopped with it.
class Child {
  public:
    // Its end also wakes a wait on `endFd()` where the system offers that.
    explicit Child(pid_t pid) : pid_(pid) {
#ifdef SYS_pidfd_open
        end_.reset(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#endif
    }
    ~Child() {
        if (!reaped_) stop({});
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    int endFd() const {
        return end_.get();
    }

    // Its wait status once it has ended; what it left running is left alone.
    std::optional<int> status() {
        int status = 0;
        const pid_t got = ::waitpid(pid_, &status, WNOHANG);
        if (got != pid_) return std::nullopt;
        reaped_ = true;
        return status;
    }

    // Asks the whole group to end, then kills it after a short grace.
    void stop(const std::function<void()>& wait) {
        ::kill(-pid_, SIGTERM);
        for (const auto end = Clock::now() + kGrace; Clock::now() < end && !ended();) {
            if (wait) wait();
            std::this_thread::sleep_for(kGraceSlice);
        }
        // The leader is not reaped yet, so the group's number still names this group.
        ::kill(-pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
    }

  private:
    bool ended() const {
        siginfo_t info{};
        return ::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == pid_;
    }

    pid_t pid_;
    Fd end_;
    bool reaped_ = false;
};

class SpawnSetup {
  public:
    SpawnSetup(const Output& out, const Output& err) {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_adddup2(&actions_, out.writeEnd(), STDOUT_FILENO);
        ::posix_spawn_file_actions_adddup2(&actions_, err.writeEnd(), STDERR_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
        // Nothing the program holds open (sockets, files) reaches the command.
        ::posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
#endif
        ::posix_spawnattr_init(&attributes_);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (const int signal : {SIGPIPE, SIGTERM, SIGINT, SIGQUIT, SIGHUP, SIGCHLD}) {
            sigaddset(&defaults, signal);
        }
        ::posix_spawnattr_setsigmask(&attributes_, &none);
        ::posix_spawnattr_setsigdefault(&attributes_, &defaults);
        ::posix_spawnattr_setpgroup(&attributes_, 0);
        ::posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        ::posix_spawnattr_destroy(&attributes_);
        ::posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    pid_t spawn(const std::string& command) const {
        const char* arguments[] = {"sh", "-c", command.c_str(), nullptr};
        pid_t pid = 0;
        const int error = ::posix_spawn(&pid, "/bin/sh", &actions_, &attributes_,
                                        const_cast<char* const*>(arguments), environ);
        if (error != 0) Fail("could not be started: " + SystemError(error));
        return pid;
    }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Waits up to `slice` for either stream or the command's end, then takes what the streams hold.
void ReadFor(milliseconds slice, const Child& child, Output& out, Output& err) {
    pollfd fds[3];
    nfds_t count = 0;
    for (const int fd : {out.readEnd(), err.readEnd(), child.endFd()}) {
        if (fd >= 0) fds[count++] = {fd, POLLIN, 0};
    }
    ::poll(count > 0 ? fds : nullptr, count, int(slice.count()));
    out.read();
    err.read();
}

// ": " and the first line of standard error, shortened and fit to show; nothing when that line
// is blank.
std::string ErrorLine(const Output& err) {
    std::string_view line = err.firstLine();
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    line = line.substr(std::min(line.size(), line.find_first_not_of(" \t")));
    if (line.empty()) return {};
    if (line.size() > kMostErrorLine) {
        std::size_t cut = kMostErrorLine;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        line = line.substr(0, cut);
    }
    return ": " + SafeDisplayText(line);
}

std::string Verdict(int status, const Output& out, const Output& err) {
    if (WIFSIGNALED(status)) {
        Fail("was stopped by signal " + std::to_string(WTERMSIG(status)) + ErrorLine(err));
    }
    if (WEXITSTATUS(status) != 0) {
        Fail("exited with status " + std::to_string(WEXITSTATUS(status)) + ErrorLine(err));
    }
    const std::string_view password = out.firstLine();
    if (password.empty()) Fail("printed no password");
    return std::string(password);
}

std::string Seconds(int seconds) {
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
}

}  // namespace

std::string RunPasswordCommand(const std::string& command, const std::function<void()>& wait,
                               const PasswordCommandLimits& limits) {
    Output out(MakePipe(), limits.mostOutput);
    Output err(MakePipe(), limits.mostOutput);
    Child child(SpawnSetup(out, err).spawn(command));
    out.closeWriteEnd();
    err.closeWriteEnd();

    const auto deadline = Clock::now() + std::chrono::seconds(limits.seconds);
    std::optional<int> status;
    while (!status) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left <= milliseconds(0)) {
            child.stop(wait);
            Fail("did not finish within " + Seconds(limits.seconds));
        }
        ReadFor(std::min(kSlice, left), child, out, err);
        if (out.tooMuch() || err.tooMuch()) {
            child.stop(wait);
            Fail("printed more than " + std::to_string(limits.mostOutput) + " bytes");
        }
        // What the shell wrote before it ended is in the pipes already; whatever it left running
        // may hold them open for long.
        status = child.status();
        if (!status && wait) wait();
    }
    out.read();
    err.read();
    if (out.tooMuch() || err.tooMuch()) {
        Fail("printed more than " + std::to_string(limits.mostOutput) + " bytes");
    }
    return Verdict(*status, out, err);
}

}  // namespace kelvane

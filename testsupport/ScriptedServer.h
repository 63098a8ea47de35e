#pragma once

#include "Loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvane::testsupport {

// Serves one TCP connection on 127.0.0.1 (a free port) from a thread, following a script:
//   "S: text"    send text + CR LF
//   "S~ text"    send text without a line end (a piece of a reply; the next line may continue it)
//   "C: text"    read one line from the client (CR LF stripped) and expect exactly text
//   "C? "        read one line, any text
//   "sleep 200"  pause 200 ms
//   "quiet 200"  expect nothing more from the client for 200 ms (nothing sent ahead)
//   "close"      close the connection now
//   "silence"    send nothing more; wait (bounded, ~10 s) until the client closes
//   "next"       wait (bounded) until the client closes this connection, then accept its next
// The script ends by closing the connection (after reading what the client still sends until it
// closes, bounded). The first mismatch stops the script. Every wait of the server is bounded and
// the destructor ends them at once.
class ScriptedServer {
  public:
    explicit ScriptedServer(std::vector<std::string> script) : script_(std::move(script)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = LoopbackAddress(0);
        if (listener_ < 0 || ::bind(listener_, Cast(&address), sizeof address) != 0 ||
            ::listen(listener_, 1) != 0) {
            std::abort();
        }
        socklen_t length = sizeof address;
        ::getsockname(listener_, Cast(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }

    // Ends every wait of the script at once, so that a test never hangs here.
    ~ScriptedServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        CloseConnection();
        ::close(listener_);
    }

    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Every line the client sent, in order, without its line end.
    std::vector<std::string> received() const {
        std::lock_guard lock(mutex_);
        return received_;
    }

    // "" or the first mismatch: "line 3: expected 'C: USER ann', got 'USER bob'".
    std::string failure() const {
        std::lock_guard lock(mutex_);
        return failure_;
    }

    // True once every step of the script ran without a mismatch; false on a mismatch or when
    // the script is still running after `milliseconds`. Lines that the client sends after the
    // last step may still arrive: WaitUntilClosed() waits for those too.
    bool WaitUntilDone(int milliseconds) {
        std::unique_lock lock(mutex_);
        done_changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [this] { return steps_done_ || finished_; });
        return steps_done_ && failure_.empty();
    }

    // Like WaitUntilDone(), and the server has also seen the client close its end (or given
    // up waiting for it), so received() holds everything the client sent.
    bool WaitUntilClosed(int milliseconds) {
        std::unique_lock lock(mutex_);
        done_changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                               [this] { return finished_; });
        return finished_ && steps_done_ && failure_.empty();
    }

  private:
    static constexpr int kSliceMs = 20;
    static constexpr std::chrono::seconds kLongestWait{10};

    using Clock = std::chrono::steady_clock;

    static sockaddr* Cast(sockaddr_in* address) { return reinterpret_cast<sockaddr*>(address); }

    void Run() {
        if (Accept()) {
            for (std::size_t i = 0; i < script_.size() && failure().empty(); ++i) {
                RunStep(i + 1, script_[i]);
            }
            if (failure().empty()) {
                MarkStepsDone();
                DrainUntilClientCloses();
            }
        } else {
            Fail("the client did not connect");
        }
        CloseConnection();
        std::lock_guard lock(mutex_);
        finished_ = true;
        done_changed_.notify_all();
    }

    void RunStep(std::size_t number, const std::string& step) {
        const std::string where = "line " + std::to_string(number) + ": ";
        if (step.rfind("S: ", 0) == 0) {
            Send(where, step.substr(3) + "\r\n");
        } else if (step.rfind("S~ ", 0) == 0) {
            Send(where, step.substr(3));
        } else if (step.rfind("C: ", 0) == 0 || step.rfind("C?", 0) == 0) {
            Expect(where, step);
        } else if (step.rfind("sleep ", 0) == 0) {
            Sleep(std::chrono::milliseconds(std::atoi(step.c_str() + 6)));
        } else if (step.rfind("quiet ", 0) == 0) {
            ExpectQuiet(where, std::chrono::milliseconds(std::atoi(step.c_str() + 6)));
        } else if (step == "close") {
            CloseConnection();
        } else if (step == "silence") {
            DrainUntilClientCloses();
        } else if (step == "next") {
            DrainUntilClientCloses();
            CloseConnection();
            if (!Accept()) Fail(where + "the client did not connect again");
        } else {
            Fail(where + "unknown step '" + step + "'");
        }
    }

    bool Accept() {
        const auto deadline = Clock::now() + kLongestWait;
        while (!stop_ && Clock::now() < deadline) {
            pollfd entry{listener_, POLLIN, 0};
            if (::poll(&entry, 1, kSliceMs) > 0) {
                connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                return connection_ >= 0;
            }
        }
        return false;
    }

    void Send(const std::string& where, const std::string& bytes) {
        if (connection_ < 0) return Fail(where + "the connection is already closed");
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n =
                ::send(connection_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return Fail(where + "could not send, the client closed the connection");
            sent += static_cast<std::size_t>(n);
        }
    }

    void Expect(const std::string& where, const std::string& step) {
        std::string line;
        if (!ReadLine(line)) {
            return Fail(where + "expected '" + step + "', got the end of the connection");
        }
        if (step[1] == ':' && line != step.substr(3)) {
            Fail(where + "expected '" + step + "', got '" + line + "'");
        }
    }

    // One line from the client into `line`; false when the client closed first or the wait
    // ran out.
    bool ReadLine(std::string& line) {
        const auto deadline = Clock::now() + kLongestWait;
        for (;;) {
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
                    line.pop_back();
                }
                Record(line);
                return true;
            }
            if (stop_ || Clock::now() >= deadline || !ReceiveSome()) return false;
        }
    }

    // Waits one slice for bytes; false when the client closed the connection.
    bool ReceiveSome() {
        if (connection_ < 0) return false;
        pollfd entry{connection_, POLLIN, 0};
        if (::poll(&entry, 1, kSliceMs) <= 0) return true;
        char chunk[4096];
        const ssize_t n = ::recv(connection_, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        pending_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    void ExpectQuiet(const std::string& where, std::chrono::milliseconds length) {
        const auto deadline = Clock::now() + length;
        while (!stop_ && Clock::now() < deadline && pending_.empty() && ReceiveSome()) {
        }
        if (!pending_.empty()) {
            Fail(where + "expected nothing from the client yet, got '" +
                 pending_.substr(0, pending_.find('\r')) + "'");
        }
    }

    void DrainUntilClientCloses() {
        std::string line;
        while (ReadLine(line)) {
        }
        if (!pending_.empty()) Record(pending_);
        pending_.clear();
    }

    void Sleep(std::chrono::milliseconds length) {
        const auto deadline = Clock::now() + length;
        while (!stop_ && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    void CloseConnection() {
        if (connection_ >= 0) ::close(connection_);
        connection_ = -1;
    }

    void MarkStepsDone() {
        std::lock_guard lock(mutex_);
        steps_done_ = true;
        done_changed_.notify_all();
    }

    void Record(const std::string& line) {
        std::lock_guard lock(mutex_);
        received_.push_back(line);
    }

    void Fail(const std::string& text) {
        std::lock_guard lock(mutex_);
        if (failure_.empty()) failure_ = text;
    }

    std::vector<std::string> script_;
    int listener_ = -1;
    int connection_ = -1;  // used by the thread only, then by the destructor after the join
    std::uint16_t port_ = 0;
    std::string pending_;  // bytes after the last complete line, thread only
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable done_changed_;
    std::vector<std::string> received_;
    std::string failure_;
    bool steps_done_ = false;
    bool finished_ = false;
    std::thread thread_;
};

// A port on 127.0.0.1 on which nothing listens (for refused connections). The port stays bound
// without listening for the life of the process, so no other program can take it meanwhile.
inline std::uint16_t UnusedPort() {
    static const std::uint16_t port = [] {
        const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (holder < 0 || ::bind(holder, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::abort();
        }
        return ntohs(address.sin_port);
    }();
    return port;
}

}  // namespace kelvane::testsupport

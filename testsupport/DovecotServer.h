#pragma once

#include "ChildProcess.h"

#include "Loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "TempFolder.h"

namespace kelvane::testsupport {

// A private POP3 server for tests: its own Dovecot on 127.0.0.1 and a free port, configured from
// a temp folder that holds the config, the run and state folders, the log, passwd-files of
// {PLAIN} passwords and one maildir per user, all owned by the dovecot user. Nothing system-wide
// is touched; Stop() (also run by the destructor) ends the instance by its pid and the folder
// goes with the object.
//
// Dovecot runs in the foreground (-F) as a child of the calling thread: the child can be reaped,
// and it gets SIGTERM should that thread die without stopping it.
class DovecotServer {
  public:
    DovecotServer() {
        ::chmod(folder_.path().c_str(), 0711);  // the dovecot user only passes through
        std::filesystem::create_directories(Path("run"));
        std::filesystem::create_directories(Path("state"));
        std::filesystem::create_directories(Path("mail"));
        Own(Path("mail"));
        std::filesystem::create_directories(Path("users"));
        ::chown(Path("users").c_str(), 0, DovecotIds().second);
        ::chmod(Path("users").c_str(), 0750);
    }
    ~DovecotServer() { Stop(); }
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // "" when a private Dovecot can run here, else the reason, for GTEST_SKIP().
    static std::string Unavailable() {
        if (::geteuid() != 0) return "needs root to run a private Dovecot as the dovecot user";
        if (::access(kDovecot, X_OK) != 0)
            return std::string("no ") + kDovecot + " (apt-get install dovecot-core)";
        if (::access("/usr/lib/dovecot/pop3", X_OK) != 0)
            return "no /usr/lib/dovecot/pop3 (apt-get install dovecot-pop3d)";
        if (::getpwnam("dovecot") == nullptr) return "no dovecot user";
        if (::getpwnam("dovenull") == nullptr) return "no dovenull user";
        return "";
    }

    // Works before and after Start().
    void AddUser(const std::string& name, const std::string& password) {
        // One passwd-file per user: Dovecot looks at a changed file at most once a second, so
        // a user added to a shared file right after a login could stay unknown for a while.
        const std::string file = Path("users/" + name);
        WriteFileBytes(file, name + ":{PLAIN}" + password + "::::::\n");
        ::chown(file.c_str(), 0, DovecotIds().second);
        ::chmod(file.c_str(), 0640);
        MakeMaildir(name);
    }

    // Names the messages delivered from now on with their sizes, as Dovecot's own delivery
    // does, so that the server need not read every message to count a mailbox's bytes. The
    // tests leave it off, so that the sizes they check are the server's own reckoning.
    void NameWithSizes() { sizesInNames_ = true; }

    // Delivers `bytes` as the user's next message, exactly as given (CR LF or LF line ends);
    // messages are numbered in the order added. Works before and after Start().
    void AddMessage(const std::string& user, const std::string& bytes) {
        MakeMaildir(user);
        // Dovecot numbers new mail by the time stamp that leads the file name.
        ++delivered_;
        std::string name = std::to_string(1600000000 + delivered_) + ".M" +
                           std::to_string(delivered_) + "P" + std::to_string(::getpid()) +
                           ".kelvane";
        if (sizesInNames_) {
            name += ",S=" + std::to_string(bytes.size()) +
                    ",W=" + std::to_string(OnTheWire(bytes).size());
        }
        const std::string box = Path("mail/" + user);
        WriteFileBytes(box + "/tmp/" + name, bytes);
        Own(box + "/tmp/" + name);
        std::filesystem::rename(box + "/tmp/" + name, box + "/new/" + name);
    }

    // Starts the instance and waits (bounded) until it greets; throws with the log's tail when
    // it does not. A port taken between choosing and binding it is retried with another one.
    void Start() {
        if (child_ > 0) return;
        for (int attempt = 0; attempt < 3; ++attempt) {
            port_ = FreeLoopbackPort();
            if (tls_) tlsPort_ = SecondFreePort();
            std::filesystem::remove(Path("dovecot.log"));
            std::filesystem::remove(Path("dovecot.out"));
            WriteConfig();
            Launch();
            if (WaitUntilGreeting(std::chrono::seconds(15))) return;
            const std::string tail = LogTail();
            Stop();
            if (tail.find("Address already in use") == std::string::npos)
                throw std::runtime_error("Dovecot did not start on " + address() + "\n" + tail);
        }
        throw std::runtime_error("Dovecot found no free port on 127.0.0.1\n" + LogTail());
    }

    // Ends the instance by the pid in base_dir/master.pid and waits (bounded) for its processes.
    void Stop() {
        if (child_ <= 0) return;
        pid_t master = MasterPid();
        if (master != child_) master = child_;  // only ever our own instance
        const std::vector<pid_t> workers = ChildrenOf(master);
        ::kill(master, SIGTERM);
        if (!ReapedWithin(child_, std::chrono::seconds(10))) {
            ::kill(master, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        child_ = -1;
        // Workers notice their master's end by themselves; wait so that the folder can go.
        WaitUntilGone(workers, std::chrono::seconds(5));
    }

    bool Running() const { return child_ > 0; }
    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

    // Serves TLS from the next Start() on, with a certificate and key from PEM files:
    // "ssl = required", STLS on the pop3 listener (address()) and TLS from the first byte on a
    // second, pop3s listener (tlsAddress()).
    void UseTls(const std::string& certificateFile, const std::string& keyFile) {
        tls_ = Tls{certificateFile, keyFile};
    }
    std::uint16_t tlsPort() const { return tlsPort_; }
    std::string tlsAddress() const { return "127.0.0.1:" + std::to_string(tlsPort_); }

    // Signs users in with OAuth2 bearer tokens from the next Start() on, instead of the
    // passwords of AddUser: XOAUTH2 and OAUTHBEARER are offered, and the oauth2 passdb asks
    // `introspectionUrl` (RFC 7662, by POST) whether a token is active and whose it is.
    void UseOAuth2(const std::string& introspectionUrl) { oauth2Introspection_ = introspectionUrl; }

    // The last lines of Dovecot's log and of what it wrote before the log was open.
    std::string LogTail(std::size_t lines = 25) const {
        return "--- " + Path("dovecot.log") + " ---\n" + FileTail(Path("dovecot.log"), lines) +
               "--- early output ---\n" + FileTail(Path("dovecot.out"), lines);
    }

    // A message as POP3 carries it (RFC 1939): every line ended by CR LF. Its length is what
    // LIST reports.
    static std::string OnTheWire(std::string_view message) {
        std::string wire;
        wire.reserve(message.size() + message.size() / 32);
        for (std::size_t i = 0; i < message.size(); ++i) {
            if (message[i] == '\n' && (i == 0 || message[i - 1] != '\r')) wire += '\r';
            wire += message[i];
        }
        return wire;
    }

    // The header lines of a message as TOP n 1 delivers them before the empty line: without
    // line ends and dot-stuffed (RFC 1939), as the client keeps them.
    static std::vector<std::string> HeaderLines(std::string_view message) {
        std::vector<std::string> lines;
        std::istringstream in{std::string(message)};
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) break;
            lines.push_back(line.front() == '.' ? "." + line : line);
        }
        return lines;
    }

  private:
    static constexpr const char* kDovecot = "/usr/sbin/dovecot";

    std::string Path(const std::string& name) const { return folder_.File(name); }

    static std::pair<uid_t, gid_t> DovecotIds() {
        const passwd* user = ::getpwnam("dovecot");
        if (user == nullptr) throw std::runtime_error("no dovecot user");
        return {user->pw_uid, user->pw_gid};
    }

    static void Own(const std::string& path) {
        const auto [uid, gid] = DovecotIds();
        if (::chown(path.c_str(), uid, gid) != 0)
            throw std::runtime_error("cannot hand " + path + " to the dovecot user");
    }

    void MakeMaildir(const std::string& user) {
        const std::string box = Path("mail/" + user);
        if (std::filesystem::exists(box)) return;
        for (const char* sub : {"", "/cur", "/new", "/tmp"}) {
            std::filesystem::create_directories(box + sub);
            Own(box + sub);
        }
    }

    void WriteConfig() const {
        const std::string root = folder_.path().string();
        std::ostringstream c;
        c << "protocols = pop3\nlisten = 127.0.0.1\n"
          << "base_dir = " << root << "/run\nstate_dir = " << root << "/state\n"
          << "log_path = " << root << "/dovecot.log\n"
          << "instance_name = kelvane-test-" << port_ << "\n"
          << "login_greeting = " << Greeting() << "\n"
          << SslSettings() << "disable_plaintext_auth = no\n"
          << AuthSettings() << "default_internal_user = dovecot\ndefault_login_user = dovenull\n"
          << "first_valid_uid = 1\nauth_failure_delay = 0\n"
          << "mail_location = maildir:" << root << "/mail/%u\n"
          << "pop3_uidl_format = %08Xu%08Xv\n"
          << PassDb()
          << "userdb {\n  driver = static\n  args = uid=dovecot gid=dovecot home=" << root
          << "/mail/%u\n}\n"
          << "service pop3-login {\n  inet_listener pop3 {\n    address = 127.0.0.1\n"
          << "    port = " << port_ << "\n  }\n  inet_listener pop3s {\n"
          << TlsListener() << "  }\n}\n";
        WriteFileBytes(Path("dovecot.conf"), c.str());
    }

    std::string AuthSettings() const {
        if (!oauth2Introspection_) return "auth_mechanisms = plain\n";
        return "auth_mechanisms = plain login xoauth2 oauthbearer\n";
    }

    // Either the users of AddUser with their passwords, or whoever the introspection endpoint
    // vouches for by the token given as the password.
    std::string PassDb() const {
        if (!oauth2Introspection_) {
            return "passdb {\n  driver = passwd-file\n  args = " + folder_.path().string() +
                   "/users/%u\n}\n";
        }
        const std::string settings = Path("dovecot-oauth2.conf.ext");
        WriteFileBytes(settings,
                       "introspection_mode = post\nintrospection_url = " + *oauth2Introspection_ +
                           "\nusername_attribute = username\n"
                           "active_attribute = active\nactive_value = true\n"
                           "timeout_msecs = 5000\n");
        ::chmod(settings.c_str(), 0644);
        return "passdb {\n  driver = oauth2\n  args = " + settings + "\n}\n";
    }

    std::string SslSettings() const {
        if (!tls_) return "ssl = no\n";
        return "ssl = required\nssl_cert = <" + tls_->certificateFile + "\nssl_key = <" +
               tls_->keyFile + "\n";
    }

    std::string TlsListener() const {
        if (!tls_) return "    port = 0\n";
        return "    address = 127.0.0.1\n    port = " + std::to_string(tlsPort_) +
               "\n    ssl = yes\n";
    }

    // A free port other than the pop3 listener's.
    std::uint16_t SecondFreePort() const {
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (const std::uint16_t port = FreeLoopbackPort(); port != port_) return port;
        }
        throw std::runtime_error("no second free port on 127.0.0.1");
    }

    void Launch() {
        child_ = SpawnPeer(kDovecot, {"-F", "-c", Path("dovecot.conf")}, Path("dovecot.out"));
    }

    bool WaitUntilGreeting(std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (::waitpid(child_, nullptr, WNOHANG) == child_) {
                child_ = -1;  // ended on its own: a config or bind error in the log
                return false;
            }
            if (Greets()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // This instance's own greeting, told apart from any other's by its folder's unique name.
    std::string Greeting() const {
        return "Kelvane test server " + folder_.path().filename().string();
    }

    // True when the port answers with our "+OK": the listener is up and the login process ready.
    bool Greets() const {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0) return false;
        timeval wait{1, 0};
        ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
        sockaddr_in to = LoopbackAddress(port_);
        char reply[128] = {};
        bool greeted = false;
        if (::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0 &&
            ::recv(s, reply, sizeof reply - 1, 0) >= 3) {
            // Another test's Dovecot may hold the port this one failed to take: only our own
            // greeting counts.
            greeted = std::string_view(reply).starts_with("+OK " + Greeting());
            ::send(s, "QUIT\r\n", 6, MSG_NOSIGNAL);
        }
        ::close(s);
        return greeted;
    }

    pid_t MasterPid() const {
        std::ifstream in(Path("run/master.pid"));
        pid_t pid = -1;
        in >> pid;
        return pid;
    }

    // The pids whose parent is `parent`, from /proc/<pid>/stat ("pid (name) state ppid ...").
    static std::vector<pid_t> ChildrenOf(pid_t parent) {
        std::vector<pid_t> children;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string stat = FileBytes(entry.path().string() + "/stat");
            const std::size_t close = stat.rfind(')');
            if (close == std::string::npos) continue;
            std::istringstream fields(stat.substr(close + 1));
            char state = 0;
            pid_t ppid = 0;
            if (fields >> state >> ppid && ppid == parent) children.push_back(std::stoi(name));
        }
        return children;
    }

    // A zombie counts as gone: whoever adopted it reaps it, not us.
    static bool Alive(pid_t pid) {
        const std::string stat = FileBytes("/proc/" + std::to_string(pid) + "/stat");
        const std::size_t close = stat.rfind(')');
        return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
    }

    // A process of this instance carries its name in its title ("dovecot-<instance>/auth").
    bool OfThisInstance(pid_t pid) const {
        const std::string title = FileBytes("/proc/" + std::to_string(pid) + "/cmdline");
        return title.find("kelvane-test-" + std::to_string(port_) + "/") != std::string::npos;
    }

    void WaitUntilGone(const std::vector<pid_t>& pids, std::chrono::seconds limit) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (pid_t pid : pids) {
            while (Alive(pid) && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (Alive(pid) && OfThisInstance(pid)) ::kill(pid, SIGKILL);
        }
    }

    struct Tls {
        std::string certificateFile;
        std::string keyFile;
    };

    TempFolder folder_;
    pid_t child_ = -1;
    std::uint16_t port_ = 0;
    std::optional<Tls> tls_;
    std::optional<std::string> oauth2Introspection_;
    std::uint16_t tlsPort_ = 0;
    int delivered_ = 0;
    bool sizesInNames_ = false;
};

}  // namespace kelvane::testsupport

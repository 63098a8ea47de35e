#pragma once

#include <gio/gio.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "TempFolder.h"

namespace kelvane::testsupport {

// The full path of `program` found on PATH; empty when it is not installed.
inline std::string InstalledProgram(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// Why the private keyring cannot run here; empty when it can.
inline std::string KeyringProgramsMissing() {
    std::string missing;
    for (const char* program : {"dbus-daemon", "gnome-keyring-daemon"})
        if (InstalledProgram(program).empty()) missing += std::string(" ") + program;
    return missing.empty() ? "" : "not installed:" + missing;
}

// Starts `program` with its own environment and `input` on its standard input, its output
// appended to `outputFile`; it gets SIGTERM should the test die.
inline pid_t SpawnWithInput(const std::string& program, const std::vector<std::string>& arguments,
                            const std::vector<std::string>& environment, const std::string& input,
                            const std::string& outputFile) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : environment)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);
    int feed[2];
    if (::pipe2(feed, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("cannot fork to start " + program);
    if (child == 0) {
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(feed[0], STDIN_FILENO);
        if (output >= 0) {
            ::dup2(output, STDOUT_FILENO);
            ::dup2(output, STDERR_FILENO);
        }
        ::close_range(3, ~0U, 0);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(feed[0]);
    for (std::size_t sent = 0; sent < input.size();) {
        const ssize_t wrote = ::write(feed[1], input.data() + sent, input.size() - sent);
        if (wrote <= 0) break;
        sent += static_cast<std::size_t>(wrote);
    }
    ::close(feed[1]);
    if (output >= 0) ::close(output);
    return child;
}

// Ends child `pid`: SIGTERM, then SIGKILL when it does not go.
inline void StopPeer(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    if (ReapedWithin(pid, std::chrono::seconds(5))) return;
    ::kill(pid, SIGKILL);
    ReapedWithin(pid, std::chrono::seconds(5));
}

// A D-Bus session bus of the test's own, in a temporary folder. It starts no service on
// request, so a name is owned only by what the test starts.
class PrivateSessionBus {
  public:
    PrivateSessionBus() {
        const std::string config = folder_.File("session.conf");
        address_ = "unix:path=" + folder_.File("bus");
        WriteFileBytes(
            config,
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
            "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>" +
                address_ +
                "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        pid_ = SpawnPeer(InstalledProgram("dbus-daemon"),
                         {"--config-file=" + config, "--nofork", "--nopidfile"}, Log());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Connect()) {
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("the private D-Bus session did not start:\n" +
                                         FileTail(Log(), 20));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~PrivateSessionBus() {
        if (connection_ != nullptr) {
            g_dbus_connection_close_sync(connection_, nullptr, nullptr);
            g_object_unref(connection_);
        }
        StopPeer(pid_);
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    const std::string& Address() const { return address_; }
    const TempFolder& Folder() const { return folder_; }
    std::string Log() const { return folder_.File("bus.log"); }

    // Calls a method and gives its reply (null on an error, whose text goes to `failure`).
    GVariant* Call(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* parameters, std::string* failure = nullptr) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(
            connection_, name, path, interface, method, parameters, nullptr,
            G_DBUS_CALL_FLAGS_NO_AUTO_START, 5000, nullptr, &error);
        if (error != nullptr) {
            if (failure) *failure = error->message;
            g_error_free(error);
        }
        return reply;
    }

    GDBusConnection* Connection() const { return connection_; }

    bool NameOwned(const char* name) {
        GVariant* reply = Call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", g_variant_new("(s)", name));
        if (reply == nullptr) return false;
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
        return owned;
    }

  private:
    bool Connect() {
        connection_ = g_dbus_connection_new_for_address_sync(
            address_.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        return connection_ != nullptr;
    }

    TempFolder folder_;
    std::string address_;
    pid_t pid_ = -1;
    GDBusConnection* connection_ = nullptr;
};

// gnome-keyring-daemon's Secret Service on a private session bus, its keyrings in a temporary
// home so the user's own are never touched; unlocked with a test password.
class PrivateKeyring {
  public:
    static constexpr const char* kPassword = "kelvane test keyring";

    PrivateKeyring() {
        const std::filesystem::path& root = bus_.Folder().path();
        for (const char* folder : {"home", "data", "config", "cache", "runtime"})
            std::filesystem::create_directories(root / folder);
        ::chmod((root / "runtime").c_str(), 0700);
        Start();
    }
    ~PrivateKeyring() {
        StopPeer(pid_);
        for (GDBusMethodInvocation* prompt : heldPrompts_)
            g_dbus_method_invocation_return_dbus_error(prompt, "org.gnome.keyring.Prompter.Failed",
                                                       "the test is over");
    }
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    const std::string& BusAddress() const { return bus_.Address(); }
    std::string Log() const { return bus_.Folder().File("keyring.log"); }

    // Locks the default collection, as the desktop does when the screen locks. Throws when the
    // keyring refuses.
    void LockDefaultCollection() {
        std::string failure;
        GVariant* alias = bus_.Call("org.freedesktop.secrets", "/org/freedesktop/secrets",
                                    "org.freedesktop.Secret.Service", "ReadAlias",
                                    g_variant_new("(s)", "default"), &failure);
        if (alias == nullptr) throw std::runtime_error("ReadAlias failed: " + failure);
        const gchar* path = nullptr;
        g_variant_get(alias, "(&o)", &path);
        const gchar* paths[] = {path, nullptr};
        GVariant* locked = bus_.Call("org.freedesktop.secrets", "/org/freedesktop/secrets",
                                     "org.freedesktop.Secret.Service", "Lock",
                                     g_variant_new("(^ao)", paths), &failure);
        g_variant_unref(alias);
        if (locked == nullptr) throw std::runtime_error("Lock failed: " + failure);
        g_variant_unref(locked);
    }

    // Takes the name the keyring asks to show its prompts and never answers: a user who leaves
    // the unlock window open. The calls wait in this process's default main context, which the
    // tests never run.
    void PromptWithoutAnswer() {
        static const char* const kPrompter =
            "<node><interface name='org.gnome.keyring.internal.Prompter'>"
            "<method name='BeginPrompting'><arg name='callback' type='o' direction='in'/></method>"
            "<method name='PerformPrompt'><arg name='callback' type='o' direction='in'/>"
            "<arg name='type' type='s' direction='in'/>"
            "<arg name='properties' type='a{sv}' direction='in'/>"
            "<arg name='exchange' type='s' direction='in'/></method>"
            "<method name='StopPrompting'><arg name='callback' type='o' direction='in'/></method>"
            "</interface></node>";
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kPrompter, nullptr);
        static const GDBusInterfaceVTable kNeverAnswers{
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
               GDBusMethodInvocation* invocation, gpointer held) {
                static_cast<std::vector<GDBusMethodInvocation*>*>(held)->push_back(invocation);
            },
            nullptr,
            nullptr,
            {}};
        const guint registered = g_dbus_connection_register_object(
            bus_.Connection(), "/org/gnome/keyring/Prompter", node->interfaces[0], &kNeverAnswers,
            &heldPrompts_, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        if (registered == 0) throw std::runtime_error("cannot register the silent prompter");
        GVariant* reply =
            bus_.Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                      "RequestName", g_variant_new("(su)", "org.gnome.keyring.SystemPrompter", 0u));
        if (reply == nullptr) throw std::runtime_error("cannot take the prompter's name");
        g_variant_unref(reply);
    }

    // Stops the keyring and starts it again on the same bus and files, as after a crash.
    void Restart() {
        StopPeer(pid_);
        pid_ = -1;
        Start();
    }

  private:
    void Start() {
        const std::filesystem::path& root = bus_.Folder().path();
        const std::vector<std::string> environment{
            "DBUS_SESSION_BUS_ADDRESS=" + bus_.Address(),
            "HOME=" + (root / "home").string(),
            "XDG_DATA_HOME=" + (root / "data").string(),
            "XDG_CONFIG_HOME=" + (root / "config").string(),
            "XDG_CACHE_HOME=" + (root / "cache").string(),
            "XDG_RUNTIME_DIR=" + (root / "runtime").string(),
            std::string("PATH=") + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"),
        };
        pid_ = SpawnWithInput(InstalledProgram("gnome-keyring-daemon"),
                              {"--foreground", "--components=secrets", "--unlock"}, environment,
                              kPassword, Log());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (!bus_.NameOwned("org.freedesktop.secrets")) {
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("gnome-keyring-daemon did not start:\n" +
                                         FileTail(Log(), 20));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    PrivateSessionBus bus_;
    pid_t pid_ = -1;
    std::vector<GDBusMethodInvocation*> heldPrompts_;
};

}  // namespace kelvane::testsupport

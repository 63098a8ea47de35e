#include "ProgramPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kelvane::paths {
namespace {

namespace fs = std::filesystem;

std::string NonEmpty(const EnvLookup& env, const char* name) {
    const auto value = env(name);
    return value ? *value : std::string();
}

// A relative folder would be taken from wherever the program happens to start, so it counts as
// unset, as the base directory rules ask for the XDG variables.
std::string AbsoluteFolder(const EnvLookup& env, const char* name) {
    std::string folder = NonEmpty(env, name);
    return folder.starts_with('/') ? folder : std::string();
}

std::string HomeFolder(const EnvLookup& env, const HomeLookup& passwordHome) {
    std::string home = AbsoluteFolder(env, "HOME");
    if (home.empty()) home = passwordHome().value_or("");
    if (!home.starts_with('/')) throw NoHomeFolderError();
    return home;
}

// Each missing folder on the way is made for the user alone; existing ones keep their modes.
// Creating may fail (read-only home); the file operations then report the reason.
void EnsureFolder(const std::string& folder) {
    std::vector<fs::path> missing;
    std::error_code error;
    for (fs::path at = fs::path(folder); !at.empty() && !fs::exists(at, error);
         at = at.parent_path()) {
        missing.push_back(at);
        if (at == at.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) ::mkdir(it->c_str(), 0700);
}

}  // namespace

NoHomeFolderError::NoHomeFolderError()
    : std::runtime_error(
          "No home folder: HOME is not set and the password database has no home "
          "folder for user id " +
          std::to_string(::geteuid()) + ". Set HOME to your home folder and start Kelvane again.") {
}

EnvLookup ProcessEnvironment() {
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') return std::nullopt;
        return std::string(value);
    };
}

std::optional<std::string> PasswordDatabaseHome() {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 4096);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr || found->pw_dir == nullptr || *found->pw_dir == '\0')
            return std::nullopt;
        return std::string(found->pw_dir);
    }
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string ExecutableDirectory() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path().string() : exe.parent_path().string();
}

std::string ResolveProgramDirectory(const EnvLookup& env, const std::string& executableDir,
                                    const HomeLookup& home) {
    std::string folder = NonEmpty(env, "KELVANE_DATA_DIR");
    if (folder.empty() && !executableDir.empty() &&
        fs::exists(JoinPath(executableDir, kSpamOptionsFile))) {
        folder = executableDir;
    }
    if (folder.empty()) {
        std::string dataHome = AbsoluteFolder(env, "XDG_DATA_HOME");
        if (dataHome.empty()) dataHome = JoinPath(HomeFolder(env, home), ".local/share");
        folder = JoinPath(dataHome, "kelvane");
    }
    EnsureFolder(folder);
    return folder;
}

std::string ResolveSettingsFile(const EnvLookup& env, const HomeLookup& home) {
    std::string configHome = AbsoluteFolder(env, "XDG_CONFIG_HOME");
    if (configHome.empty()) configHome = JoinPath(HomeFolder(env, home), ".config");
    const std::string folder = JoinPath(configHome, "Tarnwick Corporation/Kelvane");
    EnsureFolder(folder);
    return JoinPath(folder, "10.conf");
}

std::string ProgramDirectory() {
    return ResolveProgramDirectory(ProcessEnvironment(), ExecutableDirectory());
}

std::string SettingsFile() {
    return ResolveSettingsFile(ProcessEnvironment());
}

}  // namespace kelvane::paths

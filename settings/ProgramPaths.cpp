#include "ProgramPaths.h"

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kelvane::paths {
namespace {

namespace fs = std::filesystem;

std::string NonEmpty(const EnvLookup& env, const char* name) {
    const auto value = env(name);
    return value ? *value : std::string();
}

std::string HomeFolder(const EnvLookup& env) {
    const std::string home = NonEmpty(env, "HOME");
    return home.empty() ? std::string("/tmp") : home;
}

// Creating the folder may fail (read-only home); the file operations then report the reason.
void EnsureFolder(const std::string& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
}

}  // namespace

EnvLookup ProcessEnvironment() {
    return [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') return std::nullopt;
        return std::string(value);
    };
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

std::string ResolveProgramDirectory(const EnvLookup& env, const std::string& executableDir) {
    std::string folder = NonEmpty(env, "KELVANE_DATA_DIR");
    if (folder.empty() && !executableDir.empty() &&
        fs::exists(JoinPath(executableDir, kSpamOptionsFile))) {
        folder = executableDir;
    }
    if (folder.empty()) {
        std::string dataHome = NonEmpty(env, "XDG_DATA_HOME");
        if (dataHome.empty()) dataHome = JoinPath(HomeFolder(env), ".local/share");
        folder = JoinPath(dataHome, "kelvane");
    }
    EnsureFolder(folder);
    return folder;
}

std::string ResolveSettingsFile(const EnvLookup& env) {
    std::string configHome = NonEmpty(env, "XDG_CONFIG_HOME");
    if (configHome.empty()) configHome = JoinPath(HomeFolder(env), ".config");
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

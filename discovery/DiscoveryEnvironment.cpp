#include "DiscoveryEnvironment.h"

#include <optional>
#include <string_view>

namespace kelvane {
namespace {

std::vector<std::string> SplitList(std::string_view text, char separator) {
    std::vector<std::string> parts;
    while (!text.empty()) {
        const auto end = text.find(separator);
        const std::string_view part = text.substr(0, end);
        if (!part.empty()) parts.emplace_back(part);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return parts;
}

std::vector<std::string> AbsoluteFolders(const std::optional<std::string>& value,
                                         std::string_view fallback) {
    std::vector<std::string> folders;
    for (std::string& folder : SplitList(value ? *value : std::string(fallback), ':')) {
        if (folder.front() == '/') folders.push_back(std::move(folder));
    }
    return folders;
}

std::string AbsoluteFolder(const std::optional<std::string>& value, const std::string& fallback) {
    return value && value->starts_with('/') ? *value : fallback;
}

// Without a home folder there is nothing of the user's to find.
std::string UnderHome(const std::string& home, const char* folder) {
    return home.empty() ? std::string() : home + "/" + folder;
}

std::string LowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

DiscoveryEnvironment DiscoveryEnvironment::FromEnvironment(const paths::EnvLookup& env) {
    DiscoveryEnvironment result;
    result.home = env("HOME").value_or("");
    result.configHome = AbsoluteFolder(env("XDG_CONFIG_HOME"), UnderHome(result.home, ".config"));
    result.configDirs = AbsoluteFolders(env("XDG_CONFIG_DIRS"), "/etc/xdg");
    result.dataHome = AbsoluteFolder(env("XDG_DATA_HOME"), UnderHome(result.home, ".local/share"));
    result.dataDirs = AbsoluteFolders(env("XDG_DATA_DIRS"), "/usr/local/share:/usr/share");
    for (const std::string& desktop : SplitList(env("XDG_CURRENT_DESKTOP").value_or(""), ':')) {
        result.desktops.push_back(LowerCase(desktop));
    }
    result.programPath = SplitList(env("PATH").value_or("/usr/local/bin:/usr/bin:/bin"), ':');
    return result;
}

DiscoveryEnvironment DiscoveryEnvironment::OfThisProcess() {
    return FromEnvironment(paths::ProcessEnvironment());
}

}  // namespace kelvane

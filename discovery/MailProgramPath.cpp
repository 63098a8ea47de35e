#include "MailProgramPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "DesktopEntries.h"
#include "SmallFile.h"

namespace kelvane {
namespace {

// Desktop files and mimeapps.list files are a few kilobytes.
constexpr std::size_t kLargestDesktopFile = 256 * 1024;
constexpr std::size_t kLongestFileName = 255;

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The folders that hold desktop files, the user's first.
std::vector<std::string> ApplicationFolders(const DiscoveryEnvironment& env) {
    std::vector<std::string> folders;
    if (!env.dataHome.empty()) folders.push_back(paths::JoinPath(env.dataHome, "applications"));
    for (const std::string& dir : env.dataDirs) {
        folders.push_back(paths::JoinPath(dir, "applications"));
    }
    return folders;
}

// The mimeapps.list files in the order their defaults count.
std::vector<std::string> MimeappsLists(const DiscoveryEnvironment& env) {
    std::vector<std::string> folders{env.configHome};
    folders.insert(folders.end(), env.configDirs.begin(), env.configDirs.end());
    const std::vector<std::string> applications = ApplicationFolders(env);
    folders.insert(folders.end(), applications.begin(), applications.end());

    std::vector<std::string> lists;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        for (const std::string& desktop : env.desktops) {
            lists.push_back(paths::JoinPath(folder, desktop + "-mimeapps.list"));
        }
        lists.push_back(paths::JoinPath(folder, "mimeapps.list"));
    }
    return lists;
}

// Where a desktop file id may lie below an applications folder: as it is, or with one of its
// dashes standing for a subfolder ("kde4-kmail.desktop" in "kde4/kmail.desktop").
std::vector<std::string> DesktopFileNames(const std::string& id) {
    std::vector<std::string> names{id};
    for (std::size_t dash = id.find('-'); dash != std::string::npos;
         dash = id.find('-', dash + 1)) {
        names.push_back(id.substr(0, dash) + "/" + id.substr(dash + 1));
    }
    return names;
}

// The command as it is stored: a lone program as its path, as the setting always held one;
// with arguments, a command line. Empty when the first word, or the program past an env prefix,
// cannot be found.
std::string StoredCommand(std::vector<std::string> words,
                          const std::vector<std::string>& programPath) {
    const std::size_t program = ProgramWord(words);
    if (program >= words.size()) return {};
    for (const std::size_t at : {std::size_t{0}, program}) {
        words[at] = ResolveProgram(words[at], programPath);
        if (words[at].empty()) return {};
    }
    return words.size() == 1 ? words[0] : CommandLine(words);
}

// The command of the installed application `id`; nothing when no desktop file of that id exists.
// The first desktop file found decides, as it hides those of the same id further down the list.
std::optional<std::string> InstalledCommand(const std::string& id,
                                            const DiscoveryEnvironment& env) {
    // An id is a plain file name; anything else could lead the lookup out of the folders.
    if (id.size() > kLongestFileName || !id.ends_with(".desktop") ||
        id.find('/') != std::string::npos || id.front() == '.') {
        return std::nullopt;
    }
    for (const std::string& folder : ApplicationFolders(env)) {
        for (const std::string& name : DesktopFileNames(id)) {
            const auto file = ReadSmallFile(paths::JoinPath(folder, name), kLargestDesktopFile);
            if (file) return StoredCommand(DesktopEntryCommand(*file), env.programPath);
        }
    }
    return std::nullopt;
}

}  // namespace

std::string ResolveProgram(const std::string& program,
                           const std::vector<std::string>& programPath) {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) {
        return program.front() == '/' && IsExecutableFile(program) ? program : std::string();
    }
    for (const std::string& folder : programPath) {
        if (folder.empty()) continue;
        const std::string candidate = paths::JoinPath(folder, program);
        if (IsExecutableFile(candidate)) return candidate;
    }
    return {};
}

std::string GetMailPath(const DiscoveryEnvironment& env) {
    for (const std::string& list : MimeappsLists(env)) {
        const auto bytes = ReadSmallFile(list, kLargestDesktopFile);
        if (!bytes) continue;
        for (const std::string& id : DefaultMailtoEntries(*bytes)) {
            const auto command = InstalledCommand(id, env);
            if (command && !command->empty()) return *command;
        }
    }
    return {};
}

}  // namespace kelvane

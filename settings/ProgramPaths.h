#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

// Where Kelvane keeps its files. Every piece that opens a data file asks here.
namespace kelvane::paths {

inline constexpr const char* kSubjectRulesFile = "subj.lst";
inline constexpr const char* kHeaderRulesFile = "header.lst";
inline constexpr const char* kSenderRulesFile = "from.lst";
inline constexpr const char* kExceptionRulesFile = "except.lst";
inline constexpr const char* kSpamOptionsFile = "kelvane.ini";
inline constexpr const char* kKnownSpammersFile = "known.lst";
inline constexpr const char* kAlarmSoundFile = "harptune.wav";
inline constexpr const char* kHelpFile = "kelvane.html";
// Held while one program saves the rule files and the spam options, so that two take turns.
inline constexpr const char* kRuleFilesLock = "kelvane.lock";

// Looks up an environment variable; nothing when it is unset.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
EnvLookup ProcessEnvironment();

// The home folder the password database gives this user; nothing when it has none.
using HomeLookup = std::function<std::optional<std::string>()>;
std::optional<std::string> PasswordDatabaseHome();

// Neither HOME nor the password database names a home folder, and a folder the settings or
// the program's files need lies under it. Kelvane then refuses to start rather than put them
// in a folder that other users can write to.
class NoHomeFolderError : public std::runtime_error {
  public:
    NoHomeFolderError();
};

// `folder` + "/" + `name`, without doubling a slash.
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder that holds the running executable.
std::string ExecutableDirectory();

// The program's folder for rule files, the spam options, the known-spammer list and message
// files: $KELVANE_DATA_DIR when set; else the executable's folder when it already holds the
// spam options file (a portable copy); else ${XDG_DATA_HOME:-$HOME/.local/share}/kelvane.
// The home folder is $HOME, else the password database's (`home`). The folder is created, for
// the user alone, when missing. Throws NoHomeFolderError.
std::string ResolveProgramDirectory(const EnvLookup& env, const std::string& executableDir,
                                    const HomeLookup& home = PasswordDatabaseHome);

// The settings store: ${XDG_CONFIG_HOME:-$HOME/.config}/Tarnwick Corporation/Kelvane/10.conf,
// the home folder found as above. Its folder is created when missing. Throws NoHomeFolderError.
std::string ResolveSettingsFile(const EnvLookup& env,
                                const HomeLookup& home = PasswordDatabaseHome);

// The two above for this process.
std::string ProgramDirectory();
std::string SettingsFile();

}  // namespace kelvane::paths

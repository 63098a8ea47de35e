#pragma once

#include <string>
#include <vector>

#include "ProgramPaths.h"

namespace kelvane {

// Where the discovery looks for other programs' settings: the user's home folder and the XDG base
// folders. Tests fill it with the folders of a small tree of their own.
struct DiscoveryEnvironment {
    std::string home;
    std::string configHome;                // $XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> configDirs;   // $XDG_CONFIG_DIRS, else /etc/xdg
    std::string dataHome;                  // $XDG_DATA_HOME, else ~/.local/share
    std::vector<std::string> dataDirs;     // $XDG_DATA_DIRS, else /usr/local/share:/usr/share
    std::vector<std::string> desktops;     // $XDG_CURRENT_DESKTOP, in lower case
    std::vector<std::string> programPath;  // $PATH

    // From the variables `env` gives, with the XDG defaults for those unset. Relative folders in
    // the lists are ignored, as XDG asks.
    static DiscoveryEnvironment FromEnvironment(const paths::EnvLookup& env);
    static DiscoveryEnvironment OfThisProcess();
};

}  // namespace kelvane

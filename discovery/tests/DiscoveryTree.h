#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "DiscoveryEnvironment.h"
#include "TempFolder.h"

namespace kelvane::testsupport {

// A home folder and system folders of a test's own, and the discovery environment that points
// into them.
class DiscoveryTree {
  public:
    DiscoveryTree() {
        env.home = At("home");
        env.configHome = At("home/.config");
        env.configDirs = {At("etc/xdg")};
        env.dataHome = At("home/.local/share");
        env.dataDirs = {At("usr/local/share"), At("usr/share")};
        env.programPath = {At("bin"), At("usr/bin")};
    }

    std::string At(const std::string& relative) const { return temp_.File(relative); }

    // Writes the file, making its folders first; returns its path.
    std::string Write(const std::string& relative, const std::string& bytes) const {
        const std::string path = At(relative);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteFileBytes(path, bytes);
        return path;
    }

    // An executable file.
    std::string Program(const std::string& relative) const {
        const std::string path = Write(relative, "#!/bin/sh\nexit 0\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }

    DiscoveryEnvironment env;

  private:
    TempFolder temp_;
};

}  // namespace kelvane::testsupport

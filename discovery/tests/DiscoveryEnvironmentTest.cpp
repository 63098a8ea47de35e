#include "DiscoveryEnvironment.h"

#include <gtest/gtest.h>

#include <map>

namespace kelvane {
namespace {

paths::EnvLookup FakeEnv(std::map<std::string, std::string> values) {
    return [values](const char* name) -> std::optional<std::string> {
        const auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    };
}

TEST(DiscoveryEnvironment, UnsetVariablesTakeTheXdgDefaults) {
    const auto env = DiscoveryEnvironment::FromEnvironment(FakeEnv({{"HOME", "/home/ann"}}));
    EXPECT_EQ(env.configHome, "/home/ann/.config");
    EXPECT_EQ(env.configDirs, std::vector<std::string>{"/etc/xdg"});
    EXPECT_EQ(env.dataHome, "/home/ann/.local/share");
    EXPECT_EQ(env.dataDirs, (std::vector<std::string>{"/usr/local/share", "/usr/share"}));
    EXPECT_TRUE(env.desktops.empty());
    EXPECT_FALSE(env.programPath.empty());
}

TEST(DiscoveryEnvironment, RelativeFoldersAreIgnored) {
    const auto env = DiscoveryEnvironment::FromEnvironment(
        FakeEnv({{"HOME", "/home/ann"},
                 {"XDG_CONFIG_HOME", "cfg"},
                 {"XDG_DATA_HOME", ""},
                 {"XDG_DATA_DIRS", "share:/opt/share::/usr/share"},
                 {"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"},
                 {"PATH", "/usr/bin::/bin"}}));
    EXPECT_EQ(env.configHome, "/home/ann/.config");
    EXPECT_EQ(env.dataHome, "/home/ann/.local/share");
    EXPECT_EQ(env.dataDirs, (std::vector<std::string>{"/opt/share", "/usr/share"}));
    EXPECT_EQ(env.desktops, (std::vector<std::string>{"ubuntu", "gnome"}));
    EXPECT_EQ(env.programPath, (std::vector<std::string>{"/usr/bin", "/bin"}));
}

TEST(DiscoveryEnvironment, NoHomeNoUserFolders) {
    const auto env = DiscoveryEnvironment::FromEnvironment(FakeEnv({}));
    EXPECT_EQ(env.home, "");
    EXPECT_EQ(env.configHome, "");
    EXPECT_EQ(env.dataHome, "");
}

}  // namespace
}  // namespace kelvane

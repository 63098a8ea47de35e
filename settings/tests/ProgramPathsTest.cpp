#include "ProgramPaths.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <map>

namespace kelvane::paths {
namespace {

namespace fs = std::filesystem;

EnvLookup FakeEnv(std::map<std::string, std::string> values) {
    return [values](const char* name) -> std::optional<std::string> {
        const auto it = values.find(name);
        if (it == values.end()) return std::nullopt;
        return it->second;
    };
}

class ProgramPathsTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(root_ / "exe"); }
    std::string At(const char* relative) const { return (root_ / relative).string(); }

    testsupport::TempFolder temp_;
    const fs::path& root_ = temp_.path();
};

TEST_F(ProgramPathsTest, ProgramDirectoryPrefersVariableThenPortableCopyThenDataHome) {
    const std::string exe = At("exe");
    EXPECT_EQ(ResolveProgramDirectory(
                  FakeEnv({{"KELVANE_DATA_DIR", At("data")}, {"HOME", At("home")}}), exe),
              At("data"));
    EXPECT_TRUE(fs::is_directory(At("data")));

    EXPECT_EQ(ResolveProgramDirectory(FakeEnv({{"HOME", At("home")}}), exe),
              At("home/.local/share/kelvane"));
    EXPECT_EQ(ResolveProgramDirectory(FakeEnv({{"XDG_DATA_HOME", At("xdg")}}), exe),
              At("xdg/kelvane"));

    std::ofstream(root_ / "exe" / kSpamOptionsFile) << "[Known]\n";
    EXPECT_EQ(ResolveProgramDirectory(FakeEnv({{"HOME", At("home")}}), exe), exe);
}

TEST_F(ProgramPathsTest, SettingsFileUnderConfigHome) {
    EXPECT_EQ(ResolveSettingsFile(FakeEnv({{"HOME", At("home")}})),
              At("home/.config/Tarnwick Corporation/Kelvane/10.conf"));
    EXPECT_EQ(ResolveSettingsFile(FakeEnv({{"XDG_CONFIG_HOME", At("cfg")}})),
              At("cfg/Tarnwick Corporation/Kelvane/10.conf"));
    EXPECT_TRUE(fs::is_directory(At("cfg/Tarnwick Corporation/Kelvane")));
}

TEST(JoinPath, NeverDoublesASlash) {
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

}  // namespace
}  // namespace kelvane::paths

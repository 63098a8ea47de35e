#include "ProgramPaths.h"

#include <gtest/gtest.h>

#include "CaseName.h"
#include "TempFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>

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

HomeLookup FakePasswordHome(std::optional<std::string> home) {
    return [home] { return home; };
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

// Where the files go when HOME is not usable (under env -i or a service manager). A leading
// "~" stands for the test's own folder; an empty expectation means Kelvane refuses to start.
struct HomeCase {
    const char* name;
    std::map<std::string, std::string> env;
    std::optional<std::string> passwordHome;
    const char* programFolder;
    const char* settingsFile;
};

void PrintTo(const HomeCase& c, std::ostream* out) {
    *out << c.name;
}

class HomeFolderTest : public ProgramPathsTest, public ::testing::WithParamInterface<HomeCase> {
  protected:
    std::string Placed(const std::string& text) const {
        return text.starts_with('~') ? root_.string() + text.substr(1) : text;
    }
    EnvLookup Env() const {
        std::map<std::string, std::string> values;
        for (const auto& [name, value] : GetParam().env) values[name] = Placed(value);
        return FakeEnv(values);
    }
    HomeLookup PasswordHome() const {
        const auto& home = GetParam().passwordHome;
        return FakePasswordHome(home ? std::optional(Placed(*home)) : std::nullopt);
    }
};

TEST_P(HomeFolderTest, ChoosesTheHomeOrRefuses) {
    const HomeCase& c = GetParam();
    if (*c.programFolder == '\0') {
        EXPECT_THROW(ResolveProgramDirectory(Env(), At("exe"), PasswordHome()), NoHomeFolderError);
    } else {
        EXPECT_EQ(ResolveProgramDirectory(Env(), At("exe"), PasswordHome()),
                  Placed(c.programFolder));
    }
    if (*c.settingsFile == '\0') {
        EXPECT_THROW(ResolveSettingsFile(Env(), PasswordHome()), NoHomeFolderError);
    } else {
        EXPECT_EQ(ResolveSettingsFile(Env(), PasswordHome()), Placed(c.settingsFile));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HomeFolderTest,
    ::testing::Values(
        HomeCase{"home-set-wins-over-the-password-database",
                 {{"HOME", "~/home"}},
                 "~/pw",
                 "~/home/.local/share/kelvane",
                 "~/home/.config/Tarnwick Corporation/Kelvane/10.conf"},
        HomeCase{"home-unset-takes-the-password-database",
                 {},
                 "~/pw",
                 "~/pw/.local/share/kelvane",
                 "~/pw/.config/Tarnwick Corporation/Kelvane/10.conf"},
        HomeCase{"home-blank",
                 {{"HOME", ""}},
                 "~/pw",
                 "~/pw/.local/share/kelvane",
                 "~/pw/.config/Tarnwick Corporation/Kelvane/10.conf"},
        HomeCase{"home-relative",
                 {{"HOME", "home"}},
                 "~/pw",
                 "~/pw/.local/share/kelvane",
                 "~/pw/.config/Tarnwick Corporation/Kelvane/10.conf"},
        HomeCase{"relative-xdg-folders-are-ignored",
                 {{"HOME", "~/home"}, {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "cfg"}},
                 std::nullopt,
                 "~/home/.local/share/kelvane",
                 "~/home/.config/Tarnwick Corporation/Kelvane/10.conf"},
        HomeCase{"no-home-anywhere", {}, std::nullopt, "", ""},
        HomeCase{"password-database-home-blank", {}, "", "", ""},
        HomeCase{"password-database-home-relative", {{"HOME", "home"}}, "pw", "", ""},
        HomeCase{"no-home-needed-with-both-xdg-folders",
                 {{"XDG_DATA_HOME", "~/data"}, {"XDG_CONFIG_HOME", "~/cfg"}},
                 std::nullopt,
                 "~/data/kelvane",
                 "~/cfg/Tarnwick Corporation/Kelvane/10.conf"},
        HomeCase{"data-folder-given-but-settings-need-a-home",
                 {{"KELVANE_DATA_DIR", "~/kept"}},
                 std::nullopt,
                 "~/kept",
                 ""}),
    testsupport::ParamName());

TEST(NoHomeFolderErrorTest, SaysWhatIsMissingAndWhatToDo) {
    const std::string text = NoHomeFolderError().what();
    EXPECT_NE(text.find("HOME is not set"), std::string::npos) << text;
    EXPECT_NE(text.find("password database"), std::string::npos) << text;
    EXPECT_NE(text.find("user id " + std::to_string(::geteuid())), std::string::npos) << text;
}

TEST(PasswordDatabaseHomeTest, IsThisUsersEntry) {
    const passwd* entry = ::getpwuid(::geteuid());
    if (entry == nullptr || entry->pw_dir == nullptr || *entry->pw_dir == '\0') {
        EXPECT_EQ(PasswordDatabaseHome(), std::nullopt);
    } else {
        EXPECT_EQ(PasswordDatabaseHome(), std::string(entry->pw_dir));
    }
}

// Folders Kelvane makes are for the user alone, whatever the umask; folders that were there
// keep the modes their owner gave them.
TEST_F(ProgramPathsTest, FoldersItMakesAreForTheUserAlone) {
    const mode_t previous = ::umask(022);
    fs::create_directory(At("shared"));
    ASSERT_EQ(::chmod(At("shared").c_str(), 0755), 0);
    ResolveProgramDirectory(FakeEnv({{"HOME", At("home")}}), At("exe"));
    ResolveProgramDirectory(FakeEnv({{"XDG_DATA_HOME", At("shared")}}), At("exe"));
    ResolveSettingsFile(FakeEnv({{"HOME", At("home")}}));
    ::umask(previous);

    for (const char* made :
         {"home", "home/.local", "home/.local/share", "home/.local/share/kelvane", "shared/kelvane",
          "home/.config", "home/.config/Tarnwick Corporation",
          "home/.config/Tarnwick Corporation/Kelvane"}) {
        EXPECT_EQ(testsupport::FilePermissions(At(made)), 0700u) << made;
    }
    EXPECT_EQ(testsupport::FilePermissions(At("shared")), 0755u);
}

TEST(JoinPath, NeverDoublesASlash) {
    EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
    EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
}

}  // namespace
}  // namespace kelvane::paths

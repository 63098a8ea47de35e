#include "Autostart.h"

#include <gtest/gtest.h>

#include <string>

#include "AtomicFile.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

TEST(AutostartTest, WritesReplacesAndRemovesTheLoginEntry) {
    testsupport::TempFolder config;
    const std::string home = config.path().string();
    EXPECT_FALSE(HasAutostartEntry(home));

    WriteAutostartEntry(home, "/opt/my apps/kelvane");
    ASSERT_TRUE(HasAutostartEntry(home));
    const std::string entry = ReadWholeFile(AutostartEntryPath(home)).value_or("");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nExec=\"/opt/my apps/kelvane\"\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nX-GNOME-Autostart-enabled=true\n"), std::string::npos);

    // Characters the desktop would read as quoting, escapes or field codes stay literal.
    WriteAutostartEntry(home, "/home/a$b/100%/k\\\"x");
    const std::string escaped = ReadWholeFile(AutostartEntryPath(home)).value_or("");
    EXPECT_NE(escaped.find("\nExec=\"/home/a\\\\$b/100%%/k\\\\\\\\\\\\\"x\"\n"), std::string::npos)
        << escaped;

    EXPECT_TRUE(RemoveAutostartEntry(home));
    EXPECT_FALSE(HasAutostartEntry(home));
    EXPECT_TRUE(RemoveAutostartEntry(home)) << "a missing entry is no error";
}

}  // namespace
}  // namespace kelvane

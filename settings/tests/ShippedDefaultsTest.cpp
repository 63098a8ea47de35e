#include "ShippedDefaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "AtomicFile.h"
#include "ShippedFiles.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

TEST(ShippedDefaultsTest, MissingFilesArePutInPlaceAndExistingOnesAreKept) {
    testsupport::TempFolder folder;
    testsupport::WriteFileBytes(folder.File("known.lst"), "spammer@example.invalid\n");

    EXPECT_TRUE(CopyShippedDefaults(folder.path().string()).empty());

    const std::optional<std::string> help = ReadWholeFile(folder.File("kelvane.html"));
    ASSERT_TRUE(help.has_value());
    EXPECT_NE(help->find("id=\"topic200\""), std::string::npos);
    const std::optional<std::string> sound = ReadWholeFile(folder.File("harptune.wav"));
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->substr(0, 4), "RIFF");
    EXPECT_EQ(sound->substr(8, 4), "WAVE");
    EXPECT_EQ(ReadWholeFile(folder.File("known.lst")), "spammer@example.invalid\n");

    // The user's own sound stays; only what went missing comes back.
    testsupport::WriteFileBytes(folder.File("harptune.wav"), "mine");
    std::filesystem::remove(folder.File("kelvane.html"));
    EXPECT_TRUE(CopyShippedDefaults(folder.path().string()).empty());
    EXPECT_EQ(ReadWholeFile(folder.File("harptune.wav")), "mine");
    EXPECT_EQ(ReadWholeFile(folder.File("kelvane.html")), help);
}

// The known-spammer list is the user's own; the help page and the sound are not secret.
TEST(ShippedDefaultsTest, TheKnownSpammerListIsForTheUserAlone) {
    testsupport::TempFolder folder;
    EXPECT_TRUE(CopyShippedDefaults(folder.path().string()).empty());
    EXPECT_EQ(testsupport::FilePermissions(folder.File("known.lst")), 0600u);
    EXPECT_EQ(testsupport::FilePermissions(folder.File("kelvane.html")), 0644u);
    EXPECT_EQ(testsupport::FilePermissions(folder.File("harptune.wav")), 0644u);
}

TEST(ShippedDefaultsTest, AFolderThatCannotBeWrittenIsReportedNotFatal) {
    testsupport::TempFolder folder;
    const std::string missing = folder.File("no/such/folder");
    EXPECT_EQ(CopyShippedDefaults(missing).size(), ShippedFileTable().size() + 1);
}

}  // namespace
}  // namespace kelvane

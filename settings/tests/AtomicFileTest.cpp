#include "AtomicFile.h"

#include <gtest/gtest.h>

#include "TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>

namespace kelvane {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
  protected:
    std::string Path(const char* name) const { return temp_.File(name); }

    testsupport::TempFolder temp_;
    const fs::path& folder_ = temp_.path();
};

TEST_F(AtomicFileTest, WritesReplacesAndKeepsPermissions) {
    const std::string path = Path("a.txt");
    EXPECT_FALSE(ReadWholeFile(path).has_value());
    WriteFileAtomically(path, std::string("one\0two", 7));
    EXPECT_EQ(ReadWholeFile(path), std::string("one\0two", 7));

    ::chmod(path.c_str(), 0600);
    WriteFileAtomically(path, "second");
    EXPECT_EQ(ReadWholeFile(path), "second");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, ForcedModeHoldsWhateverTheOldFileHad) {
    const std::string loosened = Path("loosened.conf");
    WriteFileAtomically(loosened, "old", 0644);
    ASSERT_EQ(testsupport::FilePermissions(loosened), 0644u);
    WriteFileAtomicallyWithMode(loosened, "new", 0600);
    EXPECT_EQ(ReadWholeFile(loosened), "new");
    EXPECT_EQ(testsupport::FilePermissions(loosened), 0600u);

    const std::string fresh = Path("fresh.conf");
    WriteFileAtomicallyWithMode(fresh, "x", 0640);
    EXPECT_EQ(testsupport::FilePermissions(fresh), 0640u);
    // The plain write still keeps the mode it finds.
    WriteFileAtomically(fresh, "y");
    EXPECT_EQ(testsupport::FilePermissions(fresh), 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 2);
}

TEST_F(AtomicFileTest, FailureNamesThePathAndReasonAndKeepsTheOldFile) {
    const std::string missingFolder = Path("no/such/folder/file.txt");
    try {
        WriteFileAtomically(missingFolder, "x");
        FAIL() << "expected FileError";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), missingFolder);
        EXPECT_EQ(std::string(error.what()),
                  "Could not write " + missingFolder + ": No such file or directory");
    }
    fs::create_directory(Path("dir"));
    EXPECT_THROW(WriteFileAtomically(Path("dir"), "x"), FileError);
    EXPECT_TRUE(fs::is_directory(Path("dir")));
    EXPECT_THROW(ReadWholeFile(Path("dir")), FileError);
}

}  // namespace
}  // namespace kelvane

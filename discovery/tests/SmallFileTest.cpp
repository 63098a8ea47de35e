#include "SmallFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempFolder.h"

namespace kelvane {
namespace {

using testsupport::TempFolder;
using testsupport::WriteFileBytes;

TEST(ReadSmallFile, ReadsPlainFilesUpToTheLimit) {
    TempFolder temp;
    WriteFileBytes(temp.File("four"), "abcd");
    EXPECT_EQ(ReadSmallFile(temp.File("four"), 4), "abcd");
    EXPECT_EQ(ReadSmallFile(temp.File("four"), 3), std::nullopt);
    WriteFileBytes(temp.File("empty"), "");
    EXPECT_EQ(ReadSmallFile(temp.File("empty"), 0), "");
}

TEST(ReadSmallFile, NothingForWhatIsNoPlainFile) {
    TempFolder temp;
    ASSERT_EQ(::mkfifo(temp.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadSmallFile(temp.File("fifo"), 100), std::nullopt) << "and no hang";
    std::filesystem::create_directory(temp.File("folder"));
    EXPECT_EQ(ReadSmallFile(temp.File("folder"), 100), std::nullopt);
    EXPECT_EQ(ReadSmallFile(temp.File("missing"), 100), std::nullopt);
    EXPECT_EQ(ReadSmallFile("", 100), std::nullopt);
}

}  // namespace
}  // namespace kelvane

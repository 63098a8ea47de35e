#include "DataBlockScanner.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "CaseName.h"

namespace kelvane {
namespace {

struct ScanCase {
    const char* name;
    std::vector<std::string> pieces;  // as they arrive
    long long blockLength;            // bytes up to the end of the "." line; -1: not ended
};

void PrintTo(const ScanCase& c, std::ostream* out) {
    *out << c.name;
}

class DataBlockScannerTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(DataBlockScannerTest, EndsAfterTheLineHoldingOnlyADot) {
    DataBlockScanner scanner;
    long long length = 0;
    long long ended = -1;
    for (const std::string& piece : GetParam().pieces) {
        const DataBlockScanner::Part part = scanner.Scan(piece);
        length += static_cast<long long>(part.length);
        if (part.ended) {
            ended = length;
            break;
        }
        ASSERT_EQ(part.length, piece.size());
    }
    EXPECT_EQ(ended, GetParam().blockLength);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DataBlockScannerTest,
    ::testing::Values(ScanCase{"crlf", {"a\r\nb\r\n.\r\nnext"}, 9},
                      ScanCase{"bare-lf", {"a\nb\n.\nnext"}, 6},
                      ScanCase{"dot-crlf-after-bare-lf", {"a\n.\r\n"}, 5},
                      ScanCase{"empty-block", {".\r\n+OK"}, 3},
                      ScanCase{"empty-block-bare-lf", {".\n"}, 2},
                      ScanCase{"split-everywhere", {"a\r", "\n", ".", "\r", "\n", "x"}, 6},
                      ScanCase{"stuffed-dots-go-on", {"..\r\n.x\r\n. \r\n.\r\r\n"}, -1},
                      ScanCase{"dot-inside-a-line", {"a.\r\nb\r\n.\r\n"}, 10},
                      ScanCase{"no-line-end-yet", {"a\r\n."}, -1},
                      ScanCase{"long-line-then-dot", {std::string(70000, 'x'), "\n.\n"}, 70003}),
    testsupport::ParamName());

TEST(DataBlockScannerLines, TellsWhenALineWasCompleted) {
    DataBlockScanner scanner;
    EXPECT_FALSE(scanner.Scan("Subject: a long li").lineEnded);
    EXPECT_TRUE(scanner.Scan("ne\r\nX-").lineEnded);
    EXPECT_FALSE(scanner.Scan("More: 1").lineEnded);
}

}  // namespace
}  // namespace kelvane

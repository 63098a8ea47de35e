#include "QuotedPrintable.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <string>
#include <vector>

#include "EventPump.h"

namespace kelvane {
namespace {

struct QpCase {
    const char* name;
    std::vector<std::string> lines;
    std::string expected;
};

const std::string k254(254, 'x');
const std::string k253(253, 'x');

class QuotedPrintableDecodeTest : public testing::TestWithParam<QpCase> {};

TEST_P(QuotedPrintableDecodeTest, DecodesToExpectedBytes) {
    EXPECT_EQ(TQuotedPrintable::Decode(GetParam().lines), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuotedPrintableDecodeTest,
    testing::Values(QpCase{"no-lines", {}, ""}, QpCase{"plain-line", {"abc"}, "abc\r\n"},
                    QpCase{"upper-hex-escape", {"Caf=E9"}, "Caf\xE9\r\n"},
                    QpCase{"lower-hex-escape", {"Caf=e9"}, "Caf\xE9\r\n"},
                    QpCase{"escaped-equals-sign", {"1+1=3D2"}, "1+1=2\r\n"},
                    QpCase{"escape-gives-nul", {"a=00b"}, std::string("a\0b\r\n", 5)},
                    QpCase{"bad-hex-kept", {"a=G1b"}, "a=G1b\r\n"},
                    QpCase{"half-hex-kept", {"a=4Gb"}, "a=4Gb\r\n"},
                    QpCase{"escape-one-char-short-kept", {"ab=4"}, "ab=4\r\n"},
                    QpCase{"equals-then-escape", {"==41"}, "=A\r\n"},
                    QpCase{"encoded-line-end-kept", {"a=0D=0Ab"}, "a\r\nb\r\n"},
                    QpCase{"soft-break-joins-lines", {"Hel=", "lo", "world"}, "Hello\r\nworld\r\n"},
                    QpCase{"escape-before-soft-break", {"a=3D=", "b"}, "a=b\r\n"},
                    QpCase{"soft-break-on-last-line", {"abc="}, "abc"},
                    QpCase{"lone-equals-line-joins", {"a=", "=", "b"}, "ab\r\n"},
                    QpCase{"empty-lines-kept", {"a", "", "b"}, "a\r\n\r\nb\r\n"},
                    QpCase{"trailing-blank-is-no-soft-break", {"a= ", "b"}, "a= \r\nb\r\n"},
                    QpCase{"ctrl-z-line-has-no-line-end", {"end\x1A"}, "end\x1A"},
                    QpCase{"encoded-ctrl-z-is-content", {"end=1A"}, "end\x1A\r\n"},
                    QpCase{
                        "line-cut-at-255", {std::string(300, 'x')}, std::string(255, 'x') + "\r\n"},
                    QpCase{"cut-leaves-soft-break", {k254 + "=yz", "b"}, k254 + "b\r\n"},
                    QpCase{"cut-splits-escape", {k253 + "=41"}, k253 + "=4\r\n"},
                    QpCase{"cut-drops-ctrl-z", {k254 + "a\x1A"}, k254 + "a\r\n"}),
    testsupport::ParamName());

// Counts the pump calls while it lives.
struct CountingPump {
    int count = 0;
    CountingPump() {
        SetEventPump([this] { ++count; });
    }
    ~CountingPump() { SetEventPump({}); }
};

TEST(QuotedPrintableTest, LongSoftBrokenParagraphDecodesWhole) {
    // Typical HTML mail: one paragraph far beyond any fixed buffer.
    std::vector<std::string> lines(2000, std::string(70, 'h') + "=3D=");
    lines.push_back("end");
    CountingPump pump;
    std::string decoded = TQuotedPrintable::Decode(lines);

    std::string expectedPiece = std::string(70, 'h') + "=";
    ASSERT_EQ(decoded.size(), 2000 * expectedPiece.size() + 5);
    EXPECT_EQ(decoded.substr(0, expectedPiece.size() * 2), expectedPiece + expectedPiece);
    EXPECT_EQ(decoded.substr(decoded.size() - 5), "end\r\n");
    EXPECT_EQ(pump.count, 1);
}

TEST(QuotedPrintableTest, PumpsOncePerParagraph) {
    CountingPump pump;
    TQuotedPrintable::Decode({"a", "b=", "c", "", "d="});
    EXPECT_EQ(pump.count, 4);  // "a", "bc", "", "d"
}

}  // namespace
}  // namespace kelvane

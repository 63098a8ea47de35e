#include "LineStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvane {
namespace {

// Every line up to the end, without the end marker.
std::vector<std::string> ReadAll(TLineStream& stream) {
    std::vector<std::string> lines;
    for (std::string_view line = stream.ReadLine(); !stream.Eof(); line = stream.ReadLine()) {
        lines.emplace_back(line);
    }
    return lines;
}

TEST(LineStream, SplitsAtEveryKindOfLineEnd) {
    struct Case {
        const char* name;
        std::string data;
        std::vector<std::string> lines;
    };
    const std::string zero("a\0b", 3);
    const Case cases[] = {
        {"lf", "one\ntwo\n", {"one", "two"}},
        {"crlf", "one\r\ntwo\r\n", {"one", "two"}},
        {"lone-cr", "one\rtwo\r", {"one", "two"}},
        {"lf-cr-is-two-ends", "one\n\rtwo", {"one", "", "two"}},
        {"mixed-with-empty-lines", "a\r\n\r\nb\n\nc\r\rd", {"a", "", "b", "", "c", "", "d"}},
        {"last-line-without-end", "one\ntwo", {"one", "two"}},
        {"only-a-line-end", "\r\n", {""}},
        {"empty", "", {}},
        {"zero-byte-kept", zero + "\nnext", {zero, "next"}},
        {"ff-bytes-are-text", "\xFF\xFF\xFF\xFF\nx", {"\xFF\xFF\xFF\xFF", "x"}},
    };
    for (const Case& c : cases) {
        TLineStream stream(c.data);
        EXPECT_EQ(ReadAll(stream), c.lines) << c.name;
        EXPECT_EQ(SplitLines(c.data), c.lines) << c.name;
    }
}

TEST(LineStream, EndMarkerComesWithTheEndFlagAndStays) {
    TLineStream stream("only\n");
    EXPECT_EQ(stream.ReadLine(), "only");
    EXPECT_FALSE(stream.Eof());
    EXPECT_EQ(stream.ReadLine(), std::string(4, '\xFF'));
    EXPECT_TRUE(stream.Eof());
    EXPECT_EQ(stream.ReadLine(), TLineStream::EOFMarker);
    EXPECT_TRUE(stream.Eof());
}

TEST(LineStream, RewindStartsAgainAndClearsTheEndFlag) {
    TLineStream stream("first\r\nsecond");
    EXPECT_EQ(ReadAll(stream), (std::vector<std::string>{"first", "second"}));
    ASSERT_TRUE(stream.Eof());
    stream.Rewind();
    EXPECT_FALSE(stream.Eof());
    EXPECT_EQ(stream.ReadLine(), "first");
    stream.Rewind();
    EXPECT_EQ(ReadAll(stream), (std::vector<std::string>{"first", "second"}));

    stream.Load("other");
    EXPECT_EQ(ReadAll(stream), std::vector<std::string>{"other"});
}

TEST(LineStream, LongLinesComeBackWhole) {
    const std::string longLine(100000, 'x');
    // A CR LF pair astride the old 16384-byte step must stay one line end.
    const std::string astride = std::string(16383, 'y') + "\r\nz";
    TLineStream stream(longLine + "\n" + longLine + "\n" + astride);
    EXPECT_EQ(ReadAll(stream),
              (std::vector<std::string>{longLine, longLine, std::string(16383, 'y'), "z"}));
}

TEST(LineStream, JoinLinesEndsEveryLineWithCrLf) {
    EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(JoinLines({}), "");
    EXPECT_EQ(SplitLines(JoinLines({"a", "", "b"})), (std::vector<std::string>{"a", "", "b"}));
}

}  // namespace
}  // namespace kelvane

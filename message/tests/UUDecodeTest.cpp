#include "UUDecode.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvane {
namespace {

std::string Decode(std::string_view line) {
    std::string out;
    AppendUUDecodedLine(line, out);
    return out;
}

TEST(IsUUBegin, NeedsBeginLengthAndAMode) {
    struct Case {
        const char* name;
        const char* line;
        bool begin;
    };
    const Case cases[] = {
        {"usual", "begin 644 file.zip", true},
        {"upper-case", "BEGIN 600 X", true},
        {"mode-without-name", "begin 644", true},
        {"extra-blanks-before-mode", "begin    755 a", true},
        {"four-digit-mode-read-by-three", "begin 0644 a", true},
        {"short-mode-then-blank", "begin 64 file", false},
        {"word-not-number", "Begin the day early", false},
        {"exactly-eight-chars", "begin 64", false},
        {"not-at-start", " begin 644 a", false},
        {"other-word", "beginning 644", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUUBegin(c.line), c.begin) << c.name;
    }
}

TEST(IsUUEnd, GraveAccentOrEndInAnyCase) {
    EXPECT_TRUE(IsUUEnd("`"));
    EXPECT_TRUE(IsUUEnd("end"));
    EXPECT_TRUE(IsUUEnd("END"));
    EXPECT_FALSE(IsUUEnd("end "));
    EXPECT_FALSE(IsUUEnd("``"));
    EXPECT_FALSE(IsUUEnd(""));
}

TEST(UUBeginFileName, TakesTheNameAfterTheMode) {
    struct Case {
        const char* name;
        const char* line;
        const char* fileName;
    };
    const Case cases[] = {
        {"plain", "begin 644 report.doc", "report.doc"},
        {"stops-at-blank", "begin 644 two words", "two"},
        {"quoted-with-blank", "begin 644 \"two words.txt\" rest", "two words.txt"},
        {"quote-not-closed", "begin 644 \"open", ""},
        {"no-name", "begin 644", ""},
        {"no-name-trailing-blank", "begin 644 ", ""},
        {"four-digit-mode-leaves-no-name", "begin 0644 x.bin", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UUBeginFileName(c.line), c.fileName) << c.name;
    }
}

TEST(UUDecodeLine, DecodesStandardLines) {
    std::string first45;
    for (int i = 0; i < 45; ++i) first45.push_back(static_cast<char>(i));
    struct Case {
        const char* name;
        std::string line;
        std::string bytes;
    };
    const Case cases[] = {
        {"three-bytes", "#0V%T", "Cat"},
        {"partial-last-group", "-2&5L;&\\L(%=O<FQD(0``", "Hello, World!"},
        {"blank-means-zero", "#    ", std::string(3, '\0')},
        {"grave-means-zero", "#````", std::string(3, '\0')},
        {"full-line", "M``$\"`P0%!@<(\"0H+#`T.#Q`1$A,4%187&!D:&QP='A\\@(2(C)\"4F)R@I*BLL", first45},
        {"trailing-blanks-stripped", "\"86(", "ab"},
        {"length-zero-grave", "`", ""},
        {"length-zero-blank", " ", ""},
        {"empty", "", ""},
        {"length-beyond-line", "M", std::string(45, '\0')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Decode(c.line), c.bytes) << c.name;
    }
}

TEST(UUDecodeLine, AppendsToWhatIsThere) {
    std::string out = "x";
    AppendUUDecodedLine("#0V%T", out);
    AppendUUDecodedLine("\"86(`", out);
    EXPECT_EQ(out, "xCatab");
}

}  // namespace
}  // namespace kelvane

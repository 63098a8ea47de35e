#include "Charset.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <string>

namespace kelvane {
namespace {

struct ConvertCase {
    const char* name;
    std::string bytes;
    std::string charset;
    std::string expected;
};

class ConvertToUtf8Test : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertToUtf8Test, ConvertsOrKeepsBytes) {
    EXPECT_EQ(ConvertToUtf8(GetParam().bytes, GetParam().charset), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertToUtf8Test,
    testing::Values(ConvertCase{"latin1", "Caf\xE9", "ISO-8859-1", "Caf\xC3\xA9"},
                    ConvertCase{"latin1-lower-case-name", "Caf\xE9", "iso-8859-1", "Caf\xC3\xA9"},
                    ConvertCase{"latin9-euro", "\xA4", "ISO-8859-15", "\xE2\x82\xAC"},
                    ConvertCase{"windows-1252-euro", "\x80 5", "windows-1252", "\xE2\x82\xAC 5"},
                    ConvertCase{"windows-1252-quotes", "\x93hi\x94", "Windows-1252",
                                "\xE2\x80\x9Chi\xE2\x80\x9D"},
                    ConvertCase{"stateful-iso-2022-jp", "\x1B$B$3$s$K$A$O\x1B(B", "ISO-2022-JP",
                                "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF"},
                    ConvertCase{"utf16-with-nul-bytes", std::string("\0A\0b", 4), "UTF-16BE", "Ab"},
                    ConvertCase{"utf8-as-is", "Caf\xC3\xA9", "UTF-8", "Caf\xC3\xA9"},
                    ConvertCase{"utf8-not-validated", "\xFF\xFE", "utf-8", "\xFF\xFE"},
                    ConvertCase{"us-ascii-as-is", "Caf\xE9", "US-ASCII", "Caf\xE9"},
                    ConvertCase{"unknown-name", "Caf\xE9", "x-no-such-charset", "Caf\xE9"},
                    ConvertCase{"empty-name-is-not-the-locale", "Caf\xE9", "", "Caf\xE9"},
                    ConvertCase{"path-like-name", "Caf\xE9", "../../tmp/x", "Caf\xE9"},
                    ConvertCase{"name-with-option-suffix", "Caf\xE9", "ISO-8859-1//IGNORE",
                                "Caf\xE9"},
                    ConvertCase{"undefined-windows-1252-byte", "ok\x81", "windows-1252", "ok\x81"},
                    ConvertCase{"truncated-shift-jis", "a\x82", "Shift_JIS", "a\x82"},
                    ConvertCase{"invalid-in-ascii", "Caf\xE9", "ASCII", "Caf\xE9"},
                    ConvertCase{"empty-bytes", "", "ISO-8859-1", ""}),
    testsupport::ParamName());

TEST(ConvertToUtf8Test, OutputMayOutgrowTheFirstGuess) {
    // Each Latin-1 byte 0xE9 is two UTF-8 bytes, each windows-1252 0x80 three.
    std::string euros = ConvertToUtf8(std::string(10000, '\x80'), "windows-1252");
    ASSERT_EQ(euros.size(), 30000u);
    EXPECT_EQ(euros.substr(29997), "\xE2\x82\xAC");
    EXPECT_EQ(ConvertToUtf8(std::string(10000, '\xE9'), "ISO-8859-1").size(), 20000u);
}

struct CutCase {
    const char* name;
    std::string text;
    size_t maxBytes;
    std::string expected;
};

class CutUtf8Test : public testing::TestWithParam<CutCase> {};

TEST_P(CutUtf8Test, CutsWithoutSplittingSequences) {
    EXPECT_EQ(CutUtf8(GetParam().text, GetParam().maxBytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutUtf8Test,
    testing::Values(CutCase{"fits", "Caf\xC3\xA9", 5, "Caf\xC3\xA9"},
                    CutCase{"ascii", "abcdef", 3, "abc"},
                    CutCase{"two-byte-split", "Caf\xC3\xA9", 4, "Caf"},
                    CutCase{"cut-between-sequences",
                            "\xC3\xA9"
                            "a",
                            2, "\xC3\xA9"},
                    CutCase{"three-byte-split-after-lead", "a\xE2\x82\xAC", 2, "a"},
                    CutCase{"three-byte-split-in-middle", "a\xE2\x82\xAC", 3, "a"},
                    CutCase{"four-byte-split", "a\xF0\x9F\x98\x80", 4, "a"},
                    CutCase{"four-byte-kept-whole",
                            "a\xF0\x9F\x98\x80"
                            "b",
                            5, "a\xF0\x9F\x98\x80"},
                    CutCase{"latin1-byte-not-dropped", "Caf\xE9 x", 4, "Caf\xE9"},
                    CutCase{"stray-continuations", "\x80\x80\x80\x80\x80\x80", 2, "\x80\x80"},
                    CutCase{"zero", "\xC3\xA9", 0, ""},
                    CutCase{"split-first-char", "\xC3\xA9", 1, ""}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

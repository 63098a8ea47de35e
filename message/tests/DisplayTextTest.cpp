#include "DisplayText.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <string>

namespace kelvane {
namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

struct DisplayCase {
    const char* name;
    std::string text;
    std::string shown;
};

void PrintTo(const DisplayCase& c, std::ostream* out) {
    *out << c.name;
}

class SafeDisplayTextTest : public testing::TestWithParam<DisplayCase> {};

TEST_P(SafeDisplayTextTest, ShowsTheTextSafely) {
    EXPECT_EQ(SafeDisplayText(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Unchanged, SafeDisplayTextTest,
    testing::Values(DisplayCase{"empty", "", ""},
                    DisplayCase{"plain-ascii", "Re: lunch <ann@friends.test> ~!",
                                "Re: lunch <ann@friends.test> ~!"},
                    DisplayCase{"two-byte-letters", "Gr\xC3\xBC\xC3\x9F!", "Gr\xC3\xBC\xC3\x9F!"},
                    DisplayCase{"no-break-space-just-above-c1", "a\xC2\xA0z", "a\xC2\xA0z"},
                    DisplayCase{"three-byte-cjk", "\xE6\x97\xA5\xE6\x9C\xAC",
                                "\xE6\x97\xA5\xE6\x9C\xAC"},
                    DisplayCase{"four-byte-emoji", "\xF0\x9F\x98\x80!", "\xF0\x9F\x98\x80!"},
                    DisplayCase{"highest-code-point", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
                    DisplayCase{"last-before-surrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
                    DisplayCase{"first-after-surrogates", "\xEE\x80\x80", "\xEE\x80\x80"}),
    testsupport::ParamName());

INSTANTIATE_TEST_SUITE_P(
    Controls, SafeDisplayTextTest,
    testing::Values(DisplayCase{"tab-between-fields", "cheap\twatches", "cheap watches"},
                    DisplayCase{"cr-lf-each-a-blank", "busy\r\ntry later\n", "busy  try later "},
                    DisplayCase{"nul-inside", std::string("a\0b", 3), "a b"},
                    DisplayCase{"terminal-title-sequence", "\x1B]0;owned\x07!", " ]0;owned !"},
                    DisplayCase{"clear-screen-sequence", "-ERR \x1B[2J gone", "-ERR  [2J gone"},
                    DisplayCase{"lowest-and-highest-c0", "\x01x\x1F", " x "},
                    DisplayCase{"delete", "a\x7Fz", "a z"},
                    DisplayCase{"c1-first-and-last", "\xC2\x80x\xC2\x9F", " x "},
                    DisplayCase{"c1-control-sequence-introducer", "\xC2\x9B?25l", " ?25l"}),
    testsupport::ParamName());

// One U+FFFD for each maximal ill-formed subpart.
INSTANTIATE_TEST_SUITE_P(
    Invalid, SafeDisplayTextTest,
    testing::Values(
        DisplayCase{"stray-continuation", "a\x80z", "a" + kFFFD + "z"},
        DisplayCase{"two-stray-continuations", "\xBF\xBF", kFFFD + kFFFD},
        DisplayCase{"latin1-byte-before-ascii", "caf\xE9 ok", "caf" + kFFFD + " ok"},
        DisplayCase{"truncated-at-end", "x\xE6\x97", "x" + kFFFD},
        DisplayCase{"truncated-four-byte-then-ascii", "\xF0\x9F\x98z", kFFFD + "z"},
        DisplayCase{"truncated-before-control", "\xC3\n", kFFFD + " "},
        DisplayCase{"c1-lead-without-its-second-byte", "\xC2z", kFFFD + "z"},
        DisplayCase{"truncated-before-new-lead", "\xE6\xE6\x97\xA5", kFFFD + "\xE6\x97\xA5"},
        DisplayCase{"overlong-two-byte", "\xC0\xAF", kFFFD + kFFFD},
        DisplayCase{"overlong-two-byte-led-by-c1", "\xC1\x81", kFFFD + kFFFD},
        DisplayCase{"overlong-three-byte", "\xE0\x80\xAF", kFFFD + kFFFD + kFFFD},
        DisplayCase{"overlong-four-byte", "\xF0\x8F\xBF\xBF", kFFFD + kFFFD + kFFFD + kFFFD},
        DisplayCase{"high-surrogate", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD},
        DisplayCase{"low-surrogate", "\xED\xBF\xBF", kFFFD + kFFFD + kFFFD},
        DisplayCase{"above-10ffff", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD},
        DisplayCase{"f5-lead", "\xF5\x80\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD},
        DisplayCase{"ff-and-fe", "\xFF\xFE", kFFFD + kFFFD}),
    testsupport::ParamName());

// Whatever a single byte is, it comes out printable: as itself, a blank or U+FFFD.
TEST(SafeDisplayTextSingleByteTest, EveryByteComesOutPrintable) {
    for (int value = 0; value < 256; ++value) {
        const char byte = static_cast<char>(value);
        const std::string shown = SafeDisplayText(std::string(1, byte));
        if (value >= 0x20 && value < 0x7F)
            EXPECT_EQ(shown, std::string(1, byte)) << value;
        else if (value < 0x80)
            EXPECT_EQ(shown, " ") << value;
        else
            EXPECT_EQ(shown, kFFFD) << value;
    }
}

}  // namespace
}  // namespace kelvane

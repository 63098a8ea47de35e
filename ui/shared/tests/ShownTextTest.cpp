#include "ShownText.h"

#include <gtest/gtest.h>
#include <QString>
#include <string>

namespace kelvane {
namespace {

TEST(ShownLines, KeepsTheBoxTextsLineBreaksAndMakesEachLineSafe) {
    struct Case {
        const char* name;
        std::string text;
        const char* shown;
    };
    const Case cases[] = {
        {"one-line", "Operation timed out", "Operation timed out"},
        {"carriage-return", "unable to detect\rRAS on your system.",
         "unable to detect\nRAS on your system."},
        {"crlf-is-one-break", "first\r\nsecond", "first\nsecond"},
        {"line-feed", "first\nsecond", "first\nsecond"},
        {"final-break-dropped", "first\r\nsecond\r\n", "first\nsecond"},
        {"blank-line-kept", "a\r\rb", "a\n\nb"},
        {"controls-inside-a-line",
         std::string("bad\ttab\x07"
                     "bell"),
         "bad tab bell"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ShownLines(c.text), QString::fromUtf8(c.shown));
    }
}

}  // namespace
}  // namespace kelvane

#include "Base64.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <string>

#include "EventPump.h"
#include "MailErrors.h"

namespace kelvane {
namespace {

struct DecodeCase {
    const char* name;
    std::string text;
    std::string expected;
};

class Base64DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(Base64DecodeTest, DecodesToExpectedBytes) {
    EXPECT_EQ(DecodeBase64(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64DecodeTest,
    testing::Values(DecodeCase{"empty", "", ""}, DecodeCase{"one-group", "QUJD", "ABC"},
                    DecodeCase{"several-groups", "SGVsbG8sIHdvcmxkIQ==", "Hello, world!"},
                    DecodeCase{"single-padding", "QUI=", "AB"},
                    DecodeCase{"double-padding", "QQ==", "A"},
                    DecodeCase{"plus-and-slash", "/+8=", "\xFF\xEF"},
                    DecodeCase{"nul-bytes-kept", "AAEA", std::string("\0\1\0", 3)},
                    DecodeCase{"unpadded-two-chars", "QUJDQQ", "ABCA"},
                    DecodeCase{"unpadded-three-chars", "QUJDQUI", "ABCAB"},
                    DecodeCase{"lone-last-char-gives-nothing", "QUJDQ", "ABC"},
                    DecodeCase{"padding-ends-data", "SGk=garbage!", "Hi"},
                    DecodeCase{"padding-inside-group", "QQ=A", "A"},
                    DecodeCase{"only-padding", "====", ""}),
    testsupport::ParamName());

class Base64InvalidTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(Base64InvalidTest, RaisesInvalidCharacter) {
    try {
        DecodeBase64(GetParam().text);
        FAIL() << "no error for " << GetParam().name;
    } catch (const EMessageParserError& error) {
        EXPECT_STREQ(error.what(), kInvalidCharacter);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Base64InvalidTest,
                         testing::Values(DecodeCase{"blank", "QU JD", ""},
                                         DecodeCase{"carriage-return", "QUJD\r", ""},
                                         DecodeCase{"line-feed", "QUJD\nQUJD", ""},
                                         DecodeCase{"url-safe-dash", "QU-D", ""},
                                         DecodeCase{"high-byte", "QU\xC3JD", ""},
                                         DecodeCase{"nul", std::string("QU\0D", 4), ""},
                                         DecodeCase{"in-incomplete-last-group", "QUJDQ!", ""},
                                         DecodeCase{"lone-invalid-last-char", "QUJD*", ""}),
                         testsupport::ParamName());

TEST(Base64Test, LargeInputDecodesWhole) {
    std::string text;
    for (int i = 0; i < 1'000'000; ++i) text += "QUJD";
    std::string decoded = DecodeBase64(text);
    ASSERT_EQ(decoded.size(), 3'000'000u);
    EXPECT_EQ(decoded.find_first_not_of("ABC"), std::string::npos);
    EXPECT_EQ(decoded.substr(2'999'997), "ABC");
}

TEST(Base64Test, TextIsCutAt255BytesButPlainDecodeIsNot) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "QUJD";  // 300 bytes

    std::string expected;
    for (int i = 0; i < 100; ++i) expected += "ABC";
    EXPECT_EQ(DecodeBase64(text), expected);
    EXPECT_EQ(DecodeBase64Text(text), expected.substr(0, 255));
}

TEST(Base64Test, TextStillRejectsInvalidCharacterBeyondTheCut) {
    std::string text;
    for (int i = 0; i < 100; ++i) text += "QUJD";
    text += " ";
    EXPECT_THROW(DecodeBase64Text(text), EMessageParserError);
}

// Counts the pump calls while it lives.
struct CountingPump {
    int count = 0;
    CountingPump() {
        SetEventPump([this] { ++count; });
    }
    ~CountingPump() { SetEventPump({}); }
};

TEST(Base64Test, TextPumpsEventsOncePerCall) {
    CountingPump pump;
    DecodeBase64Text("QUJD");
    DecodeBase64Text("");
    EXPECT_EQ(pump.count, 2);
    DecodeBase64(std::string(4000, 'A'));
    EXPECT_EQ(pump.count, 2);
}

}  // namespace
}  // namespace kelvane

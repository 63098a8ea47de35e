#include "MailAddress.h"

#include <gtest/gtest.h>

#include "CaseName.h"

#include <algorithm>
#include <string>

namespace kelvane {
namespace {

struct AddressCase {
    const char* name;
    std::string text;
    std::string address;
    std::string displayName;
};

class SplitAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(SplitAddressTest, SplitsAddressAndName) {
    const auto [address, displayName] = SplitAddress(GetParam().text);
    EXPECT_EQ(address, GetParam().address);
    EXPECT_EQ(displayName, GetParam().displayName);
}

INSTANTIATE_TEST_SUITE_P(
    Senders, SplitAddressTest,
    ::testing::Values(
        AddressCase{"quoted-name-angle-address", "\"Ann Lee\" <ann-box>", "ann-box", "Ann Lee"},
        AddressCase{"comment-name", "ann-box (Ann Lee)", "ann-box", "Ann Lee"},
        AddressCase{"plain-address", "ann-box", "ann-box", ""},
        AddressCase{"plain-text-kept-unchanged", " \"ann-box\" ", " \"ann-box\" ", ""},
        AddressCase{"angle-address-only", "<box>", "box", ""},
        AddressCase{"name-after-angle-address", "<box> Joe", "box", "Joe"},
        AddressCase{"quotes-inside-angles", "Joe <\"box\">", "box", "Joe"},
        AddressCase{"no-closing-angle", "Joe <box", "", "Joe <box"},
        AddressCase{"closing-angle-before-opening", "Joe > x <box", "", "Joe > x <box"},
        AddressCase{"angle-wins-over-parenthesis", "(Joe) <box>", "box", "(Joe)"},
        AddressCase{"lone-parenthesis", "(", "", ""},
        AddressCase{"parenthesis-at-end", "box(", "box", ""}, AddressCase{"empty", "", "", ""}),
    testsupport::ParamName());

TEST(SplitAddressLimitTest, BothPartsCutAt255Bytes) {
    const auto [address, name] =
        SplitAddress(std::string(300, 'n') + " <" + std::string(300, 'a') + ">");
    EXPECT_EQ(address, std::string(255, 'a'));
    EXPECT_EQ(name, std::string(255, 'n'));
}

TEST(SplitAddressLimitTest, PlainAddressCutAt255Bytes) {
    EXPECT_EQ(SplitAddress(std::string(300, 'a')).first, std::string(255, 'a'));
}

TEST(SplitAddressLimitTest, CutNeverSplitsUtf8Sequence) {
    // U+00E9 would straddle the limit.
    const auto [address, name] = SplitAddress(std::string(254, 'n') + "\xC3\xA9 <box>");
    EXPECT_EQ(address, "box");
    EXPECT_EQ(name, std::string(254, 'n'));
}

TEST(ParseAddressTest, OverwritesBothFields) {
    TmsMailAddress parsed{"old name", "old-box"};
    ParseAddress("new-box", parsed);
    EXPECT_EQ(parsed.Address, "new-box");
    EXPECT_EQ(parsed.Name, "");
}

struct QuoteCase {
    const char* name;
    std::string text;
    std::string stripped;
};

class StripQuotesTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(StripQuotesTest, TrimsThenDropsOuterQuotes) {
    EXPECT_EQ(StripQuotes(GetParam().text), GetParam().stripped);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StripQuotesTest,
    ::testing::Values(QuoteCase{"blanks-around-quotes", " \t\"Ann Lee\"\r\n", "Ann Lee"},
                      QuoteCase{"repeated-quotes", "\"\"Ann\"\"\"", "Ann"},
                      QuoteCase{"inner-quotes-kept", "\"Ann \"A\" Lee\"", "Ann \"A\" Lee"},
                      QuoteCase{"blanks-inside-quotes-kept", "\" Ann \"", " Ann "},
                      QuoteCase{"only-quotes", "\"\"\"", ""}, QuoteCase{"empty", "", ""}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

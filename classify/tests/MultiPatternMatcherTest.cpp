#include "MultiPatternMatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "AffixIndex.h"
#include "MatchOperator.h"

namespace kelvane {
namespace {

// Every (end offset, pattern) occurrence, found the slow way.
std::vector<std::pair<size_t, int>> Occurrences(const std::vector<std::string>& patterns,
                                                const std::string& text) {
    std::vector<std::pair<size_t, int>> found;
    for (size_t p = 0; p < patterns.size(); ++p) {
        for (size_t at = text.find(patterns[p]); at != std::string::npos;
             at = text.find(patterns[p], at + 1)) {
            found.emplace_back(at + patterns[p].size(), static_cast<int>(p));
        }
    }
    return found;
}

std::vector<int> Distinct(std::vector<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::vector<int> Scanned(const MultiPatternMatcher& matcher, std::string_view text) {
    std::vector<int> found;
    matcher.Scan(text, [&found](int pattern) { found.push_back(pattern); });
    return found;
}

struct MatcherCase {
    const char* name;
    std::vector<std::string> patterns;
    std::string text;
};

void PrintTo(const MatcherCase& c, std::ostream* os) {
    *os << c.name;
}

class MatcherCaseTest : public ::testing::TestWithParam<MatcherCase> {};

// Short texts are scanned in one part: every occurrence is reported once, in the order they end.
TEST_P(MatcherCaseTest, ReportsEveryOccurrenceOnce) {
    const MatcherCase& c = GetParam();
    MultiPatternMatcher matcher;
    for (size_t p = 0; p < c.patterns.size(); ++p) {
        ASSERT_EQ(matcher.Add(c.patterns[p]), static_cast<int>(p));
    }
    matcher.Build();
    auto expected = Occurrences(c.patterns, c.text);
    // Ending at the same byte, the longer pattern first.
    std::sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return c.patterns[static_cast<size_t>(a.second)].size() >
               c.patterns[static_cast<size_t>(b.second)].size();
    });
    std::vector<int> order;
    for (const auto& occurrence : expected) order.push_back(occurrence.second);
    EXPECT_EQ(Scanned(matcher, c.text), order);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, MatcherCaseTest,
    ::testing::Values(
        MatcherCase{"suffixes-of-each-other", {"HE", "SHE", "HIS", "HERS"}, "USHERS AND HIS"},
        MatcherCase{"repeats-and-overlaps", {"AA", "AAA", "A"}, "AAAAB"},
        MatcherCase{"pattern-is-the-text", {"FREE OFFER"}, "FREE OFFER"},
        MatcherCase{"no-occurrence", {"VIAGRA", "LOTTERY"}, "HELLO FROM ANN"},
        MatcherCase{"bytes-in-no-pattern-reset",
                    {"ABC"},
                    "AB\x01"
                    "ABC"},
        MatcherCase{"high-and-nul-bytes",
                    {std::string("\xC3\xA9T\xC3\xA9"), std::string("X\0Y", 3)},
                    std::string("\xC3\xA9T\xC3\xA9 X\0Y X\0Z", 13)},
        MatcherCase{"failure-to-a-deep-state", {"ABCD", "BCE", "CDX"}, "ABCDXABCE"},
        MatcherCase{"empty-text", {"A"}, ""}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(MultiPatternMatcherTest, NumbersPatternsOnceAndRefusesTheEmptyOne) {
    MultiPatternMatcher matcher;
    EXPECT_EQ(matcher.Add("ONE"), 0);
    EXPECT_EQ(matcher.Add("TWO"), 1);
    EXPECT_EQ(matcher.Add("ONE"), 0);
    EXPECT_EQ(matcher.Add(""), -1);
    EXPECT_EQ(matcher.patternCount(), 2);
    matcher.Build();
    EXPECT_EQ(Scanned(matcher, "TWO ONE"), (std::vector<int>{1, 0}));

    MultiPatternMatcher none;
    none.Build();
    EXPECT_TRUE(Scanned(none, "ANYTHING").empty());
}

// Long texts are scanned in four parts side by side; occurrences across the parts' borders,
// at both ends and of the longest pattern must all be seen. Parts overlap, so a pattern may be
// reported more than once, but only where it occurs.
TEST(MultiPatternMatcherTest, LongTextsMissNoOccurrenceAtAnyBorder) {
    std::mt19937 random(5);
    const std::string alphabet = "ABCD";
    for (int round = 0; round < 60; ++round) {
        std::vector<std::string> patterns;
        MultiPatternMatcher matcher;
        const int count = 1 + static_cast<int>(random() % 30);
        for (int p = 0; p < count; ++p) {
            std::string pattern;
            const size_t length = 1 + random() % (round % 3 == 0 ? 90 : 7);
            for (size_t i = 0; i < length; ++i) pattern += alphabet[random() % 4];
            if (matcher.Add(pattern) == static_cast<int>(patterns.size())) {
                patterns.push_back(pattern);
            }
        }
        matcher.Build();
        std::string text;
        const size_t length = 900 + random() % 3000;
        for (size_t i = 0; i < length; ++i) text += alphabet[random() % 4];
        // Long patterns seldom occur by chance: put some in, at the start and the end too.
        const std::string& longest = *std::max_element(
            patterns.begin(), patterns.end(),
            [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
        for (const size_t at : {size_t{0}, text.size() / 4 - 1, text.size() / 2 - 2,
                                3 * text.size() / 4 - longest.size() / 2}) {
            if (at + longest.size() <= text.size()) text.replace(at, longest.size(), longest);
        }
        text.replace(text.size() - longest.size(), longest.size(), longest);

        std::vector<int> expected;
        for (const auto& occurrence : Occurrences(patterns, text))
            expected.push_back(occurrence.second);
        EXPECT_EQ(Distinct(Scanned(matcher, text)), Distinct(expected)) << "round " << round;
    }
}

TEST(AffixIndexTest, FindsValuesTheTextEqualsStartsAndEndsWith) {
    AffixIndex index;
    index.Add("FREE", 1);
    index.Add("FREE OFFER", 2);
    index.Add("OFFER", 3);
    index.Add("FREE", 4);
    const auto collect = [](auto&& look) {
        std::vector<int> items;
        look([&items](int item) { items.push_back(item); });
        std::sort(items.begin(), items.end());
        return items;
    };
    const std::string_view text = "FREE OFFER";
    EXPECT_EQ(collect([&](auto f) { index.Equal(text, f); }), (std::vector<int>{2}));
    EXPECT_EQ(collect([&](auto f) { index.Prefixes(text, f); }), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(collect([&](auto f) { index.Suffixes(text, f); }), (std::vector<int>{2, 3}));
    EXPECT_TRUE(collect([&](auto f) { index.Prefixes("FRE", f); }).empty());
    EXPECT_TRUE(collect([&](auto f) { AffixIndex().Equal(text, f); }).empty());
}

// The folding works eight bytes at a time: every byte, at every place in a word and in the
// bytes left over, must come out as the plain rule says.
TEST(UpperAsciiTest, FoldsOnlyAsciiLettersWhereverTheyStand) {
    for (int byte = 0; byte < 256; ++byte) {
        for (size_t at = 0; at < 19; ++at) {
            std::string text(19, 'q');
            text[at] = static_cast<char>(byte);
            std::string expected(19, 'Q');
            expected[at] =
                byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 32) : static_cast<char>(byte);
            ASSERT_EQ(UpperAscii(text), expected) << "byte " << byte << " at " << at;
        }
    }
}

}  // namespace
}  // namespace kelvane

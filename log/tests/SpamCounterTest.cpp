#include "SpamCounter.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>
#include <string>

#include "CaseName.h"

namespace kelvane {
namespace {

const std::string kMax = std::to_string(std::numeric_limits<long long>::max());
const std::string kMin = std::to_string(std::numeric_limits<long long>::min());

struct CountCase {
    const char* name;
    std::string count;
    long long added;
    std::string result;
};

void PrintTo(const CountCase& c, std::ostream* out) {
    *out << c.name;
}

class SpamCounterTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(SpamCounterTest, AddsToTheStoredText) {
    EXPECT_EQ(AddToSpamCount(GetParam().count, GetParam().added), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, SpamCounterTest,
    ::testing::Values(
        CountCase{"after-reset", std::string(kSpamCountReset), 4, "4"},
        CountCase{"running-count", "17", 3, "20"}, CountCase{"nothing-added", "17", 0, "17"},
        CountCase{"surrounding-blanks", " 7 ", 1, "8"}, CountCase{"empty-text", "", 2, "2"},
        CountCase{"not-a-number", "lots", 5, "5"}, CountCase{"trailing-garbage", "12abc", 1, "1"},
        CountCase{"hexadecimal-is-not-decimal", "0x10", 1, "1"},
        CountCase{"saturates-at-the-top", kMax, 1, kMax},
        CountCase{"saturates-near-the-top", "9223372036854775800", 100, kMax},
        CountCase{"too-long-to-read", "99999999999999999999999", 1, kMax},
        CountCase{"saturates-at-the-bottom", kMin, -1, kMin}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane

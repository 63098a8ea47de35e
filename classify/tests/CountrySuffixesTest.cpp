#include "CountrySuffixes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace kelvane {
namespace {

// The list's fixed order, which follows the names rather than the codes.
constexpr std::string_view kExpectedCodes =
    "AF, AL, DZ, AS, AD, AO, AI, AQ, AG, AR, AM, AW, AC, AU, AT, AZ, BS, BH, BD, BB, BY, BE, BZ, "
    "BJ, BM, BT, BO, BA, BW, BV, BR, IO, BN, BG, BF, BI, KH, CM, CA, CV, KY, CF, TD, CL, CN, CX, "
    "CC, CO, KM, CD, CG, CK, CR, CI, HR, CU, CY, CZ, DK, DJ, DM, DO, TP, EC, EG, SV, GQ, ER, EE, "
    "ET, FK, FO, FJ, FI, FR, GF, PF, TF, GA, GM, GE, DE, GH, GI, GR, GL, GD, GP, GU, GT, GN, GW, "
    "GY, HT, HM, VA, HN, HK, HU, IS, IN, ID, IR, IQ, IE, IM, IL, IT, JM, JP, JE, JO, KZ, KE, KI, "
    "KP, KR, KW, KG, LA, LV, LB, LS, LR, LY, LI, LT, LU, MO, MK, MG, MW, MY, MV, ML, MT, MH, MQ, "
    "MR, MU, YT, MX, FM, MD, MC, MN, MS, MA, MZ, MM, NA, NR, NP, NL, AN, NC, NZ, NI, NE, NG, NU, "
    "NF, MP, NO, OM, PK, PW, PA, PG, PY, PE, PH, PN, PL, PT, PR, QA, RE, RO, RU, RW, KN, LC, VC, "
    "WS, SM, ST, SA, SN, SC, SL, SG, SK, SI, SB, SO, ZA, GS, ES, LK, SH, PM, SD, SR, SJ, SZ, SE, "
    "CH, SY, TW, TJ, TZ, TH, TG, TK, TO, TT, TN, TR, TM, TC, TV, UG, UA, AE, UK, US, UM, UY, UZ, "
    "VU, VA, VE, VN, VG, VI, WF, EH, YE, YU, ZR, ZM, ZW";

bool FoldedLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

TEST(CountrySuffixesTest, CodesComeInTheFixedOrder) {
    std::string codes;
    for (const CountrySuffix& entry : CountrySuffixes()) {
        if (!codes.empty()) codes += ", ";
        codes += entry.code;
    }
    EXPECT_EQ(codes, kExpectedCodes);
}

TEST(CountrySuffixesTest, NamesAreInAlphabeticalOrderIgnoringCase) {
    const auto& entries = CountrySuffixes();
    const auto firstOutOfOrder = std::is_sorted_until(
        entries.begin(), entries.end(),
        [](const CountrySuffix& a, const CountrySuffix& b) { return FoldedLess(a.name, b.name); });
    EXPECT_EQ(firstOutOfOrder, entries.end())
        << "out of order: " << (firstOutOfOrder == entries.end() ? "" : firstOutOfOrder->name);
    for (const CountrySuffix& entry : entries) {
        EXPECT_FALSE(entry.name.empty()) << entry.code;
        EXPECT_TRUE(std::all_of(entry.name.begin(), entry.name.end(),
                                [](char c) { return c >= ' ' && c <= '~'; }))
            << entry.code << " " << entry.name;
    }
}

struct FixedEntry {
    std::string_view code;
    std::string_view name;
    std::string_view previousName;  // empty: any
};

TEST(CountrySuffixesTest, FixedEntriesKeepTheirNamesAndPlaces) {
    const FixedEntry fixed[] = {
        {"UK", "United Kingdom", ""},
        {"AC", "Ascension Island", "Aruba"},
        {"TP", "East Timor", ""},
        {"AN", "Netherlands Antilles", ""},
        {"YU", "Yugoslavia", ""},
        {"ZR", "Zaire", ""},
        {"VA", "Holy See (Vatican City State)", "Heard and McDonald Islands"},
        {"VA", "Vatican City State (Holy See)", "Vanuatu"},
    };
    const auto& entries = CountrySuffixes();
    for (const FixedEntry& want : fixed) {
        SCOPED_TRACE(std::string(want.name));
        const auto found =
            std::find_if(entries.begin(), entries.end(),
                         [&](const CountrySuffix& e) { return e.name == want.name; });
        ASSERT_NE(found, entries.end());
        EXPECT_EQ(found->code, want.code);
        if (!want.previousName.empty()) {
            ASSERT_NE(found, entries.begin());
            EXPECT_EQ((found - 1)->name, want.previousName);
        }
    }
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [](const CountrySuffix& e) { return e.code == "VA"; }),
              2);
}

TEST(CountrySuffixesTest, ChoosingAnEntryGivesItsLineAndDottedSuffix) {
    const auto& entries = CountrySuffixes();
    const auto solomon = std::find_if(entries.begin(), entries.end(), [](const CountrySuffix& e) {
        return e.name == "Solomon Islands";
    });
    ASSERT_NE(solomon, entries.end());
    EXPECT_EQ(CountrySuffixText(*solomon), ".SB");
    EXPECT_EQ(CountryListLine(*solomon), "SB\tSolomon Islands");
}

}  // namespace
}  // namespace kelvane

#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kelvane {

struct CountrySuffix {
    std::string_view code;
    std::string_view name;
};

// The Internet country-code suffixes offered for blocking a country, in alphabetical order of the
// English country names. A code may appear under more than one name (VA) so that either name can
// be found in the list.
const std::array<CountrySuffix, 243>& CountrySuffixes();

// The list's line for an entry: code, TAB, name.
std::string CountryListLine(const CountrySuffix& entry);

// What choosing an entry yields: a dot followed by the code (".AF").
std::string CountrySuffixText(const CountrySuffix& entry);

}  // namespace kelvane

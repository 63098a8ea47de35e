#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kelvane::testsupport {

// A readable case name ("no-blank-after-colon") made acceptable to GoogleTest, which allows
// only letters, digits and underscores in parameterised test names.
inline std::string CaseName(std::string_view name) {
    std::string result(name);
    for (char& c : result) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!plain) c = '_';
    }
    return result;
}

// Names each case of INSTANTIATE_TEST_SUITE_P after the `name` member of its parameter.
struct ParamName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return CaseName(info.param.name);
    }
};

}  // namespace kelvane::testsupport

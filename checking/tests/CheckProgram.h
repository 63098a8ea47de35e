#pragma once

#include <string>
#include <vector>

namespace kelvane::checktest {

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not end in time and was killed
    std::string out;
    std::string err;
};

// Runs kelvane-check with `arguments`, `input` on standard input and the settings and program
// folders in `folder`; waits at most `seconds`, then kills it by its pid.
ProgramResult RunCheckProgram(const std::vector<std::string>& arguments, const std::string& folder,
                              const std::string& input = "", int seconds = 20);

}  // namespace kelvane::checktest

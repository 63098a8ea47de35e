#include "MailProgramLaunch.h"

namespace kelvane {

bool IsBlankMailProgram(std::string_view path) {
    return path.find_first_not_of(" \r\n\b") == std::string_view::npos;
}

std::vector<std::string> MailProgramParameters(std::string_view path) {
    if (path.find("netscape") != std::string_view::npos) return {"-mail"};
    return {};
}

}  // namespace kelvane

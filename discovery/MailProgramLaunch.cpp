#include "MailProgramLaunch.h"

#include <sys/stat.h>

#include "DesktopEntries.h"

namespace kelvane {
namespace {

bool IsExistingFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace

bool IsBlankMailProgram(std::string_view path) {
    return path.find_first_not_of(" \r\n\b") == std::string_view::npos;
}

std::vector<std::string> MailProgramParameters(std::string_view path) {
    if (path.find("netscape") != std::string_view::npos) return {"-mail"};
    return {};
}

std::vector<std::string> MailProgramCommand(const std::string& setting) {
    if (IsBlankMailProgram(setting)) return {};
    std::vector<std::string> argv =
        IsExistingFile(setting) ? std::vector<std::string>{setting} : CommandWords(setting);
    if (argv.empty() || argv[0].empty()) return {};
    // The program an env prefix starts is the mail program; env hands it the parameters.
    const std::size_t program = ProgramWord(argv);
    if (program >= argv.size()) return argv;
    for (std::string& parameter : MailProgramParameters(argv[program])) {
        argv.push_back(std::move(parameter));
    }
    return argv;
}

}  // namespace kelvane

#include "ShippedDefaults.h"

#include <filesystem>
#include <system_error>

#include "AtomicFile.h"
#include "ProgramPaths.h"
#include "ShippedFiles.h"

namespace kelvane {
namespace {

void CopyIfMissing(const std::string& folder, std::string_view name, std::string_view bytes,
                   mode_t mode, std::vector<std::string>& problems) {
    const std::string path = paths::JoinPath(folder, std::string(name));
    std::error_code error;
    if (std::filesystem::exists(path, error) || error) return;
    try {
        WriteFileAtomicallyWithMode(path, bytes, mode);
    } catch (const FileError& failure) {
        problems.push_back(failure.what());
    }
}

}  // namespace

std::vector<std::string> CopyShippedDefaults(const std::string& programFolder) {
    std::vector<std::string> problems;
    for (const ShippedFile& file : ShippedFileTable()) {
        CopyIfMissing(programFolder, file.name, file.bytes, 0644, problems);
    }
    CopyIfMissing(programFolder, paths::kKnownSpammersFile, "", kPrivateFileMode, problems);
    return problems;
}

}  // namespace kelvane

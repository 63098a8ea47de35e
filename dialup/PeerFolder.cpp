#include "PeerFolder.h"

#include <algorithm>
#include <filesystem>

#include "PeerCommands.h"

namespace kelvane {

std::vector<std::string> PeerNames(const std::string& folder, int& error) {
    std::vector<std::string> names;
    std::error_code code;
    std::filesystem::directory_iterator entry(folder, code);
    for (; !code && entry != std::filesystem::directory_iterator(); entry.increment(code)) {
        std::string name = entry->path().filename().string();
        std::error_code ignored;
        if (SafePeerName(name) && entry->is_regular_file(ignored)) names.push_back(std::move(name));
    }
    error = code.value();
    if (code) names.clear();
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kelvane

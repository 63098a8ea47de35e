#include "KnownListText.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "AtomicFile.h"
#include "DisplayText.h"

namespace kelvane {
namespace {

// Calls `take` with each line of `text` split at LF, without its line end (a CR before the LF
// too), and whether a line break ended it: a final break ends the last line, it starts no other.
template <typename Take>
void ForEachLine(std::string_view text, Take take) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        take(line, end != std::string_view::npos);
    }
}

}  // namespace

KnownListText::KnownListText(std::string_view fileBytes) {
    ForEachLine(fileBytes, [this](std::string_view line, bool ended) {
        std::string shown = SafeDisplayText(line);
        if (shown != line) changedByShowing_[shown].emplace_back(line);
        shown_ += shown;
        if (ended) shown_ += '\n';
    });
}

std::string KnownListText::FileText(std::string_view edited) const {
    std::map<std::string_view, std::size_t, std::less<>> taken;
    const auto fileLine = [&](std::string_view line) -> std::string_view {
        const auto original = changedByShowing_.find(line);
        if (original == changedByShowing_.end()) return line;
        std::size_t& next = taken[original->first];
        return next < original->second.size() ? original->second[next++] : line;
    };
    std::string text;
    ForEachLine(edited, [&](std::string_view line, bool ended) {
        text += fileLine(line);
        if (ended) text += '\n';
    });
    return text;
}

std::string KnownListFileBytes(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const std::string& entry : entries) bytes += entry + "\r\n";
    return bytes;
}

void WriteKnownListFile(const std::string& path, const std::vector<std::string>& entries) {
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
        const std::string reason = std::strerror(errno);
        throw FileError(path, "Could not write " + path + ": " + reason, reason);
    }
    WriteFileAtomicallyWithMode(path, KnownListFileBytes(entries), kPrivateFileMode);
}

}  // namespace kelvane

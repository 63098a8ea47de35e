#include "KnownSpammers.h"

#include <algorithm>

#include "AtomicFile.h"
#include "DomainCheck.h"

namespace kelvane {
namespace {

unsigned char FoldedByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

bool IsBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

int CompareKnownText(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char x = FoldedByte(a[i]);
        const unsigned char y = FoldedByte(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::vector<std::string> KnownListFromEditor(std::string_view text) {
    std::vector<std::string> entries;
    std::string_view previous;
    bool first = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const bool repeated = !first && CompareKnownText(line, previous) == 0;
        first = false;
        previous = line;
        const std::size_t at = line.find('@');
        const bool numbered =
            at != std::string_view::npos &&
            line.substr(0, at).find_first_not_of("0123456789_") == std::string_view::npos;
        if (!line.empty() && !repeated && !numbered) entries.emplace_back(line);
    }
    return entries;
}

void KnownSpammers::LoadUpKnownList(const std::string& path) {
    entries_.clear();
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (bytes) LoadFromText(*bytes);
}

void KnownSpammers::LoadFromText(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!IsBlankLine(line)) lines.emplace_back(line);
        start = end + 1;
    }
    Assign(std::move(lines));
}

void KnownSpammers::Assign(std::vector<std::string> entries) {
    entries_ = std::move(entries);
    std::sort(entries_.begin(), entries_.end(), [](const std::string& a, const std::string& b) {
        return CompareKnownText(a, b) < 0;
    });
}

bool KnownSpammers::Contains(std::string_view text) const {
    // Cutting entries keeps their order, so the search stays valid over the sorted list.
    size_t low = 0;
    size_t high = entries_.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        const std::string_view entry =
            std::string_view(entries_[middle]).substr(0, kKnownEntryCompareLength);
        const int order = CompareKnownText(text, entry);
        if (order == 0) return true;
        if (order < 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    return false;
}

std::optional<KnownListMatch> KnownSpammers::isInKnownList(std::string_view address) const {
    if (Contains(address))
        return KnownListMatch{std::string(kKnownKindAddress), std::string(address)};
    if (address.find('@') == std::string_view::npos) return std::nullopt;
    std::string domain = DomainPart(address);
    if (!Contains(domain)) return std::nullopt;
    return KnownListMatch{std::string(kKnownKindDomain), std::move(domain)};
}

}  // namespace kelvane

// Feeds arbitrary bytes as a known-spammer file, then checks that the list came out sorted by
// its one comparison and that every entry is found again, by its first 80 characters.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "KnownSpammers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    kelvane::KnownSpammers list;
    list.LoadFromText(text);
    const auto& entries = list.entries();
    for (size_t i = 1; i < entries.size(); ++i) {
        if (kelvane::CompareKnownText(entries[i - 1], entries[i]) > 0) std::abort();
    }
    for (const std::string& entry : entries) {
        if (entry.empty() || entry.find('\n') != std::string::npos) std::abort();
        if (!list.Contains(std::string_view(entry).substr(0, kelvane::kKnownEntryCompareLength)))
            std::abort();
        const auto match = list.isInKnownList(entry);
        if (entry.size() <= kelvane::kKnownEntryCompareLength && !match) std::abort();
    }
    // Searching for any line of the input must not go wrong either.
    list.isInKnownList(text.substr(0, text.find('\n')));
    return 0;
}

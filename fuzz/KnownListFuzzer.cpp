// Feeds arbitrary bytes as a known-spammer file, then checks that the list came out sorted by
// its one comparison and that every entry is found again, by its first 80 characters; and
// as the editor's text, which must be safe to show and go back to the file without a fault.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "KnownListText.h"
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

    const kelvane::KnownListText editor(text);
    for (char c : editor.shown()) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f) std::abort();
    }
    (void)editor.FileText(editor.shown());
    (void)editor.FileText(editor.shown() + "typed@example.org\n");
    return 0;
}

// Feeds arbitrary bytes to the settings file reader; whatever it reads must write out and read
// back to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "IniFile.h"

using kelvane::IniDocument;
using kelvane::IniEscapes;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (IniEscapes escapes : {IniEscapes::Backslash, IniEscapes::None}) {
        const IniDocument document = IniDocument::Parse(text, escapes);
        for (const auto& section : document.Sections()) {
            for (const auto& entry : section.entries) {
                (void)kelvane::ParseIniInteger(entry.value);
            }
        }
        const std::string written = document.Serialize();
        const IniDocument again = IniDocument::Parse(written, escapes);
        if (!again.MalformedLines().empty() || again.Serialize() != written) std::abort();
    }
    return 0;
}

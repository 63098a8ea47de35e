// Feeds arbitrary bytes to the rule file reader, then checks that whatever was read writes out
// and reads back to the same table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "RuleFile.h"

using kelvane::RuleTable;
using kelvane::RuleTableKind;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (RuleTableKind kind : {RuleTableKind::Subject, RuleTableKind::Exceptions}) {
        RuleTable table(kind);
        if (!kelvane::ReadRuleFileText(text, table)) continue;
        const std::string written = kelvane::WriteRuleFileText(table);
        RuleTable again(kind);
        if (!kelvane::ReadRuleFileText(written, again)) std::abort();
        if (kelvane::WriteRuleFileText(again) != written) std::abort();
    }
    return 0;
}

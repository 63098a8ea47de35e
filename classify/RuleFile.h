#pragma once

#include <string>
#include <string_view>

#include "RuleTable.h"

namespace kelvane {

// Largest table a rule file may declare; anything bigger is treated as a corrupt file rather
// than allowed to exhaust memory.
inline constexpr int kMaxRuleFileColumns = 64;
inline constexpr int kMaxRuleFileRows = 200000;

// Reads rule-file text into `table`. The first line ("columns,rows") resizes the table; when it
// is empty the table keeps its size. Cells the file does not name are empty afterwards. Width lines
// ("cw column,width") and cell lines
// ("column,row,text", TAB standing for CR and BS for LF) follow; lines that name a place outside
// the table or do not read are skipped. Returns false, leaving the table unchanged, when the
// file declares no columns, no rows, or an impossible size.
bool ReadRuleFileText(std::string_view text, RuleTable& table);

// The rule-file text of `table`: CR LF line ends, empty cells left out.
std::string WriteRuleFileText(const RuleTable& table);

}  // namespace kelvane

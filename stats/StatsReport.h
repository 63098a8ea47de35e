#pragma once

#include <ostream>

#include "LogAnalysis.h"

namespace kelvane {

// The whole log's figures as lines of "name<TAB>value" for scripts: checks, found, deleted,
// the share deleted, the skipped lines, then the top ten domains and senders, each line
// "top domain<TAB>rank<TAB>count<TAB>domain". Outside text is made safe for a terminal.
void WriteStatsReport(std::ostream& out, const LogTables& tables);

}  // namespace kelvane

#pragma once

#include "RuleTable.h"

namespace kelvane {

// A rule table that another program (or a hand edit) changed on disk while this program held it
// in memory. `onDisk` is the file as it reads now, `loaded` the table as this program last read
// or wrote it, `current` the table in memory. The result is `onDisk` with this program's changes
// since `loaded` put in:
// - the hits `current` gained are added to the same rule's row; a rule is every cell but the hit
//   count, and equal rules pair up in row order. A rule no longer on disk takes its hits with it;
// - rows `current` gained are kept: those above every older row at the top (where a message's
//   rules are inserted), the others at the end (where imports and exceptions are appended).
// A row `current` changed in any other cell counts as a new row; the spam settings window saves
// its edits as they stand instead. The column widths are `current`'s.
RuleTable MergeRuleTable(const RuleTable& onDisk, const RuleTable& loaded,
                         const RuleTable& current);

// The user's edited table, `current`, with the hits another program counted on disk since
// `loaded` added to the same rules (paired in row order as above): the edits win for the rules,
// and no hit counted meanwhile is lost.
RuleTable AddHitsCountedElsewhere(const RuleTable& onDisk, const RuleTable& loaded,
                                  const RuleTable& current);

}  // namespace kelvane

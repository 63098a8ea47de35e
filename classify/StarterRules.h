#pragma once

#include <string>
#include <vector>

#include "RuleTable.h"

namespace kelvane {

class SpamSettings;

// The subject rules a new user starts with: well-known junk phrases. They earn a question mark,
// never deletion, so that a first check shows how marks work without costing any mail.
std::vector<RuleRow> StarterSubjectRules();

// When the program folder holds none of the four rule files (a first start), puts the starter
// rules into the subject table and saves every table. False, touching nothing, when any rule
// file exists; the save's problems go to `problems`.
bool WriteStarterRules(SpamSettings& spam, std::vector<std::string>& problems);

}  // namespace kelvane

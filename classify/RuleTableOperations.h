#pragma once

#include <string_view>

#include "RuleTable.h"

namespace kelvane {

// Without leading and trailing blanks and control characters.
std::string_view TrimmedField(std::string_view text);
// A hit cell's count; a cell that is not a number counts as 0.
long long HitCountOf(std::string_view text);

// Rows that the program itself makes, in their stored form.
RuleRow SubjectKeywordRule(std::string_view keyword);    // keyword import: whole word, deletes
RuleRow ExceptionAddressRule(std::string_view address);  // address import, sender to exceptions
RuleRow SpamSubjectRule(std::string_view subject);       // a message's subject, exact, deletes
RuleRow SpamSenderRule(std::string_view address);        // a message's sender, exact, deletes
RuleRow OwnAddressRule(std::string_view userName);       // mail not addressed to mailbox 1

// Fills the placeholder row of an empty table, else adds the row at the end.
void AppendRule(RuleTable& table, const RuleRow& rule);
// Puts the row directly below the headings, so that it becomes rule row 1.
void InsertRuleAtTop(RuleTable& table, const RuleRow& rule);

// One line of a keyword or address import: skipped when it holds nothing but blanks, CR, LF and
// BS; otherwise trimmed of blanks and control characters and appended as made by `makeRule`.
// Returns whether a row was added.
bool ImportRuleLine(RuleTable& table, std::string_view line,
                    RuleRow (*makeRule)(std::string_view text));

// Whether a rule row tests what `rule` tests, the same way: hits and pictures aside.
bool HoldsRule(const RuleTable& table, const RuleRow& rule);

// Removes every rule row that equals the row directly above it in all visible columns.
void DeleteDupsFromGrid(RuleTable& table);

// Sets whether a subject, header or sender rule deletes (check mark) or only marks as suspect
// (question mark); the row's picture follows. Row 0 and rows outside the table are left alone.
void CheckGridAdv(RuleTable& table, int row, bool deletes);

// Counts one hit for a rule that matched a message. A hit cell that is not a number counts as 0.
// An explanation never counts hits.
void BumpUpGrid(RuleTable& table, int row, bool explaining);

// The rule's hit count; a cell that is not a number counts as 0.
long long RuleHits(const RuleTable& table, int row);
// Adds `hits` to the rule's count, stopping at the largest count; nothing unless `hits` > 0.
void AddHits(RuleTable& table, int row, long long hits);

}  // namespace kelvane

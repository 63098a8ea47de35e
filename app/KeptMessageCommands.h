#pragma once

#include <iosfwd>
#include <string>

namespace kelvane {

class Quarantine;

// kelvane-check's commands on the deleted messages the quarantine keeps. Each writes its
// "error:" or "warning:" lines to `err` and returns whether it succeeded.

// One line per kept message, newest first: id, time of deletion, mailbox, subject and sender,
// TAB-separated, the message's texts made safe like the listing's. The time is ISO 8601 in UTC
// ("2026-12-11T10:55:00Z"), the same in every time zone, so that scripts can compare and sort it.
bool PrintKeptMessages(const Quarantine& quarantine, std::ostream& out, std::ostream& err);
// Writes kept message `id` to `path`, a new file; says so when only its start was kept.
bool RestoreKeptMessage(const Quarantine& quarantine, const std::string& id,
                        const std::string& path, std::ostream& err);
bool ForgetKeptMessage(Quarantine& quarantine, const std::string& id, std::ostream& err);

}  // namespace kelvane

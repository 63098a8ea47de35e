#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "KeptMessage.h"

namespace kelvane {

class RuleTable;

// What the Deleted junk window shows of a kept message and does with it, without a window.

// The lines of "Why was this e-mail marked?" kept with the message, or the line that says there
// were none.
std::vector<std::string> KeptReasonLines(const KeptMessage& kept);

// The raw lines of the message's header block, as the list's header view shows them.
std::vector<std::string> KeptHeaderLines(std::string_view message);

// The decoded body text, or the lines that say why there is none: whatever the bytes hold, the
// reader gets text.
std::vector<std::string> KeptBodyLines(std::string message);

// The name a restored message is offered under: its subject made fit for a file name, else its
// id, with ".eml".
std::string RestoreFileName(const KeptMessage& kept);

// What the user is told after restoring a message that was kept only in part.
std::string PartlyKeptText(const KeptMessage& kept);

// What opens `file` in the mail program setting `program`; empty when no program is set.
std::vector<std::string> MailProgramOpening(const std::string& program, const std::string& file);

enum class SenderException { Added, AlreadyListed, NoSender };
// One exception rule for `sender` ("E-mail address", "Equals"), as the list's "add to
// exceptions" makes it, unless the table holds it already.
SenderException AddSenderException(RuleTable& exceptions, std::string_view sender);

}  // namespace kelvane

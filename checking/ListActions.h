#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "MessageEntry.h"

namespace kelvane {

class RuleTable;
class SpamClassifier;
class TmsRemoteInfo;

// What the list's commands do to the rows and the rule tables, without a window. `selected`
// always holds row indexes in list order, first row first.

inline constexpr const char* kNothingSelected =
    "No messages were selected.  To select one message click on a subject.  To select multiple "
    "messages drag the mouse over the list of desired subjects.";
inline constexpr const char* kNothingListed =
    "Either there are no e-mail messages waiting on the mail server or you have not yet clicked "
    "on the \"Check E-Mail\" button.";
inline constexpr const char* kOnlyFirstViewed =
    "You have selected more than one message to view.  Only one message can be viewed at one "
    "time.  The first one selected will be displayed.";
inline constexpr const char* kNoReasonLine =
    "Message was neither on the exception list nor on the list of matching criteria";
inline constexpr const char* kYouMarked = "** You marked this message **";
inline constexpr const char* kYouUnmarked = "** You un-marked this message **";
// The lines in front of the reasons in WhyLines.
inline constexpr std::size_t kWhyHeadingLines = 3;
// Bodies up to this size are downloaded without a question.
inline constexpr long long kLargestUnaskedBody = 50000;
// The mark-for-deletion dialog has room for this many messages.
inline constexpr int kMarkDialogRows = 249;

// The message for a command that needs a selection when there is none.
const char* NadaSelectedText(bool listHasRows);

// Each selected row flips on its own: a row marked for deletion loses its mark, any other gets
// the check mark.
void ToggleMarks(std::vector<MessageEntry>& rows, const std::vector<int>& selected);
void ResetMarks(std::vector<MessageEntry>& rows);

// Why row `index` has its mark: the heading lines, the reason lines of an explaining pass (no
// hits counted), or the no-reason line, then whether the user changed the mark by hand. The row
// keeps its mark.
std::vector<std::string> WhyLines(SpamClassifier& classifier, const std::vector<MessageEntry>& rows,
                                  int index);

// The raw header blocks of the selected rows, each under a heading of its subject and sender.
std::vector<std::string> HeaderLines(const std::vector<MessageEntry>& rows,
                                     const TmsRemoteInfo& info, const std::vector<int>& selected);

// Whether viewing a body of `sizeText` bytes asks first, and what.
bool BodyNeedsQuestion(std::string_view sizeText);
std::string LargeBodyQuestion(std::string_view sizeText);
// The file a row's message is downloaded to for viewing, in `folder` (with its final "/").
std::string ViewedMessageFile(const std::string& folder, int index);

// The decoded body text of a downloaded message file, or the lines that say why there is none:
// whatever the file holds, the reader gets text.
std::vector<std::string> MessageBodyLines(const std::string& file);
// The same for a message's bytes.
std::vector<std::string> MessageBodyLinesOf(std::string message);

// One exception rule per selected sender, appended ("E-mail address", "Equals", case
// insensitive). A rule the table already holds is not added twice. Returns how many were added.
int AddSendersToExceptions(RuleTable& exceptions, const std::vector<MessageEntry>& rows,
                           const std::vector<int>& selected);

// A message offered in the mark-for-deletion dialog.
struct SpamCandidate {
    std::string subject;
    std::string sender;
};
// The first kMarkDialogRows selected messages.
std::vector<SpamCandidate> SpamCandidates(const std::vector<MessageEntry>& rows,
                                          const std::vector<int>& selected);
// Rules that delete, inserted at the top one message after the other, so that the rules of later
// messages end above those of earlier ones. A message without a subject gives none (the dialog
// finds its rows by their subjects); a rule the table already holds is not added twice.
void AddSpamRules(RuleTable& subjects, RuleTable& senders,
                  const std::vector<SpamCandidate>& candidates, bool bySubject, bool bySender);

}  // namespace kelvane

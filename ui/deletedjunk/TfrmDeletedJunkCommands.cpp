// The Deleted junk window's commands: a message restored to a file (and opened in the mail
// program), its sender made an exception, or the message removed for good.
#include <QPushButton>

#include "DeletedJunkActions.h"
#include "DeletedJunkModel.h"
#include "DisplayText.h"
#include "GeneralErrorHandler.h"
#include "MailProgramLaunch.h"
#include "MessageBoxes.h"
#include "Quarantine.h"
#include "ShownText.h"
#include "SpamSettings.h"
#include "TfrmDeletedJunk.h"

namespace kelvane {
namespace {

constexpr const char* kNoneSelected =
    "No deleted message is selected. Click on a subject to select one.";

}  // namespace

std::optional<KeptMessage> TfrmDeletedJunk::selectionOrSay() {
    std::optional<KeptMessage> kept = selectedMessage();
    if (!kept) boxes_.Information(kNoneSelected);
    return kept;
}

// Byte for byte into a new file; the quarantine never replaces one.
void TfrmDeletedJunk::restoreClicked() {
    const std::optional<KeptMessage> kept = selectionOrSay();
    if (!kept) return;
    const std::optional<std::string> file = services_.chooseRestoreFile(RestoreFileName(*kept));
    if (!file || file->empty()) return;
    if (!RunGuarded(boxes_, [&] { quarantine_.Restore(kept->id, *file); })) return;
    showStatus(tr("Restored to %1").arg(ShownText(*file)));
    if (!kept->whole) boxes_.Information(PartlyKeptText(*kept));
    openInMailProgram(*file);
}

void TfrmDeletedJunk::openInMailProgram(const std::string& file) {
    const std::string program = services_.mailProgram();
    if (IsBlankMailProgram(program)) return;
    const std::vector<std::string> command = MailProgramOpening(program, file);
    if (!command.empty() && services_.startProgram(command)) return;
    std::string text = kUnableToLaunchMailProgram;
    text += "The message was restored to ";
    text += SafeDisplayText(file);
    text += '.';
    boxes_.Error(text);
}

// Saved at once, as the list's "add to exceptions" saves; the next check marks afresh.
void TfrmDeletedJunk::neverMarkSenderClicked() {
    const std::optional<KeptMessage> kept = selectionOrSay();
    if (!kept) return;
    switch (AddSenderException(spam_.exceptions(), kept->sender)) {
        case SenderException::NoSender:
            boxes_.Information("This message has no sender to add to the exceptions list.");
            return;
        case SenderException::AlreadyListed:
            boxes_.Information(SafeDisplayText(kept->sender) +
                               " is on the exceptions list already.");
            return;
        case SenderException::Added:
            break;
    }
    const std::vector<std::string> problems = spam_.Savesettings();
    for (const std::string& problem : problems) boxes_.Error(problem);
    if (problems.empty())
        showStatus(tr("%1 was added to the exceptions list").arg(ShownText(kept->sender)));
}

void TfrmDeletedJunk::removeNowClicked() {
    const std::optional<KeptMessage> kept = selectionOrSay();
    if (!kept) return;
    if (!boxes_.Confirm("Remove the deleted message \"" + SafeDisplayText(kept->subject) +
                        "\" now? It cannot be restored afterwards.")) {
        return;
    }
    bool removed = false;
    const bool done = RunGuarded(boxes_, [&] { removed = quarantine_.Forget(kept->id); });
    reload();
    if (done) showStatus(removed ? tr("Removed") : tr("It had been removed already"));
}

}  // namespace kelvane

// The download of one listed message for the user to read.
#include <filesystem>

#include "AtomicFile.h"
#include "CheckFrontEnd.h"
#include "CheckRun.h"
#include "ListActions.h"
#include "MailErrors.h"
#include "TmsRemotePOP.h"

namespace kelvane {

namespace {

std::string MovedMessage(int index) {
    return "Message " + std::to_string(index + 1) +
           " is no longer the message listed: another program changed the mailbox since the "
           "check, so it was not downloaded. Check e-mail again to see the mailbox as it is now.";
}

}  // namespace

std::string CheckRun::RetrievedFile(int index) const {
    return ViewedMessageFile(client_.MessageDirectory(), index);
}

void CheckRun::SaveRetrievedMessage(int num, const std::string& contents) {
    // The user's own mail: nobody else on the machine reads it.
    WriteFileAtomicallyWithMode(RetrievedFile(num), contents, 0600, Durability::Unflushed);
}

RunOutcome CheckRun::Retrieve(int index) {
    if (onStack_ || index < 0 || index >= client_.Info().Count()) return RunOutcome::Stopped;
    RunScope scope(*this);
    std::error_code ignored;
    std::filesystem::remove(RetrievedFile(index), ignored);
    // This message alone: deletions selected by an earlier run that broke off must not be
    // carried out by a session that the user opened to read.
    client_.DeselectAll();
    client_.SelectForRetrieval(index);
    retrieving_ = true;
    retrievalSkipped_ = false;
    frontEnd_.SetBusy(true);
    frontEnd_.ShowProgressWindow(kRetrievingTitle);
    lastErrorLogged_ = false;
    std::string failure;
    try {
        SigningIn([this] { client_.ProcessMarked(); });
        if (cancelRequested_) throw ECanceledError(kOperationCanceled);
    } catch (const EMailError& error) {
        failure = error.what();
    } catch (const FileError& error) {
        failure = error.what();
    }
    client_.Deselect(index);
    retrieving_ = false;
    frontEnd_.HideProgressWindow();
    frontEnd_.SetBusy(false);
    if (failure.empty() && retrievalSkipped_) failure = MovedMessage(index);
    if (failure.empty()) return RunOutcome::Done;
    if (cancelRequested_) {
        Canceled();
    } else {
        frontEnd_.ShowStatus(failure);
        Failed(failure);
    }
    return RunOutcome::Failed;
}

}  // namespace kelvane

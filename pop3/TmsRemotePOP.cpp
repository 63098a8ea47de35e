#include "TmsRemotePOP.h"

#include "AtomicFile.h"
#include "MailErrors.h"

namespace kelvane {

void TmsRemotePOP::SetMessageDirectory(const std::string& directory) {
    messageDirectory_ = directory;
    if (!messageDirectory_.empty() && messageDirectory_.back() != '/') messageDirectory_ += '/';
}

void TmsRemotePOP::UpdateInfo() {
    QuitQuietly();
    Open();
    LoginSendingAhead([this] { return TotalsCommands(); });
    bool ended = false;
    try {
        Notify(OnUpdatingInfo);
        ended = FillInfo();
    } catch (...) {
        // Replies still owed to the commands sent with the login would answer the next ones.
        if (SentAhead()) Close();
        throw;
    }
    if (ended) {
        Close();
    } else if (!KeepConnected) {
        Disconnect();
    }
    Notify(OnInfoUpdated);
}

void TmsRemotePOP::SelectForDeletion(int num) {
    info_.Items(num).Flags |= TmsRemoteInfoItem::kMarkedForDeletion;
}

void TmsRemotePOP::SelectForRetrieval(int num) {
    info_.Items(num).Flags |= TmsRemoteInfoItem::kMarkedForRetrieval;
}

void TmsRemotePOP::Deselect(int num) {
    info_.Items(num).Flags = 0;
}

void TmsRemotePOP::DeselectAll() {
    for (int num = 0; num < info_.Count(); ++num) Deselect(num);
}

void TmsRemotePOP::SaveMessage(int num, const std::string& contents) {
    if (OnUserMessageSave) {
        OnUserMessageSave(*this, num, contents);
        return;
    }
    const std::string path = messageDirectory_ + "msg_" + std::to_string(num) + ".eml";
    // Whole or not at all, and the user's mail is nobody else's to read.
    try {
        WriteFileAtomicallyWithMode(path, contents, 0600, Durability::Unflushed);
    } catch (const FileError&) {
        throw EMailError("Cannot write the message file " + path);
    }
}

void TmsRemotePOP::Notify(const TmsNotifyEvent& event) {
    if (event) event(*this);
}

}  // namespace kelvane

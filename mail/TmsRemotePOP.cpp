#include "TmsRemotePOP.h"

#include <fstream>

#include "MailErrors.h"
#include "MailHeaders.h"

namespace kelvane {
namespace {

// The third blank-separated word of a UIDL reply ("+OK 2 QhdPYR:00WBw1Ph7x7"); empty when none.
std::string ThirdWord(std::string_view line) {
    std::size_t start = 0;
    for (int word = 0; word < 3; ++word) {
        start = line.find_first_not_of(' ', start);
        if (start == std::string_view::npos) return {};
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (word == 2) return std::string(line.substr(start, end - start));
        start = end;
    }
    return {};
}

}  // namespace

void TmsRemotePOP::SetMessageDirectory(const std::string& directory) {
    messageDirectory_ = directory;
    if (!messageDirectory_.empty() && messageDirectory_.back() != '/') messageDirectory_ += '/';
}

void TmsRemotePOP::UpdateInfo() {
    QuitQuietly();
    Connect();
    Notify(OnUpdatingInfo);
    FillInfo();
    if (!KeepConnected) Disconnect();
    Notify(OnInfoUpdated);
}

// An error from OnNextInfoUpdated leaves its item in the list; the caller may still show it.
void TmsRemotePOP::FillInfo() {
    info_.Clear();
    for (int num = 0; num < MessageCount(); ++num) {
        TmsRemoteInfoItem item;
        FetchInfo(num, item, false);
        info_.Add(std::move(item));
        Notify(OnNextInfoUpdated, num);
    }
}

void TmsRemotePOP::FetchInfo(int num, TmsRemoteInfoItem& item, bool withUidl) {
    const std::string number = std::to_string(num + 1);
    if (withUidl) {
        const ReplyLine reply = Command("UIDL " + number);
        if (reply.code == 1) item.UIDL = ThirdWord(reply.line);
    }
    item.Size = ListedSize(num, CommandOk("LIST " + number));
    CommandOk("TOP " + number + " 1");
    std::string block;
    ReceiveData(block, 0, kLongestHeaderBlock);
    TraceData(block.size());
    item.Headers = SplitHeaderLines(block);
    CutAtBody(item.Headers);
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

void TmsRemotePOP::ProcessMarked() {
    if (info_.Count() == 0) return;
    Connect();
    try {
        Notify(OnTransferringData);
        for (int num = 0; num < info_.Count(); ++num) ProcessMessage(num);
        Notify(OnDataTransfered);
    } catch (...) {
        // Without QUIT the server keeps every message, so a broken-off run deleted nothing,
        // as the caller's records say; a later QUIT on this session must not commit it.
        Close();
        throw;
    }
    Disconnect();
}

void TmsRemotePOP::ProcessMessage(int num) {
    const TmsRemoteInfoItem& item = info_.Items(num);
    const bool retrieve = item.MarkedForRetrieval();
    const bool remove = item.MarkedForDeletion();
    if (retrieve) {
        if (!StillListed(num)) return Notify(OnSkipped, num);
        RetrieveMessage(num);
    }
    if (remove) {
        if (!StillListed(num)) return Notify(OnSkipped, num);
        DeleteMessage(num);
    }
}

// The header block (and the size) identifies the message. A number that the server no longer knows
// ("-ERR" to LIST or TOP) belongs to a message that is gone, so it does not match either.
bool TmsRemotePOP::StillListed(int num) {
    TmsRemoteInfoItem current;
    try {
        FetchInfo(num, current, true);
    } catch (const EServerError&) {
        return false;
    }
    const TmsRemoteInfoItem& listed = info_.Items(num);
    return current.Headers == listed.Headers && current.Size == listed.Size;
}

void TmsRemotePOP::SaveMessage(int num, const std::string& contents) {
    if (OnUserMessageSave) {
        OnUserMessageSave(*this, num, contents);
        return;
    }
    const std::string path = messageDirectory_ + "msg_" + std::to_string(num) + ".eml";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    file.close();
    if (!file) throw EMailError("Cannot write the message file " + path);
}

void TmsRemotePOP::Notify(const TmsNotifyEvent& event) {
    if (event) event(*this);
}

}  // namespace kelvane

#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "TmsCustomPOP.h"
#include "TmsRemoteInfo.h"

namespace kelvane {

using TmsNotifyEvent = std::function<void(TagSocket& sender)>;
// `contents` is the downloaded message, the data block exactly as received.
using TmsUserMsgSaveEvent =
    std::function<void(TagSocket& sender, int num, const std::string& contents)>;

// Looks at a POP3 mailbox without downloading it: UpdateInfo lists every message's size and
// header block in Info; ProcessMarked then retrieves and deletes the messages marked there.
class TmsRemotePOP : public TmsCustomPOP {
  public:
    // UpdateInfo leaves the connection open, so that ProcessMarked can work on the listing it
    // produced without logging in again.
    bool KeepConnected = false;
    // The most of a header block that is kept; the rest is read and dropped.
    static constexpr std::size_t kLongestHeaderBlock = 1 << 20;

    TmsNotifyEvent OnUpdatingInfo;
    TmsNotifyEvent OnInfoUpdated;
    TmsNotifyEvent OnTransferringData;
    TmsNotifyEvent OnDataTransfered;
    // Right after the item at `num` was added to Info, complete with Size and Headers.
    TmsNumNotifyEvent OnNextInfoUpdated;
    // The message at `num` no longer matches its listing (another client changed the mailbox),
    // so it was neither retrieved nor deleted.
    TmsNumNotifyEvent OnSkipped;
    TmsUserMsgSaveEvent OnUserMessageSave;

    const std::string& MessageDirectory() const { return messageDirectory_; }
    // A non-empty folder gets a trailing "/".
    void SetMessageDirectory(const std::string& directory);

    TmsRemoteInfo& Info() { return info_; }
    const TmsRemoteInfo& Info() const { return info_; }

    // Refills Info from a fresh session, since a POP3 session shows the maildrop as it was at
    // login: a session still open is ended first. Disconnects unless KeepConnected.
    void UpdateInfo();
    void SelectForDeletion(int num);
    void SelectForRetrieval(int num);
    void Deselect(int num);
    // Retrieves, then deletes, the marked messages in index order, and disconnects. The marks
    // stay set. A message whose header block changed since the listing is skipped. A run that
    // fails part-way closes the connection without QUIT, so that the server deletes nothing.
    void ProcessMarked();
    // To OnUserMessageSave when assigned; otherwise to MessageDirectory + "msg_<num>.eml".
    void SaveMessage(int num, const std::string& contents) override;

  private:
    void FillInfo();
    // LIST and TOP n 1 (and UIDL first when `withUidl`) for message num + 1.
    void FetchInfo(int num, TmsRemoteInfoItem& item, bool withUidl);
    // Fetches the message's information again and compares its headers with the listing.
    bool StillListed(int num);
    void ProcessMessage(int num);
    void Notify(const TmsNotifyEvent& event);
    using TmsCustomPOP::Notify;

    std::string messageDirectory_;
    TmsRemoteInfo info_;
};

}  // namespace kelvane

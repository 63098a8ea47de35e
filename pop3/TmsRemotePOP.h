#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "DeletionKeeper.h"
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
    // When set, and the server offers UIDL: the file that keeps the header blocks of the
    // messages listed, by unique id, so that the next listing sends TOP only for new ones.
    std::string HeaderCacheFile;

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
    // When set, ProcessMarked retrieves every message marked for deletion and hands it here
    // first, and deletes only the messages it kept.
    DeletionKeeper* Keeper = nullptr;

    const std::string& MessageDirectory() const { return messageDirectory_; }
    // A non-empty folder gets a trailing "/".
    void SetMessageDirectory(const std::string& directory);

    TmsRemoteInfo& Info() { return info_; }
    const TmsRemoteInfo& Info() const { return info_; }

    // Refills Info from a fresh session, since a POP3 session shows the maildrop as it was at
    // login: a session still open is ended first. Disconnects unless KeepConnected. The sizes
    // come from one LIST and the header blocks from TOP commands sent ahead of their replies
    // where the server allows; OnNextInfoUpdated still fires for one message after the other.
    void UpdateInfo();
    void SelectForDeletion(int num);
    void SelectForRetrieval(int num);
    void Deselect(int num);
    // Clears the marks of every listed message, so that a run selects from nothing.
    void DeselectAll();
    // Looks at every marked message again, then retrieves and deletes those that still match
    // their listing (header block, size and unique id), in index order, and disconnects. The
    // marks stay set; a message that no longer matches is skipped. A run that fails part-way
    // closes the connection without QUIT, so that the server deletes nothing. With a Keeper the
    // retrievals all come before the deletions.
    void ProcessMarked();
    // The text that names this mailbox (user and server) in its header cache file.
    std::string CacheOwner() const;
    // To OnUserMessageSave when assigned; otherwise to MessageDirectory + "msg_<num>.eml".
    void SaveMessage(int num, const std::string& contents) override;

  private:
    class ListingRun;
    class FirstListingRun;
    class CheckingRun;
    class ProcessingRun;
    class KeepingRun;

    bool FillInfo();
    // Whether the listing asks UIDL, to use the kept blocks.
    bool IdsWanted();
    // LIST, and UIDL when IdsWanted(): the listing's first commands, also when sent ahead.
    std::vector<std::string> TotalsCommands();
    void ListTotals(std::vector<long long>& sizes, std::vector<std::string>& ids);
    // Reads and drops the replies to the totals sent ahead, of a mailbox with nothing to list.
    void SkipTotals();
    bool FillFirstInfo();
    // Adds the messages of `blocks` (by index), each with the size LIST n gives.
    void AddWithListedSizes(std::vector<TmsHeaders>& blocks);
    // The header block that follows a positive reply to TOP n 1, without its body line.
    TmsHeaders ReceiveHeaderBlock();
    // Adds the next message to Info and announces it.
    void AddListed(TmsRemoteInfoItem item);
    // Every message's size from the reply to LIST; empty when the server refused it.
    std::vector<long long> SizesListed(const ReplyLine& reply);
    // Every message's unique id from the reply to UIDL; empty when refused or not one usable id
    // for each message.
    std::vector<std::string> IdsListed(const ReplyLine& reply);
    // Reads the data block of a listing of `count` messages, keeping what such a listing needs
    // at most; false when the block was longer.
    bool ReceiveListing(std::string& block, std::size_t count);
    // Replaces the cache file with the blocks of this listing, unless it holds exactly them.
    void KeepHeaderBlocks(bool changed);
    // Whether each message (by index) still matches its listing.
    std::vector<bool> CheckMarked();
    // Retrieves the matching messages marked for deletion for the Keeper; those it kept, by index.
    std::vector<bool> KeepMarked(const std::vector<bool>& matches);
    void Notify(const TmsNotifyEvent& event);
    using TmsCustomPOP::Notify;

    std::string messageDirectory_;
    TmsRemoteInfo info_;
};

}  // namespace kelvane

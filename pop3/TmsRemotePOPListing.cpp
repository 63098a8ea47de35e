// The listing: every message's size and header block, from one LIST, pipelined TOP commands and
// the header blocks kept from earlier listings.
#include <unordered_set>

#include "AtomicFile.h"
#include "HeaderCache.h"
#include "PopListing.h"
#include "TmsRemotePOP.h"

namespace kelvane {
namespace {

// Room for one line of a LIST or UIDL block ("4711 1320", "4711 <70-character id>"), so that
// the block's limit grows with the message count and never with what the server adds.
constexpr std::size_t kListingLineRoom = 96;

constexpr const char* kSizesOutOfStep =
    "The server's list of message sizes does not match its message count";

}  // namespace

// Sends TOP for every message that is not kept (and LIST n first when the sizes are not
// known), and adds the messages to Info in order, kept ones without a command. With `quit`, the
// session's QUIT follows the last TOP, which saves a round trip when the commands pipeline.
class TmsRemotePOP::ListingRun : public PopCommandRun {
  public:
    ListingRun(TmsRemotePOP& pop, const std::vector<long long>& sizes,
               const std::vector<std::string>& ids, HeaderCache& cache, bool quit)
        : pop_(pop), count_(pop.MessageCount()), sizes_(sizes), ids_(ids), quit_(quit) {
        if (ids.empty()) return;
        kept_.resize(ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i) {
            HeaderCache::Entry* entry = cache.Find(ids[i]);
            if (entry != nullptr && entry->size == sizes[i]) kept_[i] = entry;
        }
    }

    bool NextCommand(std::string& command) override {
        while (sendNum_ < count_) {
            const std::string number = std::to_string(sendNum_ + 1);
            if (sizes_.empty() && !listSent_) {
                listSent_ = true;
                command = "LIST " + number;
                return true;
            }
            listSent_ = false;
            if (!Kept(sendNum_++)) {
                command = "TOP " + number + " 1";
                return true;
            }
        }
        if (!quit_ || quitSent_) return false;
        quitSent_ = true;
        command = "QUIT";
        return true;
    }

    void Answer(const ReplyLine& reply) override {
        AddKept();
        const int num = answerNum_;
        pop_.RequireSuccess(reply);
        if (num == count_) {
            quitAnswered_ = true;  // the reply to QUIT
            return;
        }
        if (sizes_.empty() && !listAnswered_) {
            listAnswered_ = true;
            item_.Size = pop_.ListedSize(num, reply.line);
            return;
        }
        item_.Headers = pop_.ReceiveHeaderBlock();
        if (!sizes_.empty()) item_.Size = sizes_[num];
        if (!ids_.empty()) item_.UIDL = ids_[num];
        listAnswered_ = false;
        fetched_ = true;
        Add(std::exchange(item_, {}));
    }

    // Adds the kept messages that come next, which no reply has to wait for.
    void AddKept() {
        while (answerNum_ < count_ && Kept(answerNum_)) {
            const int num = answerNum_;
            TmsRemoteInfoItem item;
            item.Size = sizes_[num];
            item.UIDL = ids_[num];
            item.Headers = std::move(kept_[num]->headers);
            Add(std::move(item));
        }
    }

    bool FetchedAny() const { return fetched_; }
    bool QuitAnswered() const { return quitAnswered_; }

  private:
    bool Kept(int num) const { return !kept_.empty() && kept_[num] != nullptr; }

    void Add(TmsRemoteInfoItem item) {
        pop_.info_.Add(std::move(item));
        pop_.Notify(pop_.OnNextInfoUpdated, answerNum_++);
    }

    TmsRemotePOP& pop_;
    const int count_;
    const std::vector<long long>& sizes_;  // empty: LIST n for each message
    const std::vector<std::string>& ids_;  // empty: nothing kept
    std::vector<HeaderCache::Entry*> kept_;
    int sendNum_ = 0;
    bool listSent_ = false;
    int answerNum_ = 0;
    bool listAnswered_ = false;
    TmsRemoteInfoItem item_;  // the message whose replies are being read
    bool fetched_ = false;
    const bool quit_;
    bool quitSent_ = false;
    bool quitAnswered_ = false;
};

// A first listing, nothing kept, when the server pipelines: LIST (and UIDL) and a TOP for every
// message go out together, so that the header blocks wait for no listing; QUIT follows once the
// sizes are in. A message is added once its block is in. A server that refuses LIST leaves the
// blocks with the run.
class TmsRemotePOP::FirstListingRun : public PopCommandRun {
  public:
    FirstListingRun(TmsRemotePOP& pop, bool quit)
        : pop_(pop), totals_(pop.TotalsCommands()), count_(pop.MessageCount()), quit_(quit) {}

    bool NextCommand(std::string& command) override {
        const std::size_t tops = totals_.size() + count_;
        if (sent_ < totals_.size()) {
            command = totals_[sent_++];
        } else if (sent_ < tops) {
            command = "TOP " + std::to_string(sent_++ - totals_.size() + 1) + " 1";
        } else if (sent_ == tops && quit_ && answered_ > 0 && !sizes_.empty()) {
            ++sent_;
            command = "QUIT";
        } else {
            return false;
        }
        return true;
    }

    void Answer(const ReplyLine& reply) override {
        const std::size_t step = answered_++;
        if (step == 0) {
            sizes_ = pop_.SizesListed(reply);
        } else if (step < totals_.size()) {
            ids_ = pop_.IdsListed(reply);
        } else if (step < totals_.size() + count_) {
            pop_.RequireSuccess(reply);
            Fetched(step - totals_.size(), pop_.ReceiveHeaderBlock());
        } else {
            pop_.RequireSuccess(reply);
            quitAnswered_ = true;
        }
    }

    bool HasSizes() const { return !sizes_.empty(); }
    bool HasIds() const { return !ids_.empty(); }
    bool QuitAnswered() const { return quitAnswered_; }
    std::vector<TmsHeaders>& Blocks() { return blocks_; }

  private:
    void Fetched(std::size_t num, TmsHeaders headers) {
        if (sizes_.empty()) {
            blocks_.push_back(std::move(headers));
            return;
        }
        TmsRemoteInfoItem item;
        item.Size = sizes_[num];
        if (!ids_.empty()) item.UIDL = ids_[num];
        item.Headers = std::move(headers);
        pop_.AddListed(std::move(item));
    }

    TmsRemotePOP& pop_;
    const std::vector<std::string> totals_;
    const std::size_t count_;
    const bool quit_;
    std::size_t sent_ = 0;
    std::size_t answered_ = 0;
    std::vector<long long> sizes_;
    std::vector<std::string> ids_;
    std::vector<TmsHeaders> blocks_;  // by index, while the sizes are not known
    bool quitAnswered_ = false;
};

// An error from OnNextInfoUpdated leaves its item in the list; the caller may still show it.
// True when the session has ended with QUIT.
bool TmsRemotePOP::FillInfo() {
    info_.Clear();
    if (MessageCount() <= 0) {
        SkipTotals();
        return false;
    }
    HeaderCache cache = IdsWanted() ? HeaderCache::Load(HeaderCacheFile, CacheOwner(),
                                                        static_cast<std::size_t>(MessageCount()))
                                    : HeaderCache();
    if (Capabilities().pipelining && cache.Count() == 0) return FillFirstInfo();
    std::vector<long long> sizes;
    std::vector<std::string> ids;
    ListTotals(sizes, ids);
    if (sizes.empty()) ids.clear();  // kept blocks are matched by size as well
    ListingRun run(*this, sizes, ids, cache, !KeepConnected && Capabilities().pipelining);
    run.AddKept();
    Exchange(run);
    run.AddKept();
    if (!ids.empty()) {
        KeepHeaderBlocks(run.FetchedAny() || cache.WasSetAside() ||
                         cache.Count() != static_cast<std::size_t>(info_.Count()));
    }
    return run.QuitAnswered();
}

bool TmsRemotePOP::FillFirstInfo() {
    FirstListingRun run(*this, !KeepConnected);
    Exchange(run);
    if (!run.HasSizes()) {
        AddWithListedSizes(run.Blocks());
        return false;
    }
    if (run.HasIds()) KeepHeaderBlocks(true);
    return run.QuitAnswered();
}

void TmsRemotePOP::AddWithListedSizes(std::vector<TmsHeaders>& blocks) {
    PopCommandList sizes;
    for (std::size_t num = 0; num < blocks.size(); ++num) {
        sizes.Add("LIST " + std::to_string(num + 1), [this, num, &blocks](const ReplyLine& reply) {
            RequireSuccess(reply);
            TmsRemoteInfoItem item;
            item.Size = ListedSize(static_cast<int>(num), reply.line);
            item.Headers = std::move(blocks[num]);
            AddListed(std::move(item));
        });
    }
    Exchange(sizes);
}

bool TmsRemotePOP::IdsWanted() {
    return Capabilities().uidl && !HeaderCacheFile.empty();
}

std::vector<std::string> TmsRemotePOP::TotalsCommands() {
    if (IdsWanted()) return {"LIST", "UIDL"};
    return {"LIST"};
}

// LIST, and UIDL when the blocks are kept, in one exchange.
void TmsRemotePOP::ListTotals(std::vector<long long>& sizes, std::vector<std::string>& ids) {
    PopCommandList totals;
    totals.Add("LIST", [&](const ReplyLine& reply) { sizes = SizesListed(reply); });
    if (IdsWanted()) {
        totals.Add("UIDL", [&](const ReplyLine& reply) { ids = IdsListed(reply); });
    }
    Exchange(totals);
}

void TmsRemotePOP::SkipTotals() {
    if (!SentAhead()) return;
    PopCommandList totals;
    for (const std::string& command : TotalsCommands()) {
        totals.Add(command, [this](const ReplyLine& reply) {
            std::string block;
            if (reply.code == 1) ReceiveListing(block, 0);
        });
    }
    Exchange(totals);
}

TmsHeaders TmsRemotePOP::ReceiveHeaderBlock() {
    std::string block;
    ReceiveData(block, 0, kLongestHeaderBlock);
    TraceData(block.size());
    TmsHeaders headers = SplitHeaderLines(block);
    CutAtBody(headers);
    return headers;
}

void TmsRemotePOP::AddListed(TmsRemoteInfoItem item) {
    info_.Add(std::move(item));
    Notify(OnNextInfoUpdated, info_.Count() - 1);
}

std::vector<long long> TmsRemotePOP::SizesListed(const ReplyLine& reply) {
    if (reply.code != 1) return {};
    const auto count = static_cast<std::size_t>(MessageCount());
    std::string block;
    // A block cut at the limit could end in a size cut short.
    if (!ReceiveListing(block, count)) ProtocolError(kSizesOutOfStep);
    std::vector<long long> sizes;
    for (const std::string_view line : poplisting::Lines(block)) {
        const int num = static_cast<int>(sizes.size());
        if (sizes.size() == count || poplisting::Word(line, 0) != std::to_string(num + 1)) {
            ProtocolError(kSizesOutOfStep);
        }
        sizes.push_back(SizeInListing(num, line, line));
    }
    if (sizes.size() != count) ProtocolError(kSizesOutOfStep);
    return sizes;
}

// A listing that does not give every message its own id in order is only a reason not to use
// the kept blocks: the check goes on without them.
std::vector<std::string> TmsRemotePOP::IdsListed(const ReplyLine& reply) {
    if (reply.code != 1) return {};
    const auto count = static_cast<std::size_t>(MessageCount());
    std::string block;
    if (!ReceiveListing(block, count)) return {};
    std::vector<std::string> ids;
    std::unordered_set<std::string_view> seen;
    for (const std::string_view line : poplisting::Lines(block)) {
        const std::string_view id = poplisting::Word(line, 1);
        if (ids.size() == count || poplisting::Word(line, 0) != std::to_string(ids.size() + 1) ||
            !poplisting::IsUniqueId(id) || !seen.insert(id).second) {
            return {};
        }
        ids.emplace_back(id);
    }
    if (ids.size() != count) return {};
    return ids;
}

bool TmsRemotePOP::ReceiveListing(std::string& block, std::size_t count) {
    const std::size_t room = (count + 1) * kListingLineRoom;
    ReceiveData(block, 0, room);
    TraceData(block.size());
    return block.size() < room;
}

// A cache that cannot be written only makes the next check slower. Blocks beyond what the cache
// keeps are fetched again at every check.
void TmsRemotePOP::KeepHeaderBlocks(bool changed) {
    if (!changed) return;
    HeaderCache kept;
    for (int num = 0; num < info_.Count(); ++num) {
        const TmsRemoteInfoItem& item = info_.Items(num);
        kept.Add(item.UIDL, item.Size, item.Headers);
    }
    try {
        kept.Save(HeaderCacheFile, CacheOwner());
    } catch (const FileError&) {
    }
}

std::string TmsRemotePOP::CacheOwner() const {
    return UserName + "\n" + Server;
}

}  // namespace kelvane

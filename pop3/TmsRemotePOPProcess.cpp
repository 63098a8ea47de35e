// Retrieval and deletion of the marked messages: every marked message is looked at again, then
// the ones that still match their listing are retrieved and deleted.
#include <algorithm>

#include "PopListing.h"
#include "TmsRemotePOP.h"

namespace kelvane {

// UIDL n, LIST n and TOP n 1 for each marked message, compared with its listing. A number the
// server no longer knows ("-ERR") belongs to a message that is gone, so it does not match.
class TmsRemotePOP::CheckingRun : public PopCommandRun {
  public:
    static constexpr const char* kCommands[] = {"UIDL ", "LIST ", "TOP "};

    CheckingRun(TmsRemotePOP& pop) : pop_(pop), matches_(pop.info_.Count(), false) {
        for (int num = 0; num < pop.info_.Count(); ++num) {
            if (pop.info_.Items(num).Flags != 0) marked_.push_back(num);
        }
    }

    bool NextCommand(std::string& command) override {
        if (sent_ == marked_.size() * 3) return false;
        const std::string number = std::to_string(marked_[sent_ / 3] + 1);
        command = kCommands[sent_ % 3] + number + (sent_ % 3 == 2 ? " 1" : "");
        ++sent_;
        return true;
    }

    void Answer(const ReplyLine& reply) override {
        const int num = marked_[answered_ / 3];
        const std::size_t step = answered_++ % 3;
        if (step == 0) {
            current_ = {};
            if (reply.code == 1) current_.UIDL = poplisting::Word(reply.line, 2);
        } else if (step == 1) {
            listed_ = reply.code == 1;
            if (listed_) current_.Size = pop_.ListedSize(num, reply.line);
        } else if (reply.code == 1) {
            std::string block;
            pop_.ReceiveData(block, 0, kLongestHeaderBlock);
            pop_.TraceData(block.size());
            current_.Headers = SplitHeaderLines(block);
            CutAtBody(current_.Headers);
            matches_[static_cast<std::size_t>(num)] = listed_ && Matches(pop_.info_.Items(num));
        }
    }

    std::vector<bool> Matches() { return std::move(matches_); }

  private:
    // Ids are compared only where both sides have one: the listing may have been made without.
    bool Matches(const TmsRemoteInfoItem& listed) const {
        const bool sameId =
            listed.UIDL.empty() || current_.UIDL.empty() || listed.UIDL == current_.UIDL;
        return sameId && current_.Headers == listed.Headers && current_.Size == listed.Size;
    }

    TmsRemotePOP& pop_;
    std::vector<int> marked_;
    std::vector<bool> matches_;
    std::size_t sent_ = 0;
    std::size_t answered_ = 0;
    TmsRemoteInfoItem current_;
    bool listed_ = false;
};

// RETR n and DELE n as marked, in index order, for the messages that still match; OnSkipped
// for the others, in the same order.
class TmsRemotePOP::ProcessingRun : public PopCommandRun {
  public:
    enum class Kind { Skip, Retrieve, Delete };
    struct Step {
        int num;
        Kind kind;
    };

    // `deletable`: by index, the messages that may be deleted; with a Keeper, those it kept,
    // whose skips it has reported already.
    ProcessingRun(TmsRemotePOP& pop, const std::vector<bool>& matches,
                  const std::vector<bool>& deletable)
        : pop_(pop) {
        for (int num = 0; num < pop.info_.Count(); ++num) {
            const TmsRemoteInfoItem& item = pop.info_.Items(num);
            if (item.Flags == 0) continue;
            if (!matches[static_cast<std::size_t>(num)]) {
                if (pop.Keeper == nullptr) steps_.push_back({num, Kind::Skip});
                continue;
            }
            if (item.MarkedForRetrieval()) steps_.push_back({num, Kind::Retrieve});
            if (item.MarkedForDeletion() && deletable[static_cast<std::size_t>(num)]) {
                steps_.push_back({num, Kind::Delete});
            }
        }
    }

    bool NextCommand(std::string& command) override {
        while (sent_ < steps_.size() && steps_[sent_].kind == Kind::Skip) ++sent_;
        if (sent_ == steps_.size()) return false;
        const Step& step = steps_[sent_++];
        command = (step.kind == Kind::Retrieve ? "RETR " : "DELE ") + std::to_string(step.num + 1);
        return true;
    }

    void Answer(const ReplyLine& reply) override {
        SkipNext();
        const Step& step = steps_[answered_++];
        if (step.kind == Kind::Retrieve) {
            pop_.RetrieveAnswered(step.num, reply, pop_.info_.Items(step.num).Size);
        } else {
            pop_.DeleteAnswered(step.num, reply);
        }
    }

    // Reports the skipped messages that come next, which no reply has to wait for.
    void SkipNext() {
        while (answered_ < steps_.size() && steps_[answered_].kind == Kind::Skip) {
            pop_.Notify(pop_.OnSkipped, steps_[answered_++].num);
        }
    }

  private:
    TmsRemotePOP& pop_;
    std::vector<Step> steps_;
    std::size_t sent_ = 0;
    std::size_t answered_ = 0;
};

// RETR n for each matching message marked for deletion, handed to the Keeper; OnSkipped for
// the others, in index order.
class TmsRemotePOP::KeepingRun : public PopCommandRun {
  public:
    KeepingRun(TmsRemotePOP& pop, const std::vector<bool>& matches)
        : pop_(pop), kept_(pop.info_.Count(), false) {
        for (int num = 0; num < pop.info_.Count(); ++num) {
            if (!pop.info_.Items(num).MarkedForDeletion()) continue;
            steps_.push_back({num, matches[static_cast<std::size_t>(num)]});
        }
    }

    bool NextCommand(std::string& command) override {
        while (sent_ < steps_.size() && !steps_[sent_].matches) ++sent_;
        if (sent_ == steps_.size()) return false;
        command = "RETR " + std::to_string(steps_[sent_++].num + 1);
        return true;
    }

    void Answer(const ReplyLine& reply) override {
        SkipNext();
        const int num = steps_[answered_++].num;
        pop_.Notify(pop_.OnRetrieving, num);
        if (reply.code != 1) {
            pop_.Keeper->NotSent(num, reply.line);
            return;
        }
        const std::string block = pop_.ReceiveMessage(num, pop_.info_.Items(num).Size);
        kept_[static_cast<std::size_t>(num)] = pop_.Keeper->Keep(num, block);
        pop_.Notify(pop_.OnRetrieved, num);
    }

    void SkipNext() {
        while (answered_ < steps_.size() && !steps_[answered_].matches) {
            pop_.Notify(pop_.OnSkipped, steps_[answered_++].num);
        }
    }

    std::vector<bool> Kept() { return std::move(kept_); }

  private:
    struct Step {
        int num;
        bool matches;
    };
    TmsRemotePOP& pop_;
    std::vector<Step> steps_;
    std::vector<bool> kept_;
    std::size_t sent_ = 0;
    std::size_t answered_ = 0;
};

void TmsRemotePOP::ProcessMarked() {
    if (info_.Count() == 0) return;
    Connect();
    try {
        Notify(OnTransferringData);
        const std::vector<bool> matches = CheckMarked();
        ProcessingRun run(
            *this, matches,
            Keeper != nullptr ? KeepMarked(matches) : std::vector<bool>(info_.Count(), true));
        run.SkipNext();
        Exchange(run);
        run.SkipNext();
        Notify(OnDataTransfered);
    } catch (...) {
        // Without QUIT the server keeps every message, so a broken-off run deleted nothing,
        // as the caller's records say; a later QUIT on this session must not commit it.
        Close();
        throw;
    }
    Disconnect();
}

std::vector<bool> TmsRemotePOP::KeepMarked(const std::vector<bool>& matches) {
    KeepingRun run(*this, matches);
    run.SkipNext();
    Exchange(run);
    run.SkipNext();
    std::vector<bool> kept = run.Kept();
    const bool any = std::find(kept.begin(), kept.end(), true) != kept.end();
    if (any && !Keeper->Commit()) kept.assign(kept.size(), false);
    return kept;
}

std::vector<bool> TmsRemotePOP::CheckMarked() {
    CheckingRun run(*this);
    Exchange(run);
    return run.Matches();
}

}  // namespace kelvane

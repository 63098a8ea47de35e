// Capabilities and pipelined command runs of a POP3 session (RFC 2449).
#include <algorithm>
#include <deque>
#include <stdexcept>
#include <utility>

#include "MailText.h"
#include "TmsCustomPOP.h"

namespace kelvane {
namespace {

constexpr std::size_t kLongestCapabilities = 64 * 1024;

// The words after a capability's name ("SASL XOAUTH2 OAUTHBEARER"), upper-case.
void AddArguments(std::string_view line, std::vector<std::string>& into) {
    for (;;) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos) return;
        line.remove_prefix(start);
        const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
        into.push_back(mailtext::Upper(line.substr(0, end)));
        line.remove_prefix(end);
    }
}

// Capability names are the first word of each line of the CAPA block.
PopCapabilities ReadCapabilities(std::string_view block) {
    PopCapabilities offered;
    for (std::string_view rest = block; !rest.empty();) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t blank = std::min(line.find(' '), line.size());
        const std::string_view name = line.substr(0, blank);
        offered.pipelining = offered.pipelining || mailtext::EqualsNoCase(name, "PIPELINING");
        offered.uidl = offered.uidl || mailtext::EqualsNoCase(name, "UIDL");
        offered.stls = offered.stls || mailtext::EqualsNoCase(name, "STLS");
        if (mailtext::EqualsNoCase(name, "SASL")) AddArguments(line.substr(blank), offered.sasl);
    }
    return offered;
}

}  // namespace

PopCapabilities TmsCustomPOP::AskCapabilities() {
    if (Command("CAPA").code != 1) return {};
    std::string block;
    ReceiveData(block, 0, kLongestCapabilities);
    TraceData(block.size());
    return ReadCapabilities(block);
}

const PopCapabilities& TmsCustomPOP::Capabilities() {
    if (!capabilities_) capabilities_ = AskCapabilities();
    return *capabilities_;
}

bool PopCommandList::NextCommand(std::string& command) {
    if (sent_ == commands_.size()) return false;
    command = commands_[sent_++].first;
    return true;
}

void PopCommandList::Answer(const ReplyLine& reply) {
    commands_.at(answered_++).second(reply);
}

// The commands sent and not yet answered, bounded in number and in bytes, so that they always
// fit in the socket's send buffer: a send then never waits for the server to read, while the
// server may be waiting for its replies to be read.
class TmsCustomPOP::CommandWindow {
  public:
    CommandWindow(int depth, std::size_t room) : depth_(depth), room_(room) {}

    bool Empty() const { return lengths_.empty(); }
    // Refills come in batches of an eighth of the window, so that a long run costs few writes
    // and the server always has the rest of the window to work on.
    bool WantsMore() const {
        return Empty() ||
               (Count() + std::max(1, depth_ / 8) <= depth_ && bytes_ + room_ / 8 <= room_);
    }
    // One command always fits an empty window.
    bool Fits(std::size_t length) const {
        return Empty() || (Count() < depth_ && bytes_ + length <= room_);
    }
    void Sent(std::size_t length) {
        lengths_.push_back(length);
        bytes_ += length;
    }
    void Answered() {
        bytes_ -= lengths_.front();
        lengths_.pop_front();
    }

  private:
    int Count() const { return static_cast<int>(lengths_.size()); }

    const int depth_;
    const std::size_t room_;
    std::deque<std::size_t> lengths_;
    std::size_t bytes_ = 0;
};

void TmsCustomPOP::Exchange(PopCommandRun& run) {
    const bool pipelining = Capabilities().pipelining;
    CommandWindow window(pipelining ? std::clamp(PipelineDepth, 1, kDeepestPipeline) : 1,
                         pipelining ? SendRoom() : 0);
    std::string held;  // handed out by the run, waiting for room in the window
    try {
        TakeSentAhead(run, window);
        for (;;) {
            // A run may have a command for later, once a reply has told it more.
            if (window.WantsMore()) SendAhead(run, window, held);
            if (window.Empty()) return;
            const ReplyLine reply = ReadTracedReply();
            window.Answered();
            run.Answer(reply);
        }
    } catch (...) {
        if (!window.Empty()) Close();
        throw;
    }
}

// The commands that went out with the login are the first of the run.
void TmsCustomPOP::TakeSentAhead(PopCommandRun& run, CommandWindow& window) {
    for (const std::string& sent : std::exchange(sentAhead_, {})) {
        window.Sent(sent.size() + 2);
        std::string command;
        if (!run.NextCommand(command) || command != sent) {
            throw std::logic_error("The exchange does not begin with the commands sent ahead");
        }
    }
}

// Sends as many of the run's next commands as the window takes, in one write.
void TmsCustomPOP::SendAhead(PopCommandRun& run, CommandWindow& window, std::string& held) {
    const bool idle = window.Empty();
    std::string bytes;
    while ((!held.empty() || run.NextCommand(held)) && window.Fits(held.size() + 2)) {
        Trace("C: " + held);
        bytes += held;
        bytes += "\r\n";
        window.Sent(held.size() + 2);
        held.clear();
    }
    if (bytes.empty()) return;
    // Only between commands can a reply be one that nothing asked for.
    if (idle) RequireNothingWaiting();
    SendText(bytes);
}

}  // namespace kelvane

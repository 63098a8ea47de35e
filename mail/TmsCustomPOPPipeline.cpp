// Capabilities and pipelined command runs of a POP3 session (RFC 2449).
#include <algorithm>

#include "MailText.h"
#include "TmsCustomPOP.h"

namespace kelvane {
namespace {

constexpr std::size_t kLongestCapabilities = 64 * 1024;

// Capability names are the first word of each line of the CAPA block.
PopCapabilities ReadCapabilities(std::string_view block) {
    PopCapabilities offered;
    for (std::string_view rest = block; !rest.empty();) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        std::string_view name = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        name = name.substr(0, name.find_first_of(" \r"));
        offered.pipelining = offered.pipelining || mailtext::EqualsNoCase(name, "PIPELINING");
        offered.uidl = offered.uidl || mailtext::EqualsNoCase(name, "UIDL");
        offered.stls = offered.stls || mailtext::EqualsNoCase(name, "STLS");
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

// Commands go out in batches of an eighth of the window, so that a long run costs few writes
// and the server always has the rest of the window to work on.
void TmsCustomPOP::Exchange(PopCommandRun& run) {
    const int depth =
        Capabilities().pipelining ? std::clamp(PipelineDepth, 1, kDeepestPipeline) : 1;
    const int batch = std::max(1, depth / 8);
    int unanswered = 0;
    bool more = true;
    try {
        for (;;) {
            if (more && (unanswered == 0 || unanswered + batch <= depth)) {
                const int sent = SendAhead(run, depth - unanswered, unanswered == 0);
                more = sent > 0;
                unanswered += sent;
            }
            if (unanswered == 0) return;
            const ReplyLine reply = ReadTracedReply();
            --unanswered;
            run.Answer(reply);
        }
    } catch (...) {
        if (unanswered > 0) Close();
        throw;
    }
}

int TmsCustomPOP::SendAhead(PopCommandRun& run, int room, bool nothingUnanswered) {
    std::string bytes;
    std::string command;
    int count = 0;
    while (count < room && run.NextCommand(command)) {
        Trace("C: " + command);
        bytes += command;
        bytes += "\r\n";
        ++count;
    }
    if (count == 0) return 0;
    // Only between commands can a reply be one that nothing asked for.
    if (nothingUnanswered) RequireNothingWaiting();
    SendText(bytes);
    return count;
}

}  // namespace kelvane

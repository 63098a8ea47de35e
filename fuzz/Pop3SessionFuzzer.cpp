// A whole check and deletion against a server that answers with arbitrary bytes: the POP3 client
// must end with a listing or one of its own errors, never crash, hang or grow without bound.
// The input's first byte chooses the sign-in: a password when even, an OAuth2 bearer token (SASL
// after CAPA) when odd. The rest is the server's side of the conversation: the greeting, then one
// reply per command line the client sends, separated by the byte 0x1E (record separator).
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "EventPump.h"
#include "MailErrors.h"
#include "TmsRemotePOP.h"

namespace {

constexpr char kSeparator = '\x1e';

// Each session runs over a socket pair; the server's end releases the next reply whenever the
// client sends something, and hangs up when it has nothing more to say or the client waits for
// more than the reply held (the waits pump events), so that no run sits out a time-out.
class ReplayedPOP : public kelvane::TmsRemotePOP {
  public:
    explicit ReplayedPOP(std::string_view replies) : replies_(replies) {}
    ~ReplayedPOP() override { HangUp(); }

    void Open() override {
        HangUp();
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
        const int room = 1 << 20;
        ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
        server_ = ends[1];
        ResetState();
        AdoptSocket(ends[0]);
        ReleaseNextReply();
    }

  protected:
    // One reply for each command line, since pipelined commands go out several at a time.
    long RawSend(const char* data, std::size_t size) override {
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') ReleaseNextReply();
        }
        return static_cast<long>(size);
    }

  public:
    void HangUp() {
        if (server_ >= 0) ::close(server_);
        server_ = -1;
    }

  private:
    void ReleaseNextReply() {
        if (server_ < 0) return;
        if (replies_.empty()) return HangUp();
        const std::size_t end = std::min(replies_.find(kSeparator), replies_.size());
        const std::string_view reply = replies_.substr(0, end);
        replies_.remove_prefix(std::min(end + 1, replies_.size()));
        if (::send(server_, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
            HangUp();
        }
    }

    std::string_view replies_;
    int server_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    ReplayedPOP pop(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    pop.UserName = "ann";
    pop.Password = "pw";
    if ((data[0] & 1) != 0) {
        pop.SignIn = kelvane::PopSignIn::OAuth2;
        pop.AccessToken = "at-fuzz.token_1";
    }
    pop.TimeOut = 1;
    pop.KeepConnected = true;
    // The kept header blocks are read and written too, in a folder of this run.
    static const std::string cacheFile = [] {
        char folder[] = "/tmp/pop3-session-fuzz.XXXXXX";
        return std::string(::mkdtemp(folder) != nullptr ? folder : "/tmp") + "/headers.cache";
    }();
    pop.HeaderCacheFile = cacheFile;
    pop.OnUserMessageSave = [](kelvane::TagSocket&, int, const std::string&) {};
    kelvane::SetEventPump([&pop] { pop.HangUp(); });
    try {
        pop.UpdateInfo();
    } catch (const kelvane::EMailError&) {
    }
    for (int num = 0; num < pop.Info().Count(); ++num) {
        if (num % 2 == 0) pop.SelectForDeletion(num);
        if (num % 3 == 0) pop.SelectForRetrieval(num);
    }
    try {
        pop.ProcessMarked();
    } catch (const kelvane::EMailError&) {
    }
    kelvane::SetEventPump({});
    return 0;
}

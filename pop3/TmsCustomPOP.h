#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TmsMailBase.h"

namespace kelvane {

// How a mailbox's session is protected.
enum class PopSecurity {
    Plain = 0,     // plain text, as POP3 began
    StartTls = 1,  // "STLS" (RFC 2595) after the greeting, before the login
    Implicit = 2,  // TLS from the first byte (POP3S, port 995)
};

// How a mailbox signs in.
enum class PopSignIn {
    Password = 0,  // USER and PASS
    OAuth2 = 1,    // AUTH OAUTHBEARER or XOAUTH2 with a bearer token; never USER and PASS
};

// An event about one message; `num` is the zero-based index, the POP3 number is num + 1.
using TmsNumNotifyEvent = std::function<void(TagSocket& sender, int num)>;

// What a server said it can do in its reply to CAPA (RFC 2449); all false when it has no CAPA.
struct PopCapabilities {
    bool pipelining = false;
    bool uidl = false;
    bool stls = false;
    std::vector<std::string> sasl;  // the mechanisms of its "SASL" line, upper-case
};

// A run of commands whose replies the server sends back in the order of the commands.
class PopCommandRun {
  public:
    virtual ~PopCommandRun() = default;
    // The next command to send; false when there is none to send yet. Asked again after every
    // reply, so that a run may hand out commands that depend on what it has read.
    virtual bool NextCommand(std::string& command) = 0;
    // The reply to the oldest command not yet answered; reads whatever data block follows it.
    virtual void Answer(const ReplyLine& reply) = 0;
};

// A fixed list of commands, each with what to do with its reply.
class PopCommandList : public PopCommandRun {
  public:
    void Add(std::string command, std::function<void(const ReplyLine&)> answer) {
        commands_.emplace_back(std::move(command), std::move(answer));
    }
    bool NextCommand(std::string& command) override;
    void Answer(const ReplyLine& reply) override;

  private:
    std::vector<std::pair<std::string, std::function<void(const ReplyLine&)>>> commands_;
    std::size_t sent_ = 0;
    std::size_t answered_ = 0;
};

// A POP3 session (RFC 1939): login with USER and PASS, the mailbox totals from STAT, and the
// retrieval and deletion of single messages. Every command that must succeed raises
// EServerError with the server's reply line when the reply is not positive.
class TmsCustomPOP : public TmsMailBase {
  public:
    TmsCustomPOP();

    std::string UserName;
    std::string Password;
    // Plain text never takes over from TLS that was asked for: a server that cannot do it is an
    // error. The default port follows: 995 for Implicit, else 110.
    PopSecurity Security = PopSecurity::Plain;
    PopSignIn SignIn = PopSignIn::Password;
    // The bearer token that signs in when SignIn is OAuth2; Password is then not used. A refused
    // token raises ESignInRefused, after which a fresh token may be tried.
    std::string AccessToken;
    // How many commands may wait for their replies at once when the server pipelines; 1 sends
    // one command at a time. Their bytes are bounded too, by what the socket's send buffer takes
    // (SendRoom), so that sending never waits while replies wait to be read.
    static constexpr int kDeepestPipeline = 4096;
    int PipelineDepth = kDeepestPipeline;

    TmsNumNotifyEvent OnRetrieving;
    TmsNumNotifyEvent OnRetrieved;
    TmsNumNotifyEvent OnDeleting;  // as the reply to the message's "DELE" arrives
    TmsNumNotifyEvent OnDeleted;   // after the server accepted "DELE"
    // The server refused "DELE" or gave no reply; `reply` is its line (empty when none came).
    std::function<void(TagSocket& sender, int num, const std::string& reply)> OnDeleteRefused;
    // One line per command sent ("C: ...") and per reply line read ("S: ..."), and one
    // "S: (n bytes of data)" per data block. The password is written as "PASS {password}", the
    // token's sign-in as "AUTH OAUTHBEARER {token}".
    std::function<void(const std::string& line)> OnTrace;

    // From the last STAT; -1 before the first login.
    int MessageCount() const { return messageCount_; }
    int MailboxSize() const { return mailboxSize_; }
    const std::string& LastReply() const { return lastReply_; }

    // Checks UserName, then opens the transport. An empty password is
    // sent as it is, and the server's refusal reported, rather than another account's password
    // being used.
    void Open() override;
    // Asks CAPA first; a server that pipelines gets USER, PASS and STAT in one flight. With
    // OAuth2, AUTH with the mechanism CAPA lists instead, once the token is known to be usable
    // (ESocketError before connecting otherwise): a server that lists none raises
    // EServerError, and a refused token ESignInRefused. Closes the connection when any step
    // fails, a refusal ("-ERR") included.
    void Login() override;
    void Logout() override;
    // 1 for a positive reply ("+"), -1 for a negative one ("-"), 0 otherwise.
    int ReplyCode(std::string_view line) override;

    // Connects as a check would, up to and including the TLS handshake, and gives the
    // certificate the server showed, trusted or not; then closes. For a user who decides to
    // trust it. Raises the usual errors, and ESocketError for a mailbox without TLS.
    TlsCertificate ServerCertificate();

    // Hands over a downloaded message: the data block exactly as received, terminator included.
    virtual void SaveMessage(int num, const std::string& contents) = 0;

    // A download never holds more than this, whatever size the server listed.
    static constexpr std::size_t kLargestDownload = std::size_t{256} << 20;
    // Room beyond twice the listed size, for the terminator and a server that rounds.
    static constexpr std::size_t kDownloadMargin = 64 * 1024;
    // The most that the download of a message listed with `listedSize` bytes may take: twice
    // that (a size counted with LF line ends, of a message whose lines are all dot-stuffed,
    // doubles at worst on the wire) and the margin, up to kLargestDownload.
    static std::size_t LongestDownload(long long listedSize);

  protected:
    // Gives the commands to send behind STAT; asked once the capabilities are known.
    using CommandsAhead = std::function<std::vector<std::string>()>;
    // Login() for a session whose next exchange is known: when the login pipelines, the commands
    // that `ahead` gives go out in its flight behind STAT, so that their replies need no round
    // trip of their own. They stay unanswered for the next Exchange, whose run must hand out
    // exactly these first.
    void LoginSendingAhead(const CommandsAhead& ahead);
    // Whether commands sent with the login still wait for the Exchange that reads their replies.
    bool SentAhead() const { return !sentAhead_.empty(); }
    // Sends a command line. A reply that is already waiting answers no command: it would be
    // read as this command's reply and every later one would be one step late.
    void SendCommand(const std::string& command);
    // Raises the protocol error for a reply that is waiting before anything was asked, or for a
    // server that has gone.
    void RequireNothingWaiting();
    // Sends one command and reads its reply line.
    ReplyLine Command(const std::string& command);
    // Like Command(); raises EServerError with the reply line unless the reply is positive.
    std::string CommandOk(const std::string& command);
    // The reply to DELE n: OnDeleting, then OnDeleted or OnDeleteRefused.
    void DeleteAnswered(int num, const ReplyLine& reply);
    // The reply to RETR n: OnRetrieving, the data block, SaveMessage, OnRetrieved. A block longer
    // than LongestDownload(expectedSize) is a protocol error, and nothing of it is saved.
    void RetrieveAnswered(int num, const ReplyLine& reply, long long expectedSize);
    // The data block of message `num` after its positive reply to RETR, bounded as above.
    std::string ReceiveMessage(int num, long long expectedSize);
    // What the server of this session can do: CAPA is asked once per session.
    const PopCapabilities& Capabilities();
    // Sends the run's commands and hands it their replies in order; done when every command
    // handed out is answered and the run has no more. When the server pipelines,
    // up to PipelineDepth commands go out ahead of their replies; otherwise one at a time. A run
    // that fails with commands still unanswered closes the connection, since their replies
    // would answer whatever is sent next.
    void Exchange(PopCommandRun& run);
    // Raises EServerError with the reply line unless the reply is positive.
    void RequireSuccess(const ReplyLine& reply);
    void Notify(const TmsNumNotifyEvent& event, int num);
    void Trace(const std::string& line);
    void TraceData(std::size_t size);

    // The size in message num's LIST reply ("+OK 2 1320"); a size that is not a decimal number
    // of 64 bits is a protocol error.
    long long ListedSize(int num, const std::string& reply);
    // The same for `listing`, a reply without its status word or a line of the LIST block
    // ("2 1320"); `shown` is what the error quotes.
    long long SizeInListing(int num, std::string_view listing, std::string_view shown);
    // Quits a session whose answer no longer matters (one without deletions) and closes it,
    // without waiting and without reporting.
    void QuitQuietly();

  private:
    class CommandWindow;

    void LoginSteps(const CommandsAhead& ahead);
    void PipelinedLogin(std::vector<std::string> ahead);
    void ReadGreeting();
    void UpgradeToTls();
    PopCapabilities AskCapabilities();
    void TakeSentAhead(PopCommandRun& run, CommandWindow& window);
    void SendAhead(PopCommandRun& run, CommandWindow& window, std::string& held);
    ReplyLine ReadTracedReply();
    void SendPassword();
    ReplyLine ReadReplyWithoutPassword();
    void RequireUsableToken();
    void SignInWithToken();
    ReplyLine SendResponse(const std::string& prefix, const std::string& response);
    ReplyLine ReadReplyWithoutToken(const std::string& response);
    [[noreturn]] void TokenRefused(const ReplyLine& reply, const std::string& status);
    void StatSendingAhead(const CommandsAhead& ahead);
    void ReadStat(std::string_view reply);

    int messageCount_ = -1;
    int mailboxSize_ = -1;
    std::string lastReply_;
    std::optional<PopCapabilities> capabilities_;  // of this session, once asked
    std::vector<std::string> sentAhead_;           // with the login, replies not yet read
};

}  // namespace kelvane

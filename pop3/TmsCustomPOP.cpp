#include "TmsCustomPOP.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "MailErrors.h"
#include "SecretText.h"
#include "TlsErrors.h"

namespace kelvane {
namespace {

constexpr std::string_view kPasswordPlaceholder = "{password}";
constexpr const char* kNoStls =
    "The server does not offer STLS, so the mailbox cannot be reached securely";
constexpr const char* kNoTlsForMailbox = "This mailbox does not use TLS";
// USER, PASS and STAT.
constexpr int kLoginFlight = 3;

// The whole text read as a decimal integer; 0 when it is empty or anything else.
int IntOrZero(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return 0;
    return value;
}

// A reply line without its status word: the first four characters ("+OK ") go.
std::string_view AfterStatus(std::string_view reply) {
    return reply.substr(std::min<std::size_t>(4, reply.size()));
}

std::string TooLargeToDownload(int num, long long listedSize, std::size_t longest) {
    const std::string stopped = ", so its download was stopped and nothing of it was kept";
    if (longest == TmsCustomPOP::kLargestDownload) {
        return "Message " + std::to_string(num + 1) + " is larger than the " +
               std::to_string(longest >> 20) + " MiB a download may take" + stopped;
    }
    return "Message " + std::to_string(num + 1) + " is much larger than the server listed it (" +
           std::to_string(listedSize) + " bytes)" + stopped;
}

}  // namespace

TmsCustomPOP::TmsCustomPOP() {
    DefaultPort = 110;
    ServiceName = "pop3";
}

void TmsCustomPOP::Open() {
    if (UserName.empty()) RaiseSocketError(std::string("UserName property is required"));
    const bool implicit = Security == PopSecurity::Implicit;
    DefaultPort = implicit ? 995 : 110;
    ServiceName = implicit ? "pop3s" : "pop3";
    ResetState();
    TagSocket::Open();
}

void TmsCustomPOP::Login() {
    LoginSendingAhead({});
}

void TmsCustomPOP::LoginSendingAhead(const CommandsAhead& ahead) {
    ResetState();
    capabilities_.reset();
    sentAhead_.clear();
    try {
        LoginSteps(ahead);
    } catch (...) {
        // Also after a refusal: a session left open would be taken as logged in by the next
        // Connect, whose commands would then go out unauthenticated (or, after a refused STLS,
        // in plain text). Replies to commands sent ahead then answer nothing.
        Close();
        sentAhead_.clear();
        throw;
    }
}

void TmsCustomPOP::LoginSteps(const CommandsAhead& ahead) {
    // Here rather than in Open(): a server's certificate can be fetched before any sign-in.
    if (SignIn == PopSignIn::OAuth2) RequireUsableToken();
    ConnectSocket();
    if (Security == PopSecurity::Implicit) StartTls();
    ReadGreeting();
    if (Security == PopSecurity::StartTls) UpgradeToTls();
    // After STLS the capabilities are asked again: what came before the handshake counts no more.
    capabilities_ = AskCapabilities();
    if (SignIn == PopSignIn::OAuth2) {
        SignInWithToken();
        StatSendingAhead(ahead);
        return;
    }
    if (capabilities_->pipelining && PipelineDepth >= kLoginFlight) {
        PipelinedLogin(ahead ? ahead() : std::vector<std::string>());
        return;
    }
    CommandOk("USER " + UserName);
    SendPassword();
    ReadStat(CommandOk("STAT"));
}

// USER, PASS, STAT and `ahead` in one write. After a refused USER or PASS the server is still
// authorizing and refuses the rest, whose replies are left unread: the login closes the session.
void TmsCustomPOP::PipelinedLogin(std::vector<std::string> ahead) {
    ahead.resize(std::min<std::size_t>(ahead.size(), PipelineDepth - kLoginFlight));
    const std::string user = "USER " + UserName;
    std::size_t length = user.size() + 2 + 5 + Password.size() + 2 + 6;
    for (const std::string& command : ahead) length += command.size() + 2;
    Trace("C: " + user);
    Trace("C: PASS " + std::string(kPasswordPlaceholder));
    Trace("C: STAT");
    for (const std::string& command : ahead) Trace("C: " + command);
    {
        std::string flight;
        flight.reserve(length);  // no reallocation leaves a copy of the password behind
        flight.append(user).append("\r\nPASS ").append(Password).append("\r\nSTAT\r\n");
        for (const std::string& command : ahead) flight.append(command).append("\r\n");
        const ForgottenAtEnd wipe(flight);
        RequireNothingWaiting();
        SendText(flight);
    }
    // A server may echo the whole flight in any of these replies.
    RequireSuccess(ReadReplyWithoutPassword());
    RequireSuccess(ReadReplyWithoutPassword());
    const ReplyLine stat = ReadReplyWithoutPassword();
    RequireSuccess(stat);
    ReadStat(stat.line);
    sentAhead_ = std::move(ahead);
}

void TmsCustomPOP::ReadGreeting() {
    const ReplyLine greeting = ReadReplyLine();
    lastReply_ = greeting.line;
    Trace("S: " + greeting.line);
    RequireSuccess(greeting);
}

// RFC 2595: STLS only when CAPA lists it, and never a fall-back to plain text.
void TmsCustomPOP::UpgradeToTls() {
    if (!AskCapabilities().stls) ProtocolError(kNoStls);
    CommandOk("STLS");
    DiscardReceived();
    StartTls();
}

TlsCertificate TmsCustomPOP::ServerCertificate() {
    if (Security == PopSecurity::Plain) RaiseSocketError(std::string(kNoTlsForMailbox));
    Open();
    try {
        ConnectSocket();
        if (Security == PopSecurity::Implicit) {
            StartTls();
        } else {
            ReadGreeting();
            UpgradeToTls();
        }
    } catch (const ECertificateError& error) {
        return error.certificate();
    }
    const TlsCertificate certificate = PeerCertificate();
    QuitQuietly();
    return certificate;
}

// A server may echo what it was sent; the password stays out of every text that leaves here,
// and the copies made on the way are wiped, not just freed.
void TmsCustomPOP::SendPassword() {
    Trace("C: PASS " + std::string(kPasswordPlaceholder));
    {
        std::string command;
        command.reserve(5 + Password.size() + 2);  // no reallocation leaves a copy behind
        command.append("PASS ").append(Password).append("\r\n");
        const ForgottenAtEnd wipe(command);
        RequireNothingWaiting();
        SendText(command);
    }
    RequireSuccess(ReadReplyWithoutPassword());
}

ReplyLine TmsCustomPOP::ReadReplyWithoutPassword() {
    ReplyLine reply = ReadReplyLine();
    const ForgottenAtEnd wipe(reply.line);
    lastReply_ = Hidden(reply.line, Password, kPasswordPlaceholder);
    Trace("S: " + lastReply_);
    return {lastReply_, reply.code};
}

void TmsCustomPOP::ReadStat(std::string_view reply) {
    std::string_view rest = AfterStatus(reply);
    const std::size_t blank = rest.find(' ');
    if (blank == std::string_view::npos) return;
    messageCount_ = IntOrZero(rest.substr(0, blank));
    rest.remove_prefix(blank + 1);
    mailboxSize_ = IntOrZero(rest.substr(0, rest.find(' ')));
}

void TmsCustomPOP::Logout() {
    if (!Connected()) return;
    CommandOk("QUIT");
}

int TmsCustomPOP::ReplyCode(std::string_view line) {
    if (line.empty()) return 0;
    if (line.front() == '+') return 1;
    if (line.front() == '-') return -1;
    return 0;
}

void TmsCustomPOP::SendCommand(const std::string& command) {
    // Its reply would be read as the answer to a command sent with the login.
    if (!sentAhead_.empty())
        throw std::logic_error("A command went out before the replies ahead of it were read");
    RequireNothingWaiting();
    SendLine(command);
}

void TmsCustomPOP::RequireNothingWaiting() {
    const PeerState peer = PollPeer();
    if (peer == PeerState::SentSomething) ProtocolError(kUnaskedReply);
    if (peer == PeerState::Closed && Connected()) ProtocolError(kServerClosedConnection);
}

ReplyLine TmsCustomPOP::Command(const std::string& command) {
    Trace("C: " + command);
    SendCommand(command);
    return ReadTracedReply();
}

ReplyLine TmsCustomPOP::ReadTracedReply() {
    ReplyLine reply = ReadReplyLine();
    lastReply_ = reply.line;
    Trace("S: " + reply.line);
    return reply;
}

std::string TmsCustomPOP::CommandOk(const std::string& command) {
    ReplyLine reply = Command(command);
    RequireSuccess(reply);
    return std::move(reply.line);
}

void TmsCustomPOP::RequireSuccess(const ReplyLine& reply) {
    if (reply.code != 1) throw EServerError(reply.line);
}

std::size_t TmsCustomPOP::LongestDownload(long long listedSize) {
    const auto listed = static_cast<std::size_t>(std::max(listedSize, 0LL));
    if (listed >= (kLargestDownload - kDownloadMargin) / 2) return kLargestDownload;
    return 2 * listed + kDownloadMargin;
}

void TmsCustomPOP::RetrieveAnswered(int num, const ReplyLine& reply, long long expectedSize) {
    Notify(OnRetrieving, num);
    RequireSuccess(reply);
    SaveMessage(num, ReceiveMessage(num, expectedSize));
    Notify(OnRetrieved, num);
}

std::string TmsCustomPOP::ReceiveMessage(int num, long long expectedSize) {
    std::string contents;
    const std::size_t longest = LongestDownload(expectedSize);
    if (!ReceiveDataWithin(contents, expectedSize, longest)) {
        ProtocolError(TooLargeToDownload(num, expectedSize, longest));
    }
    TraceData(contents.size());
    return contents;
}

void TmsCustomPOP::DeleteAnswered(int num, const ReplyLine& reply) {
    Notify(OnDeleting, num);
    if (reply.code == 1) {
        Notify(OnDeleted, num);
    } else if (OnDeleteRefused) {
        OnDeleteRefused(*this, num, reply.line);
    }
}

void TmsCustomPOP::Notify(const TmsNumNotifyEvent& event, int num) {
    if (event) event(*this, num);
}

void TmsCustomPOP::Trace(const std::string& line) {
    if (OnTrace) OnTrace(line);
}

void TmsCustomPOP::TraceData(std::size_t size) {
    if (OnTrace) OnTrace("S: (" + std::to_string(size) + " bytes of data)");
}

long long TmsCustomPOP::ListedSize(int num, const std::string& reply) {
    return SizeInListing(num, AfterStatus(reply), reply);
}

long long TmsCustomPOP::SizeInListing(int num, std::string_view listing, std::string_view shown) {
    std::string_view rest = listing;
    rest.remove_prefix(std::min(rest.find(' '), rest.size()));
    if (!rest.empty()) rest.remove_prefix(1);
    // RFC 1939 lets a server add more after the size.
    const std::string_view digits = rest.substr(0, rest.find(' '));
    long long size = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, size);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9' || error != std::errc() ||
        stop != end) {
        ProtocolError("The server gave message " + std::to_string(num + 1) +
                      " a size that is not a number: " + std::string(shown));
    }
    return size;
}

void TmsCustomPOP::QuitQuietly() {
    if (!Connected()) return;
    if (PollPeer() == PeerState::Quiet) {
        Trace("C: QUIT");
        TrySendLine("QUIT");
    }
    Close();
}

}  // namespace kelvane

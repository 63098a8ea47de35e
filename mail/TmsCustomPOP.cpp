#include "TmsCustomPOP.h"

#include <algorithm>
#include <charconv>

#include "MailErrors.h"
#include "TlsErrors.h"

namespace kelvane {
namespace {

constexpr std::string_view kPasswordPlaceholder = "{password}";
constexpr const char* kNoStls =
    "The server does not offer STLS, so the mailbox cannot be reached securely";
constexpr const char* kNoTlsForMailbox = "This mailbox does not use TLS";

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

// `text` with the secret written as the placeholder wherever it appears.
std::string Hidden(std::string text, const std::string& secret) {
    if (secret.empty()) return text;
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + kPasswordPlaceholder.size())) {
        text.replace(at, secret.size(), kPasswordPlaceholder);
    }
    return text;
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
    ResetState();
    capabilities_.reset();
    try {
        LoginSteps();
    } catch (...) {
        // Also after a refusal: a session left open would be taken as logged in by the next
        // Connect, whose commands would then go out unauthenticated (or, after a refused STLS,
        // in plain text).
        Close();
        throw;
    }
}

void TmsCustomPOP::LoginSteps() {
    ConnectSocket();
    if (Security == PopSecurity::Implicit) StartTls();
    ReadGreeting();
    if (Security == PopSecurity::StartTls) UpgradeToTls();
    CommandOk("USER " + UserName);
    SendPassword();
    ReadStat(CommandOk("STAT"));
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

// A server may echo what it was sent; the password stays out of every text that leaves here.
void TmsCustomPOP::SendPassword() {
    Trace("C: PASS " + std::string(kPasswordPlaceholder));
    SendCommand("PASS " + Password);
    const ReplyLine reply = ReadReplyLine();
    lastReply_ = Hidden(reply.line, Password);
    Trace("S: " + lastReply_);
    RequireSuccess({lastReply_, reply.code});
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

void TmsCustomPOP::RetrieveAnswered(int num, const ReplyLine& reply, long long expectedSize) {
    Notify(OnRetrieving, num);
    RequireSuccess(reply);
    std::string contents;
    ReceiveData(contents, expectedSize);
    TraceData(contents.size());
    SaveMessage(num, contents);
    Notify(OnRetrieved, num);
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

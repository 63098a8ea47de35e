// Signing in with an OAuth2 bearer token: POP3 AUTH (RFC 5034) with OAUTHBEARER or XOAUTH2.
#include <algorithm>
#include <utility>

#include "SaslResponse.h"
#include "SecretText.h"
#include "SignInRefused.h"
#include "TmsCustomPOP.h"

namespace kelvane {
namespace {

constexpr std::string_view kTokenPlaceholder = "{token}";
// RFC 2449 bounds a command line, CR LF included; a longer first response waits for the
// server's empty challenge instead.
constexpr std::size_t kLongestCommandLine = 255;
constexpr const char* kNoToken =
    "There is no OAuth2 access token for this mailbox: it must be signed in again";
constexpr const char* kBadToken = "The OAuth2 access token holds characters no token can have";
constexpr const char* kNoOAuthMechanism =
    "The server does not offer OAuth2 sign-in (SASL OAUTHBEARER or XOAUTH2)";
constexpr const char* kRefusedHint =
    "The access token may have expired or been revoked; a fresh one may be accepted";

// A continuation ("+ " and a challenge, or a bare "+"), not the "+OK" that ends the exchange.
bool IsContinuation(const ReplyLine& reply) {
    return reply.line == "+" || reply.line.starts_with("+ ");
}

std::string_view ChallengeOf(const ReplyLine& reply) {
    return std::string_view(reply.line).substr(std::min<std::size_t>(2, reply.line.size()));
}

}  // namespace

// A token is the visible characters of RFC 6750's b64token; anything else would garble the
// SASL message around it.
void TmsCustomPOP::RequireUsableToken() {
    if (AccessToken.empty()) RaiseSocketError(std::string(kNoToken));
    const bool visible = std::all_of(AccessToken.begin(), AccessToken.end(),
                                     [](char c) { return c > ' ' && c < '\x7f'; });
    if (!visible) RaiseSocketError(std::string(kBadToken));
}

// No fall-back to USER and PASS: a mailbox set to OAuth2 has no password the server should see.
void TmsCustomPOP::SignInWithToken() {
    const OAuthMechanism mechanism = ChooseOAuthMechanism(capabilities_->sasl);
    if (mechanism == OAuthMechanism::None) throw EServerError(kNoOAuthMechanism);
    std::string response = OAuthInitialResponse(mechanism, UserName, AccessToken);
    const ForgottenAtEnd wipe(response);
    const std::string command = std::string("AUTH ") + SaslName(mechanism);
    ReplyLine reply;
    if (command.size() + 1 + response.size() + 2 <= kLongestCommandLine) {
        Trace("C: " + command + " " + std::string(kTokenPlaceholder));
        reply = SendResponse(command + " ", response);
    } else {
        reply = Command(command);
        if (!IsContinuation(reply)) TokenRefused(reply, "");
        Trace("C: " + std::string(kTokenPlaceholder));
        reply = SendResponse("", response);
    }
    if (IsContinuation(reply)) {
        // RFC 7628: the server's error as a challenge, which the client answers with a lone
        // ^A (XOAUTH2: an empty line) so that the server can end the exchange with its refusal.
        const std::string status = ChallengeStatus(ChallengeOf(reply));
        const std::string end = mechanism == OAuthMechanism::OAuthBearer ? "AQ==" : "";
        Trace("C: " + end);
        SendCommand(end);
        TokenRefused(ReadReplyWithoutToken(response), status);
    }
    if (reply.code != 1) TokenRefused(reply, "");
}

// Sends `prefix` and the response as one line; the copy made for it is wiped, and the reply is
// read with the token hidden, as a server may echo it.
ReplyLine TmsCustomPOP::SendResponse(const std::string& prefix, const std::string& response) {
    {
        std::string line;
        line.reserve(prefix.size() + response.size() + 2);  // no reallocation leaves a copy
        line.append(prefix).append(response).append("\r\n");
        const ForgottenAtEnd wipe(line);
        RequireNothingWaiting();
        SendText(line);
    }
    return ReadReplyWithoutToken(response);
}

ReplyLine TmsCustomPOP::ReadReplyWithoutToken(const std::string& response) {
    ReplyLine reply = ReadReplyLine();
    const ForgottenAtEnd wipe(reply.line);
    std::string shown = Hidden(reply.line, AccessToken, kTokenPlaceholder);
    lastReply_ = Hidden(shown, response, kTokenPlaceholder);
    ForgetSecret(shown);
    Trace("S: " + lastReply_);
    return {lastReply_, reply.code};
}

void TmsCustomPOP::TokenRefused(const ReplyLine& reply, const std::string& status) {
    std::string text = "The server refused the OAuth2 sign-in: ";
    text += reply.line.empty() ? "no reply" : reply.line;
    if (!status.empty()) text += " (" + status + ")";
    if (!text.ends_with('.')) text += '.';
    throw ESignInRefused(text + " " + kRefusedHint);
}

// STAT, and when the server pipelines, the commands of the next exchange in the same write.
void TmsCustomPOP::StatSendingAhead(const CommandsAhead& ahead) {
    std::vector<std::string> commands;
    if (capabilities_->pipelining && ahead) commands = ahead();
    commands.resize(std::min<std::size_t>(commands.size(), std::max(PipelineDepth - 1, 0)));
    std::string flight = "STAT\r\n";
    Trace("C: STAT");
    for (const std::string& command : commands) {
        Trace("C: " + command);
        flight.append(command).append("\r\n");
    }
    RequireNothingWaiting();
    SendText(flight);
    const ReplyLine stat = ReadTracedReply();
    RequireSuccess(stat);
    ReadStat(stat.line);
    sentAhead_ = std::move(commands);
}

}  // namespace kelvane

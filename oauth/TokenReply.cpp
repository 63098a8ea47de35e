#include "TokenReply.h"

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "OAuthErrors.h"

namespace kelvane {
namespace {

using Json = nlohmann::json;
using Kind = EOAuthError::Kind;

constexpr std::size_t kLongestDescription = 200;

// `text` with each secret replaced, cut to a length that fits a message.
std::string Scrubbed(std::string text, std::initializer_list<std::string_view> secrets) {
    for (const std::string_view secret : secrets) {
        if (secret.empty()) continue;
        for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret))
            text.replace(at, secret.size(), "{secret}");
    }
    if (text.size() > kLongestDescription) text = text.substr(0, kLongestDescription) + "...";
    return text;
}

std::string StringField(const Json& reply, const char* name) {
    const auto field = reply.find(name);
    return field != reply.end() && field->is_string() ? field->get<std::string>() : "";
}

// Some endpoints send the lifetime as a string of digits.
std::optional<std::chrono::seconds> Lifetime(const Json& reply) {
    const auto field = reply.find("expires_in");
    if (field == reply.end()) return std::nullopt;
    if (field->is_number_integer() && field->get<long long>() >= 0)
        return std::chrono::seconds(field->get<long long>());
    if (field->is_string()) {
        const std::string digits = field->get<std::string>();
        if (!digits.empty() && digits.size() < 10 &&
            std::all_of(digits.begin(), digits.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return std::chrono::seconds(std::stoll(digits));
    }
    return std::nullopt;
}

[[noreturn]] void ErrorReply(long status, const Json& reply,
                             std::initializer_list<std::string_view> secrets) {
    const std::string code = Scrubbed(StringField(reply, "error"), secrets);
    const std::string description = Scrubbed(StringField(reply, "error_description"), secrets);
    std::string said = code.empty() ? "HTTP status " + std::to_string(status) : code;
    if (!description.empty()) said += ": " + description;
    if (code == "invalid_grant") {
        throw EOAuthError(Kind::SignInAgain,
                          "The authorization server no longer accepts the mailbox's sign-in (" +
                              said + "); sign in again from the window");
    }
    throw EOAuthError(Kind::Refused,
                      "The authorization server refused the token request (" + said + ")");
}

}  // namespace

OAuthTokens ReadTokenReply(long status, std::string_view body,
                           std::initializer_list<std::string_view> secrets) {
    if (status >= 500) {
        throw EOAuthError(Kind::Unreachable, "The authorization server failed with HTTP status " +
                                                 std::to_string(status));
    }
    const Json reply = Json::parse(body.begin(), body.end(), nullptr, false);
    if (reply.is_discarded() || !reply.is_object()) {
        throw EOAuthError(Kind::BadReply, "The authorization server's reply (HTTP status " +
                                              std::to_string(status) + ") is not a token reply");
    }
    if (status != 200) ErrorReply(status, reply, secrets);
    OAuthTokens tokens;
    tokens.accessToken = StringField(reply, "access_token");
    if (tokens.accessToken.empty())
        throw EOAuthError(Kind::BadReply, "The authorization server's reply holds no access token");
    std::string type = StringField(reply, "token_type");
    std::transform(type.begin(), type.end(), type.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (!type.empty() && type != "bearer") {
        throw EOAuthError(Kind::BadReply,
                          "The authorization server gave a token of another type "
                          "than Bearer, which mail servers do not take");
    }
    tokens.refreshToken = StringField(reply, "refresh_token");
    tokens.expiresIn = Lifetime(reply);
    tokens.scope = StringField(reply, "scope");
    return tokens;
}

}  // namespace kelvane

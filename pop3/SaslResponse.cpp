#include "SaslResponse.h"

#include <algorithm>
#include <cctype>

#include "Base64.h"
#include "MailErrors.h"
#include "PasswordCipher.h"

namespace kelvane {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLongestStatus = 64;

// The user name as an authorization identity of the GS2 header (RFC 5801): "," and "=" would
// end or garble it.
std::string Gs2Name(std::string_view user) {
    std::string name;
    for (const char c : user) {
        if (c == ',') {
            name += "=2C";
        } else if (c == '=') {
            name += "=3D";
        } else {
            name += c;
        }
    }
    return name;
}

}  // namespace

const char* SaslName(OAuthMechanism mechanism) {
    switch (mechanism) {
        case OAuthMechanism::OAuthBearer:
            return "OAUTHBEARER";
        case OAuthMechanism::XOAuth2:
            return "XOAUTH2";
        case OAuthMechanism::None:
            break;
    }
    return "";
}

OAuthMechanism ChooseOAuthMechanism(const std::vector<std::string>& offered) {
    auto listed = [&](std::string_view name) {
        return std::find(offered.begin(), offered.end(), name) != offered.end();
    };
    if (listed("OAUTHBEARER")) return OAuthMechanism::OAuthBearer;
    if (listed("XOAUTH2")) return OAuthMechanism::XOAuth2;
    return OAuthMechanism::None;
}

std::string OAuthInitialResponse(OAuthMechanism mechanism, std::string_view user,
                                 std::string_view token) {
    const std::string head = mechanism == OAuthMechanism::OAuthBearer
                                 ? "n,a=" + Gs2Name(user) + ",\x01"
                                 : "user=" + std::string(user) + "\x01";
    constexpr std::string_view kBearer = "auth=Bearer ";
    constexpr std::string_view kEnd = "\x01\x01";
    std::string plain;
    plain.reserve(head.size() + kBearer.size() + token.size() + kEnd.size());
    plain.append(head).append(kBearer).append(token).append(kEnd);
    std::string encoded = EncodeBase64(plain);
    ForgetSecret(plain);
    return encoded;
}

std::string EncodeBase64(std::string_view bytes) {
    std::string encoded;
    encoded.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = std::min<std::size_t>(3, bytes.size() - i);
        unsigned group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            group = (group << 8) | (k < left ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        }
        for (std::size_t k = 0; k < 4; ++k) {
            encoded += k <= left ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return encoded;
}

std::string ChallengeStatus(std::string_view encodedChallenge) {
    std::string json;
    try {
        json = DecodeBase64(encodedChallenge);
    } catch (const EMessageParserError&) {
        return "";
    }
    std::string_view rest = json;
    const std::size_t key = rest.find("\"status\"");
    if (key == std::string_view::npos) return "";
    rest.remove_prefix(key + 8);
    const std::size_t open = rest.find('"');
    if (open == std::string_view::npos ||
        rest.substr(0, open).find_first_not_of(" \t:") != std::string_view::npos) {
        return "";
    }
    rest.remove_prefix(open + 1);
    const std::size_t close = rest.find('"');
    if (close == std::string_view::npos || close == 0 || close > kLongestStatus) return "";
    const std::string_view status = rest.substr(0, close);
    const bool word = std::all_of(status.begin(), status.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-';
    });
    return word ? std::string(status) : "";
}

}  // namespace kelvane

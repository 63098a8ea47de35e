#include "TokenClient.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>
#include <mutex>
#include <string_view>

#include "OAuthErrors.h"
#include "PasswordCipher.h"

namespace kelvane {
namespace {

using Kind = EOAuthError::Kind;

constexpr std::size_t kLargestReply = 64 * 1024;
constexpr long kConnectSeconds = 10;

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
    void operator()(char* text) const { curl_free(text); }
};
template <class T>
using CurlPtr = std::unique_ptr<T, CurlDeleter>;

void InitializeOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The part of a URL, or empty.
std::string UrlPart(CURLU* url, CURLUPart part) {
    char* raw = nullptr;
    if (curl_url_get(url, part, &raw, 0) != CURLUE_OK) return "";
    const CurlPtr<char> owned(raw);
    return raw;
}

// A refresh token is as good as the password: it goes in plain text to this machine only.
void RequireSafeUrl(const std::string& tokenUrl) {
    const CurlPtr<CURLU> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, tokenUrl.c_str(), 0) != CURLUE_OK) {
        throw EOAuthError(Kind::Unreachable,
                          "The token endpoint \"" + tokenUrl + "\" is not a URL");
    }
    const std::string scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    const std::string host = UrlPart(url.get(), CURLUPART_HOST);
    const bool loopback = host == "127.0.0.1" || host == "[::1]" || host == "localhost";
    if (scheme != "https" && !(scheme == "http" && loopback)) {
        throw EOAuthError(Kind::Unreachable, "The token endpoint \"" + tokenUrl +
                                                 "\" must use https, or http on this machine");
    }
}

// Appends `text` percent-encoded for a form (RFC 3986's unreserved characters stay).
void AppendEncoded(std::string& form, std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            form += c;
        } else {
            form += '%';
            form += kHex[byte >> 4];
            form += kHex[byte & 0xF];
        }
    }
}

// The refresh grant's form, in a buffer sized once so that no reallocation leaves a copy of a
// secret behind.
std::string RefreshForm(const OAuthClient& client, const std::string& refreshToken) {
    std::string form;
    form.reserve(80 +
                 3 * (refreshToken.size() + client.clientId.size() + client.clientSecret.size()));
    form += "grant_type=refresh_token&refresh_token=";
    AppendEncoded(form, refreshToken);
    form += "&client_id=";
    AppendEncoded(form, client.clientId);
    if (!client.clientSecret.empty()) {
        form += "&client_secret=";
        AppendEncoded(form, client.clientSecret);
    }
    return form;
}

// The authorization code grant's form (RFC 6749, section 4.1.3, with RFC 7636's verifier).
std::string CodeForm(const OAuthClient& client, const std::string& code,
                     const std::string& verifier, const std::string& redirectUri) {
    std::string form;
    form.reserve(120 + 3 * (code.size() + verifier.size() + redirectUri.size() +
                            client.clientId.size() + client.clientSecret.size()));
    form += "grant_type=authorization_code&code=";
    AppendEncoded(form, code);
    form += "&code_verifier=";
    AppendEncoded(form, verifier);
    form += "&redirect_uri=";
    AppendEncoded(form, redirectUri);
    form += "&client_id=";
    AppendEncoded(form, client.clientId);
    if (!client.clientSecret.empty()) {
        form += "&client_secret=";
        AppendEncoded(form, client.clientSecret);
    }
    return form;
}

size_t Collect(char* data, size_t size, size_t count, void* target) {
    auto& reply = *static_cast<std::string*>(target);
    if (reply.size() + size * count > kLargestReply) return 0;  // ends the transfer
    reply.append(data, size * count);
    return size * count;
}

// Posts `form` to the token endpoint and reads its reply; the form is wiped afterwards.
// `secrets` are kept out of any error text.
OAuthTokens PostTokenRequest(const OAuthClient& client, std::string& form,
                             std::initializer_list<std::string_view> secrets) {
    RequireSafeUrl(client.tokenUrl);
    InitializeOnce();
    const CurlPtr<CURL> handle(curl_easy_init());
    if (!handle) {
        ForgetSecret(form);
        throw EOAuthError(Kind::Unreachable, "The HTTP library could not start");
    }
    CURL* curl = handle.get();

    std::string reply;
    char failure[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, client.tokenUrl.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(client.timeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, form.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(form.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, failure);
    const CURLcode result = curl_easy_perform(curl);
    ForgetSecret(form);
    if (result != CURLE_OK) {
        ForgetSecret(reply);
        const std::string why = failure[0] != '\0' ? failure : curl_easy_strerror(result);
        throw EOAuthError(Kind::Unreachable, result == CURLE_WRITE_ERROR
                                                 ? "The authorization server's reply is larger "
                                                   "than a token reply can be"
                                                 : "The authorization server could not be asked "
                                                   "for a token: " +
                                                       why);
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    try {
        OAuthTokens tokens = ReadTokenReply(status, reply, secrets);
        ForgetSecret(reply);
        return tokens;
    } catch (...) {
        ForgetSecret(reply);
        throw;
    }
}

}  // namespace

OAuthTokens RefreshAccessToken(const OAuthClient& client, const std::string& refreshToken) {
    std::string form = RefreshForm(client, refreshToken);
    return PostTokenRequest(client, form, {refreshToken, client.clientSecret});
}

OAuthTokens ExchangeCode(const OAuthClient& client, const std::string& code,
                         const std::string& verifier, const std::string& redirectUri) {
    std::string form = CodeForm(client, code, verifier, redirectUri);
    return PostTokenRequest(client, form, {code, verifier, client.clientSecret});
}

}  // namespace kelvane

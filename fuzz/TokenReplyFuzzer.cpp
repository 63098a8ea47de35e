// Feeds arbitrary token endpoint replies, with a status from the input's first two bytes, to the
// reader: it must give tokens or its own error, and never quote the secrets it was told of.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "OAuthErrors.h"
#include "TokenReply.h"

namespace {

constexpr std::string_view kRefreshToken = "1//refresh-token-that-must-not-show";
constexpr std::string_view kClientSecret = "client-secret-that-must-not-show";

bool Quotes(std::string_view text) {
    return text.find(kRefreshToken) != std::string_view::npos ||
           text.find(kClientSecret) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const long status = 100 + (data[0] << 8 | data[1]) % 500;
    std::string body(reinterpret_cast<const char*>(data + 2), size - 2);
    // Let the secrets occur in the reply, as a server quoting the request would.
    for (std::size_t at = body.find('$'); at != std::string::npos; at = body.find('$', at)) {
        body.replace(at, 1, at % 2 == 0 ? kRefreshToken : kClientSecret);
        at += 1;
    }
    try {
        const kelvane::OAuthTokens tokens =
            kelvane::ReadTokenReply(status, body, {kRefreshToken, kClientSecret});
        if (tokens.accessToken.empty()) std::abort();
    } catch (const kelvane::EOAuthError& error) {
        if (Quotes(error.what())) std::abort();
    }
    return 0;
}

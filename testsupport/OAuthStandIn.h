#pragma once

#include "ChildProcess.h"
#include "LoopbackHttp.h"
#include "TempFolder.h"

#include <openssl/evp.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>

namespace kelvane::testsupport {

// An OAuth2 authorization server for tests (oauth_stand_in.py beside this file) on 127.0.0.1 and
// a free port: authorization with PKCE, tokens, refresh, introspection for Dovecot, revocation.
// Its one user approves every request at once. The destructor ends it by its pid.
class OAuthStandIn {
  public:
    static constexpr const char* kClientId = "kelvane-test";
    // Where the tests pretend the program listens for the redirect (RFC 8252); nothing need
    // listen there, since the tests read the redirect's address themselves.
    static constexpr const char* kRedirect = "http://127.0.0.1:8765/kelvane";

    struct Tokens {
        std::string access;
        std::string refresh;
        std::string expiresIn;  // as the token reply gave it
    };

    // "" when the stand-in can run here, else the reason, for GTEST_SKIP().
    static std::string Unavailable() {
        if (::access(kPython, X_OK) != 0) return std::string("no ") + kPython + " (python3)";
        return "";
    }

    explicit OAuthStandIn(const std::string& user = "ann", int lifetimeSeconds = 3600) {
        const std::string script =
            (std::filesystem::path(__FILE__).parent_path() / "oauth_stand_in.py").string();
        child_ = SpawnPeer(kPython,
                           {script, "--port-file", folder_.File("port"), "--client-id", kClientId,
                            "--user", user, "--lifetime", std::to_string(lifetimeSeconds)},
                           folder_.File("output"));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(folder_.File("port"))) {
            if (std::chrono::steady_clock::now() >= deadline || Ended()) {
                Stop();
                throw std::runtime_error("the OAuth2 stand-in did not start\n" +
                                         FileTail(folder_.File("output"), 20));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        port_ = static_cast<std::uint16_t>(std::stoi(FileBytes(folder_.File("port"))));
    }
    ~OAuthStandIn() { Stop(); }
    OAuthStandIn(const OAuthStandIn&) = delete;
    OAuthStandIn& operator=(const OAuthStandIn&) = delete;

    std::uint16_t port() const { return port_; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    // A verifier of RFC 7636's characters and length, new each time.
    static std::string NewVerifier() {
        static constexpr std::string_view kUnreserved =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~";
        std::random_device random;
        std::string verifier;
        for (int i = 0; i < 64; ++i) verifier += kUnreserved[random() % kUnreserved.size()];
        return verifier;
    }

    // The S256 challenge of `verifier`: base64url of its SHA-256, without padding.
    static std::string Challenge(const std::string& verifier) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_Digest(verifier.data(), verifier.size(), digest, &length, EVP_sha256(), nullptr);
        unsigned char encoded[2 * EVP_MAX_MD_SIZE];
        const int size = EVP_EncodeBlock(encoded, digest, static_cast<int>(length));
        std::string challenge(reinterpret_cast<char*>(encoded), static_cast<std::size_t>(size));
        for (char& c : challenge) c = c == '+' ? '-' : c == '/' ? '_' : c;
        return challenge.substr(0, challenge.find('='));
    }

    // What the browser does: asks the authorization endpoint and follows it to the redirect,
    // whose address is returned ("http://127.0.0.1:8765/kelvane?state=...&code=...").
    std::string Authorize(const std::string& challenge, const std::string& state,
                          const std::string& scope = "mail") const {
        const HttpReply reply =
            HttpExchange(port_, "GET",
                         "/authorize?response_type=code&client_id=" + std::string(kClientId) +
                             "&redirect_uri=" + FormEncoded(kRedirect) +
                             "&scope=" + FormEncoded(scope) + "&state=" + FormEncoded(state) +
                             "&code_challenge=" + challenge + "&code_challenge_method=S256");
        const auto location = reply.headers.find("location");
        if (reply.status != 302 || location == reply.headers.end())
            throw std::runtime_error("the authorization endpoint said " + reply.body);
        return location->second;
    }

    // What the program does with the code of the redirect.
    HttpReply RedeemCode(const std::string& code, const std::string& verifier) const {
        return HttpExchange(port_, "POST", "/token",
                            "grant_type=authorization_code&client_id=" + std::string(kClientId) +
                                "&redirect_uri=" + FormEncoded(kRedirect) + "&code=" +
                                FormEncoded(code) + "&code_verifier=" + FormEncoded(verifier));
    }

    // The whole first sign-in: a PKCE pair, the browser's part, the code redeemed.
    Tokens SignIn() const {
        const std::string verifier = NewVerifier();
        const std::string redirect = Authorize(Challenge(verifier), "s1");
        const std::string query = redirect.substr(redirect.find('?') + 1);
        if (QueryValue(query, "state") != "s1") throw std::runtime_error("state lost: " + query);
        const HttpReply reply = RedeemCode(QueryValue(query, "code"), verifier);
        if (reply.status != 200) throw std::runtime_error("no tokens: " + reply.body);
        return {JsonString(reply.body, "access_token"), JsonString(reply.body, "refresh_token"),
                NumberField(reply.body, "expires_in")};
    }

    // RFC 7009: the token ends; a refresh token takes its access tokens with it.
    void Revoke(const std::string& token) const {
        HttpExchange(port_, "POST", "/revoke", "token=" + FormEncoded(token));
    }

    // Every access token issued so far expires now.
    void ExpireAccessTokens() const { HttpExchange(port_, "POST", "/expire", "now=1"); }

    // How often an endpoint ("introspect", "token", ...) was asked.
    int Count(const std::string& endpoint) const {
        const std::string body = HttpExchange(port_, "GET", "/counts").body;
        return std::atoi(NumberField(body, endpoint).c_str());
    }

    void Stop() {
        if (child_ <= 0) return;
        ::kill(child_, SIGTERM);
        if (!ReapedWithin(child_, std::chrono::seconds(5))) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        child_ = -1;
    }

  private:
    static constexpr const char* kPython = "/usr/bin/python3";

    // Reaps a child that ended on its own, so that Stop() leaves the pid alone.
    bool Ended() {
        if (::waitpid(child_, nullptr, WNOHANG) != child_) return false;
        child_ = -1;
        return true;
    }

    static std::string NumberField(std::string_view json, const std::string& key) {
        const std::size_t at = json.find("\"" + key + "\":");
        if (at == std::string_view::npos) return "";
        std::string_view rest = json.substr(at + key.size() + 3);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        return std::string(rest.substr(0, rest.find_first_not_of("0123456789")));
    }

    TempFolder folder_;
    pid_t child_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace kelvane::testsupport

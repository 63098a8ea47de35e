// Signing a run's sessions in with OAuth2: the access token before each session, and one
// renewal when the server refuses it.
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "ActivityLog.h"
#include "CheckFrontEnd.h"
#include "CheckRun.h"
#include "EventPump.h"
#include "MailErrors.h"
#include "OAuthErrors.h"
#include "PasswordCipher.h"
#include "SignInRefused.h"
#include "TmsRemotePOP.h"
#include "TokenClient.h"

namespace kelvane {

bool CheckRun::FetchAccessToken(bool absorbErrors) {
    try {
        TakeAccessToken(false);
        return true;
    } catch (const ECanceledError&) {
        Canceled();
    } catch (const EServerError& error) {
        lastError_ = error.what();
        frontEnd_.ShowStatus(lastError_);
        if (!absorbErrors) frontEnd_.Error(lastError_);
    }
    return false;
}

void CheckRun::TakeAccessToken(bool renew) {
    if (cancelRequested_) throw ECanceledError(kOperationCanceled);
    if (renew) oauth_.Forget(client_.Server, client_.UserName);
    std::string failure;
    try {
        ForgetSecret(client_.AccessToken);
        client_.AccessToken = oauth_.AccessToken(oauthMailbox_, secrets_);
    } catch (const EOAuthError& error) {
        failure = error.what();
    } catch (const SecretStoreError& error) {
        failure = error.what();
    }
    if (cancelRequested_) throw ECanceledError(kOperationCanceled);
    if (failure.empty()) return;
    log_.WriteErrorRecord(failure, client_.UserName, client_.Server);
    lastErrorLogged_ = true;
    throw EServerError(failure);
}

// The token request runs on a thread of its own while the run waits like any other wait: the
// window keeps drawing and a Cancel ends the wait at once. A request given up that way ends by
// its own time-out, and its answer is wiped unread.
OAuthTokens CheckRun::RefreshWhilePumping(const OAuthClient& client,
                                          const std::string& refreshToken) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        OAuthTokens tokens;
        std::exception_ptr error;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, client, refresh = std::string(refreshToken)]() mutable {
        OAuthTokens tokens;
        std::exception_ptr error;
        try {
            tokens = RefreshAccessToken(client, refresh);
        } catch (...) {
            error = std::current_exception();
        }
        ForgetSecret(refresh);
        const std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->abandoned) {
            ForgetSecret(tokens.accessToken);
            ForgetSecret(tokens.refreshToken);
        } else {
            shared->tokens = std::move(tokens);
            shared->error = error;
        }
        shared->finished = true;
        shared->done.notify_one();
    }).detach();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(shared->mutex);
            if (shared->done.wait_for(lock, std::chrono::milliseconds(20),
                                      [&] { return shared->finished; })) {
                if (shared->error) std::rethrow_exception(shared->error);
                return std::move(shared->tokens);
            }
        }
        PumpEvents();
        if (cancelRequested_) {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->abandoned = true;
            throw ECanceledError(kOperationCanceled);
        }
    }
}

// A refusal comes before anything else in the session, so trying it again repeats nothing.
void CheckRun::SigningIn(const std::function<void()>& session) {
    if (client_.SignIn != PopSignIn::OAuth2) return session();
    TakeAccessToken(false);
    try {
        session();
        return;
    } catch (const ESignInRefused&) {
        if (cancelRequested_) throw;
    }
    TakeAccessToken(true);
    session();
}

}  // namespace kelvane

// Signing a run's sessions in with OAuth2: the access token before each session, and one
// renewal when the server refuses it.
#include "ActivityLog.h"
#include "CheckFrontEnd.h"
#include "CheckRun.h"
#include "MailErrors.h"
#include "OAuthErrors.h"
#include "PasswordCipher.h"
#include "SignInRefused.h"
#include "TmsRemotePOP.h"

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

// The token request blocks the calling thread for at most its time-out and pumps no events, so
// no handler runs in the middle of it; a cancel asked for before or while it waited is seen
// after it.
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

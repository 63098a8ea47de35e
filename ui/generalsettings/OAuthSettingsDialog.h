#pragma once

#include <QDialog>
#include <string>

#include "MailboxAccounts.h"
#include "OAuthBrowserSignIn.h"
#include "SecretStore.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace kelvane {

class MessageBoxes;

// What signing in with OAuth2 needs besides the dialog's fields.
struct OAuthSignInServices {
    SecretStore* keyring = nullptr;  // where the refresh token goes; none: no OAuth2 sign-in
    OAuthBrowserSignIn::OpenBrowser openBrowser;
    MessageBoxes* boxes = nullptr;
};

// Whether the keyring holds a refresh token for `key`'s mailbox; false when it cannot say.
bool HoldsRefreshToken(SecretStore* keyring, SecretKey key);

// One mailbox's OAuth2 settings: the provider (a preset or its own addresses), the client id
// and secret, and "Sign in..." for the first sign-in in the browser, whose refresh token goes
// straight into the desktop keyring, never into the settings.
class OAuthSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // `account` gives the OAuth2 fields and the mailbox (server and user name) signed in to.
    OAuthSettingsDialog(const MailboxAccount& account, OAuthSignInServices services,
                        QWidget* parent = nullptr);

    // The OAuth2 fields as the dialog holds them, into `account`.
    void takeSettings(MailboxAccount& account) const;

  private:
    QWidget* createFields();
    void showProvider();
    void showSignedIn();
    void signIn();
    std::optional<OAuthSignInRequest> signInRequest();
    // Runs the browser's part, waiting in a small window the user can cancel; the refresh
    // token, or nothing after an error (told) or a cancel.
    std::optional<std::string> waitForBrowser(const OAuthSignInRequest& request);
    void keep(std::string refreshToken);

    SecretKey key_;
    OAuthSignInServices services_;
    QComboBox* provider_ = nullptr;
    QLineEdit* authorizeUrl_ = nullptr;
    QLineEdit* tokenUrl_ = nullptr;
    QLineEdit* scope_ = nullptr;
    QLineEdit* clientId_ = nullptr;
    QLineEdit* clientSecret_ = nullptr;
    QLabel* state_ = nullptr;
    // The custom addresses as typed, shown again when the user comes back to "Custom".
    MailboxAccount custom_;
    bool showingCustom_ = false;
};

}  // namespace kelvane

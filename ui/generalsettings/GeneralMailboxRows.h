#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "MailboxAccounts.h"
#include "OAuthSettingsDialog.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kelvane {

// The "Mailboxes" page of the general settings: one row per mailbox with its server, user name,
// how it signs in (a password or password command, or OAuth2 with its settings behind a button),
// where that secret is kept, protection, check mark and certificate pin, and the choice of the
// selected mailbox.
class GeneralMailboxRows : public QWidget {
    Q_OBJECT

  public:
    explicit GeneralMailboxRows(QWidget* parent = nullptr);

    void showAccounts(const MailboxAccounts& accounts);
    // The rows as the user left them, into `accounts`.
    void takeAccounts(MailboxAccounts& accounts) const;
    // Says where the passwords typed here are kept: `keyring` when a desktop keyring runs.
    void showPasswordStore(bool keyring);
    // What "Sign in..." of the OAuth2 settings uses.
    void setSignInServices(OAuthSignInServices services);
    // The field that holds `field` of mailbox `mailbox`.
    QWidget* field(int mailbox, AccountField field) const;

  private:
    struct Row {
        QRadioButton* select = nullptr;
        QLineEdit* server = nullptr;
        QLineEdit* userName = nullptr;
        QComboBox* signIn = nullptr;
        QLineEdit* password = nullptr;
        QLineEdit* passwordCommand = nullptr;
        QComboBox* security = nullptr;
        QCheckBox* check = nullptr;
        QLabel* pin = nullptr;
        QPushButton* forgetPin = nullptr;
        QLabel* secret = nullptr;
        QPushButton* oauth = nullptr;
        std::string fingerprint;       // as the window holds it until OK
        MailboxAccount oauthSettings;  // its OAuth fields only, as the window holds them
    };

    QWidget* createRows();
    void createRow(QGridLayout* grid, int mailbox);
    void showPin(Row& row, const std::string& fingerprint);
    // The password field is of no use while a command gives the password.
    void showPasswordSource(Row& row);
    // Where the row's secret is kept, as far as the page can tell.
    void showSecretPlace(Row& row);
    void editOAuth(int mailbox);

    std::array<Row, kMailboxCount> rows_;
    QButtonGroup* selection_ = nullptr;
    QLabel* commandNote_ = nullptr;
    QLabel* storeNote_ = nullptr;
    bool keyringRunning_ = false;
    OAuthSignInServices signInServices_;
};

}  // namespace kelvane

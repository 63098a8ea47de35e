#include "GeneralMailboxRows.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "MailboxSecurity.h"
#include "ShownText.h"

namespace kelvane {
namespace {

QString Numbered(const char* name, int mailbox) {
    return QString::fromLatin1(name) + QString::number(mailbox);
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

GeneralMailboxRows::GeneralMailboxRows(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* explanation = PlainLabel(
        tr("Enter the name of your POP server (for example pop.example.net, followed by :port "
           "when it is not the usual one), your user name on that server and your password, or "
           "a command that prints it. "
           "Your Internet service provider can give you this information."),
        this);
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setWidget(createRows());
    layout->addWidget(scroll, 1);

    auto* note =
        PlainLabel(tr("Mailboxes without a check mark will not be checked for e-mail."), this);
    note->setWordWrap(true);
    layout->addWidget(note);

    commandNote_ = PlainLabel(tr("Mailboxes with a password command sign in with the first line "
                                 "it prints; their password field is not used."),
                              this);
    commandNote_->setObjectName(QStringLiteral("lblPasswordCommandNote"));
    commandNote_->setWordWrap(true);
    commandNote_->hide();
    layout->addWidget(commandNote_);

    storeNote_ = PlainLabel(QString(), this);
    storeNote_->setObjectName(QStringLiteral("lblPasswordStore"));
    storeNote_->setWordWrap(true);
    layout->addWidget(storeNote_);
    showPasswordStore(false);
}

void GeneralMailboxRows::showPasswordStore(bool keyring) {
    keyringRunning_ = keyring;
    storeNote_->setText(keyring ? tr("Passwords and OAuth2 sign-ins are kept in the desktop "
                                     "keyring.")
                                : tr("No desktop keyring is running: passwords are kept "
                                     "enciphered in the settings file, and OAuth2 cannot sign "
                                     "in."));
}

void GeneralMailboxRows::setSignInServices(OAuthSignInServices services) {
    signInServices_ = std::move(services);
}

QWidget* GeneralMailboxRows::createRows() {
    auto* rows = new QWidget;
    auto* grid = new QGridLayout(rows);
    int column = 1;
    for (const QString& heading :
         {tr("POP Server"), tr("User Name/Mailbox"), tr("Sign-in"), tr("Password"),
          tr("Password command"), tr("Security"), tr("Check?"), tr("Kept in")}) {
        grid->addWidget(PlainLabel(heading, rows), 0, column++);
    }
    selection_ = new QButtonGroup(this);
    for (int mailbox = 1; mailbox <= kMailboxCount; ++mailbox) createRow(grid, mailbox);
    grid->setRowStretch(kMailboxCount + 1, 1);
    return rows;
}

void GeneralMailboxRows::createRow(QGridLayout* grid, int mailbox) {
    QWidget* parent = grid->parentWidget();
    Row& row = rows_[mailbox - 1];
    row.select = new QRadioButton(tr("Mailbox %1").arg(mailbox), parent);
    row.select->setObjectName(Numbered("rbMailbox", mailbox));
    selection_->addButton(row.select, mailbox);

    row.server = new QLineEdit(parent);
    row.server->setObjectName(Numbered("edServe", mailbox));
    row.userName = new QLineEdit(parent);
    row.userName->setObjectName(Numbered("edName", mailbox));
    row.signIn = new QComboBox(parent);
    row.signIn->setObjectName(Numbered("cbSignIn", mailbox));
    // In the order of the stored values 0 and 1.
    row.signIn->addItems({tr("Password"), tr("OAuth2")});
    connect(row.signIn, &QComboBox::currentIndexChanged, this,
            [this, mailbox] { showPasswordSource(rows_[mailbox - 1]); });
    for (QLineEdit* key : {row.server, row.userName}) {
        connect(key, &QLineEdit::editingFinished, this,
                [this, mailbox] { showSecretPlace(rows_[mailbox - 1]); });
    }
    row.password = new QLineEdit(parent);
    row.password->setObjectName(Numbered("edPass", mailbox));
    row.password->setEchoMode(QLineEdit::Password);
    row.passwordCommand = new QLineEdit(parent);
    row.passwordCommand->setObjectName(Numbered("edPasswordCommand", mailbox));
    row.passwordCommand->setToolTip(
        tr("A command whose first output line is the password, e.g. pass show mail/ann"));
    connect(row.passwordCommand, &QLineEdit::textChanged, this,
            [this, mailbox] { showPasswordSource(rows_[mailbox - 1]); });

    row.security = new QComboBox(parent);
    row.security->setObjectName(Numbered("cbSecurity", mailbox));
    // In the order of the stored values 0, 1 and 2.
    row.security->addItems({tr("None"), tr("STARTTLS"), tr("SSL/TLS")});

    row.check = new QCheckBox(tr("?"), parent);
    row.check->setObjectName(Numbered("cb", mailbox));

    row.pin = PlainLabel(tr("Certificate pinned"), parent);
    row.pin->setObjectName(Numbered("lblPin", mailbox));
    row.forgetPin = new QPushButton(tr("Forget"), parent);
    row.forgetPin->setObjectName(Numbered("btForgetPin", mailbox));
    connect(row.forgetPin, &QPushButton::clicked, this,
            [this, mailbox] { showPin(rows_[mailbox - 1], std::string()); });

    row.secret = PlainLabel(QString(), parent);
    row.secret->setObjectName(Numbered("lblSecret", mailbox));
    row.oauth = new QPushButton(tr("OAuth2..."), parent);
    row.oauth->setObjectName(Numbered("btOAuth", mailbox));
    row.oauth->setToolTip(tr("The OAuth2 provider and client id, and signing in"));
    connect(row.oauth, &QPushButton::clicked, this, [this, mailbox] { editOAuth(mailbox); });

    const int line = mailbox;
    int column = 0;
    for (QWidget* widget :
         {static_cast<QWidget*>(row.select), static_cast<QWidget*>(row.server),
          static_cast<QWidget*>(row.userName), static_cast<QWidget*>(row.signIn),
          static_cast<QWidget*>(row.password), static_cast<QWidget*>(row.passwordCommand),
          static_cast<QWidget*>(row.security), static_cast<QWidget*>(row.check),
          static_cast<QWidget*>(row.secret), static_cast<QWidget*>(row.oauth),
          static_cast<QWidget*>(row.pin), static_cast<QWidget*>(row.forgetPin)}) {
        grid->addWidget(widget, line, column++);
    }
}

// The dialog edits the row's OAuth2 settings until OK; a sign-in there is kept whatever the
// dialog's end, so the row's "Kept in" is brought up to date either way.
void GeneralMailboxRows::editOAuth(int mailbox) {
    Row& row = rows_[mailbox - 1];
    MailboxAccount account = row.oauthSettings;
    account.server = row.server->text().trimmed().toStdString();
    account.userName = row.userName->text().toStdString();
    auto* dialog = new OAuthSettingsDialog(account, signInServices_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, mailbox, dialog] { dialog->takeSettings(rows_[mailbox - 1].oauthSettings); });
    connect(dialog, &QDialog::finished, this,
            [this, mailbox] { showSecretPlace(rows_[mailbox - 1]); });
    dialog->open();
}

void GeneralMailboxRows::showPin(Row& row, const std::string& fingerprint) {
    row.fingerprint = fingerprint;
    row.pin->setToolTip(ShownText(fingerprint));
    row.pin->setVisible(!fingerprint.empty());
    row.forgetPin->setVisible(!fingerprint.empty());
}

void GeneralMailboxRows::showPasswordSource(Row& row) {
    const bool oauth2 = row.signIn->currentIndex() == 1;
    const bool command = !row.passwordCommand->text().trimmed().isEmpty();
    row.password->setEnabled(!command && !oauth2);
    row.passwordCommand->setEnabled(!oauth2);
    row.oauth->setVisible(oauth2);
    row.password->setPlaceholderText(command ? tr("From the command") : QString());
    row.password->setToolTip(command ? tr("The password command gives this password.") : QString());
    commandNote_->setVisible(std::any_of(rows_.begin(), rows_.end(), [](const Row& each) {
        return !each.passwordCommand->text().trimmed().isEmpty();
    }));
    showSecretPlace(row);
}

void GeneralMailboxRows::showSecretPlace(Row& row) {
    QString place;
    if (row.server->text().trimmed().isEmpty()) {
        place.clear();
    } else if (row.signIn->currentIndex() == 1) {
        const SecretKey key{row.server->text().trimmed().toStdString(),
                            row.userName->text().toStdString(), SecretKind::RefreshToken};
        place = HoldsRefreshToken(signInServices_.keyring, key) ? tr("token in the desktop keyring")
                                                                : tr("not signed in");
    } else if (!row.passwordCommand->text().trimmed().isEmpty()) {
        place = tr("the password command");
    } else {
        place = keyringRunning_ ? tr("the desktop keyring") : tr("the settings file");
    }
    row.secret->setText(place);
}

void GeneralMailboxRows::showAccounts(const MailboxAccounts& accounts) {
    for (int mailbox = 1; mailbox <= kMailboxCount; ++mailbox) {
        const MailboxAccount& account = accounts.Account(mailbox);
        Row& row = rows_[mailbox - 1];
        row.server->setText(QString::fromStdString(account.server));
        row.userName->setText(QString::fromStdString(account.userName));
        row.password->setText(QString::fromStdString(account.password));
        row.passwordCommand->setText(QString::fromStdString(account.passwordCommand));
        row.oauthSettings = account;
        {
            const QSignalBlocker quiet(row.signIn);
            row.signIn->setCurrentIndex(account.oauth2 ? 1 : 0);
        }
        showPasswordSource(row);
        // A new mailbox starts with the protection most servers offer.
        row.security->setCurrentIndex(account.server.empty() ? kSecurityImplicit
                                                             : account.security);
        row.check->setChecked(account.check);
        showPin(row, account.fingerprint);
    }
    rows_[ValidMailboxNumber(accounts.which) - 1].select->setChecked(true);
}

void GeneralMailboxRows::takeAccounts(MailboxAccounts& accounts) const {
    for (int mailbox = 1; mailbox <= kMailboxCount; ++mailbox) {
        const Row& row = rows_[mailbox - 1];
        MailboxAccount& account = accounts.Account(mailbox);
        account.server = row.server->text().toStdString();
        account.userName = row.userName->text().toStdString();
        account.password = row.password->text().toStdString();
        account.passwordCommand = row.passwordCommand->text().trimmed().toStdString();
        account.oauth2 = row.signIn->currentIndex() == 1;
        const MailboxAccount& oauth = row.oauthSettings;
        account.oauthProvider = oauth.oauthProvider;
        account.oauthAuthorizeUrl = oauth.oauthAuthorizeUrl;
        account.oauthTokenUrl = oauth.oauthTokenUrl;
        account.oauthScope = oauth.oauthScope;
        account.oauthClientId = oauth.oauthClientId;
        account.oauthClientSecret = oauth.oauthClientSecret;
        account.security = row.security->currentIndex();
        account.check = row.check->isChecked();
        account.fingerprint = row.fingerprint;
    }
    accounts.which = ValidMailboxNumber(selection_->checkedId());
}

QWidget* GeneralMailboxRows::field(int mailbox, AccountField field) const {
    const Row& row = rows_.at(ValidMailboxNumber(mailbox) - 1);
    switch (field) {
        case AccountField::Server:
            return row.server;
        case AccountField::UserName:
            return row.userName;
        case AccountField::Password:
            break;
    }
    return row.password;
}

}  // namespace kelvane

#include "OAuthSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "MessageBoxes.h"
#include "OAuthProviders.h"
#include "PasswordCipher.h"
#include "ShownText.h"

namespace kelvane {
namespace {

constexpr const char* kCustom = "custom";

QLineEdit* Field(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    // Wide enough for a provider's addresses to be read whole.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 60);
    return edit;
}

// The small window that waits for the browser; Cancel and Escape give up.
class BrowserWait : public QDialog {
  public:
    explicit BrowserWait(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("dlgSignInWait"));
        setWindowTitle(tr("Signing in"));
        auto* layout = new QVBoxLayout(this);
        auto* text = new QLabel(tr("Sign in in the web browser and allow Kelvane to read your "
                                   "mail. This window closes when the browser is done."),
                                this);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        layout->addWidget(text);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancelSignIn"));
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }
};

}  // namespace

bool HoldsRefreshToken(SecretStore* keyring, SecretKey key) {
    if (keyring == nullptr || key.server.empty()) return false;
    key.kind = SecretKind::RefreshToken;
    try {
        if (!keyring->Available()) return false;
        std::optional<std::string> token = keyring->Lookup(key);
        if (!token) return false;
        ForgetSecret(*token);
        return true;
    } catch (const SecretStoreError&) {
        return false;
    }
}

OAuthSettingsDialog::OAuthSettingsDialog(const MailboxAccount& account,
                                         OAuthSignInServices services, QWidget* parent)
    : QDialog(parent),
      key_{account.server, account.userName, SecretKind::RefreshToken},
      services_(std::move(services)) {
    setObjectName(QStringLiteral("dlgOAuth"));
    setWindowTitle(tr("OAuth2 sign-in"));
    custom_.oauthAuthorizeUrl = account.oauthAuthorizeUrl;
    custom_.oauthTokenUrl = account.oauthTokenUrl;
    custom_.oauthScope = account.oauthScope;

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createFields());

    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("lblOAuthState"));
    state_->setTextFormat(Qt::PlainText);
    state_->setWordWrap(true);
    layout->addWidget(state_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btOAuthOK"));
    auto* signIn = buttons->addButton(tr("Sign in..."), QDialogButtonBox::ActionRole);
    signIn->setObjectName(QStringLiteral("btSignIn"));
    connect(signIn, &QPushButton::clicked, this, &OAuthSettingsDialog::signIn);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    const int preset = provider_->findData(QString::fromStdString(account.oauthProvider));
    provider_->setCurrentIndex(preset >= 0 ? preset : provider_->findData(kCustom));
    clientId_->setText(QString::fromStdString(account.oauthClientId));
    clientSecret_->setText(QString::fromStdString(account.oauthClientSecret));
    showProvider();
    connect(provider_, &QComboBox::currentIndexChanged, this, &OAuthSettingsDialog::showProvider);
    showSignedIn();
}

QWidget* OAuthSettingsDialog::createFields() {
    auto* fields = new QWidget(this);
    auto* form = new QFormLayout(fields);
    auto* mailbox =
        new QLabel(tr("%1 on %2").arg(ShownText(key_.user), ShownText(key_.server)), fields);
    mailbox->setTextFormat(Qt::PlainText);
    form->addRow(tr("Mailbox:"), mailbox);

    provider_ = new QComboBox(fields);
    provider_->setObjectName(QStringLiteral("cbOAuthProvider"));
    provider_->addItem(tr("Google"), QStringLiteral("google"));
    provider_->addItem(tr("Microsoft"), QStringLiteral("microsoft"));
    provider_->addItem(tr("Custom"), QString::fromLatin1(kCustom));
    form->addRow(tr("Provider:"), provider_);
    authorizeUrl_ = Field("edAuthorizeUrl", fields);
    form->addRow(tr("Authorization URL:"), authorizeUrl_);
    tokenUrl_ = Field("edTokenUrl", fields);
    form->addRow(tr("Token URL:"), tokenUrl_);
    scope_ = Field("edScope", fields);
    form->addRow(tr("Scope:"), scope_);
    clientId_ = Field("edClientId", fields);
    clientId_->setToolTip(
        tr("The client id of the desktop application you registered with the "
           "provider (see \"Signing in\" in the README)"));
    form->addRow(tr("Client id:"), clientId_);
    clientSecret_ = Field("edClientSecret", fields);
    clientSecret_->setEchoMode(QLineEdit::Password);
    clientSecret_->setPlaceholderText(tr("Only when the provider gave one"));
    form->addRow(tr("Client secret:"), clientSecret_);
    return fields;
}

// A preset shows its addresses without letting them be changed; "Custom" shows the user's own.
void OAuthSettingsDialog::showProvider() {
    if (showingCustom_) {
        custom_.oauthAuthorizeUrl = authorizeUrl_->text().toStdString();
        custom_.oauthTokenUrl = tokenUrl_->text().toStdString();
        custom_.oauthScope = scope_->text().toStdString();
    }
    const std::string name = provider_->currentData().toString().toStdString();
    const std::optional<OAuthProvider> preset = OAuthPreset(name);
    const bool custom = !preset;
    showingCustom_ = custom;
    for (QLineEdit* edit : {authorizeUrl_, tokenUrl_, scope_}) edit->setReadOnly(!custom);
    authorizeUrl_->setText(
        QString::fromStdString(custom ? custom_.oauthAuthorizeUrl : preset->authorizeUrl));
    tokenUrl_->setText(QString::fromStdString(custom ? custom_.oauthTokenUrl : preset->tokenUrl));
    scope_->setText(QString::fromStdString(custom ? custom_.oauthScope : preset->scope));
}

void OAuthSettingsDialog::takeSettings(MailboxAccount& account) const {
    account.oauthProvider = provider_->currentData().toString().toStdString();
    const bool custom = account.oauthProvider == kCustom;
    account.oauthAuthorizeUrl = custom ? authorizeUrl_->text().trimmed().toStdString() : "";
    account.oauthTokenUrl = custom ? tokenUrl_->text().trimmed().toStdString() : "";
    account.oauthScope = custom ? scope_->text().trimmed().toStdString() : "";
    account.oauthClientId = clientId_->text().trimmed().toStdString();
    account.oauthClientSecret = clientSecret_->text().toStdString();
}

void OAuthSettingsDialog::showSignedIn() {
    if (services_.keyring == nullptr || !services_.keyring->Available()) {
        state_->setText(tr("No desktop keyring is running: OAuth2 needs one to keep its sign-in."));
    } else {
        state_->setText(HoldsRefreshToken(services_.keyring, key_)
                            ? tr("Signed in: the token is kept in the desktop keyring.")
                            : tr("Not signed in."));
    }
}

std::optional<OAuthSignInRequest> OAuthSettingsDialog::signInRequest() {
    MessageBoxes& boxes = *services_.boxes;
    if (services_.keyring == nullptr || !services_.keyring->Available()) {
        boxes.Error(
            "OAuth2 needs the desktop keyring (GNOME Keyring, KWallet or KeePassXC): the sign-in "
            "is kept there and never in the settings file. Start one and sign in again.");
        return std::nullopt;
    }
    if (key_.server.empty() || key_.user.empty()) {
        boxes.Error("Enter the mailbox's server and user name before signing in.");
        return std::nullopt;
    }
    MailboxAccount settings;
    takeSettings(settings);
    const std::optional<OAuthProvider> provider = OAuthProviderOf(settings);
    if (!provider) {
        boxes.Error("Enter the provider's authorization and token URLs before signing in.");
        return std::nullopt;
    }
    if (settings.oauthClientId.empty()) {
        boxes.Error("Enter the client id registered with the provider before signing in.");
        return std::nullopt;
    }
    return OAuthSignInRequest{*provider, settings.oauthProvider, settings.oauthClientId,
                              settings.oauthClientSecret};
}

void OAuthSettingsDialog::signIn() {
    const std::optional<OAuthSignInRequest> request = signInRequest();
    if (!request) return;
    if (std::optional<std::string> token = waitForBrowser(*request)) keep(std::move(*token));
    showSignedIn();
}

std::optional<std::string> OAuthSettingsDialog::waitForBrowser(const OAuthSignInRequest& request) {
    OAuthBrowserSignIn flow(request, services_.openBrowser);
    BrowserWait wait(this);
    bool ended = false;
    bool ok = false;
    QString error;
    connect(&flow, &OAuthBrowserSignIn::finished, &wait, [&](bool succeeded, const QString& why) {
        ended = true;
        ok = succeeded;
        error = why;
        wait.accept();
    });
    connect(&wait, &QDialog::rejected, &flow, &OAuthBrowserSignIn::cancel);
    flow.start();
    if (!ended) wait.exec();
    if (ok) return flow.takeRefreshToken();
    if (!error.isEmpty()) services_.boxes->Error("Signing in failed. " + error.toStdString());
    return std::nullopt;
}

void OAuthSettingsDialog::keep(std::string refreshToken) {
    try {
        services_.keyring->Store(key_, refreshToken,
                                 "Kelvane: " + key_.user + " on " + key_.server + " (OAuth2)");
    } catch (const SecretStoreError& error) {
        services_.boxes->Error(std::string("The sign-in could not be kept: ") + error.what());
    }
    ForgetSecret(refreshToken);
}

}  // namespace kelvane

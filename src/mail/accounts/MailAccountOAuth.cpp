#include "mail/accounts/MailAccountOAuth.h"

#include "platform/oauth/AccessTokens.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {

template <typename Widget> Widget *Named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit *Edit(QWidget *parent, const char *name, const QString &placeholder)
{
    auto *edit = Named(new QLineEdit(parent), name);
    edit->setPlaceholderText(placeholder);
    return edit;
}

void AddRow(QFormLayout *form, const char *labelName, const QString &text, QWidget *field)
{
    auto *label = Named(new QLabel(text, form->parentWidget()), labelName);
    label->setBuddy(field);
    form->addRow(label, field);
}

OAuthSettings::Provider ProviderAt(const QComboBox *box)
{
    return OAuthSettings::Provider(box->currentData().toInt());
}

} // namespace

TMailAccountOAuth::TMailAccountOAuth(
    QWidget *group, QFormLayout *form, QWidget *passwordField, std::function<Profile()> account)
    : QObject(group)
    , m_group(group)
    , m_form(form)
    , m_passwordField(passwordField)
    , m_account(std::move(account))
{
    cmbAuth = Named(new QComboBox(group), "cmbAuth");
    cmbAuth->addItem(QStringLiteral("Password"), int(TransportSettings::Auth::Password));
    cmbAuth->addItem(
        QStringLiteral("OAuth 2.0 (Microsoft 365, Google)"), int(TransportSettings::Auth::OAuth2));
    cmbOAuthProvider = Named(new QComboBox(group), "cmbOAuthProvider");
    cmbOAuthProvider->addItem(QStringLiteral("Microsoft"), int(OAuthSettings::Provider::Microsoft));
    cmbOAuthProvider->addItem(QStringLiteral("Google"), int(OAuthSettings::Provider::Google));
    cmbOAuthProvider->addItem(
        QStringLiteral("Other provider"), int(OAuthSettings::Provider::Custom));
    edtClientId = Edit(group, "edtClientId", QStringLiteral("Application (client) id"));
    edtClientId->setToolTip(QStringLiteral(
        "The id of the application your business registered with the provider (see README)."));
    edtClientSecret = Edit(group, "edtClientSecret", QStringLiteral("None"));
    edtClientSecret->setEchoMode(QLineEdit::Password);
    edtClientSecret->setToolTip(QStringLiteral(
        "The client secret Google gives a desktop application; it is kept in the keyring."));
    edtTenant = Edit(group, "edtTenant", QStringLiteral("common"));
    edtTenant->setToolTip(QStringLiteral(
        "The directory (tenant) id or domain of your Microsoft 365 organisation; empty: common."));
    edtAuthorizationEndpoint
        = Edit(group, "edtAuthorizationEndpoint", QStringLiteral("https://.../authorize"));
    edtTokenEndpoint = Edit(group, "edtTokenEndpoint", QStringLiteral("https://.../token"));
    edtDeviceEndpoint = Edit(group, "edtDeviceEndpoint", QStringLiteral("None"));
    edtScopes = Edit(group, "edtScopes", QString());
    edtScopes->setToolTip(QStringLiteral("Separated by blanks; empty: the provider's usual ones."));
    btnSignIn = Named(new QPushButton(QStringLiteral("Sign in"), group), "btnSignIn");
    btnSignIn->setToolTip(QStringLiteral("Signs in with the provider in your web browser."));
    btnSignInCode
        = Named(new QPushButton(QStringLiteral("Sign in with a code"), group), "btnSignInCode");
    btnSignInCode->setToolTip(
        QStringLiteral("For a computer without a usable browser: enter a code on another device."));
    lblSignInState = Named(new QLabel(group), "lblSignInState");
    lblSignInState->setWordWrap(true);
    auto *buttons = new QWidget(group);
    buttons->setObjectName(QStringLiteral("wdgSignIn"));
    auto *row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(btnSignIn);
    row->addWidget(btnSignInCode);
    row->addStretch(1);

    // The choice goes above the password it replaces.
    int passwordRow = -1;
    QFormLayout::ItemRole role;
    form->getWidgetPosition(passwordField, &passwordRow, &role);
    auto *lblAuth = Named(new QLabel(QStringLiteral("Sign in &by:"), group), "lblAuth");
    lblAuth->setBuddy(cmbAuth);
    form->insertRow(passwordRow < 0 ? form->rowCount() : passwordRow, lblAuth, cmbAuth);
    AddRow(form, "lblOAuthProvider", QStringLiteral("Provider:"), cmbOAuthProvider);
    AddRow(form, "lblClientId", QStringLiteral("Client id:"), edtClientId);
    AddRow(form, "lblClientSecret", QStringLiteral("Client secret:"), edtClientSecret);
    AddRow(form, "lblTenant", QStringLiteral("Tenant:"), edtTenant);
    AddRow(form, "lblAuthorizationEndpoint", QStringLiteral("Authorization URL:"),
        edtAuthorizationEndpoint);
    AddRow(form, "lblTokenEndpoint", QStringLiteral("Token URL:"), edtTokenEndpoint);
    AddRow(form, "lblDeviceEndpoint", QStringLiteral("Device code URL:"), edtDeviceEndpoint);
    AddRow(form, "lblScopes", QStringLiteral("Scopes:"), edtScopes);
    form->addRow(QString(), buttons);
    form->addRow(QString(), lblSignInState);

    connect(cmbAuth, &QComboBox::currentIndexChanged, this, [this] { updateRows(); });
    connect(cmbOAuthProvider, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_loading)
            edtScopes->clear(); // another provider's scopes do not apply
        updateRows();
    });
    connect(btnSignIn, &QPushButton::clicked, this, [this] { signIn(false); });
    connect(btnSignInCode, &QPushButton::clicked, this, [this] { signIn(true); });
    updateRows();
}

bool TMailAccountOAuth::takesClientSecret() const
{
    return ProviderAt(cmbOAuthProvider) != OAuthSettings::Provider::Microsoft;
}

bool TMailAccountOAuth::chosen() const
{
    return TransportSettings::Auth(cmbAuth->currentData().toInt())
        == TransportSettings::Auth::OAuth2;
}

OAuthSettings TMailAccountOAuth::settings() const
{
    OAuthSettings s;
    s.provider = ProviderAt(cmbOAuthProvider);
    s.clientId = edtClientId->text().trimmed();
    s.tenant = edtTenant->text().trimmed();
    s.authorizationEndpoint = edtAuthorizationEndpoint->text().trimmed();
    s.tokenEndpoint = edtTokenEndpoint->text().trimmed();
    s.deviceEndpoint = edtDeviceEndpoint->text().trimmed();
    s.scopes = edtScopes->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // The preset's own scopes are not written out: a later change of them reaches the account.
    if (s.scopes == DefaultScopes(s.provider))
        s.scopes.clear();
    return s;
}

void TMailAccountOAuth::setFrom(const Profile &profile)
{
    m_loading = true;
    cmbAuth->setCurrentIndex(cmbAuth->findData(int(profile.transport.auth)));
    const OAuthSettings &o = profile.oauth;
    cmbOAuthProvider->setCurrentIndex(cmbOAuthProvider->findData(int(o.provider)));
    edtClientId->setText(o.clientId);
    edtTenant->setText(o.tenant);
    edtAuthorizationEndpoint->setText(o.authorizationEndpoint);
    edtTokenEndpoint->setText(o.tokenEndpoint);
    edtDeviceEndpoint->setText(o.deviceEndpoint);
    edtScopes->setText(o.scopes.join(QLatin1Char(' ')));
    edtClientSecret->clear();
    if (profile.transport.auth == TransportSettings::Auth::OAuth2 && takesClientSecret())
        edtClientSecret->setText(SecretStore().read(ClientSecretKey(profile.name)).secret);
    m_loading = false;
    updateRows();
    showState();
}

void TMailAccountOAuth::applyTo(Profile &profile) const
{
    profile.transport.auth = TransportSettings::Auth(cmbAuth->currentData().toInt());
    profile.oauth = settings();
}

void TMailAccountOAuth::suggestProvider(OAuthSettings::Provider provider)
{
    cmbOAuthProvider->setCurrentIndex(cmbOAuthProvider->findData(int(provider)));
}

QString TMailAccountOAuth::validate(QWidget **control) const
{
    if (!chosen())
        return {};
    const OAuthSettings s = settings();
    QWidget *field = nullptr;
    QString problem;
    if (s.clientId.isEmpty()) {
        field = edtClientId;
        problem = QStringLiteral("Enter the client id of the application registered with the "
                                 "provider for signing in with OAuth 2.0.");
    } else if (s.provider == OAuthSettings::Provider::Custom) {
        for (QLineEdit *edit : { edtAuthorizationEndpoint, edtTokenEndpoint }) {
            const QUrl url(edit->text().trimmed());
            if (!url.isValid() || url.host().isEmpty()
                || (url.scheme() != u"https" && url.scheme() != u"http")) {
                field = edit;
                problem = QStringLiteral("Enter the provider's %1 URL, e.g. "
                                         "https://login.example.com/oauth2/%2.")
                              .arg(edit == edtTokenEndpoint ? QStringLiteral("token")
                                                            : QStringLiteral("authorization"),
                                  edit == edtTokenEndpoint ? QStringLiteral("token")
                                                           : QStringLiteral("authorize"));
                break;
            }
        }
    }
    if (control)
        *control = field;
    return problem;
}

void TMailAccountOAuth::updateRows()
{
    const bool oauth = chosen();
    const OAuthSettings::Provider provider = ProviderAt(cmbOAuthProvider);
    const bool custom = provider == OAuthSettings::Provider::Custom;
    m_form->setRowVisible(m_passwordField, !oauth);
    m_form->setRowVisible(cmbOAuthProvider, oauth);
    m_form->setRowVisible(edtClientId, oauth);
    m_form->setRowVisible(edtClientSecret, oauth && takesClientSecret());
    m_form->setRowVisible(edtTenant, oauth && provider == OAuthSettings::Provider::Microsoft);
    m_form->setRowVisible(edtAuthorizationEndpoint, oauth && custom);
    m_form->setRowVisible(edtTokenEndpoint, oauth && custom);
    m_form->setRowVisible(edtDeviceEndpoint, oauth && custom);
    m_form->setRowVisible(edtScopes, oauth);
    m_form->setRowVisible(btnSignIn->parentWidget(), oauth);
    m_form->setRowVisible(lblSignInState, oauth);
    edtScopes->setPlaceholderText(DefaultScopes(provider).join(QLatin1Char(' ')));
    // The code prompt is modal; a browser sign-in can always be started again.
    const bool idle = !m_prompt;
    btnSignIn->setEnabled(idle);
    // A device code sign-in needs a provider that offers one for mail (Google does not).
    btnSignInCode->setEnabled(idle && !ResolveEndpoints(settings()).device.isEmpty());
}

bool TMailAccountOAuth::signedIn() const
{
    return SecretStore().read(RefreshTokenKey(m_account().name)).ok();
}

void TMailAccountOAuth::showState(const QString &text)
{
    if (!text.isEmpty()) {
        lblSignInState->setText(text);
        return;
    }
    if (!chosen()) {
        lblSignInState->clear();
        return;
    }
    lblSignInState->setText(
        signedIn() ? QStringLiteral("Signed in.") : QStringLiteral("Not signed in yet."));
}

void TMailAccountOAuth::signIn(bool withCode, Then then)
{
    if (m_running) {
        // The browser may have been closed before the provider sent it back: start afresh.
        disconnect(m_running, nullptr, this, nullptr);
        m_running->cancel();
        m_running->deleteLater();
        m_running = nullptr;
    }
    QWidget *control = nullptr;
    const QString problem = validate(&control);
    if (!problem.isEmpty()) {
        showState(problem);
        if (control)
            control->setFocus(Qt::OtherFocusReason);
        Q_EMIT signInFinished(false, problem);
        if (then)
            then(false, problem);
        return;
    }
    m_then = std::move(then);
    OAuthEndpoints endpoints = ResolveEndpoints(settings());
    if (takesClientSecret())
        endpoints.clientSecret = edtClientSecret->text().trimmed();
    if (withCode) {
        auto *device = new DeviceSignIn(endpoints, this);
        connect(device, &DeviceSignIn::codeReady, this,
            [this](const QString &code, const QUrl &address, const QString &message) {
                auto *prompt = new TDlgDeviceCode(code, address, message, m_group->window());
                prompt->setAttribute(Qt::WA_DeleteOnClose);
                connect(prompt, &QDialog::rejected, this, [this] {
                    if (m_running) {
                        m_running->cancel();
                        m_running->deleteLater();
                    }
                    m_running = nullptr;
                    m_prompt = nullptr;
                    m_then = nullptr;
                    showState(QStringLiteral("The sign-in was cancelled."));
                    updateRows();
                });
                m_prompt = prompt;
                prompt->open();
                updateRows();
            });
        m_running = device;
    } else {
        auto *browser = new BrowserSignIn(endpoints, this);
        if (m_browser)
            browser->setBrowser(m_browser);
        m_running = browser;
    }
    connect(m_running, &SignIn::finished, this, [this](const TokenReply &reply) { finish(reply); });
    showState(withCode ? QStringLiteral("Waiting for the code to be entered ...")
                       : QStringLiteral("Waiting for the sign-in in the browser ..."));
    updateRows();
    m_running->start();
}

void TMailAccountOAuth::finish(const TokenReply &reply)
{
    if (m_prompt) {
        disconnect(m_prompt, nullptr, this, nullptr);
        m_prompt->close();
        m_prompt = nullptr;
    }
    if (m_running)
        m_running->deleteLater();
    m_running = nullptr;
    QString text;
    bool ok = false;
    if (reply.kind == TokenReply::Kind::Granted) {
        // The refresh token goes to the keyring, with the application's secret that renews
        // it; the access token stays in memory.
        const Profile account = m_account();
        const QString secret = takesClientSecret() ? edtClientSecret->text().trimmed() : QString();
        SecretResult kept = secret.isEmpty()
            ? SecretStore().remove(ClientSecretKey(account.name))
            : SecretStore().write(ClientSecretKey(account.name), secret);
        if (kept.ok())
            kept = AccessTokens::forProfile(account)->signedIn(reply);
        ok = kept.ok();
        text = ok ? QStringLiteral("Signed in.")
                  : QStringLiteral("Signed in, but the sign-in could not be kept: ") + kept.text;
    } else
        text = QStringLiteral("The sign-in did not succeed: ")
            + (reply.description.isEmpty() ? reply.error : reply.description);
    showState(text);
    updateRows();
    const Then then = std::exchange(m_then, nullptr);
    Q_EMIT signInFinished(ok, text);
    if (then)
        then(ok, text);
}

TDlgDeviceCode::TDlgDeviceCode(
    const QString &userCode, const QUrl &address, const QString &message, QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("DlgDeviceCode"));
    setWindowTitle(QStringLiteral("Sign in with a code"));
    lblMessage = Named(new QLabel(message, this), "lblMessage");
    lblMessage->setWordWrap(true);
    edtCode = Named(new QLineEdit(userCode, this), "edtCode");
    edtCode->setReadOnly(true);
    edtCode->setAlignment(Qt::AlignCenter);
    QFont big = edtCode->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    edtCode->setFont(big);
    lblAddress = Named(new QLabel(this), "lblAddress");
    lblAddress->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                            .arg(address.toString(QUrl::FullyEncoded).toHtmlEscaped(),
                                address.toDisplayString().toHtmlEscaped()));
    lblAddress->setOpenExternalLinks(true);
    lblAddress->setTextInteractionFlags(Qt::TextBrowserInteraction);
    auto *waiting = Named(new QLabel(QStringLiteral("This window closes by itself once the "
                                                    "sign-in is complete."),
                              this),
        "lblWaiting");
    waiting->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(this);
    btnCopyCode
        = Named(buttons->addButton(QStringLiteral("Co&py code"), QDialogButtonBox::ActionRole),
            "btnCopyCode");
    btnCancel = Named(buttons->addButton(QDialogButtonBox::Cancel), "btnCancel");
    connect(btnCopyCode, &QPushButton::clicked, this,
        [this] { QApplication::clipboard()->setText(edtCode->text()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addWidget(edtCode);
    layout->addWidget(lblAddress);
    layout->addWidget(waiting);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

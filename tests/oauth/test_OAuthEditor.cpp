#include "OAuthTestEnv.h"

#include "mail/SmtpTestServer.h"
#include "mail/accounts/FrmMailAccount.h"
#include "mail/accounts/MailAccountOAuth.h"
#include "mail/transport/ImapTestServer.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gmock/gmock.h>

namespace {

bool RowShown(const TFrmMailAccount &dialog, QWidget *field)
{
    return dialog.frmOutgoing->isRowVisible(field);
}

// An OAuth 2.0 account of the test provider, with its servers taking XOAUTH2.
Profile OAuthAccount(const TestProvider &provider, const QString &name, int smtpPort, int imapPort)
{
    Profile p = TFrmMailAccount::NewAccount();
    p.name = name;
    p.senderAddress = QStringLiteral("sales@example.com");
    p.transport.kind = TransportSettings::Kind::Smtp;
    p.transport.url = QStringLiteral("smtp://127.0.0.1:%1").arg(smtpPort);
    p.transport.tls = TransportSettings::Tls::None;
    p.transport.username = QStringLiteral("sales@example.com");
    p.transport.auth = TransportSettings::Auth::OAuth2;
    p.sentCopy.kind = SentCopySettings::Kind::Imap;
    p.sentCopy.url = QStringLiteral("imap://127.0.0.1:%1").arg(imapPort);
    p.sentCopy.tls = TransportSettings::Tls::None;
    p.sentCopy.username = p.transport.username;
    p.oauth = provider.settings();
    return p;
}

} // namespace

// The rows follow the choice: no password with OAuth 2.0, the tenant for Microsoft only,
// endpoints for another provider only; and the controls and the profile agree both ways.
TEST(OAuthEditor, TheRowsFollowTheChoiceAndTheProfileRoundTrips)
{
    Profile account = TFrmMailAccount::NewAccount();
    account.name = QStringLiteral("Rows");
    account.senderAddress = QStringLiteral("sales@example.com");
    account.transport.kind = TransportSettings::Kind::Smtp;
    account.transport.url = QStringLiteral("smtp://smtp.example.com:587");
    TFrmMailAccount dialog(account, {}, QString());
    dialog.show();
    TMailAccountOAuth &o = *dialog.oauth;
    EXPECT_TRUE(RowShown(dialog, dialog.edtSmtpPassword));
    EXPECT_FALSE(RowShown(dialog, o.edtClientId));

    o.cmbAuth->setCurrentIndex(o.cmbAuth->findData(int(TransportSettings::Auth::OAuth2)));
    EXPECT_FALSE(RowShown(dialog, dialog.edtSmtpPassword));
    EXPECT_TRUE(RowShown(dialog, o.edtClientId));
    dialog.applyPreset(AccountPreset::Google);
    EXPECT_EQ(o.cmbOAuthProvider->currentText(), u"Google");
    EXPECT_FALSE(RowShown(dialog, o.edtTenant));
    EXPECT_TRUE(RowShown(dialog, o.edtClientSecret)); // Google's desktop applications have one
    EXPECT_FALSE(o.btnSignInCode->isEnabled()); // Google gives no device codes for mail
    EXPECT_EQ(o.edtScopes->placeholderText(), u"https://mail.google.com/");
    dialog.applyPreset(AccountPreset::Microsoft365);
    EXPECT_TRUE(RowShown(dialog, o.edtTenant));
    EXPECT_FALSE(RowShown(dialog, o.edtClientSecret));
    EXPECT_FALSE(RowShown(dialog, o.edtTokenEndpoint));
    QTest::keyClicks(o.edtClientId, QStringLiteral("  11111111-2222  "));
    QTest::keyClicks(o.edtTenant, QStringLiteral("contoso.onmicrosoft.com"));

    Profile p = dialog.profile();
    EXPECT_EQ(p.transport.auth, TransportSettings::Auth::OAuth2);
    EXPECT_EQ(p.oauth.provider, OAuthSettings::Provider::Microsoft);
    EXPECT_EQ(p.oauth.clientId, u"11111111-2222");
    EXPECT_EQ(p.oauth.tenant, u"contoso.onmicrosoft.com");
    EXPECT_TRUE(p.oauth.scopes.isEmpty()); // the preset's own

    p.oauth.provider = OAuthSettings::Provider::Custom;
    p.oauth.tokenEndpoint = QStringLiteral("https://login.example.com/token");
    p.oauth.scopes = { QStringLiteral("mail"), QStringLiteral("offline") };
    dialog.setProfile(p);
    EXPECT_TRUE(RowShown(dialog, o.edtTokenEndpoint));
    EXPECT_EQ(o.edtScopes->text(), u"mail offline");
    const Profile again = dialog.profile();
    EXPECT_EQ(again.oauth.tokenEndpoint, p.oauth.tokenEndpoint);
    EXPECT_EQ(again.oauth.scopes, p.oauth.scopes);
    // A custom provider without an authorization URL cannot sign in: said, with its field.
    QWidget *field = nullptr;
    EXPECT_THAT(dialog.validate(&field).toStdString(), testing::HasSubstr("authorization URL"));
    EXPECT_EQ(field, o.edtAuthorizationEndpoint);
}

// "Sign in" in the browser (the test follows the address) and "Sign in with a code" (the
// prompt shows the code, and closes once the user approved it elsewhere).
TEST(OAuthEditor, SignInByBrowserAndByCodeKeepTheSignInInTheKeyring)
{
    ASSERT_TRUE(StartTestKeyring());
    TestProvider provider;
    Profile account = OAuthAccount(provider, QStringLiteral("Editor"), 1, 1);
    account.oauth.clientId = QStringLiteral("editor-with-secret"); // an installed application
    TFrmMailAccount dialog(account, {}, QString());
    dialog.show();
    TMailAccountOAuth &o = *dialog.oauth;
    EXPECT_EQ(o.lblSignInState->text(), u"Not signed in yet.");
    QTest::keyClicks(o.edtClientSecret, QStringLiteral("installed-app-secret"));
    FollowingBrowser browser;
    o.setBrowser([&browser](const QUrl &url) { return browser.open(url); });
    QSignalSpy finished(&o, &TMailAccountOAuth::signInFinished);

    // A browser closed before the provider sent it back: signing in again starts afresh.
    o.setBrowser([](const QUrl &) { return true; });
    o.btnSignIn->click();
    EXPECT_TRUE(o.btnSignIn->isEnabled());
    o.setBrowser([&browser](const QUrl &url) { return browser.open(url); });
    o.btnSignIn->click();
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(finished.size(), 1);
    EXPECT_TRUE(finished.last().at(0).toBool()) << finished.last().at(1).toString().toStdString();
    EXPECT_EQ(o.lblSignInState->text(), u"Signed in.");
    const QString first = SecretStore().read(RefreshTokenKey(QStringLiteral("Editor"))).secret;
    EXPECT_TRUE(first.startsWith(u"rt-"));
    EXPECT_EQ(SecretStore().read(ClientSecretKey(QStringLiteral("Editor"))).secret,
        u"installed-app-secret");

    o.btnSignInCode->click();
    TDlgDeviceCode *prompt = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (prompt = dialog.findChild<TDlgDeviceCode *>()) != nullptr; }, 10000));
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_FALSE(o.btnSignIn->isEnabled());
    const QString code = prompt->edtCode->text();
    EXPECT_TRUE(prompt->lblMessage->text().contains(code));
    ASSERT_TRUE(provider.control(QStringLiteral("approve"), code));
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_TRUE(finished.last().at(0).toBool());
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.findChild<TDlgDeviceCode *>() == nullptr; }));
    EXPECT_NE(SecretStore().read(RefreshTokenKey(QStringLiteral("Editor"))).secret, first);
    EXPECT_TRUE(o.btnSignIn->isEnabled());

    // Cancelling the code prompt ends that sign-in without a word from it later.
    o.btnSignInCode->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (prompt = dialog.findChild<TDlgDeviceCode *>()) != nullptr; }, 10000));
    prompt->btnCancel->click();
    EXPECT_EQ(o.lblSignInState->text(), u"The sign-in was cancelled.");
    EXPECT_TRUE(o.btnSignIn->isEnabled());
    EXPECT_EQ(finished.size(), 2);
}

// Test of an account that has not signed in: it signs in first, then signs in to the SMTP
// and IMAP servers with the token, sending nothing.
TEST(OAuthEditor, TestSignsInFirstThenReachesBothServers)
{
    ASSERT_TRUE(StartTestKeyring());
    TestProvider provider;
    qputenv("XOAUTH2_TOKENS", provider.tokensFile().toUtf8());
    TempDir smtpDir, imapDir;
    SmtpTestServer smtp(smtpDir.path(), QStringLiteral("xoauth2"));
    ImapTestServer imap(imapDir.path(), QStringLiteral("xoauth2"));
    TFrmMailAccount dialog(
        OAuthAccount(provider, QStringLiteral("Tester"), smtp.port(), imap.port()), {}, QString());
    dialog.show();
    FollowingBrowser browser;
    dialog.oauth->setBrowser([&browser](const QUrl &url) { return browser.open(url); });
    QSignalSpy tested(&dialog, &TFrmMailAccount::testFinished);

    dialog.btnTest->click();
    ASSERT_TRUE(tested.wait(30000));
    EXPECT_EQ(provider.stats().value(QStringLiteral("code")).toInt(), 1);
    const QString shown = dialog.txtTestResult->toPlainText();
    EXPECT_THAT(shown.toStdString(), testing::HasSubstr("Signed in to the outgoing server"));
    EXPECT_THAT(shown.toStdString(), testing::HasSubstr("Sent folder found"));
    EXPECT_THAT(shown.toStdString(), testing::HasSubstr("The test passed"));
    EXPECT_EQ(QDir(smtpDir.path()).entryList({ QStringLiteral("msg-*") }).size(), 0);
}

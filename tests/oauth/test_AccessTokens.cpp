#include "OAuthTestEnv.h"

#include "mail/MailTestEnv.h"
#include "platform/mapi/AccountStore.h"
#include "platform/oauth/AccessTokens.h"

#include <gmock/gmock.h>

namespace {

struct Case
{
    int status;
    const char *body;
    TokenReply::Kind kind;
};

// A clock the test moves by hand.
struct TestClock
{
    qint64 now = 1'000'000;
    AccessTokens::Clock clock()
    {
        return [this] { return now; };
    }
};

} // namespace

TEST(OAuthBasics, PkceChallengeAndProviderPresets)
{
    // RFC 7636, appendix B.
    EXPECT_EQ(CodeChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
        "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    const QByteArray verifier = NewCodeVerifier();
    EXPECT_EQ(verifier.size(), 43);
    EXPECT_NE(verifier, NewCodeVerifier());

    OAuthSettings microsoft;
    microsoft.clientId = QStringLiteral(" id ");
    microsoft.tenant = QStringLiteral("contoso.onmicrosoft.com");
    OAuthEndpoints e = ResolveEndpoints(microsoft);
    EXPECT_EQ(e.clientId, u"id");
    EXPECT_EQ(e.token.toString(),
        u"https://login.microsoftonline.com/contoso.onmicrosoft.com/oauth2/v2.0/token");
    EXPECT_EQ(e.device.path(), u"/contoso.onmicrosoft.com/oauth2/v2.0/devicecode");
    EXPECT_THAT(e.scopes, testing::Contains(QStringLiteral("offline_access")));
    microsoft.tenant.clear();
    EXPECT_EQ(ResolveEndpoints(microsoft).authorization.path(), u"/common/oauth2/v2.0/authorize");

    OAuthSettings google;
    google.provider = OAuthSettings::Provider::Google;
    e = ResolveEndpoints(google);
    EXPECT_EQ(e.scopeText(), u"https://mail.google.com/");
    EXPECT_TRUE(e.device.isEmpty()); // Google's device flow does not grant mail scopes
    // Without these Google grants no refresh token, and every sign-in would last an hour.
    EXPECT_THAT(e.extraAuthorizationParameters,
        testing::Contains(qMakePair(QStringLiteral("access_type"), QStringLiteral("offline"))));
    EXPECT_THAT(MissingSettings(e).toStdString(), testing::HasSubstr("client id"));
}

TEST(OAuthBasics, TokenRepliesAreSortedByWhatTheyMeanForTheUser)
{
    const Case cases[] = {
        { 200, R"({"access_token":"a","refresh_token":"r","expires_in":3599})",
            TokenReply::Kind::Granted },
        { 200, R"({"access_token":"a","expires_in":"3599"})", TokenReply::Kind::Granted },
        { 200, R"({"token_type":"Bearer"})", TokenReply::Kind::Failed },
        { 400, R"({"error":"invalid_grant","error_description":"revoked"})",
            TokenReply::Kind::Refused },
        { 400, R"({"error":"authorization_pending"})", TokenReply::Kind::Pending },
        { 400, R"({"error":"slow_down"})", TokenReply::Kind::SlowDown },
        { 400, R"({"error":"expired_token"})", TokenReply::Kind::Refused },
        { 503, R"({"error":"temporarily_unavailable"})", TokenReply::Kind::Failed },
        { 502, "<html>Bad gateway</html>", TokenReply::Kind::Failed },
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseTokenReply(c.status, c.body).kind, c.kind) << c.body;
    EXPECT_EQ(ParseTokenReply(200, R"({"access_token":"a","expires_in":"3599"})").expiresIn, 3599);
}

// Renewed shortly before it expires, not after; the provider's replacement refresh token is
// kept, so the next renewal still works (the provider accepts each refresh token once).
TEST(AccessTokens, RenewedBeforeExpiryAndTheReplacedRefreshTokenKept)
{
    ASSERT_TRUE(StartTestKeyring());
    TestProvider provider;
    TestClock clock;
    AccessTokens tokens(
        QStringLiteral("renewal"), provider.endpoints(), SecretStore(), clock.clock());
    const TokenReply grant = SignInWith(provider);
    ASSERT_EQ(grant.kind, TokenReply::Kind::Granted);
    const SecretResult kept = tokens.signedIn(grant);
    ASSERT_TRUE(kept.ok()) << kept.text.toStdString();
    EXPECT_EQ(
        SecretStore().read(RefreshTokenKey(QStringLiteral("renewal"))).secret, grant.refreshToken);

    EXPECT_EQ(tokens.current().value, grant.accessToken);
    clock.now += 3600 - 90;
    EXPECT_EQ(tokens.current().value, grant.accessToken);
    EXPECT_EQ(tokens.renewals(), 0);

    clock.now += 60; // 30 s left
    const AccessTokens::Token renewed = tokens.current();
    ASSERT_TRUE(renewed.ok()) << renewed.problem.toStdString();
    EXPECT_NE(renewed.value, grant.accessToken);
    EXPECT_THAT(provider.acceptedTokens(), testing::Contains(renewed.value));
    const QString replaced = SecretStore().read(RefreshTokenKey(QStringLiteral("renewal"))).secret;
    EXPECT_NE(replaced, grant.refreshToken);

    clock.now += 3600;
    EXPECT_TRUE(tokens.current().ok());
    EXPECT_EQ(tokens.renewals(), 2);
    EXPECT_EQ(provider.stats().value(QStringLiteral("refresh")).toInt(), 2);
}

TEST(AccessTokens, ATokenAServerRefusedIsRenewedAtTheNextRequest)
{
    ASSERT_TRUE(StartTestKeyring());
    TestProvider provider;
    AccessTokens tokens(QStringLiteral("refusal"), provider.endpoints());
    ASSERT_TRUE(tokens.signedIn(SignInWith(provider)).ok());
    const QString first = tokens.current().value;
    tokens.refused(QStringLiteral("some older token")); // not the current one: kept
    EXPECT_EQ(tokens.current().value, first);
    tokens.refused(first);
    const AccessTokens::Token second = tokens.current();
    ASSERT_TRUE(second.ok());
    EXPECT_NE(second.value, first);
    EXPECT_EQ(tokens.renewals(), 1);
}

// Revoked consent: the user is told to sign in again, the dead refresh token leaves the
// keyring, and later requests do not ask the provider again.
TEST(AccessTokens, ARevokedSignInAsksForANewOneInWords)
{
    ASSERT_TRUE(StartTestKeyring());
    TestProvider provider;
    AccessTokens tokens(QStringLiteral("Office"), provider.endpoints());
    ASSERT_TRUE(tokens.signedIn(SignInWith(provider)).ok());
    ASSERT_TRUE(provider.control(QStringLiteral("revoke")));
    tokens.refused(tokens.current().value);

    const AccessTokens::Token token = tokens.current();
    EXPECT_EQ(token.state, AccessTokens::Token::State::SignInNeeded);
    EXPECT_TRUE(token.value.isEmpty());
    EXPECT_EQ(token.problem,
        u"Mail account \"Office\" is no longer accepted by 127.0.0.1 (the consent may have "
        u"been withdrawn or the password changed). Open Mail Accounts, choose the account and "
        u"sign in again.");
    EXPECT_EQ(SecretStore().read(RefreshTokenKey(QStringLiteral("Office"))).status,
        SecretStatus::NotFound);
    const int refused = provider.stats().value(QStringLiteral("refused")).toInt();
    EXPECT_EQ(tokens.current().state, AccessTokens::Token::State::SignInNeeded);
    EXPECT_EQ(provider.stats().value(QStringLiteral("refused")).toInt(), refused);

    // A new sign-in (in the account editor) brings the account back.
    ASSERT_TRUE(tokens.signedIn(SignInWith(provider)).ok());
    tokens.refused(tokens.current().value);
    EXPECT_TRUE(tokens.current().ok());
}

TEST(AccessTokens, NeverSignedInOrProviderAwayAreToldApart)
{
    ASSERT_TRUE(StartTestKeyring());
    TestProvider provider;
    AccessTokens never(QStringLiteral("never"), provider.endpoints());
    AccessTokens::Token token = never.current();
    EXPECT_EQ(token.state, AccessTokens::Token::State::SignInNeeded);
    EXPECT_THAT(token.problem.toStdString(), testing::HasSubstr("has not been signed in"));

    ASSERT_TRUE(
        SecretStore().write(RefreshTokenKey(QStringLiteral("away")), QStringLiteral("rt-x")).ok());
    OAuthEndpoints away = provider.endpoints();
    away.token.setPort(1); // nothing listens there
    AccessTokens unreachable(QStringLiteral("away"), away);
    token = unreachable.current();
    EXPECT_EQ(token.state, AccessTokens::Token::State::Unavailable);
    EXPECT_THAT(token.problem.toStdString(), testing::HasSubstr("could not renew"));
    // A provider out of reach says nothing about the sign-in: it stays.
    EXPECT_EQ(SecretStore().read(RefreshTokenKey(QStringLiteral("away"))).secret, u"rt-x");
}

// An installed application's secret goes with the code exchange and with each renewal (it is
// read from the keyring); a refused application is not taken for a withdrawn sign-in.
TEST(AccessTokens, TheApplicationSecretGoesWithEveryTokenRequest)
{
    ASSERT_TRUE(StartTestKeyring());
    TestProvider provider;
    OAuthEndpoints endpoints = provider.endpoints(QStringLiteral("desktop-with-secret"));
    FollowingBrowser browser;
    BrowserSignIn withoutSecret(endpoints);
    withoutSecret.setBrowser([&browser](const QUrl &url) { return browser.open(url); });
    EXPECT_EQ(RunSignIn(withoutSecret)->kind, TokenReply::Kind::Refused);

    endpoints.clientSecret = QStringLiteral("installed-app-secret");
    BrowserSignIn signIn(endpoints);
    signIn.setBrowser([&browser](const QUrl &url) { return browser.open(url); });
    const std::optional<TokenReply> grant = RunSignIn(signIn);
    ASSERT_EQ(grant->kind, TokenReply::Kind::Granted) << grant->description.toStdString();

    endpoints.clientSecret.clear(); // as the mail library knows them: from the profile
    AccessTokens tokens(QStringLiteral("secretive"), endpoints);
    ASSERT_TRUE(tokens.signedIn(*grant).ok());
    tokens.refused(tokens.current().value);
    const AccessTokens::Token refused = tokens.current();
    EXPECT_EQ(refused.state, AccessTokens::Token::State::SignInNeeded);
    EXPECT_THAT(refused.problem.toStdString(), testing::HasSubstr("client id and secret"));
    EXPECT_EQ(SecretStore().read(RefreshTokenKey(QStringLiteral("secretive"))).secret,
        grant->refreshToken);

    ASSERT_TRUE(SecretStore()
                    .write(ClientSecretKey(QStringLiteral("secretive")),
                        QStringLiteral("installed-app-secret"))
                    .ok());
    EXPECT_TRUE(tokens.current().ok());
}

// The sign-in and the application's secret live only in the keyring: a renamed account takes
// them along and a removed one takes them away.
TEST(AccessTokens, TheSignInFollowsARenameAndLeavesWithTheAccount)
{
    ASSERT_TRUE(StartTestKeyring());
    ScopedConfigHome home;
    TempDir store;
    Profile p;
    p.name = QStringLiteral("Before");
    p.senderAddress = QStringLiteral("sales@example.com");
    p.storeFolder = store.path();
    p.transport.kind = TransportSettings::Kind::Smtp;
    p.transport.url = QStringLiteral("smtps://smtp.gmail.com:465");
    p.transport.username = p.senderAddress;
    p.transport.auth = TransportSettings::Auth::OAuth2;
    p.oauth.provider = OAuthSettings::Provider::Google;
    p.oauth.clientId = QStringLiteral("desktop");
    const AccountResult saved = AccountStore::save(p);
    ASSERT_TRUE(saved.ok()) << saved.text.toStdString();
    const SecretStore keyring;
    ASSERT_TRUE(keyring.write(RefreshTokenKey(p.name), QStringLiteral("rt-kept")).ok());
    ASSERT_TRUE(keyring.write(ClientSecretKey(p.name), QStringLiteral("cs-kept")).ok());

    p.name = QStringLiteral("After");
    ASSERT_TRUE(AccountStore::save(p, QStringLiteral("Before")).ok());
    EXPECT_EQ(keyring.read(RefreshTokenKey(QStringLiteral("After"))).secret, u"rt-kept");
    EXPECT_EQ(keyring.read(ClientSecretKey(QStringLiteral("After"))).secret, u"cs-kept");
    EXPECT_EQ(
        keyring.read(RefreshTokenKey(QStringLiteral("Before"))).status, SecretStatus::NotFound);
    EXPECT_EQ(
        keyring.read(ClientSecretKey(QStringLiteral("Before"))).status, SecretStatus::NotFound);

    ASSERT_TRUE(AccountStore::remove(QStringLiteral("After")).ok());
    EXPECT_EQ(
        keyring.read(RefreshTokenKey(QStringLiteral("After"))).status, SecretStatus::NotFound);
    EXPECT_EQ(
        keyring.read(ClientSecretKey(QStringLiteral("After"))).status, SecretStatus::NotFound);
}

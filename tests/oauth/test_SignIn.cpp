#include "OAuthTestEnv.h"

#include "platform/oauth/SignIn.h"

#include <QUrlQuery>

#include <gmock/gmock.h>

// The whole browser sign-in against the provider: PKCE S256 on the way out, the verifier
// on the exchange (the provider refuses a wrong one), a code that needs escaping in a URL.
TEST(BrowserSignIn, FollowsTheAuthorizationAddressAndExchangesTheCode)
{
    TestProvider provider;
    ASSERT_GT(provider.port(), 0);
    FollowingBrowser browser;
    BrowserSignIn signIn(provider.endpoints());
    signIn.setBrowser([&browser](const QUrl &url) { return browser.open(url); });

    const std::optional<TokenReply> reply = RunSignIn(signIn);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->kind, TokenReply::Kind::Granted) << reply->description.toStdString();
    EXPECT_FALSE(reply->refreshToken.isEmpty());
    EXPECT_EQ(reply->expiresIn, 3600);
    EXPECT_THAT(provider.acceptedTokens(), testing::Contains(reply->accessToken));

    const QUrlQuery asked(browser.opened);
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("code_challenge_method")), u"S256");
    EXPECT_EQ(asked.queryItemValue(QStringLiteral("scope"), QUrl::FullyDecoded),
        u"mail.send offline_access");
    EXPECT_EQ(browser.opened.host(), u"127.0.0.1");
    // The browser ended on our listener on the loopback address, which told the user.
    (void)QTest::qWaitFor([&browser] { return !browser.page.isEmpty(); }, 5000);
    EXPECT_EQ(browser.landedOn.host(), u"127.0.0.1");
    EXPECT_TRUE(browser.page.contains("sign-in is complete"));
    EXPECT_EQ(provider.stats().value(QStringLiteral("code")).toInt(), 1);
}

TEST(BrowserSignIn, ADeclinedSignInEndsRefusedInWords)
{
    TestProvider provider;
    FollowingBrowser browser;
    BrowserSignIn signIn(provider.endpoints(QStringLiteral("refuse")));
    signIn.setBrowser([&browser](const QUrl &url) { return browser.open(url); });
    const std::optional<TokenReply> reply = RunSignIn(signIn);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->kind, TokenReply::Kind::Refused);
    EXPECT_EQ(reply->description, u"The user declined.");
}

TEST(BrowserSignIn, NoBrowserOrNoClientIdEndsAtOnceWithAReason)
{
    TestProvider provider;
    BrowserSignIn noBrowser(provider.endpoints());
    noBrowser.setBrowser([](const QUrl &) { return false; });
    std::optional<TokenReply> reply = RunSignIn(noBrowser, 5000);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->kind, TokenReply::Kind::Failed);
    EXPECT_THAT(reply->description.toStdString(), testing::HasSubstr("Sign in with a code"));

    BrowserSignIn noClient(provider.endpoints(QString()));
    reply = RunSignIn(noClient, 5000);
    ASSERT_TRUE(reply.has_value());
    EXPECT_THAT(reply->description.toStdString(), testing::HasSubstr("no client id"));
    EXPECT_EQ(provider.stats().value(QStringLiteral("authorize")).toInt(), 0);
}

// The device flow polls through authorization_pending until the user approves elsewhere.
TEST(DeviceSignIn, PollsUntilTheUserApprovesTheCode)
{
    TestProvider provider;
    DeviceSignIn signIn(provider.endpoints());
    QString userCode;
    QUrl address;
    QObject::connect(&signIn, &DeviceSignIn::codeReady, &signIn,
        [&](const QString &code, const QUrl &url, const QString &) {
            userCode = code;
            address = url;
        });
    std::optional<TokenReply> reply;
    QObject::connect(
        &signIn, &SignIn::finished, &signIn, [&reply](const TokenReply &r) { reply = r; });
    signIn.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !userCode.isEmpty(); }, 10000));
    EXPECT_EQ(address, provider.url(QStringLiteral("/device")));
    // Left waiting: the provider says authorization_pending and the sign-in goes on.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return provider.stats().value(QStringLiteral("device_polls")).toInt() >= 2; },
        10000));
    EXPECT_FALSE(reply.has_value());
    ASSERT_TRUE(provider.control(QStringLiteral("approve"), userCode));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reply.has_value(); }, 10000));
    EXPECT_EQ(reply->kind, TokenReply::Kind::Granted) << reply->description.toStdString();
    EXPECT_FALSE(reply->refreshToken.isEmpty());
    EXPECT_THAT(provider.acceptedTokens(), testing::Contains(reply->accessToken));
}

TEST(DeviceSignIn, ADeclinedCodeEndsRefused)
{
    TestProvider provider;
    DeviceSignIn signIn(provider.endpoints());
    QString userCode;
    QObject::connect(&signIn, &DeviceSignIn::codeReady, &signIn,
        [&](const QString &code, const QUrl &, const QString &) { userCode = code; });
    std::optional<TokenReply> reply;
    QObject::connect(
        &signIn, &SignIn::finished, &signIn, [&reply](const TokenReply &r) { reply = r; });
    signIn.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !userCode.isEmpty(); }, 10000));
    ASSERT_TRUE(provider.control(QStringLiteral("deny"), userCode));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reply.has_value(); }, 10000));
    EXPECT_EQ(reply->kind, TokenReply::Kind::Refused);
    EXPECT_EQ(reply->description, u"The sign-in was declined.");
}

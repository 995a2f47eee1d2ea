#include "OAuthTestEnv.h"

#include "mail/SmtpTestServer.h"
#include "mail/transport/ImapTestServer.h"
#include "platform/mapi/ConnectionTest.h"
#include "platform/mapi/MailStore.h"
#include "platform/oauth/AccessTokens.h"

#include <gmock/gmock.h>

namespace {

// The provider, and SMTP and IMAP servers that take only its current access tokens.
struct OAuthMail
{
    OAuthMail()
        : tokensSet((qputenv("XOAUTH2_TOKENS", provider.tokensFile().toUtf8()), true))
        , smtp(smtpDir.path(), QStringLiteral("xoauth2"))
        , imap(imapDir.path(), QStringLiteral("xoauth2"))
    { }

    Profile profile(const QString &name) const
    {
        Profile p = OAuthSmtpAccount(name, store.path(), smtp.url(), provider);
        p.sentCopy.kind = SentCopySettings::Kind::Imap;
        p.sentCopy.url = imap.url();
        p.sentCopy.tls = TransportSettings::Tls::None;
        p.sentCopy.username = QStringLiteral("sales@example.com");
        return p;
    }
    // What the servers logged of each authentication, in order.
    QStringList smtpLog() const { return log(smtpDir); }
    QStringList imapLog() const { return log(imapDir); }
    int smtpMessages() const
    {
        return QDir(smtpDir.path()).entryList({ QStringLiteral("msg-*.eml") }).size();
    }

    static QStringList log(const TempDir &dir)
    {
        QFile f(dir.file(QStringLiteral("auth.log")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    TestProvider provider;
    bool tokensSet;
    TempDir smtpDir, imapDir, store;
    SmtpTestServer smtp;
    ImapTestServer imap;
};

OutgoingMessage Invoice(const QString &subject)
{
    OutgoingMessage m;
    m.senderAddress = QStringLiteral("sales@example.com");
    m.recipients
        = { { MAPI_TO, QStringLiteral("Customer"), QStringLiteral("ap@customer.example") } };
    m.subject = subject;
    m.body = QStringLiteral("Please find the invoice attached.");
    m.date = QDateTime::currentDateTime();
    m.messageId = subject + QStringLiteral("@velloran.test");
    return m;
}

int FilesIn(const QString &folder)
{
    return int(QDir(folder + QStringLiteral("/new")).entryList(QDir::Files).size()
        + QDir(folder + QStringLiteral("/cur")).entryList(QDir::Files).size());
}

} // namespace

// XOAUTH2 with the current token (not OAUTHBEARER, which the server also offers); renewed
// ahead of its expiry without a refusal; and renewed and sent again, once, when the server
// refuses a token the client still thought valid.
TEST(XOAuth2Mail, SendsWithTheAccessTokenAndRenewsItOnExpiryAndOnRefusal)
{
    ASSERT_TRUE(StartTestKeyring());
    OAuthMail mail;
    ASSERT_GT(mail.smtp.port(), 0);
    const Profile profile = mail.profile(QStringLiteral("expiry"));
    qint64 now = 1'000'000;
    auto tokens = std::make_shared<AccessTokens>(
        profile.name, ResolveEndpoints(profile.oauth), SecretStore(), [&now] { return now; });
    ASSERT_TRUE(tokens->signedIn(SignInWith(mail.provider)).ok());
    auto transport = Transport::create(profile.transport, QString(), tokens);
    const QStringList to { QStringLiteral("ap@customer.example") };

    SendResult sent = transport->send(profile.senderAddress, to, "Subject: one\r\n\r\nbody\r\n");
    EXPECT_EQ(sent.code, S_OK) << sent.detail.toStdString();
    EXPECT_EQ(mail.smtpLog(), QStringList { QStringLiteral("ok") });

    now += 3600; // expired: renewed before the server sees it
    sent = transport->send(profile.senderAddress, to, "Subject: two\r\n\r\nbody\r\n");
    EXPECT_EQ(sent.code, S_OK) << sent.detail.toStdString();
    EXPECT_EQ(tokens->renewals(), 1);
    EXPECT_EQ(mail.smtpLog().count(QStringLiteral("refused")), 0);

    // The token ends on the server's side. A signed-in connection stays signed in, as on
    // the real servers, so the refusal comes on the next run's connection.
    ASSERT_TRUE(mail.provider.control(QStringLiteral("expire")));
    transport = Transport::create(profile.transport, QString(), tokens);
    sent = transport->send(profile.senderAddress, to, "Subject: three\r\n\r\nbody\r\n");
    EXPECT_EQ(sent.code, S_OK) << sent.detail.toStdString();
    EXPECT_EQ(tokens->renewals(), 2);
    EXPECT_EQ(
        mail.smtpLog().mid(2), (QStringList { QStringLiteral("refused"), QStringLiteral("ok") }));
    EXPECT_EQ(mail.smtpMessages(), 3);
    EXPECT_FALSE(mail.smtpLog().contains(QStringLiteral("oauthbearer")));
}

// The send and the IMAP Sent copy share the account's tokens; once the consent is
// withdrawn the send fails with words telling the user to sign in again, and the message
// stays in the Outbox with nothing reaching the server.
TEST(XOAuth2Mail, ARevokedSignInFailsTheSendInWordsAndKeepsTheMessage)
{
    ASSERT_TRUE(StartTestKeyring());
    OAuthMail mail;
    const Profile profile = mail.profile(QStringLiteral("revoked"));
    ASSERT_TRUE(AccessTokens::forProfile(profile)->signedIn(SignInWith(mail.provider)).ok());
    SessionCore core;
    core.profile = profile;
    core.transport
        = Transport::create(profile.transport, QString(), AccessTokens::forProfile(profile));
    const QString outbox = profile.storeFolder + u'/' + maildir::kOutbox;
    const QString sentItems = profile.storeFolder + u'/' + maildir::kSentItems;
    ASSERT_TRUE(maildir::ensureFolder(profile.storeFolder, maildir::kOutbox));
    ASSERT_TRUE(maildir::ensureFolder(profile.storeFolder, maildir::kSentItems));

    QString report;
    EXPECT_EQ(
        SubmitOutgoing(core, Invoice(QStringLiteral("first")), maildir::kSentItems, &report), S_OK)
        << report.toStdString();
    EXPECT_EQ(mail.imap.appended().size(), 1);
    EXPECT_EQ(mail.imapLog(), QStringList { QStringLiteral("ok") });
    EXPECT_EQ(AccessTokens::forProfile(profile)->renewals(), 0); // one token served both

    // Revoked between two runs (a signed-in connection would stay signed in).
    ASSERT_TRUE(mail.provider.control(QStringLiteral("revoke")));
    core.transport
        = Transport::create(profile.transport, QString(), AccessTokens::forProfile(profile));
    core.sentCopy.reset();
    report.clear();
    EXPECT_EQ(SubmitOutgoing(core, Invoice(QStringLiteral("second")), maildir::kSentItems, &report),
        MAPI_E_LOGON_FAILED);
    EXPECT_THAT(report.toStdString(), testing::HasSubstr("Mail account \"revoked\" is no longer"));
    EXPECT_THAT(report.toStdString(), testing::HasSubstr("sign in again"));
    EXPECT_EQ(FilesIn(outbox), 1);
    EXPECT_EQ(FilesIn(sentItems), 1);
    EXPECT_EQ(mail.smtpMessages(), 1);
    EXPECT_EQ(mail.imap.appended().size(), 1);

    // The rest of the run fails at once, without asking the provider again.
    const int refused = mail.provider.stats().value(QStringLiteral("refused")).toInt();
    EXPECT_EQ(SubmitOutgoing(core, Invoice(QStringLiteral("third")), maildir::kSentItems, &report),
        MAPI_E_LOGON_FAILED);
    EXPECT_EQ(mail.provider.stats().value(QStringLiteral("refused")).toInt(), refused);
    EXPECT_EQ(FilesIn(outbox), 2);
}

// The account editor's Test: signs in to both servers with the stored sign-in, sends nothing.
TEST(XOAuth2Mail, TheConnectionTestSignsInToSmtpAndImapWithTheStoredSignIn)
{
    ASSERT_TRUE(StartTestKeyring());
    OAuthMail mail;
    const Profile profile = mail.profile(QStringLiteral("probe"));
    ConnectionTestResult result = TestConnection(profile);
    EXPECT_FALSE(result.ok);
    ASSERT_FALSE(result.steps.isEmpty());
    EXPECT_THAT(
        result.steps.last().text.toStdString(), testing::HasSubstr("has not been signed in"));

    ASSERT_TRUE(AccessTokens::forProfile(profile)->signedIn(SignInWith(mail.provider)).ok());
    result = TestConnection(profile);
    EXPECT_TRUE(result.ok) << result.summary().toStdString();
    EXPECT_EQ(result.sentFolder, u"Sent Items");
    EXPECT_EQ(mail.smtpLog(), QStringList { QStringLiteral("ok") });
    EXPECT_EQ(mail.imapLog(), QStringList { QStringLiteral("ok") });
    EXPECT_EQ(mail.smtpMessages(), 0);
}

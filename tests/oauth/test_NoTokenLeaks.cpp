#include "OAuthTestEnv.h"

#include "mail/MailTestEnv.h"
#include "mail/SmtpTestServer.h"
#include "platform/mapi/AccountStore.h"
#include "platform/mapi/ConnectionTest.h"
#include "platform/mapi/Transport.h"
#include "platform/oauth/AccessTokens.h"

#include <QDirIterator>
#include <QMutex>

#include <gmock/gmock.h>

#include <unistd.h>

namespace {

// Everything the process writes to its standard output and error, and every Qt message,
// while the object lives.
class CapturedOutput
{
public:
    CapturedOutput()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        m_savedOut = dup(1);
        m_savedErr = dup(2);
        const QByteArray path = m_dir.file(QStringLiteral("output")).toLocal8Bit();
        std::FILE *file = std::fopen(path.constData(), "w");
        dup2(fileno(file), 1);
        dup2(fileno(file), 2);
        std::fclose(file);
        s_messages.clear();
        m_previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &text) {
                QMutexLocker lock(&s_lock);
                s_messages += text + u'\n';
            });
    }
    ~CapturedOutput() { stop(); }

    QByteArray stop()
    {
        if (m_savedOut >= 0) {
            qInstallMessageHandler(m_previous);
            std::fflush(stdout);
            std::fflush(stderr);
            dup2(m_savedOut, 1);
            dup2(m_savedErr, 2);
            close(m_savedOut);
            close(m_savedErr);
            m_savedOut = -1;
            QFile file(m_dir.file(QStringLiteral("output")));
            if (file.open(QIODevice::ReadOnly))
                m_text = file.readAll();
            QMutexLocker lock(&s_lock);
            m_text += s_messages.toUtf8();
        }
        return m_text;
    }

private:
    static inline QMutex s_lock;
    static inline QString s_messages;
    TempDir m_dir;
    int m_savedOut = -1;
    int m_savedErr = -1;
    QtMessageHandler m_previous = nullptr;
    QByteArray m_text;
};

} // namespace

// Signs in both ways, sends, renews, is refused and revoked, saves the account and tests
// it, writing everything said to the output; then looks for each token the provider
// issued in the output, the profiles file and every other file of the configuration.
TEST(NoTokenLeaks, NoTokenAppearsInTheOutputTheProfileFileOrTheSettings)
{
    ASSERT_TRUE(StartTestKeyring());
    ScopedConfigHome home;
    TestProvider provider;
    qputenv("XOAUTH2_TOKENS", provider.tokensFile().toUtf8());
    TempDir smtpDir, store;
    SmtpTestServer smtp(smtpDir.path(), QStringLiteral("xoauth2"));
    ASSERT_GT(smtp.port(), 0);

    Profile profile = OAuthSmtpAccount(QStringLiteral("Leaks"), store.path(), smtp.url(), provider);
    profile.transport.secretPlace = SecretPlace::Keyring;

    QStringList tokens;
    const auto note = [&] { tokens << provider.acceptedTokens(); };
    CapturedOutput output;
    {
        const TokenReply browser = SignInWith(provider);
        tokens << browser.accessToken << browser.refreshToken;
        DeviceSignIn device(provider.endpoints());
        QObject::connect(&device, &DeviceSignIn::codeReady, &device,
            [&provider](const QString &code, const QUrl &, const QString &message) {
                qInfo("%s", qUtf8Printable(message)); // shown to the user, and harmless
                provider.control(QStringLiteral("approve"), code);
            });
        const std::optional<TokenReply> byCode = RunSignIn(device);
        ASSERT_TRUE(byCode.has_value());
        tokens << byCode->accessToken << byCode->refreshToken;

        auto account = AccessTokens::forProfile(profile);
        ASSERT_TRUE(account->signedIn(browser).ok());
        ASSERT_TRUE(AccountStore::save(profile).ok());
        auto transport = Transport::create(profile.transport, QString(), account);
        const QStringList to { QStringLiteral("ap@customer.example") };
        EXPECT_EQ(transport->send(profile.senderAddress, to, "Subject: a\r\n\r\nx\r\n").code, S_OK);
        ASSERT_TRUE(provider.control(QStringLiteral("expire")));
        transport = Transport::create(profile.transport, QString(), account);
        EXPECT_EQ(transport->send(profile.senderAddress, to, "Subject: b\r\n\r\nx\r\n").code, S_OK);
        note();
        tokens << SecretStore().read(RefreshTokenKey(profile.name)).secret;
        EXPECT_TRUE(TestConnection(profile).ok);
        ASSERT_TRUE(provider.control(QStringLiteral("revoke")));
        transport = Transport::create(profile.transport, QString(), account);
        const SendResult refused
            = transport->send(profile.senderAddress, to, "Subject: c\r\n\r\nx\r\n");
        EXPECT_EQ(refused.code, MAPI_E_LOGON_FAILED);
        qWarning("%s", qUtf8Printable(refused.detail));
        qWarning("%s", qUtf8Printable(TestConnection(profile).summary()));
    }
    const QByteArray said = output.stop();
    tokens.removeAll(QString());
    tokens.removeDuplicates();
    ASSERT_GE(tokens.size(), 6);
    EXPECT_THAT(said.toStdString(), testing::HasSubstr("sign in again"));

    QStringList files;
    for (QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        files << it.next();
    ASSERT_THAT(files, testing::Contains(ProfileList::file()));
    for (const QString &token : tokens) {
        EXPECT_FALSE(said.contains(token.toUtf8())) << "the output holds a token";
        for (const QString &path : files) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_FALSE(file.readAll().contains(token.toUtf8())) << path.toStdString();
        }
    }
}

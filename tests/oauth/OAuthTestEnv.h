#pragma once

#include "platform/keyring/SecretStore.h"
#include "platform/mapi/Profiles.h"
#include "platform/oauth/OAuthProvider.h"
#include "platform/oauth/SignIn.h"
#include "support/ScriptServer.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <optional>

// A private session bus with an unlocked GNOME keyring on it, for the whole test program.
// The first call must come before anything in the process uses the session bus.
inline bool StartTestKeyring()
{
    static bool started = [] {
        static TempDir *home = new TempDir;
        auto *bus = new QProcess;
        bus->start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--print-address=1") });
        if (!bus->waitForStarted(10000) || !bus->waitForReadyRead(10000))
            return false;
        const QByteArray address = bus->readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDir().mkpath(home->file(QStringLiteral("run")));
        QFile::setPermissions(home->file(QStringLiteral("run")),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromUtf8(address));
        env.insert(QStringLiteral("HOME"), home->path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home->file(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home->file(QStringLiteral("run")));
        auto *keyring = new QProcess;
        keyring->setProcessEnvironment(env);
        keyring->start(QStringLiteral("gnome-keyring-daemon"),
            { QStringLiteral("--unlock"), QStringLiteral("--components=secrets"),
                QStringLiteral("--foreground") });
        if (!keyring->waitForStarted(10000))
            return false;
        keyring->write("test-keyring-password");
        keyring->closeWriteChannel();
        static QProcess *s_bus = bus;
        static QProcess *s_keyring = keyring;
        qAddPostRoutine([] {
            s_keyring->kill();
            s_bus->kill();
            s_keyring->waitForFinished(2000);
            s_bus->waitForFinished(2000);
        });
        // Nothing may ask for a secret before this daemon owns the name: the bus would
        // start a second, locked keyring for it.
        const auto owned = [&env] {
            QProcess ask;
            ask.setProcessEnvironment(env);
            ask.start(QStringLiteral("dbus-send"),
                { QStringLiteral("--session"), QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/"),
                    QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                    QStringLiteral("string:org.freedesktop.secrets") });
            ask.waitForFinished(5000);
            return ask.readAllStandardOutput().contains("boolean true");
        };
        if (!QTest::qWaitFor(owned, 15000))
            return false;
        return QTest::qWaitFor(
            [] { return SecretStore().write(QStringLiteral("probe"), QStringLiteral("-")).ok(); },
            15000);
    }();
    return started;
}

// The loopback provider of oauth_provider.py, run for the lifetime of the object.
class TestProvider
{
public:
    explicit TestProvider(int expiresIn = 3600)
        : m_server(QStringLiteral(OAUTH_PROVIDER_SCRIPT),
            { tokensFile(), QString::number(expiresIn), QStringLiteral("1") })
    { }

    int port() const { return m_server.port(); }
    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
    }
    // The file listing the access tokens the provider accepts now (for the mail servers).
    QString tokensFile() const { return m_dir.file(QStringLiteral("access-tokens")); }
    QStringList acceptedTokens() const
    {
        QFile f(tokensFile());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    OAuthSettings settings(const QString &clientId = QStringLiteral("velloran-test")) const
    {
        OAuthSettings s;
        s.provider = OAuthSettings::Provider::Custom;
        s.clientId = clientId;
        s.authorizationEndpoint = url(QStringLiteral("/authorize")).toString();
        s.tokenEndpoint = url(QStringLiteral("/token")).toString();
        s.deviceEndpoint = url(QStringLiteral("/devicecode")).toString();
        s.scopes = { QStringLiteral("mail.send"), QStringLiteral("offline_access") };
        return s;
    }
    OAuthEndpoints endpoints(const QString &clientId = QStringLiteral("velloran-test")) const
    {
        return ResolveEndpoints(settings(clientId));
    }

    // approve / deny (with user_code), revoke, expire.
    bool control(const QString &what, const QString &userCode = QString()) const
    {
        const QByteArray body = "user_code=" + QUrl::toPercentEncoding(userCode);
        return request(url(QStringLiteral("/control/") + what), body).second == 200;
    }
    QJsonObject stats() const
    {
        return QJsonDocument::fromJson(request(url(QStringLiteral("/control/stats"))).first)
            .object();
    }

    // Fetches (or posts, with a body) and waits; the body and the HTTP status.
    static QPair<QByteArray, int> request(const QUrl &url, const QByteArray &body = {})
    {
        QNetworkAccessManager network;
        QNetworkRequest r(url);
        r.setHeader(QNetworkRequest::ContentTypeHeader,
            QStringLiteral("application/x-www-form-urlencoded"));
        QNetworkReply *reply = body.isNull() ? network.get(r) : network.post(r, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray answer = reply->readAll();
        delete reply;
        return { answer, status };
    }

private:
    TempDir m_dir; // before m_server, whose arguments name a file in it
    ScriptServer m_server;
};

// An account of sales@example.com that sends through the loopback SMTP server at smtpUrl,
// without TLS, signing in with OAuth 2.0 at the provider.
inline Profile OAuthSmtpAccount(const QString &name, const QString &storeFolder,
    const QString &smtpUrl, const TestProvider &provider)
{
    Profile p;
    p.name = name;
    p.senderAddress = QStringLiteral("sales@example.com");
    p.storeFolder = storeFolder;
    p.transport.kind = TransportSettings::Kind::Smtp;
    p.transport.url = smtpUrl;
    p.transport.tls = TransportSettings::Tls::None;
    p.transport.username = QStringLiteral("sales@example.com");
    p.transport.auth = TransportSettings::Auth::OAuth2;
    p.oauth = provider.settings();
    return p;
}

// Stands in for the user's browser: follows the authorization address, and the
// provider's redirect back to the loopback listener, the way a browser would.
class FollowingBrowser
{
public:
    bool open(const QUrl &url)
    {
        opened = url;
        QNetworkReply *reply = m_network.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, reply, [this, reply] {
            landedOn = reply->url();
            page = reply->readAll();
            reply->deleteLater();
        });
        return true;
    }

    QUrl opened;
    QUrl landedOn;
    QByteArray page;

private:
    QNetworkAccessManager m_network;
};

// Starts the sign-in and waits for its end.
inline std::optional<TokenReply> RunSignIn(SignIn &signIn, int timeoutMs = 20000)
{
    std::optional<TokenReply> result;
    QObject::connect(&signIn, &SignIn::finished, &signIn,
        [&result](const TokenReply &reply) { result = reply; });
    signIn.start();
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, timeoutMs);
    return result;
}

// A browser sign-in with the provider, followed to its end.
inline TokenReply SignInWith(const TestProvider &provider)
{
    FollowingBrowser browser;
    BrowserSignIn signIn(provider.endpoints());
    signIn.setBrowser([&browser](const QUrl &url) { return browser.open(url); });
    return RunSignIn(signIn).value_or(TokenReply());
}

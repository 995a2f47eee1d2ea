#include "platform/mapi/Profiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>

namespace {

QString str(const QJsonObject &o, const char *key, const QString &fallback = QString())
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isString() ? v.toString() : fallback;
}

int number(const QJsonObject &o, const char *key, int fallback)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? v.toInt(fallback) : fallback;
}

TransportSettings::Tls readTls(const QJsonObject &o)
{
    const QString tls = str(o, "starttls", QStringLiteral("try")).toLower();
    if (tls == QLatin1String("none"))
        return TransportSettings::Tls::None;
    if (tls == QLatin1String("required"))
        return TransportSettings::Tls::Required;
    return TransportSettings::Tls::Try;
}

SecretPlace readSecretPlace(const QJsonObject &o)
{
    return str(o, "passwordIn").toLower() == QLatin1String("keyring") ? SecretPlace::Keyring
                                                                      : SecretPlace::File;
}

bool readTransport(const QJsonObject &o, TransportSettings &t, QString &error)
{
    const QString kind = str(o, "kind", QStringLiteral("drop")).toLower();
    if (kind == QLatin1String("smtp"))
        t.kind = TransportSettings::Kind::Smtp;
    else if (kind == QLatin1String("sendmail"))
        t.kind = TransportSettings::Kind::Sendmail;
    else if (kind == QLatin1String("drop"))
        t.kind = TransportSettings::Kind::DropFolder;
    else {
        error = QStringLiteral("unknown transport kind \"%1\"").arg(kind);
        return false;
    }
    t.url = str(o, "url");
    t.username = str(o, "username");
    t.password = str(o, "password");
    t.secretPlace = readSecretPlace(o);
    t.tls = readTls(o);
    const QString auth = str(o, "auth", QStringLiteral("password")).toLower();
    if (auth == QLatin1String("oauth2"))
        t.auth = TransportSettings::Auth::OAuth2;
    else if (auth != QLatin1String("password")) {
        error = QStringLiteral("unknown authentication \"%1\"").arg(auth);
        return false;
    }
    t.messagesPerMinute = std::max(0, number(o, "messagesPerMinute", 0));
    t.verifyPeer = o.value(QStringLiteral("verifyPeer")).toBool(true);
    t.connectTimeoutSeconds = number(o, "connectTimeout", t.connectTimeoutSeconds);
    t.timeoutSeconds = number(o, "timeout", t.timeoutSeconds);
    t.command = str(o, "command", QStringLiteral("/usr/sbin/sendmail -i"));
    t.folder = str(o, "folder");
    if (t.kind == TransportSettings::Kind::Smtp && t.url.isEmpty()) {
        error = QStringLiteral("an SMTP transport needs a url");
        return false;
    }
    if (t.kind == TransportSettings::Kind::DropFolder && t.folder.isEmpty()) {
        error = QStringLiteral("a drop transport needs a folder");
        return false;
    }
    return true;
}

bool readSentCopy(const QJsonObject &o, SentCopySettings &c, QString &error)
{
    const QString kind = str(o, "kind", QStringLiteral("local")).toLower();
    if (kind == QLatin1String("server"))
        c.kind = SentCopySettings::Kind::Server;
    else if (kind == QLatin1String("imap"))
        c.kind = SentCopySettings::Kind::Imap;
    else if (kind == QLatin1String("local"))
        c.kind = SentCopySettings::Kind::Local;
    else {
        error = QStringLiteral("unknown sent copy kind \"%1\"").arg(kind);
        return false;
    }
    c.url = str(o, "url");
    c.tls = readTls(o);
    c.username = str(o, "username");
    c.password = str(o, "password");
    c.secretPlace = readSecretPlace(o);
    c.folder = str(o, "folder");
    if (c.kind == SentCopySettings::Kind::Imap && c.url.isEmpty()) {
        error = QStringLiteral("an IMAP sent copy needs a url");
        return false;
    }
    return true;
}

bool readOAuth(const QJsonObject &o, OAuthSettings &a, QString &error)
{
    const QString provider = str(o, "provider", QStringLiteral("microsoft")).toLower();
    if (provider == QLatin1String("microsoft"))
        a.provider = OAuthSettings::Provider::Microsoft;
    else if (provider == QLatin1String("google"))
        a.provider = OAuthSettings::Provider::Google;
    else if (provider == QLatin1String("custom"))
        a.provider = OAuthSettings::Provider::Custom;
    else {
        error = QStringLiteral("unknown OAuth provider \"%1\"").arg(provider);
        return false;
    }
    a.clientId = str(o, "clientId");
    a.tenant = str(o, "tenant");
    a.authorizationEndpoint = str(o, "authorizationEndpoint");
    a.tokenEndpoint = str(o, "tokenEndpoint");
    a.deviceEndpoint = str(o, "deviceEndpoint");
    for (const QJsonValue &scope : o.value(QStringLiteral("scopes")).toArray())
        a.scopes << scope.toString();
    return true;
}

} // namespace

QString ProfileList::file()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/velloran/mail-profiles.json");
}

ProfileList ProfileList::load(QString *error)
{
    QFile f(file());
    if (!f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1 cannot be read").arg(f.fileName());
        return {};
    }
    return fromJson(f.readAll(), error);
}

ProfileList ProfileList::fromJson(const QByteArray &json, QString *error)
{
    QString problem;
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parse);
    ProfileList list;
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        problem = QStringLiteral("not a JSON object: %1").arg(parse.errorString());
    const QJsonArray profiles = doc.object().value(QStringLiteral("profiles")).toArray();
    for (const QJsonValue &value : profiles) {
        if (!problem.isEmpty())
            break;
        const QJsonObject o = value.toObject();
        Profile p;
        p.name = str(o, "name").trimmed();
        p.isDefault = o.value(QStringLiteral("default")).toBool(false);
        p.password = str(o, "password");
        p.senderName = str(o, "senderName");
        p.senderAddress = str(o, "senderAddress");
        p.storeFolder = QDir::fromNativeSeparators(str(o, "store"));
        if (p.name.isEmpty() || p.storeFolder.isEmpty() || p.senderAddress.isEmpty()) {
            problem = QStringLiteral("a profile needs a name, a senderAddress and a store");
            break;
        }
        if (!readTransport(o.value(QStringLiteral("transport")).toObject(), p.transport, problem)
            || !readSentCopy(o.value(QStringLiteral("sentCopy")).toObject(), p.sentCopy, problem)
            || !readOAuth(o.value(QStringLiteral("oauth")).toObject(), p.oauth, problem))
            break;
        for (const QJsonValue &c : o.value(QStringLiteral("contacts")).toArray())
            p.contacts.append(Contact { str(c.toObject(), "name"), str(c.toObject(), "address") });
        list.m_profiles.append(p);
    }
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return {};
    }
    return list;
}

const Profile *ProfileList::find(const QString &name) const
{
    for (const Profile &p : m_profiles)
        if (p.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

const Profile *ProfileList::defaultProfile() const
{
    for (const Profile &p : m_profiles)
        if (p.isDefault)
            return &p;
    return m_profiles.size() == 1 ? &m_profiles.front() : nullptr;
}

const Profile *ProfileList::findOrDefault(const QString &name) const
{
    const Profile *profile = find(name);
    return profile ? profile : defaultProfile();
}

#include "platform/mapi/Profiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

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
    const QString tls = str(o, "starttls", QStringLiteral("try")).toLower();
    if (tls == QLatin1String("none"))
        t.tls = TransportSettings::Tls::None;
    else if (tls == QLatin1String("required"))
        t.tls = TransportSettings::Tls::Required;
    else
        t.tls = TransportSettings::Tls::Try;
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
        if (!readTransport(o.value(QStringLiteral("transport")).toObject(), p.transport, problem))
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

#pragma once

#include "mail/MailTestEnv.h"
#include "mail/SmtpTestServer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <algorithm>

// A user whose one mail profile sends to a loopback SMTP server, for the lifetime of the object.
class LoopbackMailUser
{
public:
    // delaySeconds: how late the server answers each RCPT and DATA command.
    explicit LoopbackMailUser(
        const QString &serverMode = QStringLiteral("accept"), double delaySeconds = 0)
        : m_server(m_received.path(), serverMode, delaySeconds)
    {
        const QString profiles = QStringLiteral(R"({"profiles": [{"name": "Office",
            "default": true, "senderName": "Sales Ledger", "senderAddress": "ledger@example.com",
            "store": "%1", "transport": {"kind": "smtp", "url": "%2", "starttls": "none",
            "timeout": 20, "connectTimeout": 5}}]})");
        m_home.write(QStringLiteral("mail-profiles.json"),
            profiles.arg(storeFolder(), m_server.url()).toUtf8());
    }

    bool serverUp() const { return m_server.port() > 0; }
    QString storeFolder() const { return m_home.path() + QStringLiteral("/store"); }
    QString configHome() const { return m_home.path(); }

    // The messages the server accepted, in the order they arrived.
    QStringList received() const
    {
        QStringList names
            = QDir(m_received.path()).entryList({ QStringLiteral("msg-*.eml") }, QDir::Files);
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return a.mid(4).section(u'.', 0, 0).toInt() < b.mid(4).section(u'.', 0, 0).toInt();
        });
        for (QString &name : names)
            name = m_received.file(name);
        return names;
    }
    // The envelope recipients of a received message.
    static QStringList envelopeTo(const QString &message)
    {
        QFile file(QString(message).replace(QStringLiteral(".eml"), QStringLiteral(".json")));
        file.open(QIODevice::ReadOnly);
        QStringList to;
        for (const QJsonValue &v : QJsonDocument::fromJson(file.readAll())[u"to"].toArray())
            to << v.toString();
        return to;
    }
    // The message read by Python's e-mail package (see parse_message.py).
    static QJsonObject parse(const QString &message) { return ParseMessage(message); }
    QStringList sentItems() const
    {
        return QDir(storeFolder() + QStringLiteral("/Sent Items/cur")).entryList(QDir::Files);
    }

private:
    ScopedConfigHome m_home;
    TempDir m_received;
    SmtpTestServer m_server;
};

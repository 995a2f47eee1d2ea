#pragma once

#include "support/TempDir.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

// Redirects the user's configuration folder (registry files, mail profiles) to a fresh
// folder for the lifetime of the object.
class ScopedConfigHome
{
public:
    ScopedConfigHome()
        : m_saved(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        QDir().mkpath(m_dir.file(QStringLiteral("velloran")));
    }
    ~ScopedConfigHome() { qputenv("XDG_CONFIG_HOME", m_saved); }

    QString path() const { return m_dir.path(); }
    void write(const QString &name, const QByteArray &text) const
    {
        QFile file(m_dir.file(QStringLiteral("velloran/") + name));
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }
    // Writes the mail profiles file with this one profile.
    void writeProfile(const QJsonObject &profile) const
    {
        write(QStringLiteral("mail-profiles.json"),
            QJsonDocument(QJsonObject { { QStringLiteral("profiles"), QJsonArray { profile } } })
                .toJson());
    }
    // Points the mail client's DLLPathEx at folder/mapi32.dll.
    void useMailLibraryIn(const QString &folder) const
    {
        QByteArray path = (folder + QStringLiteral("/mapi32.dll")).toUtf8();
        write(QStringLiteral("machine-registry.json"),
            R"({"keys": {"SOFTWARE\\Clients\\Mail\\Microsoft Outlook": {"DLLPathEx": ")" + path
                + "\"}}}");
    }

private:
    TempDir m_dir;
    QByteArray m_saved;
};

// A profile's Sent copy on the loopback server of imap_server.py, without TLS, signing in
// as user (whose only right password is "right").
inline QJsonObject LoopbackSentCopy(
    const QString &imapUrl, const QString &password = QStringLiteral("right"))
{
    return QJsonObject { { QStringLiteral("kind"), QStringLiteral("imap") },
        { QStringLiteral("url"), imapUrl }, { QStringLiteral("starttls"), QStringLiteral("none") },
        { QStringLiteral("username"), QStringLiteral("user") },
        { QStringLiteral("password"), password } };
}

#ifdef PARSE_MESSAGE_SCRIPT
// A stored message as Python's e-mail package reads it (see parse_message.py).
inline QJsonObject ParseMessage(const QString &path)
{
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"), { QStringLiteral(PARSE_MESSAGE_SCRIPT), path });
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}
#endif

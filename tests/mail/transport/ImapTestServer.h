#pragma once

#include "support/ScriptServer.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <algorithm>

// The loopback IMAP server of imap_server.py, run for the lifetime of the object. Its only
// login is user / right; "Sent Items" is the folder flagged \Sent.
class ImapTestServer : public ScriptServer
{
public:
    // mode: accept, refuse-login, refuse-append, no-special-use or silent.
    ImapTestServer(const QString &folder, const QString &mode)
        : ScriptServer(QStringLiteral(IMAP_SERVER_SCRIPT), { folder, mode })
        , m_folder(folder)
    { }

    QString url() const { return QStringLiteral("imap://127.0.0.1:%1").arg(port()); }

    // The appended messages in the order they arrived.
    QStringList appended() const
    {
        QStringList names = QDir(m_folder).entryList({ QStringLiteral("append-*.eml") });
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return a.mid(7).section(u'.', 0, 0).toInt() < b.mid(7).section(u'.', 0, 0).toInt();
        });
        for (QString &name : names)
            name = m_folder + u'/' + name;
        return names;
    }
    // The mailbox and flags an appended message was stored with.
    static QJsonObject envelope(const QString &message)
    {
        QFile file(QString(message).replace(QStringLiteral(".eml"), QStringLiteral(".json")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private:
    QString m_folder;
};

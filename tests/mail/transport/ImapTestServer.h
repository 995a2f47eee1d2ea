#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>

// The loopback IMAP server of imap_server.py, run for the lifetime of the object. Its only
// login is user / right; "Sent Items" is the folder flagged \Sent.
class ImapTestServer
{
public:
    // mode: accept, refuse-login, refuse-append, no-special-use or silent.
    ImapTestServer(const QString &folder, const QString &mode)
        : m_folder(folder)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"),
            { QStringLiteral(IMAP_SERVER_SCRIPT), folder, mode });
        if (!m_process.waitForStarted(10000))
            return;
        while (m_port == 0 && m_process.waitForReadyRead(15000)) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("PORT "))
                m_port = line.mid(5).toInt();
        }
    }
    ~ImapTestServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    int port() const { return m_port; }
    QString url() const { return QStringLiteral("imap://127.0.0.1:%1").arg(m_port); }

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
    QProcess m_process;
    int m_port = 0;
};

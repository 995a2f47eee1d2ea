#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The loopback SMTP server of tests/mail/smtp_server.py, taking every message and keeping none;
// answers its port, 0 when it did not start.
inline int StartDiscardingSmtpServer(QProcess &server, const QString &folder)
{
    server.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral(SMTP_SERVER_SCRIPT), folder, QStringLiteral("discard") });
    int port = 0;
    while (port == 0 && server.waitForReadyRead(15000)) {
        const QByteArray line = server.readLine().trimmed();
        if (line.startsWith("PORT "))
            port = line.mid(5).toInt();
    }
    return port;
}

// One default mail profile "Bench" in the configuration folder, sending to the loopback server
// and storing under folder/store.
inline void WriteBenchMailProfile(const QString &configFolder, const QString &folder, int port)
{
    QDir().mkpath(configFolder + QStringLiteral("/velloran"));
    QFile profiles(configFolder + QStringLiteral("/velloran/mail-profiles.json"));
    profiles.open(QIODevice::WriteOnly);
    profiles.write(QStringLiteral(R"({"profiles": [{"name": "Bench", "default": true,
        "senderAddress": "ledger@example.com", "store": "%1/store",
        "transport": {"kind": "smtp", "url": "smtp://127.0.0.1:%2", "starttls": "none"}}]})")
                       .arg(folder)
                       .arg(port)
                       .toUtf8());
}

// A user whose configuration folder is a fresh folder holding the bench profile, sending to a
// discarding loopback server, for the lifetime of the object.
class BenchMailUser
{
public:
    BenchMailUser()
        : m_savedHome(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        m_port = StartDiscardingSmtpServer(m_server, m_dir.path());
        if (m_port != 0)
            WriteBenchMailProfile(m_dir.path(), m_dir.path(), m_port);
    }
    ~BenchMailUser()
    {
        m_server.kill();
        m_server.waitForFinished(5000);
        qputenv("XDG_CONFIG_HOME", m_savedHome);
    }
    BenchMailUser(const BenchMailUser &) = delete;
    BenchMailUser &operator=(const BenchMailUser &) = delete;

    // 0 when the server did not start.
    int port() const { return m_port; }
    QString folder() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_savedHome;
    QProcess m_server;
    int m_port = 0;
};

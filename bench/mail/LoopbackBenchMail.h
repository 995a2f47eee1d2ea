#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

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

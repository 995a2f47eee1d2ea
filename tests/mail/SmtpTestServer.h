#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The loopback SMTP server of smtp_server.py, run for the lifetime of the object.
class SmtpTestServer
{
public:
    // mode: accept, refuse-rcpt, auth, refuse-data or silent.
    SmtpTestServer(const QString &folder, const QString &mode, double delaySeconds = 0)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"),
            { QStringLiteral(SMTP_SERVER_SCRIPT), folder, mode, QString::number(delaySeconds) });
        if (!m_process.waitForStarted(10000))
            return;
        while (m_port == 0 && m_process.waitForReadyRead(15000)) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("PORT "))
                m_port = line.mid(5).toInt();
        }
    }
    ~SmtpTestServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // Waits until the server prints the line (silent mode prints ACCEPTED per connection).
    bool waitForLine(const QByteArray &text)
    {
        while (true) {
            while (m_process.canReadLine())
                if (m_process.readLine().trimmed() == text)
                    return true;
            if (!m_process.waitForReadyRead(15000))
                return false;
        }
    }

    int port() const { return m_port; }
    QString url() const { return QStringLiteral("smtp://127.0.0.1:%1").arg(m_port); }

private:
    QProcess m_process;
    int m_port = 0;
};

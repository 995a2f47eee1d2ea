#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// A loopback test server written in python, run for the lifetime of the object: the
// script is started with the arguments, and the port it prints first ("PORT n") is read.
// port() is 0 where the script did not start or printed no port.
class ScriptServer
{
public:
    ScriptServer(const QString &script, const QStringList &arguments)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"), QStringList { script } + arguments);
        if (!m_process.waitForStarted(10000))
            return;
        while (m_port == 0 && m_process.waitForReadyRead(15000)) {
            const QByteArray line = m_process.readLine().trimmed();
            if (line.startsWith("PORT "))
                m_port = line.mid(5).toInt();
        }
    }
    ~ScriptServer() { stop(); }
    ScriptServer(const ScriptServer &) = delete;
    ScriptServer &operator=(const ScriptServer &) = delete;

    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    int port() const { return m_port; }

    // Waits until the server prints the line.
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

private:
    QProcess m_process;
    int m_port = 0;
};

#pragma once

#include "support/ScriptServer.h"

#include <QString>

// The loopback SMTP server of smtp_server.py, run for the lifetime of the object; silent
// mode prints ACCEPTED per connection, which waitForLine() waits for.
class SmtpTestServer : public ScriptServer
{
public:
    // mode: accept, refuse-rcpt, auth, refuse-data or silent.
    SmtpTestServer(const QString &folder, const QString &mode, double delaySeconds = 0)
        : ScriptServer(
            QStringLiteral(SMTP_SERVER_SCRIPT), { folder, mode, QString::number(delaySeconds) })
    { }

    QString url() const { return QStringLiteral("smtp://127.0.0.1:%1").arg(port()); }
};

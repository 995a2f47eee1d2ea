#pragma once

#include <QString>

// The largest message the outgoing server of a mail profile accepts, as the server announces
// it (the SIZE of its EHLO answer), for the send preview.
struct ServerSizeLimit
{
    bool known = false; // the server was reached and asked
    qint64 bytes = 0; // 0: it announced no limit
    QString account; // the profile asked
};

// Asks the outgoing server of the named profile (the default profile when there is none of that
// name). Nothing is known for a profile that does not send over SMTP or a server that cannot be
// reached. Blocks for as long as the server takes (the profile's connect time-out at most once
// connected, its reply time-out): call it on a worker thread.
ServerSizeLimit AskServerSizeLimit(const QString &profileName);

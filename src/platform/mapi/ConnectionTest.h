#pragma once

#include "platform/mapi/Profiles.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

// Tries an account's servers the way a send would, without sending anything: connects to
// the outgoing server, says EHLO, signs in, and, when the Sent copy is uploaded over
// IMAP, logs in there and looks for the Sent folder. Each step is answered in the user's
// words, for the account editor's "Test" button.

// What became of one step.
enum class ProbeOutcome {
    Ok,
    HostNotFound, // the name does not resolve
    TimedOut, // no answer in time (a silent server, a firewall dropping packets)
    ConnectionRefused, // nothing listens on that port
    NoTls, // TLS was required and the server offers none, or the handshake failed
    CertificateRefused, // the server's certificate is not trusted for its name
    AuthenticationRefused, // the outgoing server turned the user name or password away
    ImapLoginRefused, // the IMAP server turned the user name or password away
    FolderNotFound, // no folder flagged \Sent, or the configured one is missing
    Failed // anything else; the step's text says what
};

struct ProbeStep
{
    enum class What {
        OutgoingServer, // connect and EHLO
        OutgoingSignIn, // SMTP authentication
        ImapServer, // connect and log in to IMAP
        SentFolder // find the Sent folder
    };

    What what = What::OutgoingServer;
    ProbeOutcome outcome = ProbeOutcome::Ok;
    QString text; // one sentence for the user, e.g. "Connected to smtp.example.com:587."
};

struct ConnectionTestResult
{
    bool ok = false; // every step done succeeded
    QList<ProbeStep> steps; // in the order done; stops at the first failure of a server
    qint64 sizeLimit = 0; // the SIZE the outgoing server announced; 0: none announced
    QStringList imapFolders; // the IMAP server's folders, to offer a choice; empty if not reached
    QString sentFolder; // the folder a Sent copy would go to; empty if none found

    // The steps' texts, one a line.
    QString summary() const;
};

// Blocks for as long as the servers take (the account's connect and reply time-outs);
// run it on a worker thread. The profile's secrets must already be filled in. cancel,
// when given and set from another thread, ends the test at the next step or transfer
// tick, with a Failed step.
ConnectionTestResult TestConnection(
    const Profile &profile, const std::atomic_bool *cancel = nullptr);

// How a failed curl transfer (its CURLcode) reads for the user; imap: the transfer was with
// the IMAP server, whose refused login is told apart from the outgoing server's.
ProbeOutcome ProbeOutcomeOf(int curlCode, bool imap);
// One sentence for a failure at host ("smtp.example.com:587"); detail: the server's last
// reply, or for FolderNotFound the configured folder name (empty: none configured).
QString ProbeFailureText(ProbeOutcome outcome, const QString &host, const QString &detail);

#pragma once

#include "platform/mapi/Profiles.h"

#include <QByteArray>
#include <QString>

#include <atomic>

#include <curl/curl.h>

// What the SMTP send, the IMAP upload and the connection test share about a curl handle:
// one global initialisation, the connection options of a server and its credentials.
namespace mailcurl {

// Initialises curl once for the process; safe from any thread.
void globalInit();

// One server as the mail library reaches it.
struct Server
{
    QString url; // smtp://, smtps://, imap:// or imaps://, with or without a path
    TransportSettings::Tls tls = TransportSettings::Tls::Try;
    bool verifyPeer = true;
    int connectTimeoutSeconds = 30;
    int timeoutSeconds = 120;
};

// Who signs in, and how. An empty user name signs in to nothing.
struct Login
{
    QString username;
    QString secret; // the password, or with OAuth2 the access token
    TransportSettings::Auth auth = TransportSettings::Auth::Password;
};

// The outgoing server and login of a profile's transport (password: the transport's own,
// else the profile's logon password).
Server outgoingServer(const TransportSettings &transport);
Login outgoingLogin(const TransportSettings &transport, const QString &profilePassword);
// The IMAP server and login of a profile's Sent copy; it shares the transport's
// certificate check and time-outs.
Server sentCopyServer(const Profile &profile);
Login sentCopyLogin(const Profile &profile);

// Sets the URL, TLS policy, certificate check and time-outs. curl copies every text.
void applyServer(CURL *curl, const Server &server);
// Sets the credentials: the one place where a login reaches curl.
void applyCredentials(CURL *curl, const Login &login);
// Ends a transfer with CURLE_ABORTED_BY_CALLBACK once *cancel is set.
void applyCancel(CURL *curl, const std::atomic_bool *cancel);

// A body curl reads from memory; it must outlive the transfer.
struct Upload
{
    const QByteArray *data;
    qsizetype position = 0;
};
// Makes the transfer an upload of upload's data from its position, and declares its size.
void applyUpload(CURL *curl, Upload &upload);

// The URL with its path replaced by an escaped mailbox name ("imap://host:993/Sent%20Items").
QByteArray mailboxUrl(const QString &serverUrl, const QString &mailbox);
// "host:port" of a URL, for messages.
QString hostOf(const QString &url);

} // namespace mailcurl

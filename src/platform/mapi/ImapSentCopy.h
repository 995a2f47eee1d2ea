#pragma once

#include "platform/mapi/MailCurl.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class AccessTokens;

// The copy of a sent message in the user's own Sent folder on an IMAP server.

struct ImapFolder
{
    QString name; // as the user reads it (modified UTF-7 decoded)
    QStringList flags; // e.g. "\\HasNoChildren", "\\Sent"
};

// A failed exchange with a mail server, as curl and the server's last reply tell it.
struct MailServerFailure
{
    CURLcode code = CURLE_OK;
    QString reply; // the server's last line, e.g. "A3 NO [AUTHENTICATIONFAILED] ..."
    QString host; // host:port
};

// The folders of untagged LIST responses (one a line; a name may come as a literal).
QList<ImapFolder> ParseImapList(const QByteArray &responses);
// The folder a Sent copy goes to: the configured one when the list holds it (INBOX in any
// letter case), else, with none configured, the first flagged \Sent. Empty: none.
QString ChooseSentFolder(const QList<ImapFolder> &folders, const QString &configured);

// Mailbox names travel in modified UTF-7 (RFC 3501, 5.1.3).
QString DecodeMailboxName(const QByteArray &encoded);
QByteArray EncodeMailboxName(const QString &name);

class ImapSentCopy
{
public:
    // The profile's Sent copy settings say where; its transport, how long to wait.
    explicit ImapSentCopy(const Profile &profile);
    ~ImapSentCopy();
    ImapSentCopy(const ImapSentCopy &) = delete;
    ImapSentCopy &operator=(const ImapSentCopy &) = delete;

    // Logs in and lists the folders; false with the failure filled when it cannot.
    bool listFolders(QList<ImapFolder> &folders, MailServerFailure &failure,
        const std::atomic_bool *cancel = nullptr);

    // Appends the message as it was sent, flagged \Seen. Empty on success, else why not,
    // in the user's words. The folder found is remembered for the next message.
    QString append(const QByteArray &mime);

private:
    bool perform(MailServerFailure &failure);
    bool performOnce(MailServerFailure &failure);

    mailcurl::Server m_server;
    mailcurl::Login m_login;
    std::shared_ptr<AccessTokens> m_tokens; // set for an OAuth 2.0 account
    QString m_configuredFolder;
    QString m_folder; // found, or configured
    CURL *m_curl = nullptr; // kept, so its connection serves the next message too
};

#pragma once

#include "platform/mapi/Profiles.h"

#include <QString>

#include <optional>

// The account editor's plain rules: how a server's host, port and security are read from and
// written to the profile's URL, what counts as an address or a host name, and where a new
// account keeps its messages.

// The security choice offered for a server. StartTlsIfOffered is never offered for a new
// account; it stands for a profile written with "try", which the editor keeps as it is.
enum class Security { SslTls, StartTls, None, StartTlsIfOffered };

struct ServerAddress
{
    QString host;
    int port = 0;
    Security security = Security::StartTls;
};

// The usual port for a security: 465 / 587 / 25 for outgoing mail, 993 / 143 for IMAP.
int DefaultPort(bool imap, Security security);

// smtp://host:port or smtps://host:port and the STARTTLS setting, both ways. A URL without a
// port has the scheme's usual one.
ServerAddress SmtpAddressOf(const TransportSettings &transport);
void SetSmtpAddress(TransportSettings &transport, const ServerAddress &address);
// imap://host:port or imaps://host:port, likewise.
ServerAddress ImapAddressOf(const SentCopySettings &sentCopy);
void SetImapAddress(SentCopySettings &sentCopy, const ServerAddress &address);

// One '@' with something before it and a dotted or bracketed domain after it, no blanks.
bool IsAddressShaped(const QString &address);
// A DNS name, an IPv4 address or an IPv6 address (with or without brackets).
bool IsHostName(const QString &host);
// 1 to 65535; nothing for anything else.
std::optional<int> ParsePort(const QString &text);
// Empty: no limit (0); a whole number from 1 up; nothing for anything else.
std::optional<int> ParseMessagesPerMinute(const QString &text);

// <user data folder>/velloran/mail/<name>, the name made safe as one folder name.
QString DefaultStoreFolder(const QString &accountName);

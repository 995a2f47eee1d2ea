#pragma once

#include "platform/mapi/MapiDefs.h"
#include "platform/mapi/Profiles.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class AccessTokens;

// How a composed message leaves: an SMTP exchange, a sendmail-compatible command, or a
// file in a drop folder. send() blocks; it is called on a worker thread, one message at
// a time per transport.
struct SendResult
{
    HRESULT code = S_OK;
    QString detail; // what went wrong, for diagnostics
    QStringList refused; // recipients the server turned away
    bool tooLarge = false; // refused for its size, before the server was sent its content
    qint64 sizeLimit = 0; // the size the server takes, when it announced one
};

class Transport
{
public:
    virtual ~Transport() = default;
    virtual SendResult send(
        const QString &from, const QStringList &recipients, const QByteArray &mime)
        = 0;

    // password: the profile's logon password, used when the transport has none of its own.
    // tokens: where an OAuth 2.0 account's access tokens come from.
    static std::unique_ptr<Transport> create(const TransportSettings &settings,
        const QString &password, std::shared_ptr<AccessTokens> tokens = nullptr);
};

std::unique_ptr<Transport> CreateSmtpTransport(const TransportSettings &settings,
    const QString &password, std::shared_ptr<AccessTokens> tokens = nullptr);
std::unique_ptr<Transport> CreateSendmailTransport(const TransportSettings &settings);
std::unique_ptr<Transport> CreateDropFolderTransport(const TransportSettings &settings);

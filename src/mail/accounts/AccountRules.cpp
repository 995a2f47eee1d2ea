#include "mail/accounts/AccountRules.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace {

using Tls = TransportSettings::Tls;

ServerAddress AddressOf(
    const QString &url, Tls tls, bool imap, const QString &plainScheme, const QString &tlsScheme)
{
    ServerAddress address;
    const QUrl parsed(url);
    const QString scheme = parsed.scheme().toLower();
    address.host = parsed.host();
    if (scheme == tlsScheme)
        address.security = Security::SslTls;
    else if (tls == Tls::Required)
        address.security = Security::StartTls;
    else if (tls == Tls::None)
        address.security = Security::None;
    else
        address.security = Security::StartTlsIfOffered;
    // Without a port the scheme's own is meant, as the transport reads it.
    const int fallback = scheme == tlsScheme ? DefaultPort(imap, Security::SslTls)
        : imap                               ? 143
        : scheme == plainScheme              ? 25
                                             : 0;
    address.port = parsed.port(fallback);
    return address;
}

QString UrlOf(const ServerAddress &address, const QString &plainScheme, const QString &tlsScheme)
{
    QString host = address.host.trimmed();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    return (address.security == Security::SslTls ? tlsScheme : plainScheme) + QStringLiteral("://")
        + host + QLatin1Char(':') + QString::number(address.port);
}

Tls TlsOf(Security security)
{
    switch (security) {
    case Security::None:
        return Tls::None;
    case Security::StartTlsIfOffered:
        return Tls::Try;
    case Security::SslTls: // the connection is TLS from the start; nothing is left to try
    case Security::StartTls:
        break;
    }
    return Tls::Required;
}

} // namespace

int DefaultPort(bool imap, Security security)
{
    if (imap)
        return security == Security::SslTls ? 993 : 143;
    switch (security) {
    case Security::SslTls:
        return 465;
    case Security::None:
        return 25;
    case Security::StartTls:
    case Security::StartTlsIfOffered:
        break;
    }
    return 587;
}

ServerAddress SmtpAddressOf(const TransportSettings &transport)
{
    return AddressOf(
        transport.url, transport.tls, false, QStringLiteral("smtp"), QStringLiteral("smtps"));
}

void SetSmtpAddress(TransportSettings &transport, const ServerAddress &address)
{
    transport.url = UrlOf(address, QStringLiteral("smtp"), QStringLiteral("smtps"));
    transport.tls = TlsOf(address.security);
}

ServerAddress ImapAddressOf(const SentCopySettings &sentCopy)
{
    return AddressOf(
        sentCopy.url, sentCopy.tls, true, QStringLiteral("imap"), QStringLiteral("imaps"));
}

void SetImapAddress(SentCopySettings &sentCopy, const ServerAddress &address)
{
    sentCopy.url = UrlOf(address, QStringLiteral("imap"), QStringLiteral("imaps"));
    sentCopy.tls = TlsOf(address.security);
}

bool IsAddressShaped(const QString &address)
{
    static const QRegularExpression shape(QStringLiteral(
        R"re(^[^\s@<>()",;:\[\]]+@([A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?(?:\.[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?)+|\[[0-9A-Fa-f:.]+\])$)re"));
    return !address.startsWith(QLatin1Char('.')) && shape.match(address).hasMatch();
}

bool IsHostName(const QString &host)
{
    QString text = host;
    if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
        text = text.mid(1, text.size() - 2);
    if (text.contains(QLatin1Char(':'))) {
        // QUrl takes an IPv6 address as a host only when it parses as one.
        QUrl url;
        url.setHost(QLatin1Char('[') + text + QLatin1Char(']'), QUrl::StrictMode);
        return url.isValid() && !url.host().isEmpty();
    }
    // Labels of letters, digits and hyphens, none starting or ending with a hyphen; an IPv4
    // address is such a name too.
    static const QRegularExpression name(QStringLiteral(
        R"(^(?=.{1,253}$)[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?(?:\.[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*\.?$)"));
    return name.match(text).hasMatch();
}

std::optional<int> ParsePort(const QString &text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

std::optional<int> ParseMessagesPerMinute(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    bool ok = false;
    const int limit = trimmed.toInt(&ok);
    if (!ok || limit < 1)
        return std::nullopt;
    return limit;
}

QString DefaultStoreFolder(const QString &accountName)
{
    QString folder = accountName.trimmed();
    // One folder name on every file system the program runs on.
    static const QRegularExpression unsafe(QStringLiteral(R"([/\\:*?"<>|\x00-\x1f])"));
    folder.replace(unsafe, QStringLiteral("_"));
    if (folder.isEmpty() || folder == QLatin1String(".") || folder == QLatin1String(".."))
        folder = QStringLiteral("account");
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("velloran/mail/") + folder);
}

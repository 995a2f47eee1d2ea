// The editor's plain rules: server addresses to and from the profile's URLs, and what the
// dialog accepts as an address, a server name, a port and a limit.

#include "mail/accounts/AccountPresets.h"
#include "mail/accounts/AccountRules.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

using Tls = TransportSettings::Tls;

TransportSettings Transport(const char *url, Tls tls)
{
    TransportSettings transport;
    transport.kind = TransportSettings::Kind::Smtp;
    transport.url = QString::fromLatin1(url);
    transport.tls = tls;
    return transport;
}

} // namespace

TEST(AccountRules, OutgoingUrlsReadAsTheTransportUsesThem)
{
    struct Case
    {
        const char *url;
        Tls tls;
        QString host;
        int port;
        Security security;
    };
    const Case cases[] = {
        { "smtps://smtp.gmail.com:465", Tls::Required, QStringLiteral("smtp.gmail.com"), 465,
            Security::SslTls },
        // smtps is TLS from the start whatever the STARTTLS setting says.
        { "smtps://mail.example.com", Tls::None, QStringLiteral("mail.example.com"), 465,
            Security::SslTls },
        { "smtp://smtp.office365.com:587", Tls::Required, QStringLiteral("smtp.office365.com"), 587,
            Security::StartTls },
        // A URL without a port connects to the scheme's own: 25 for smtp.
        { "smtp://relay.local", Tls::None, QStringLiteral("relay.local"), 25, Security::None },
        { "smtp://old.example.com:2525", Tls::Try, QStringLiteral("old.example.com"), 2525,
            Security::StartTlsIfOffered },
        { "smtp://[::1]:2525", Tls::None, QStringLiteral("::1"), 2525, Security::None },
    };
    for (const Case &c : cases) {
        const ServerAddress address = SmtpAddressOf(Transport(c.url, c.tls));
        EXPECT_EQ(address.host, c.host) << c.url;
        EXPECT_EQ(address.port, c.port) << c.url;
        EXPECT_EQ(address.security, c.security) << c.url;
    }
}

TEST(AccountRules, AddressesWrittenBackGiveTheSameServer)
{
    // Every choice survives a save and a reload; "try" in particular is not turned into
    // "required", which would stop a server without TLS that worked before.
    for (Security security :
        { Security::SslTls, Security::StartTls, Security::None, Security::StartTlsIfOffered }) {
        for (const QString &host : { QStringLiteral("smtp.example.com"),
                 QStringLiteral("192.0.2.7"), QStringLiteral("2001:db8::25") }) {
            TransportSettings transport;
            SetSmtpAddress(transport, { host, 2525, security });
            const ServerAddress back = SmtpAddressOf(transport);
            EXPECT_EQ(back.host, host) << transport.url.toStdString();
            EXPECT_EQ(back.port, 2525) << transport.url.toStdString();
            EXPECT_EQ(back.security, security) << transport.url.toStdString();

            SentCopySettings copy;
            SetImapAddress(copy, { host, 1993, security });
            const ServerAddress imap = ImapAddressOf(copy);
            EXPECT_EQ(imap.host, host) << copy.url.toStdString();
            EXPECT_EQ(imap.port, 1993);
            EXPECT_EQ(imap.security, security);
        }
    }
    TransportSettings transport;
    SetSmtpAddress(transport, { QStringLiteral("smtp.gmail.com"), 465, Security::SslTls });
    EXPECT_EQ(transport.url, QStringLiteral("smtps://smtp.gmail.com:465"));
    SetSmtpAddress(transport, { QStringLiteral("[::1]"), 25, Security::StartTls });
    EXPECT_EQ(transport.url, QStringLiteral("smtp://[::1]:25"));
    EXPECT_EQ(transport.tls, Tls::Required);
    SentCopySettings copy;
    SetImapAddress(copy, { QStringLiteral("imap.example.com"), 993, Security::SslTls });
    EXPECT_EQ(copy.url, QStringLiteral("imaps://imap.example.com:993"));
    copy.url = QStringLiteral("imap://imap.example.com");
    EXPECT_EQ(ImapAddressOf(copy).port, 143);
}

TEST(AccountRules, AddressShapes)
{
    for (const char *good : { "ledger@example.com", "a.b+sales@mail.example.co.uk", "x@[192.0.2.1]",
             "o'neil@example.ie" })
        EXPECT_TRUE(IsAddressShaped(QString::fromLatin1(good))) << good;
    for (const char *bad : { "", "ledger", "ledger@", "@example.com", "ledger@example",
             "a b@example.com", "ledger@@example.com", "ledger@example..com",
             "Ledger <ledger@example.com>", "ledger@-example.com", ".ledger@example.com" })
        EXPECT_FALSE(IsAddressShaped(QString::fromLatin1(bad))) << bad;
}

TEST(AccountRules, ServerNamesPortsAndLimits)
{
    for (const char *good : { "smtp.example.com", "localhost", "127.0.0.1", "::1", "[::1]",
             "mail-1.example.com", "smtp.example.com." })
        EXPECT_TRUE(IsHostName(QString::fromLatin1(good))) << good;
    for (const char *bad : { "", "smtp://smtp.example.com", "smtp.example.com:587",
             "smtp example.com", "-smtp.example.com", "smtp..example.com", "::g" })
        EXPECT_FALSE(IsHostName(QString::fromLatin1(bad))) << bad;

    EXPECT_EQ(ParsePort(QStringLiteral("587")), 587);
    EXPECT_EQ(ParsePort(QStringLiteral(" 65535 ")), 65535);
    for (const char *bad : { "", "0", "65536", "-25", "58 7", "x" })
        EXPECT_FALSE(ParsePort(QString::fromLatin1(bad))) << bad;

    EXPECT_EQ(ParseMessagesPerMinute(QString()), 0);
    EXPECT_EQ(ParseMessagesPerMinute(QStringLiteral(" 30 ")), 30);
    for (const char *bad : { "0", "-1", "1.5", "many" })
        EXPECT_FALSE(ParseMessagesPerMinute(QString::fromLatin1(bad))) << bad;
}

TEST(AccountRules, DefaultStoreFolderIsOneFolderPerAccountUnderTheUsersData)
{
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/tmp/velloran-data");
    EXPECT_EQ(DefaultStoreFolder(QStringLiteral("Office")),
        QStringLiteral("/tmp/velloran-data/velloran/mail/Office"));
    // A name can never reach outside the mail folder.
    EXPECT_EQ(DefaultStoreFolder(QStringLiteral("../../etc")),
        QStringLiteral("/tmp/velloran-data/velloran/mail/.._.._etc"));
    EXPECT_EQ(DefaultStoreFolder(QStringLiteral("..")),
        QStringLiteral("/tmp/velloran-data/velloran/mail/account"));
    EXPECT_EQ(DefaultStoreFolder(QStringLiteral("Sales: North/East")),
        QStringLiteral("/tmp/velloran-data/velloran/mail/Sales_ North_East"));
    qputenv("XDG_DATA_HOME", saved);
}

TEST(AccountRules, PresetsAreRecognisedByTheirOutgoingServer)
{
    Profile profile;
    profile.transport.kind = TransportSettings::Kind::Smtp;
    profile.transport.url = QStringLiteral("smtp://SMTP.Office365.com:587");
    EXPECT_EQ(PresetOf(profile), AccountPreset::Microsoft365);
    profile.transport.url = QStringLiteral("smtp://smtp.gmail.com:587");
    EXPECT_EQ(PresetOf(profile), AccountPreset::Google);
    profile.transport.url = QStringLiteral("smtp://mail.example.com:587");
    EXPECT_EQ(PresetOf(profile), AccountPreset::Other);
    profile.transport.kind = TransportSettings::Kind::DropFolder;
    profile.transport.url = QStringLiteral("smtp://smtp.gmail.com:587");
    EXPECT_EQ(PresetOf(profile), AccountPreset::Other);
}

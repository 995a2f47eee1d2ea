#include "mail/accounts/AccountPresets.h"

const QList<AccountPresetValues> &AccountPresets()
{
    using Kind = SentCopySettings::Kind;
    // Microsoft 365 and Google file mail submitted over SMTP in the mailbox's Sent folder
    // themselves: an uploaded copy would show twice.
    static const QList<AccountPresetValues> presets {
        { AccountPreset::Microsoft365, QStringLiteral("Microsoft 365"),
            { QStringLiteral("smtp.office365.com"), 587, Security::StartTls },
            { QStringLiteral("outlook.office365.com"), 993, Security::SslTls }, Kind::Server,
            QStringLiteral("Sign in with OAuth 2.0 through your business's registered "
                           "application, or with the mailbox's password where authenticated "
                           "SMTP is still allowed for the mailbox.") },
        { AccountPreset::Google, QStringLiteral("Google"),
            { QStringLiteral("smtp.gmail.com"), 465, Security::SslTls },
            { QStringLiteral("imap.gmail.com"), 993, Security::SslTls }, Kind::Server,
            QStringLiteral("Sign in with OAuth 2.0, or with an app password (Google Account, "
                           "Security, 2-Step Verification, App passwords), never the account's "
                           "own password. Port 587 with STARTTLS works too.") },
        { AccountPreset::Other, QStringLiteral("Other IMAP/SMTP provider"),
            { QString(), 587, Security::StartTls }, { QString(), 993, Security::SslTls },
            Kind::Imap,
            QStringLiteral("Your provider's help pages name its outgoing (SMTP) and IMAP "
                           "servers.") },
    };
    return presets;
}

const AccountPresetValues &PresetValues(AccountPreset preset)
{
    for (const AccountPresetValues &values : AccountPresets()) {
        if (values.preset == preset)
            return values;
    }
    return AccountPresets().constLast();
}

AccountPreset PresetOf(const Profile &profile)
{
    if (profile.transport.kind != TransportSettings::Kind::Smtp)
        return AccountPreset::Other;
    const QString host = SmtpAddressOf(profile.transport).host;
    for (const AccountPresetValues &values : AccountPresets()) {
        if (!values.smtp.host.isEmpty() && host.compare(values.smtp.host, Qt::CaseInsensitive) == 0)
            return values.preset;
    }
    return AccountPreset::Other;
}

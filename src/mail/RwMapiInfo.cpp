#include "mail/RwMapiInfo.h"

#include "platform/registry/Registry.h"

TRwMapiInfo TRwMapiInfo::Read()
{
    TRwMapiInfo info;
    const auto messaging = RegistryKey::open(RegistryRoot::LocalMachine,
        QStringLiteral("SOFTWARE\\Microsoft\\Windows Messaging Subsystem"));
    const auto clients
        = RegistryKey::open(RegistryRoot::LocalMachine, QStringLiteral("SOFTWARE\\Clients\\Mail"));
    if (messaging) {
        info.ExtendedMapiAvailable
            = messaging->readString(QStringLiteral("MAPIX")) == QStringLiteral("1");
        info.SimpleMapiAvailable
            = messaging->readString(QStringLiteral("MAPI")) == QStringLiteral("1");
        info.MapiVersion = messaging->readString(QStringLiteral("MAPIXVER")).value_or(QString());
    }
    if (clients) {
        if (!info.SimpleMapiAvailable)
            info.SimpleMapiAvailable = clients->hasSubKey(QStringLiteral("Outlook Express"));
        info.InstalledClients = clients->subKeyNames();
        info.DefaultClient = clients->readString(QString()).value_or(QString());
    }
    return info;
}

#pragma once

#include <QString>
#include <QStringList>

// The MAPI availability record, read from the machine registry each time it is needed.
struct TRwMapiInfo
{
    bool ExtendedMapiAvailable = false;
    bool SimpleMapiAvailable = false;
    QString MapiVersion;
    QStringList InstalledClients;
    QString DefaultClient;

    static TRwMapiInfo Read();
};

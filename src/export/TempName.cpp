#include "export/TempName.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ReserveTempFileName(const QString &folder, const QString &prefix)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return {};
    const QDir dir(folder);
    // Start from the clock, as the service does, and step on past names already taken.
    const auto start = static_cast<quint32>(
        QDateTime::currentMSecsSinceEpoch() ^ QCoreApplication::applicationPid());
    for (quint32 i = 0; i < 0x10000; ++i) {
        const quint32 unique = (start + i) & 0xFFFF;
        if (unique == 0)
            continue;
        const QString path
            = dir.filePath(prefix + QString::number(unique, 16).toUpper() + QStringLiteral(".tmp"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!file.exists())
            return {}; // not taken, yet it cannot be created: the folder refuses us
    }
    return {};
}

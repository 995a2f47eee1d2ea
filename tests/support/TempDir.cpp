#include "support/TempDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

TempDir::TempDir() = default;

QString FixturesDir()
{
    const QString shared = qEnvironmentVariable("VELLORAN_SHARED_DIR");
    if (shared.isEmpty())
        return {};
    return QDir(shared).filePath(QStringLiteral("fixtures"));
}

QString CopyFixtureFolder(const QString &relative, const TempDir &into)
{
    const QDir source(QDir(FixturesDir()).filePath(relative));
    const QString target = into.file(QDir(relative).dirName());
    QDir().mkpath(target);
    QDirIterator it(source.path(), QDir::Files);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = QDir(target).filePath(it.fileName());
        QFile::copy(from, to);
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }
    return target;
}

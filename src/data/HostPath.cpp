#include "data/HostPath.h"

#include "platform/database/vfp/Table.h"

#include <QDir>
#include <QFileInfo>

QString HostPath(const QString &path)
{
    // The engine's own mapping, so a path here names what the engine opens.
    return QString::fromStdString(vfp::MapHostPath(path.toStdString()));
}

bool HostFileExists(const QString &path)
{
    return QFileInfo(HostPath(path)).isFile();
}

HostFolderIndex::HostFolderIndex(const QString &folderPath)
    : m_folderText(folderPath)
{
    const QDir dir(HostPath(folderPath));
    if (!dir.exists())
        return;
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    m_files.reserve(files.size());
    for (const QString &file : files)
        m_files.insert(file.toCaseFolded(), true);
}

bool HostFolderIndex::containsFile(const QString &name) const
{
    if (name.isEmpty())
        return false;
    if (name.contains(u'\\') || name.contains(u'/')) {
        QString folder = m_folderText;
        if (!folder.endsWith(u'\\') && !folder.endsWith(u'/'))
            folder += u'\\';
        return HostFileExists(folder + name);
    }
    return m_files.contains(name.toCaseFolded());
}

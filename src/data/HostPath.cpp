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
    , m_hostFolder(HostPath(folderPath))
{
    const QDir dir(m_hostFolder);
    if (!dir.exists())
        return;
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    m_names = QSet<QString>(files.begin(), files.end());
    m_files.reserve(files.size());
    for (const QString &file : files)
        m_files.insert(file.toCaseFolded(), file);
}

QString HostFolderIndex::pathText(const QString &name) const
{
    QString folder = m_folderText;
    if (!folder.endsWith(u'\\') && !folder.endsWith(u'/'))
        folder += u'\\';
    return folder + name;
}

bool HostFolderIndex::containsFile(const QString &name) const
{
    if (name.isEmpty())
        return false;
    if (name.contains(u'\\') || name.contains(u'/'))
        return HostFileExists(pathText(name));
    return m_files.contains(name.toCaseFolded());
}

QString HostFolderIndex::filePath(const QString &name) const
{
    if (name.isEmpty() || name.contains(u'\\') || name.contains(u'/'))
        return HostPath(pathText(name));
    QString spelled = name;
    if (!m_names.contains(name))
        spelled = m_files.value(name.toCaseFolded(), name);
    if (m_hostFolder.endsWith(u'/'))
        return m_hostFolder + spelled;
    return m_hostFolder + u'/' + spelled;
}

#include "data/HostPath.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString EntryMatching(const QString &folder, const QString &name)
{
    if (name == u"." || name == u"..")
        return name;
    const QString direct = folder.isEmpty() ? name : QDir(folder).filePath(name);
    if (QFileInfo::exists(direct))
        return name;
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries
        = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

} // namespace

QString HostPath(const QString &path)
{
    QString text = path;
    if (QDir::separator() != u'\\')
        text.replace(u'\\', u'/');
    const QStringList parts = text.split(u'/');

    QString result;
    qsizetype i = 0;
    if (text.startsWith(u'/')) {
        result = QStringLiteral("/");
        i = 1;
    }
    bool matching = true;
    for (; i < parts.size(); ++i) {
        const QString &name = parts.at(i);
        QString spelled = name;
        if (matching && !name.isEmpty()) {
            const QString found = EntryMatching(result, name);
            if (found.isEmpty())
                matching = false;
            else
                spelled = found;
        }
        if (!result.isEmpty() && !result.endsWith(u'/'))
            result += u'/';
        result += spelled;
    }
    return result;
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

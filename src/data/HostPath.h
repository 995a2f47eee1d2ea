#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// Path texts of the accounting system's platform mapped onto this host's file system:
// backslashes become the host separator and each name is matched without regard to letter case.

// Maps a path text as the database engine does. Names that match an existing entry (in any
// letter case) take that entry's spelling; from the first name that matches nothing, the rest
// is appended as typed.
QString HostPath(const QString &path);

// Whether a file (not a folder) exists at the mapped path.
bool HostFileExists(const QString &path);

// One folder's file names, read once, for many existence tests and paths without a listing of
// the folder each.
class HostFolderIndex
{
public:
    explicit HostFolderIndex(const QString &folderPath);

    // Whether the folder holds a file of this name (letter case ignored). A name with a
    // separator in it is looked up through HostFileExists.
    bool containsFile(const QString &name) const;
    // HostPath of the folder text followed by the name, as the folder stood when it was read: a
    // file of that name in any letter case takes that file's spelling, else the name is used as
    // given. A name with a separator in it is mapped through HostPath.
    QString filePath(const QString &name) const;

private:
    QString pathText(const QString &name) const;

    QString m_folderText;
    QString m_hostFolder;
    QSet<QString> m_names; // the folder's file names as spelled there
    QHash<QString, QString> m_files; // case-folded names of the folder's files -> their spelling
};

#pragma once

#include <QHash>
#include <QString>

// Path texts of the accounting system's platform mapped onto this host's file system:
// backslashes become the host separator and each name is matched without regard to letter case.

// Maps a path text as the database engine does. Names that match an existing entry (in any
// letter case) take that entry's spelling; from the first name that matches nothing, the rest
// is appended as typed.
QString HostPath(const QString &path);

// Whether a file (not a folder) exists at the mapped path.
bool HostFileExists(const QString &path);

// One folder's file names, read once, for many existence tests without a system call each.
class HostFolderIndex
{
public:
    explicit HostFolderIndex(const QString &folderPath);

    // Whether the folder holds a file of this name (letter case ignored). A name with a
    // separator in it is looked up through HostFileExists.
    bool containsFile(const QString &name) const;

private:
    QString m_folderText;
    QHash<QString, bool> m_files; // case-folded names of the folder's files
};

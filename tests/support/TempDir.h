#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary folder for one test, and the fixtures folder shipped beside the repository.
class TempDir
{
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// ../shared/fixtures (VELLORAN_SHARED_DIR from ctest); empty when absent.
QString FixturesDir();
// Copies a fixture folder into a fresh writable folder (fixtures are never written).
QString CopyFixtureFolder(const QString &relative, const TempDir &into);

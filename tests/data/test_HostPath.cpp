#include "data/HostPath.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(HostPath, MapsBackslashesAndMatchesNamesInAnyCase)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("Opera/A_PDF")));
    Touch(temp.file(QStringLiteral("Opera/A_PDF/I0004711.pdf")));

    const QString typed = QDir::toNativeSeparators(temp.path()).replace(u'/', u'\\')
        + QStringLiteral("\\OPERA\\a_pdf\\i0004711.PDF");
    EXPECT_EQ(HostPath(typed), temp.file(QStringLiteral("Opera/A_PDF/I0004711.pdf")));
    EXPECT_TRUE(HostFileExists(typed));
    // A folder is not a file.
    EXPECT_FALSE(HostFileExists(temp.path() + QStringLiteral("\\opera\\a_pdf")));
}

TEST(HostPath, UnmatchedRestIsKeptAsTyped)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("Opera")));
    EXPECT_EQ(HostPath(temp.path() + QStringLiteral("\\opera\\Missing\\X.PDF")),
        temp.path() + QStringLiteral("/Opera/Missing/X.PDF"));
    EXPECT_FALSE(HostFileExists(temp.path() + QStringLiteral("\\opera\\Missing\\X.PDF")));
}

TEST(HostPath, FolderIndexAnswersWithoutRegardToCase)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("Z_PDF/sub")));
    Touch(temp.file(QStringLiteral("Z_PDF/Doc1.PDF")));
    Touch(temp.file(QStringLiteral("Z_PDF/sub/Doc2.pdf")));

    const HostFolderIndex index(temp.path() + QStringLiteral("\\z_pdf\\"));
    EXPECT_TRUE(index.containsFile(QStringLiteral("DOC1.pdf")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("Doc2.pdf")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("sub"))); // folders are not files
    EXPECT_FALSE(index.containsFile(QString()));
    EXPECT_TRUE(index.containsFile(QStringLiteral("SUB\\doc2.PDF")));

    const HostFolderIndex missing(temp.path() + QStringLiteral("\\nowhere"));
    EXPECT_FALSE(missing.containsFile(QStringLiteral("Doc1.PDF")));
}

// The index's paths are the ones HostPath gives name by name, without listing the folder again.
TEST(HostPath, FolderIndexPathsAreTheMappedPaths)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("Z_PDF/sub")));
    Touch(temp.file(QStringLiteral("Z_PDF/Doc1.PDF")));
    Touch(temp.file(QStringLiteral("Z_PDF/both.pdf")));
    Touch(temp.file(QStringLiteral("Z_PDF/BOTH.pdf")));
    Touch(temp.file(QStringLiteral("Z_PDF/sub/Doc2.pdf")));

    const QString folder = temp.path() + QStringLiteral("\\z_pdf\\");
    const HostFolderIndex index(folder);
    for (const char *name : { "Doc1.PDF", "doc1.pdf", "both.pdf", "BOTH.pdf", "SI4711.PDF",
             "SUB\\doc2.PDF", "sub/none.pdf", "" }) {
        const QString text = QString::fromLatin1(name);
        EXPECT_EQ(index.filePath(text), HostPath(folder + text)) << name;
    }
    EXPECT_EQ(
        index.filePath(QStringLiteral("doc1.pdf")), temp.file(QStringLiteral("Z_PDF/Doc1.PDF")));
}

} // namespace

#include "dispatch/DocumentPaths.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString A = QStringLiteral("A");

TEST(DocumentPaths, WorkedExamples)
{
    const QString folder = QStringLiteral("C:\\Opera\\");
    EXPECT_EQ(CompanyPdfFolder(folder, A), QStringLiteral("C:\\Opera\\A_PDF\\"));
    EXPECT_EQ(DocumentPdfPath(folder, A, QStringLiteral("I0004711.PDF")),
        QStringLiteral("C:\\Opera\\A_PDF\\I0004711.PDF"));
    EXPECT_EQ(AttachmentCopyPath(folder, A, QStringLiteral("SI/4711")),
        QStringLiteral("C:\\Opera\\A_PDF\\SI4711.PDF"));
}

TEST(DocumentPaths, FolderWithOrWithoutSeparatorsGivesTheSamePath)
{
    const QString expected = QStringLiteral("C:\\Opera\\Data\\A_PDF\\X.PDF");
    EXPECT_EQ(
        DocumentPdfPath(QStringLiteral("C:\\Opera\\Data"), A, QStringLiteral("X.PDF")), expected);
    EXPECT_EQ(
        DocumentPdfPath(QStringLiteral("C:\\Opera\\Data\\"), A, QStringLiteral("X.PDF")), expected);
    EXPECT_EQ(
        DocumentPdfPath(QStringLiteral("C:\\\\Opera\\\\\\\\Data"), A, QStringLiteral("X.PDF")),
        expected);
}

TEST(DocumentPaths, FileNameBlanksAndEmptyNames)
{
    // The memo's 24-character form, padded with blanks, names the same file.
    EXPECT_EQ(DocumentPdfPath(
                  QStringLiteral("C:\\Opera"), A, QStringLiteral("I0004711.PDF").leftJustified(24)),
        QStringLiteral("C:\\Opera\\A_PDF\\I0004711.PDF"));
    // No current row: the company PDF folder itself.
    EXPECT_EQ(DocumentPdfPath(QStringLiteral("C:\\Opera"), A, QString()),
        QStringLiteral("C:\\Opera\\A_PDF\\"));
}

TEST(DocumentPaths, AttachmentNamesDropSeparatorsAndBlanks)
{
    const QString folder = QStringLiteral("C:\\Opera");
    EXPECT_EQ(AttachmentCopyPath(folder, A, QStringLiteral("SI\\4711")),
        QStringLiteral("C:\\Opera\\A_PDF\\SI4711.PDF"));
    EXPECT_EQ(AttachmentCopyPath(folder, A, QStringLiteral(" 4711 ")),
        QStringLiteral("C:\\Opera\\A_PDF\\4711.PDF"));
    EXPECT_EQ(AttachmentCopyPath(folder, A, QStringLiteral(" / \\ ")),
        QStringLiteral("C:\\Opera\\A_PDF\\.PDF"));
    // The copy is always ".PDF", whatever the reference looks like.
    EXPECT_EQ(AttachmentCopyPath(folder, A, QStringLiteral("si.pdf")),
        QStringLiteral("C:\\Opera\\A_PDF\\si.pdf.PDF"));
}

TEST(DocumentPaths, HostPathsFindFilesInAnyLetterCase)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("Data/a_pdf")));
    QFile file(temp.file(QStringLiteral("Data/a_pdf/i0004711.pdf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    const QString folder = temp.path() + QStringLiteral("\\DATA\\");
    EXPECT_EQ(DocumentPdfHostPath(folder, A, QStringLiteral("I0004711.PDF  ")),
        temp.file(QStringLiteral("Data/a_pdf/i0004711.pdf")));
    // A copy that does not exist yet lands in the existing folder under its own name.
    EXPECT_EQ(AttachmentCopyHostPath(folder, A, QStringLiteral("SI/9")),
        temp.file(QStringLiteral("Data/a_pdf/SI9.PDF")));
}

} // namespace

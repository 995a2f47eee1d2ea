// The folder index's table of names: letter case beyond ASCII, links, and a folder large enough
// for names to share slots.
#include "data/HostPath.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(HostFolderIndex, LettersBeyondAsciiMatchInAnyCase)
{
    TempDir temp;
    Touch(temp.file(QStringLiteral("Ärger-Öl.PDF")));
    Touch(temp.file(QStringLiteral("straße.pdf")));
    const HostFolderIndex index(temp.path());
    EXPECT_TRUE(index.containsFile(QStringLiteral("ärger-öl.pdf")));
    EXPECT_TRUE(index.containsFile(QStringLiteral("ÄRGER-ÖL.PDF")));
    EXPECT_TRUE(index.containsFile(QStringLiteral("STRAßE.PDF")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("arger-ol.pdf")));
    EXPECT_EQ(
        index.filePath(QStringLiteral("ärger-öl.pdf")), temp.file(QStringLiteral("Ärger-Öl.PDF")));
}

// A link counts as the file it leads to; a link to a folder or to nothing is no file.
TEST(HostFolderIndex, LinksCountAsTheFileTheyLeadTo)
{
    TempDir temp;
    ASSERT_TRUE(QDir(temp.path()).mkpath(QStringLiteral("pdf/sub")));
    Touch(temp.file(QStringLiteral("target.pdf")));
    const QString pdf = temp.file(QStringLiteral("pdf/"));
    ASSERT_TRUE(
        QFile::link(temp.file(QStringLiteral("target.pdf")), pdf + QStringLiteral("A.PDF")));
    ASSERT_TRUE(QFile::link(pdf + QStringLiteral("sub"), pdf + QStringLiteral("B.PDF")));
    ASSERT_TRUE(QFile::link(temp.file(QStringLiteral("gone.pdf")), pdf + QStringLiteral("C.PDF")));
    const HostFolderIndex index(pdf);
    EXPECT_TRUE(index.containsFile(QStringLiteral("a.pdf")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("B.PDF")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("C.PDF")));
    EXPECT_FALSE(index.containsFile(QStringLiteral("sub")));
}

// Thousands of names, each found in another letter case, and none that is not there.
TEST(HostFolderIndex, EveryNameOfALargeFolderIsFound)
{
    TempDir temp;
    constexpr int Files = 3000;
    for (int i = 0; i < Files; ++i)
        Touch(temp.file(QStringLiteral("Inv%1.PDF").arg(i)));
    const HostFolderIndex index(temp.path());
    int found = 0;
    for (int i = 0; i < Files; ++i)
        found += index.containsFile(QStringLiteral("INV%1.pdf").arg(i)) ? 1 : 0;
    EXPECT_EQ(found, Files);
    int strays = 0;
    for (int i = Files; i < 2 * Files; ++i)
        strays += index.containsFile(QStringLiteral("Inv%1.PDF").arg(i)) ? 1 : 0;
    strays += index.containsFile(QStringLiteral("Inv1.PDF ")) ? 1 : 0;
    strays += index.containsFile(QStringLiteral("Inv1.PD")) ? 1 : 0;
    EXPECT_EQ(strays, 0);
    EXPECT_EQ(
        index.filePath(QStringLiteral("inv2999.pdf")), temp.file(QStringLiteral("Inv2999.PDF")));
}

} // namespace
